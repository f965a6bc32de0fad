#include "testing/sample_image.h"

#include <cstdio>
#include <set>

#include "common/cut_table.h"

namespace d88test {

namespace {

constexpr int kLabelSize = 16;
// Interleaved, as on many real disks, so that sectors are found by ID, not by position.
constexpr int kSectorOrder[kSampleSectorsPerTrack] = {1, 3, 5, 2, 4};

}  // namespace

std::size_t SampleRecordIndex(int disk, int track, int r) {
  int position = 0;
  while (kSectorOrder[position] != r) ++position;
  return static_cast<std::size_t>((disk * kSampleTracks + track) * kSampleSectorsPerTrack +
                                  position);
}

std::vector<std::pair<int, int>> TracksTheTableReads() {
  std::set<std::pair<int, int>> tracks;
  for (const CutEntry& e : kCutTable) {
    const int sectors = (e.skip + e.length + kSampleSectorSize - 1) / kSampleSectorSize;
    const int first = e.track * kSampleSectorsPerTrack + e.r - 1;
    for (int linear = first; linear < first + sectors; ++linear) {
      tracks.insert({e.disk, linear / kSampleSectorsPerTrack});
    }
  }
  return {tracks.begin(), tracks.end()};
}

std::vector<std::uint8_t> SampleSectorData(int disk, int track, int r) {
  std::vector<std::uint8_t> data(kSampleSectorSize);
  char label[kLabelSize + 1];
  for (int at = 0; at < kSampleSectorSize; at += kLabelSize) {
    std::snprintf(label, sizeof label, "D%d T%03d R%d +%03X\n", disk, track, r, at);
    for (int i = 0; i < kLabelSize; ++i) {
      data[static_cast<std::size_t>(at + i)] = static_cast<std::uint8_t>(label[i]);
    }
  }
  return data;
}

std::vector<std::uint8_t> BuildSampleImage(Layout* layout, int disks, const SectorFilter& keep) {
  D88Builder builder;
  for (int disk = 0; disk < disks; ++disk) {
    char name[16];
    std::snprintf(name, sizeof name, "DISK %d", disk);
    builder.AddDisk(name, 0x00);
    for (int track = 0; track < kSampleTracks; ++track) {
      for (int r : kSectorOrder) {
        if (keep && !keep(disk, track, r)) {
          continue;
        }
        builder.AddSector(track, static_cast<std::uint8_t>(track / 2),
                          static_cast<std::uint8_t>(track % 2), static_cast<std::uint8_t>(r), 3,
                          SampleSectorData(disk, track, r));
      }
    }
  }
  return builder.Build(layout);
}

}  // namespace d88test
