// Writes images of about 4 MB that cost d88info the most for their size into a folder: all 164
// track entries of each of 4 disks pointing at one run of 65,535 records that each say the
// track holds 65,535 sectors; 164 tracks starting spread over one run of 262,000 such records,
// so that every walk runs to the end of the disk; 262,000 records each with four anomalies; and
// ten disks like the sample's.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "testing/d88_builder.h"
#include "testing/d88_layout.h"
#include "testing/sample_image.h"

namespace {

using d88test::Bytes;
namespace L = d88test::layout;

// A disk of `records` records of no data, each saying its track holds 65,535 sectors, in one
// run; `entries(t)` gives each track's entry as a record number.
Bytes RunDisk(std::size_t records, std::size_t (*entry)(int track), std::uint8_t status = 0,
              std::uint8_t density = 0) {
  Bytes disk(L::kDiskHeaderSize + records * L::kRecordHeaderSize, 0);
  for (std::size_t i = 0; i < records; ++i) {
    const std::size_t at = L::kDiskHeaderSize + i * L::kRecordHeaderSize;
    disk[at + L::kC] = 7;  // off every track's place
    disk[at + L::kR] = static_cast<std::uint8_t>(i % 255 + 1);
    d88test::PutLE16(disk, at + L::kSectorCount, 65535);
    disk[at + L::kStatus] = status;
    disk[at + L::kDensity] = density;
  }
  for (int t = 0; t < L::kTrackCount; ++t) {
    d88test::PutLE32(
        disk, L::TrackEntry(t),
        static_cast<std::uint32_t>(L::kDiskHeaderSize + entry(t) * L::kRecordHeaderSize));
  }
  d88test::PutLE32(disk, L::kDiskSize, static_cast<std::uint32_t>(disk.size()));
  return disk;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: make_d88info_images FOLDER\n", stderr);
    return 1;
  }
  const std::string folder = argv[1];
  Bytes one_run;
  for (int disk = 0; disk < 4; ++disk) {
    const Bytes bytes = RunDisk(65535, [](int) { return std::size_t{0}; });
    one_run.insert(one_run.end(), bytes.begin(), bytes.end());
  }
  const struct {
    const char* name;
    Bytes bytes;
  } images[] = {
      {"one-run.d88", one_run},
      {"spread-starts.d88",
       RunDisk(262000, [](int track) { return static_cast<std::size_t>(track) * 1597; })},
      {"marked.d88",
       RunDisk(
           262000, [](int track) { return static_cast<std::size_t>(track) * 1597; }, 0xB0, 0x40)},
      {"ten-disks.d88", d88test::BuildSampleImage(nullptr, 10)},
  };
  for (const auto& image : images) {
    if (!d88test::WriteBytes(folder + "/" + image.name, image.bytes)) {
      std::fprintf(stderr, "make_d88info_images: cannot write %s/%s\n", folder.c_str(), image.name);
      return 1;
    }
  }
  return 0;
}
