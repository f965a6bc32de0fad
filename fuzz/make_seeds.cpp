// Writes the seed corpora of the two fuzzers, made with the image builder:
//   make_seeds READER_DIR CUT_DIR
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "testing/d88_builder.h"
#include "testing/sample_image.h"

namespace {

using d88test::Bytes;
using d88test::D88Builder;

// A small two-disk image: three tracks of 128-byte sectors 1 to 3 and one 256-byte sector 4;
// `damage` picks one fault to add.
Bytes SmallImage(int damage) {
  D88Builder builder;
  builder.AddDisk("SEED A", 0x00);
  for (int t = 0; t < 3; ++t) {
    for (std::uint8_t r = 1; r <= 4; ++r) {
      d88test::Record record = d88test::MakeRecord(
          static_cast<std::uint8_t>(t / 2), static_cast<std::uint8_t>(t % 2), r, r == 4 ? 1 : 0,
          d88test::Pattern(r == 4 ? 256 : 128, static_cast<std::uint32_t>(t * 4 + r)));
      if (damage == 1 && t == 1 && r == 2) record = d88test::WithCount(record, 0);
      if (damage == 2 && t == 0 && r == 1) record = d88test::WithDataSize(record, 100);
      builder.AddRecord(t, record);
    }
  }
  builder.AddDisk("SEED B", 0x20).AddSector(0, 0, 0, 1, 0, d88test::Pattern(128, 9));
  if (damage == 3) builder.SetDiskSize(0);
  return builder.Build();
}

// Open, select, set the range, read, run across a head and then a cylinder, list, select the
// other disk, close, select again.
// clang-format off
const Bytes kScript = {
    0,                         // Open
    3, 0,                      // SelectDisk(0)
    4, 1, 3,                   // SetSectorRange(1, 3)
    5, 0, 0, 0, 1, 0, 0, 128,  // ReadSector(0, c 0, h 0, r 1, n 0, max 128)
    6, 0, 0, 0, 1, 0, 2, 88,   // ReadSectors(0, c 0, h 0, r 1, n 0, total 600)
    6, 1, 0, 1, 3, 0, 1, 44,   // ReadSectors(1, c 0, h 1, r 3, n 0, total 300)
    5, 2, 1, 0, 4, 1, 1, 0,    // ReadSector(2, c 1, h 0, r 4, n 1, max 256)
    7, 1, 0, 64,               // ListSectorIds(1, capacity 64)
    3, 1,                      // SelectDisk(1)
    7, 0, 0, 10,               // ListSectorIds(0, capacity 10)
    1,                         // close
    3, 0,                      // SelectDisk(0)
};
// clang-format on

bool Write(const std::string& path, const Bytes& bytes) {
  if (d88test::WriteBytes(path, bytes)) return true;
  std::fprintf(stderr, "make_seeds: cannot write %s\n", path.c_str());
  return false;
}

// Only the sample image's tracks that the table reads, to keep the seed small.
Bytes CutImage(int disks, int missing_track) {
  const std::vector<std::pair<int, int>> tracks = d88test::TracksTheTableReads();
  const std::set<std::pair<int, int>> used(tracks.begin(), tracks.end());
  return d88test::BuildSampleImage(nullptr, disks, [&](int disk, int track, int) {
    return track != missing_track && used.count({disk, track}) != 0;
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: make_seeds READER_DIR CUT_DIR\n", stderr);
    return 1;
  }
  const std::string reader_dir = argv[1], cut_dir = argv[2];
  bool ok = true;
  for (int damage = 0; damage < 4; ++damage) {
    Bytes seed = {static_cast<std::uint8_t>(kScript.size())};
    seed.insert(seed.end(), kScript.begin(), kScript.end());
    const Bytes image = SmallImage(damage);
    seed.insert(seed.end(), image.begin(), image.end());
    ok = Write(reader_dir + "/small-" + std::to_string(damage), seed) && ok;
  }
  ok = Write(cut_dir + "/all-sectors", CutImage(4, -1)) && ok;
  ok = Write(cut_dir + "/one-disk", CutImage(1, -1)) && ok;
  ok = Write(cut_dir + "/no-track-74", CutImage(4, 74)) && ok;
  ok = Write(cut_dir + "/empty", {}) && ok;
  return ok ? 0 : 1;
}
