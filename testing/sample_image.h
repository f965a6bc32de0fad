// The sample image: four disks of 82 tracks (cylinders 0 to 40, two heads) of five
// 1024-byte sectors, every byte labelled with where it lies.
#ifndef TESTING_SAMPLE_IMAGE_H
#define TESTING_SAMPLE_IMAGE_H

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "testing/d88_builder.h"

namespace d88test {

constexpr int kSampleDisks = 4;
constexpr int kSampleTracks = 82;
constexpr int kSampleSectorsPerTrack = 5;
constexpr int kSampleSectorSize = 1024;

/// The data of sector `r` of `track` of `disk`: 16-byte text lines such as "D2 T074 R4 +3F0\n",
/// naming the disk, the track, the sector and the line's offset in the sector (hex).
std::vector<std::uint8_t> SampleSectorData(int disk, int track, int r);

/// Where the record of sector `r` of `track` of `disk` stands in Layout::record_offsets of the
/// full sample image.
std::size_t SampleRecordIndex(int disk, int track, int r);

/// The (disk, track) pairs that the tool's runs pass through in an image of this geometry,
/// in order.
std::vector<std::pair<int, int>> TracksTheTableReads();

/// Says whether sector `r` of `track` of `disk` is put into the image.
using SectorFilter = std::function<bool(int disk, int track, int r)>;

/// Every track holds its sectors in the order 1, 3, 5, 2, 4, with C = track / 2, H = track % 2.
/// Tests make other images of the same kind with more or fewer disks, or sectors left out.
std::vector<std::uint8_t> BuildSampleImage(Layout* layout = nullptr, int disks = kSampleDisks,
                                           const SectorFilter& keep = SectorFilter());

}  // namespace d88test

#endif  // TESTING_SAMPLE_IMAGE_H
