// End-to-end tests of d88info: its listing against images whose layout the builder reports, and
// its check against what dskpick really does with the same image (the damaged-image sweep
// compares the two on thousands more).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "testing/cut_checks.h"
#include "testing/d88_builder.h"
#include "testing/d88_layout.h"
#include "testing/expected_files.h"
#include "testing/sample_image.h"
#include "testing/temp_dir.h"
#include "testing/tool_runner.h"

namespace d88test {
namespace {

// The lines of `text`, line ends dropped.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(LineEnd(), start)) != std::string::npos;
       start = end + LineEnd().size()) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

TEST(D88infoTest, ListsEveryDiskAndTrack) {
  TempDir dir;
  Layout layout;
  const Bytes image =
      D88Builder()
          .AddDisk(std::string("Q\"\\\x01\xE9 z"), 0x10)
          .AddSector(0, 1, 0, 1, 3, Pattern(1024, 4))
          .AddSector(0, 1, 0, 2, 3, Pattern(1024, 5))
          .AddRecord(5, WithCount(MakeRecord(2, 1, 1, 0, Pattern(128, 1)), 0))  // goes on past 0
          .AddRecord(5, WithCount(MakeRecord(2, 1, 2, 0, Pattern(128, 2)), 0))
          .AddRecord(5, WithCount(MakeRecord(2, 1, 3, 0, Pattern(128, 3)), 3))
          .SetTrackEntry(7, 0xFFFFFFF0u)  // past the disk's size: unusable, no line
          .AddDisk("PLAIN", 0x20)
          .AddSector(0, 0, 0, 9, 1, Pattern(256, 6))
          .AddSector(0, 0, 0, 8, 1, Pattern(256, 7))
          .Build(&layout);
  // The image ends inside the second disk's second record header.
  const std::size_t cut = layout.record_offsets.back() + 10;
  ASSERT_TRUE(WriteBytes(dir.File("image.d88"),
                         Bytes(image.begin(), image.begin() + static_cast<long>(cut))));
  const std::size_t second = layout.disk_offsets.at(1);
  const ToolRun run = RunD88info(dir.path().string(), {"--ids", "image.d88"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            Line("image.d88: 2 disks") +
                Line("disk 0: name \"Q\\x22\\x5C\\x01\\xE9 z\", media 0x10 (2DD), offset 0, size " +
                     std::to_string(second)) +
                Line("  track 0: 1/0/1/3 1/0/2/3") + Line("  track 5: 2/1/1/0 2/1/2/0 2/1/3/0") +
                Line("disk 1: name \"PLAIN\", media 0x20 (2HD), offset " + std::to_string(second) +
                     ", size " + std::to_string(image.size() - second)) +
                Line("  track 0: 0/0/9/1"));
}

// The run as if in-process, with "\n" line ends, as the output checks of the test kit read it.
InProcessRun Plain(const ToolRun& run) {
  auto lf = [](std::string text) {
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    return text;
  };
  return {run.status, lf(run.out), lf(run.err)};
}

TEST(D88infoTest, CheckSaysWhatDskpickDoes) {
  struct Case {
    const char* name;
    Bytes image;
    int disks;
  };
  const Case cases[] = {
      {"WholeSample", BuildSampleImage(), 4},
      {"OneDisk", BuildSampleImage(nullptr, 1), 1},
      {"ThreeDisks", BuildSampleImage(nullptr, 3), 3},
      {"FirstSectorMissing",
       BuildSampleImage(nullptr, 4,
                        [](int d, int t, int r) { return !(d == 0 && t == 72 && r == 2); }),
       4},
      {"LaterSectorMissing",
       BuildSampleImage(nullptr, 4,
                        [](int d, int t, int r) { return !(d == 2 && t == 74 && r == 5); }),
       4},
      {"Empty", {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir cut_here, check_here;
    ASSERT_TRUE(WriteBytes(cut_here.File("image.d88"), c.image));
    ASSERT_TRUE(WriteBytes(check_here.File("image.d88"), c.image));
    const ToolRun cut = RunTool(cut_here.path().string(), {"image.d88"});
    const ToolRun check = RunD88info(check_here.path().string(), {"--check", "image.d88"});
    const std::vector<std::string> problems = CheckDisagreements(Plain(cut), Plain(check));
    EXPECT_TRUE(problems.empty()) << problems.front();
    // Which of the files dskpick passed over lie on disks the image does not have.
    const std::vector<std::string> lines = Lines(check.out);
    ASSERT_EQ(lines.size(), std::size(kExpected) + 1);
    for (std::size_t i = 0; i < std::size(kExpected); ++i) {
      const bool no_disk = lines[i].find(": no disk") != std::string::npos;
      EXPECT_EQ(no_disk, kExpected[i].disk >= c.disks) << lines[i];
    }
    EXPECT_EQ(check_here.Names(), std::vector<std::string>{"image.d88"});  // nothing written
  }
}

TEST(D88infoTest, CommandLine) {
  TempDir dir;
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    bool usage_out, usage_err;
  };
  const Case cases[] = {
      {"Help", {"--help"}, 0, true, false},
      {"NoArgument", {}, 1, false, true},
      {"CheckWithoutImage", {"--check"}, 1, false, true},
      {"TwoImages", {"a.d88", "b.d88"}, 1, false, true},
      {"UnknownOption", {"--list", "a.d88"}, 1, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ToolRun run = RunD88info(dir.path().string(), c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out.rfind("Usage: d88info", 0) == 0, c.usage_out) << run.out;
    EXPECT_EQ(run.err.rfind("Usage: d88info", 0) == 0, c.usage_err) << run.err;
  }
  const ToolRun version = RunD88info(dir.path().string(), {"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("d88info (dskpick) 1.", 0), 0u) << version.out;

  const ToolRun missing = RunD88info(dir.path().string(), {"missing.d88"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
  const std::string prefix = "d88info: cannot open missing.d88: ";
  EXPECT_EQ(missing.err.rfind(prefix, 0), 0u) << missing.err;
  if (!UsingOtherCommand()) {
    EXPECT_EQ(missing.err, Line(prefix + "No such file or directory"));
  }
}

TEST(D88infoTest, SummaryOfACleanDisk) {
  TempDir dir;
  D88Builder builder;
  builder.AddDisk("CLEAN", 0x10);
  for (int track = 0; track < 160; ++track) {
    for (int r = 1; r <= 16; ++r) {
      builder.AddSector(track, static_cast<std::uint8_t>(track / 2),
                        static_cast<std::uint8_t>(track % 2), static_cast<std::uint8_t>(r), 1,
                        Pattern(256, static_cast<std::uint32_t>(r)));
    }
  }
  ASSERT_TRUE(WriteBytes(dir.File("image.d88"), builder.Build()));
  const ToolRun run = RunD88info(dir.path().string(), {"image.d88"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, Line("image.d88: 697008 bytes, 1 disk, no anomalies") +
                         Line("disk 0 \"CLEAN\": media 0x10 (2DD), not write-protected, at 0, "
                              "size 697008") +
                         Line("  tracks 0-159: 16 x 256 bytes (N 1), R 1-16, MFM") +
                         Line("  tracks 160-163: absent"));
}

// Images of two tracks of two 256-byte sectors each, damaged in one way a row.
TEST(D88infoTest, SummaryNamesEveryAnomaly) {
  namespace L = layout;
  auto disk = [](std::vector<Record> track0) {
    D88Builder builder;
    builder.AddDisk("A");
    for (Record& record : track0) builder.AddRecord(0, record);
    return builder.AddSector(1, 0, 1, 1, 1, Pattern(256)).AddSector(1, 0, 1, 2, 1, Pattern(256));
  };
  auto sector = [](std::uint8_t r) { return MakeRecord(0, 0, r, 1, Pattern(256, r)); };
  const Bytes clean = disk({sector(1), sector(2)}).Build();
  // The second record of track 0, 688 + 272 bytes in; track 1 starts at 1232.
  auto patched = [&](std::size_t at, std::uint8_t value) {
    Bytes image = clean;
    image[960 + at] = value;
    return image;
  };
  // The older header: 16 bytes shorter, every offset 16 less, so that entries 160 to 163 are
  // the first bytes of track 0.
  Bytes old = clean;
  old.erase(old.begin() + 672, old.begin() + 688);
  for (std::size_t at = L::kDiskSize; at < 672; at += 4) {
    const std::uint32_t entry = old[at] | static_cast<std::uint32_t>(old[at + 1]) << 8;
    if (entry != 0) PutLE32(old, at, entry - 16);
  }
  D88Builder many;
  for (int i = 0; i < 65; ++i) many.AddDisk("E");
  struct Case {
    const char* name;
    Bytes image;
    std::string line;
  };
  const Case cases[] = {
      {"DataCrcError", patched(L::kStatus, 0xB0),
       "disk 0 track 0 sector 0/0/2/1: data CRC error (status 0xB0)"},
      {"Deleted", patched(L::kDeleted, 0x10),
       "disk 0 track 0 sector 0/0/2/1: marked deleted (0x10)"},
      {"SingleDensity", patched(L::kDensity, 0x40),
       "disk 0 track 0 sector 0/0/2/1: single density (FM)"},
      {"DataSize", disk({sector(1), MakeRecord(0, 0, 2, 1, Pattern(300))}).Build(),
       "disk 0 track 0 sector 0/0/2/1: data size 300, not 128 << 1"},
      {"Duplicate", disk({sector(1), sector(1)}).Build(),
       "disk 0 track 0: sector 0/0/1/1 more than once"},
      {"WrongPlace", disk({sector(1), MakeRecord(5, 1, 2, 1, Pattern(256))}).Build(),
       "disk 0 track 0 sector 5/1/2/1: C/H 5/1, but the track is cylinder 0 head 0"},
      {"CountsDisagree", disk({sector(1), WithCount(sector(2), 9)}).Build(),
       "disk 0 track 0: records say 2 and 9 sectors"},
      {"CountDiffers", disk({WithCount(sector(1), 16), WithCount(sector(2), 16)}).Build(),
       "disk 0 track 0: the count says 16 (0x0010), the track holds 2 records"},
      {"TrackCutShort", Bytes(clean.begin(), clean.end() - 272),
       "disk 0 track 1: the image ends inside the track after 1 of the 2 records its count says"},
      {"DataCutShort", Bytes(clean.begin(), clean.end() - 56),
       "disk 0 track 1 sector 0/1/2/1: the image ends inside its data, after 200 of 256 bytes"},
      {"RecordRunsIntoNextTrack", disk({sector(1), WithDataSize(sector(2), 300)}).Build(),
       "disk 0 track 0: its last record runs to offset 1276, into track 1 at 1232"},
      {"SameStart", disk({sector(1)}).SetTrackEntry(1, 688).Build(),
       "disk 0 track 1: starts where track 0 does, at offset 688"},
      {"TrackPastSize", disk({sector(1)}).SetTrackEntry(7, 0xFFFFFFF0u).Build(),
       "disk 0 track 7: offset 2^31 or more is past the disk's size"},
      {"SizeZero", disk({sector(1)}).SetDiskSize(0).Build(),
       "disk 0: its size field is 0, so the next disk would start where it does"},
      {"SizePastEnd", disk({sector(1)}).SetDiskSize(5000).Build(),
       "disk 0: its size runs 3496 bytes past the end of the file"},
      {"SizeInsideHeader", D88Builder().AddDisk("A").SetDiskSize(100).AddDisk("B").Build(),
       "disk 0: its size field 100 is smaller than its header; disk 1 starts inside it"},
      {"TrailingBytes",
       [&] {
         Bytes b = clean;
         b.resize(b.size() + 100);
         return b;
       }(),
       "image: 100 bytes after the last disk, from offset 1776"},
      {"DiskLimit", many.Build(),
       "image: 64 disks, the most the reader takes; the 688 bytes from offset 44032 are not read"},
      {"WriteProtectByte", D88Builder().AddDisk(std::string(26, 'W') + '\x05').Build(),
       "disk 0: write-protect byte 0x05, neither 0x00 nor 0x10"},
      {"OldHeader", old,
       "disk 0: older 0x2A0-byte header of 160 track entries; its track entries 160-163 are the "
       "first bytes of track 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.File("image.d88"), c.image));
    const ToolRun run = RunD88info(dir.path().string(), {"image.d88"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find(Line("  " + c.line)), std::string::npos) << run.out;
  }
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir.File("image.d88"), clean));
  EXPECT_EQ(RunD88info(dir.path().string(), {"image.d88"}).out.find("anomalies:"),
            std::string::npos);
}

TEST(D88infoTest, CheckSaysWhyAndWhichSectorsAreMarked) {
  Layout layout;
  Bytes marked = BuildSampleImage(&layout);
  marked[layout.record_offsets[SampleRecordIndex(0, 80, 3)] + layout::kStatus] = 0xB0;
  struct Case {
    const char* name;
    Bytes image;
    std::size_t line;
    std::string want, sum;
  };
  const Case cases[] = {
      {"MissingSector",
       BuildSampleImage(nullptr, 4,
                        [](int d, int t, int r) { return !(d == 0 && t == 72 && r == 2); }),
       1,
       "MUS000: no data (disk 0, track 72, C/H/R/N 36/0/2/3; track 72: 4 x 1024 bytes (N 3), R "
       "1-5, MFM)",
       "18 of 20 files would be cut"},
      {"MarkedSector", marked, 0,
       "DEMO: cut (disk 0, track 80, C/H/R/N 40/0/2/3; sector 40/0/3/3 of track 80: data CRC "
       "error (status 0xB0))",
       "20 of 20 files would be cut, 1 from sectors the image marks"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.File("image.d88"), c.image));
    const std::vector<std::string> lines =
        Lines(RunD88info(dir.path().string(), {"--check", "image.d88"}).out);
    ASSERT_EQ(lines.size(), std::size(kExpected) + 1);
    EXPECT_EQ(lines[c.line], c.want);
    EXPECT_EQ(lines.back(), c.sum);
  }
}

TEST(D88infoTest, OutputThatCannotBeWrittenIsStatus2OnEveryPath) {
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir.File("image.d88"), BuildSampleImage()));
  const std::vector<std::string> commands[] = {
      {"--help"}, {"--version"}, {"image.d88"}, {"--check", "image.d88"}};
  for (const bool closed_pipe : {false, true}) {
    RunOptions options;
    options.stdout_closed_pipe = closed_pipe;
    if (!closed_pipe) options.stdout_path = "/dev/full";
    for (const std::vector<std::string>& args : commands) {
      SCOPED_TRACE(args[0] + (closed_pipe ? " into a closed pipe" : " into /dev/full"));
      const ToolRun run = RunD88info(dir.path().string(), args, options);
      EXPECT_EQ(run.status, 2);
      EXPECT_EQ(run.err, Line("d88info: cannot write standard output"));
    }
  }
}

}  // namespace
}  // namespace d88test
