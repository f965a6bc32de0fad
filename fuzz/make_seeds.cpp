// Writes the seed corpora of the two fuzzers, made with the image builder:
//   make_seeds READER_DIR CUT_DIR
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/reader_calls.h"
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
d88fuzz::CallScript Script() {
  using d88fuzz::ReaderCall;
  d88fuzz::CallScript script;
  script.Call(ReaderCall::kOpen);
  script.Call(ReaderCall::kSelectDisk).Argument(0);
  script.Call(ReaderCall::kSetSectorRange).Argument(1).Argument(3);
  script.Call(ReaderCall::kReadSector).Argument(0).Argument(0).Argument(0).Argument(1);
  script.Argument(0).BufferSize(128);
  script.Call(ReaderCall::kReadSectors).Argument(0).Argument(0).Argument(0).Argument(1);
  script.Argument(0).BufferSize(600);
  script.Call(ReaderCall::kReadSectors).Argument(1).Argument(0).Argument(1).Argument(3);
  script.Argument(0).BufferSize(300);
  script.Call(ReaderCall::kReadSector).Argument(2).Argument(1).Argument(0).Argument(4);
  script.Argument(1).BufferSize(256);
  script.Call(ReaderCall::kListSectorIds).Argument(1).BufferSize(64);
  script.Call(ReaderCall::kSelectDisk).Argument(1);
  script.Call(ReaderCall::kListSectorIds).Argument(0).BufferSize(10);
  script.Call(ReaderCall::kClose);
  script.Call(ReaderCall::kSelectDisk).Argument(0);
  script.Call(ReaderCall::kSelectDisk).Argument(-1);
  return script;
}

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
    ok = Write(reader_dir + "/small-" + std::to_string(damage),
               Script().Build(SmallImage(damage))) &&
         ok;
  }
  ok = Write(cut_dir + "/all-sectors", CutImage(4, -1)) && ok;
  ok = Write(cut_dir + "/one-disk", CutImage(1, -1)) && ok;
  ok = Write(cut_dir + "/no-track-74", CutImage(4, 74)) && ok;
  ok = Write(cut_dir + "/empty", {}) && ok;
  return ok ? 0 : 1;
}
