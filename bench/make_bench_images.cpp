// Writes the benchmark's images into a folder: the sample image, chains of records that carry
// no data in front of the wanted sectors (5,000 and 65,000 of them), chains of small records
// with data, and 64 disks.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "testing/d88_builder.h"
#include "testing/sample_image.h"

namespace {

using d88test::D88Builder;

// The sample image's disks, holding only the tracks the table reads, each with `chain`
// records of `data_size` bytes in front of its five sectors. Every record carries a sector
// count of 65535, so that only the records' own positions could end a walk.
std::vector<std::uint8_t> ChainImage(int chain, std::size_t data_size) {
  constexpr std::uint16_t kLongestCount = 65535;
  const std::uint8_t order[] = {1, 3, 5, 2, 4};
  D88Builder builder;
  int current_disk = -1;
  for (const auto& [disk, track] : d88test::TracksTheTableReads()) {
    while (current_disk < disk) {
      builder.AddDisk("CHAIN");
      ++current_disk;
    }
    for (int i = 0; i < chain; ++i) {
      // An ID that no table entry asks for: cylinder 255 is never stepped to.
      builder.AddRecord(
          track, d88test::WithCount(d88test::MakeRecord(255, 0, 1, 0, d88test::Bytes(data_size)),
                                    kLongestCount));
    }
    for (std::uint8_t r : order) {
      builder.AddRecord(
          track, d88test::WithCount(d88test::MakeRecord(static_cast<std::uint8_t>(track / 2),
                                                        static_cast<std::uint8_t>(track % 2), r, 3,
                                                        d88test::SampleSectorData(disk, track, r)),
                                    kLongestCount));
    }
  }
  return builder.Build();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: make_bench_images FOLDER\n", stderr);
    return 1;
  }
  const std::string folder = argv[1];
  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
  } images[] = {
      {"sample.d88", d88test::BuildSampleImage()},
      {"chain-5000.d88", ChainImage(5000, 0)},
      {"chain-65000.d88", ChainImage(65000, 0)},
      {"chain-data-5000.d88", ChainImage(5000, 64)},
      {"disks-64.d88", d88test::BuildSampleImage(nullptr, 64)},
  };
  for (const auto& image : images) {
    if (!d88test::WriteBytes(folder + "/" + image.name, image.bytes)) {
      std::fprintf(stderr, "make_bench_images: cannot write %s/%s\n", folder.c_str(), image.name);
      return 1;
    }
  }
  return 0;
}
