// End-to-end tests of d88info: its listing against images whose layout the builder reports, and
// its check against what dskpick really does with the same image (the damaged-image sweep
// compares the two on thousands more).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "testing/cut_checks.h"
#include "testing/d88_builder.h"
#include "testing/d88_layout.h"
#include "testing/expected_files.h"
#include "testing/reference_walk.h"
#include "testing/sample_image.h"
#include "testing/temp_dir.h"
#include "testing/tool_runner.h"

#if DSKPICK_TEST_JSON
#include <nlohmann/json.hpp>
#endif

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

// `image`, a disk of the usual header, with the older header: 16 bytes shorter, every entry 16
// less, so that entries 160 to 163 are the first bytes of track 0.
Bytes OlderHeader(Bytes image) {
  image.erase(image.begin() + 672, image.begin() + 688);
  PutLE32(image, layout::kDiskSize, static_cast<std::uint32_t>(image.size()));
  for (std::size_t at = layout::kTrackTable; at < 672; at += 4) {
    const std::uint32_t entry = image[at] | static_cast<std::uint32_t>(image[at + 1]) << 8;
    if (entry != 0) PutLE32(image, at, entry - 16);
  }
  return image;
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

// A track whose listing reaches 65,536 IDs says so rather than go on: 65,537 records without
// data, whose counts of 0 never end the walk; and one of more records than the model keeps.
TEST(D88infoTest, IdListingStopsAtItsLimit) {
  constexpr std::size_t kRecords = 65537;
  Bytes image = D88Builder().AddDisk("LONG").Build();
  image.resize(layout::kDiskHeaderSize + kRecords * layout::kRecordHeaderSize, 0);
  PutLE32(image, layout::kDiskSize, static_cast<std::uint32_t>(image.size()));
  PutLE32(image, layout::TrackEntry(0), static_cast<std::uint32_t>(layout::kDiskHeaderSize));
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir.File("image.d88"), image));
  const std::vector<std::string> lines =
      Lines(RunD88info(dir.path().string(), {"--ids", "image.d88"}).out);
  ASSERT_EQ(lines.size(), 3u);
  const std::string& track = lines[2];
  EXPECT_EQ(track.rfind("  track 0: 0/0/0/0 0/0/0/0 ", 0), 0u);
  const std::string end = " 0/0/0/0 (listing stopped at 65536 IDs)";
  ASSERT_GE(track.size(), end.size());
  EXPECT_EQ(track.substr(track.size() - end.size()), end);
  EXPECT_EQ(std::count(track.begin(), track.end(), '/'), 3 * 65536);
  // Past the records the model keeps, the walk ends there, not at the end of the image.
  image.resize(layout::kDiskHeaderSize + ((1u << 20) + 1) * layout::kRecordHeaderSize, 0);
  PutLE32(image, layout::kDiskSize, static_cast<std::uint32_t>(image.size()));
  ASSERT_TRUE(WriteBytes(dir.File("image.d88"), image));
  const std::string data_size = "  disk 0 track 0 sector 0/0/0/0: data size 0, not 128 << 0";
  EXPECT_EQ(
      RunD88info(dir.path().string(), {"image.d88"}).out,
      Line("image.d88: 16777920 bytes, 1 disk, 1048581 anomalies") +
          Line("disk 0 \"LONG\": media 0x00 (2D), not write-protected, at 0, size 16777920") +
          Line("  track 0: 1048576 sectors of N 0, data size 0, R 0, MFM, count 0") +
          Line("  tracks 1-163: absent") + Line("anomalies:") +
          Line("  disk 0 track 0: the count says 0 (0x0000), the track holds 1048576 records") +
          Line("  disk 0 track 0 sector 0/0/0/0: sector count 0, which ends every read of the "
               "track at this record, its 1st of 1048576") +
          Line(data_size) + Line(data_size) + Line(data_size) + Line(data_size) + Line(data_size) +
          Line("  disk 0 track 0: sector 0/0/0/0 found 1048576 times") +
          Line("  disk 0: 16 bytes at file offsets 16777904-16777919 that no track reaches") +
          Line("  image: more than 1048576 records; the rest are not read") +
          Line("  and 1048571 more sectors whose data size is not 128 << N"));
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
    // The whole sample is cut, file by file, and nothing more is said of it.
    if (std::string(c.name) == "WholeSample") {
      for (std::size_t i = 0; i < std::size(kExpected); ++i) {
        const Expected& e = kExpected[i];
        EXPECT_EQ(lines[i], std::string(e.name) + ": cut (disk " + std::to_string(e.disk) +
                                ", track " + std::to_string(e.track) + ", C/H/R/N " +
                                std::to_string(e.track / 2) + "/" + std::to_string(e.track % 2) +
                                "/" + std::to_string(e.r) + "/3)");
      }
      EXPECT_EQ(lines.back(), "20 of 20 files would be cut");
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
    std::string message;  // the line before the usage on standard error; "" for none
    bool usage_out;
  };
  const Case cases[] = {
      {"Help", {"--help"}, 0, "", true},
      {"NoArgument", {}, 1, "no image given", false},
      {"CheckWithoutImage", {"--check"}, 1, "no image given", false},
      {"UnknownOption", {"--idz", "a.d88"}, 1, "unknown option '--idz'", false},
      {"TwoModes",
       {"--ids", "--check", "a.d88"},
       1,
       "--ids and --check cannot be used together",
       false},
      {"HelpWithAnImage", {"--help", "a.d88"}, 1, "--help takes no image", false},
      {"DumpWithoutTrack",
       {"--dump", "a.d88", "0"},
       1,
       "--dump takes an image, a disk and a track",
       false},
      {"DumpOfNoNumber",
       {"--dump", "a.d88", "0", "x"},
       1,
       "--dump takes a disk and a track number, not 'x'",
       false},
      {"DumpOfANumberAndMore",
       {"--dump", "a.d88", "1x", "0"},
       1,
       "--dump takes a disk and a track number, not '1x'",
       false},
      {"DumpOfASignedNumber",
       {"--dump", "a.d88", "0", "+1"},
       1,
       "--dump takes a disk and a track number, not '+1'",
       false},
      {"DumpOfANumberTooLarge",
       {"--dump", "a.d88", "0", "65536"},
       1,
       "--dump takes a disk and a track number, not '65536'",
       false},
      {"JsonAndMap",
       {"--json", "--map", "a.d88"},
       1,
       "--json and --map cannot be used together",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ToolRun run = RunD88info(dir.path().string(), c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out.rfind("Usage: d88info", 0) == 0, c.usage_out) << run.out;
    if (c.usage_out) {
      EXPECT_EQ(run.err, "");
    } else {
      EXPECT_EQ(run.err.rfind(Line("d88info: " + c.message) + "Usage: d88info", 0), 0u) << run.err;
    }
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

// Images of two tracks of two 256-byte sectors each, damaged in one way a row; each row names a
// line the summary must hold.
TEST(D88infoTest, SummaryNamesEveryAnomaly) {
  namespace L = layout;
  auto disk = [](std::vector<Record> track0) {
    D88Builder builder;
    builder.AddDisk("A");
    for (Record& record : track0) builder.AddRecord(0, record);
    return builder.AddSector(1, 0, 1, 1, 1, Pattern(256)).AddSector(1, 0, 1, 2, 1, Pattern(256));
  };
  auto sector = [](std::uint8_t r) { return MakeRecord(0, 0, r, 1, Pattern(256, r)); };
  // Records R 1, 2, ... whose counts are `counts`.
  auto counted = [&](std::vector<std::uint16_t> counts) {
    std::vector<Record> records;
    for (std::size_t i = 0; i < counts.size(); ++i) {
      records.push_back(WithCount(sector(static_cast<std::uint8_t>(i + 1)), counts[i]));
    }
    return records;
  };
  const Bytes clean = disk({sector(1), sector(2)}).Build();
  // The second record of track 0, 688 + 272 bytes in; track 1 starts at 1232.
  auto patched = [&](std::size_t at, std::uint8_t value) {
    Bytes image = clean;
    image[960 + at] = value;
    return image;
  };
  auto padded = [](Bytes image, std::size_t size) {
    image.resize(size, 0);
    return image;
  };
  const Bytes old = OlderHeader(clean);
  D88Builder many, sixty_three;
  for (int i = 0; i < 65; ++i) many.AddDisk("E");
  for (int i = 0; i < 63; ++i) sixty_three.AddDisk("E");
  // 64 records in descending order: the most a track line shows the order of.
  std::vector<Record> descending;
  std::string order;
  for (int r = 64; r >= 1; --r) {
    descending.push_back(sector(static_cast<std::uint8_t>(r)));
    order += std::to_string(r) + (r > 1 ? "," : "");
  }
  // ... and one more, whose order is only said not to ascend.
  std::vector<Record> descending_65 = descending;
  descending_65.insert(descending_65.begin(), sector(65));
  // Disk 1 starts at 1000 and holds an entry that would put its track past 2^31 - 1.
  const Bytes far = [&] {
    Bytes image = padded(D88Builder().AddDisk("A").SetDiskSize(1000).Build(), 1000);
    const Bytes second =
        D88Builder().AddDisk("B").SetDiskSize(0x7FFFFFF0u).SetTrackEntry(0, 0x7FFFFFF0u).Build();
    image.insert(image.end(), second.begin(), second.end());
    return image;
  }();
  const Bytes inside_header = D88Builder().AddDisk("A").SetDiskSize(100).AddDisk("B").Build();
  // Tracks 0-7 of eight layouts, then the absent ones: nine runs of tracks.
  D88Builder nine_runs;
  nine_runs.AddDisk("A");
  for (int track = 0; track < 8; ++track) {
    for (int r = 1; r <= track + 1; ++r) {
      nine_runs.AddSector(track, static_cast<std::uint8_t>(track / 2),
                          static_cast<std::uint8_t>(track % 2), static_cast<std::uint8_t>(r), 0,
                          Pattern(128));
    }
  }
  struct Case {
    const char* name;
    Bytes image;
    std::string line;
    // For an anomaly's line: its kind and file offset, as the JSON has them.
    const char* kind_and_offset;
    std::size_t anomalies;  // in the whole image
  };
  const Case cases[] = {
      {"DataCrcError", patched(L::kStatus, 0xB0),
       "  disk 0 track 0 sector 0/0/2/1: data CRC error (status 0xB0)", "status 960", 1},
      {"UnknownStatus", patched(L::kStatus, 0x33),
       "  disk 0 track 0 sector 0/0/2/1: status byte 0x33, not one the format defines",
       "odd_byte 960", 1},
      {"MissingAddressMark", patched(L::kStatus, 0xE0),
       "  disk 0 track 0 sector 0/0/2/1: no address mark (status 0xE0)", "status 960", 1},
      {"MissingDataMark", patched(L::kStatus, 0xF0),
       "  disk 0 track 0 sector 0/0/2/1: no data mark (status 0xF0)", "status 960", 1},
      {"Deleted", patched(L::kDeleted, 0x10),
       "  disk 0 track 0 sector 0/0/2/1: marked deleted (0x10)", "deleted 960", 1},
      {"DeletedByteOfOne", patched(L::kDeleted, 0x01),
       "  disk 0 track 0 sector 0/0/2/1: deleted byte 0x01, neither 0x00 nor 0x10",
       "odd_byte 960", 1},
      {"DeletedByteWithItsBitSet", patched(L::kDeleted, 0x11),
       "  disk 0 track 0 sector 0/0/2/1: deleted byte 0x11, neither 0x00 nor 0x10",
       "odd_byte 960", 1},
      {"SingleDensity", patched(L::kDensity, 0x40),
       "  disk 0 track 0 sector 0/0/2/1: single density (FM)", "single_density 960", 1},
      {"OddDensity", patched(L::kDensity, 0x23),
       "  disk 0 track 0 sector 0/0/2/1: density byte 0x23, none of 0x00, 0x40, 0x01",
       "odd_byte 960", 1},
      {"HighDensityOn2D", patched(L::kDensity, 0x01),
       "  disk 0 track 0 sector 0/0/2/1: high density (0x01) on a disk of media 0x00 (2D)",
       "odd_byte 960", 1},
      {"HighDensityOn2DD",
       [&] {
         Bytes image = patched(L::kDensity, 0x01);
         image[L::kMediaType] = 0x10;
         return image;
       }(),
       "  disk 0 track 0 sector 0/0/2/1: high density (0x01) on a disk of media 0x10 (2DD)",
       "odd_byte 960", 1},
      {"DataSize", disk({sector(1), MakeRecord(0, 0, 2, 1, Pattern(300))}).Build(),
       "  disk 0 track 0 sector 0/0/2/1: data size 300, not 128 << 1", "data_size 960", 1},
      {"OddDataSizeFirst", disk({MakeRecord(0, 0, 1, 1, Pattern(300)), sector(2)}).Build(),
       "  track 0: 2 sectors of N 1, data sizes 256-300, R 1-2, MFM", nullptr, 1},
      {"OrderOf64Records", disk(descending).Build(),
       "  track 0: 64 x 256 bytes (N 1), R 1-64, order " + order + ", MFM", nullptr, 0},
      {"OrderOf65Records", disk(descending_65).Build(),
       "  track 0: 65 x 256 bytes (N 1), R 1-65, not in ascending order, MFM", nullptr, 0},
      // An entry equal to the disk's size, where no record is, marks a track the disk does not use.
      {"UnusedTrack", disk({sector(1), sector(2)}).SetTrackEntry(5, 1776).Build(),
       "  track 5: unused (entry = the disk's size)", nullptr, 0},
      {"Duplicate", disk({sector(1), sector(1)}).Build(),
       "  disk 0 track 0: sector 0/0/1/1 found twice", "duplicate 688", 1},
      {"DuplicateIsNoOrder", disk({sector(1), sector(1)}).Build(),
       "  track 0: 2 x 256 bytes (N 1), R 1, MFM", nullptr, 1},
      {"FoundThreeTimes", disk({sector(1), sector(1), sector(1)}).Build(),
       "  disk 0 track 0: sector 0/0/1/1 found 3 times", "duplicate 688", 1},
      {"WrongPlace", disk({sector(1), MakeRecord(5, 1, 2, 1, Pattern(256))}).Build(),
       "  disk 0 track 0 sector 5/1/2/1: C/H 5/1, but the track is cylinder 0 head 0",
       "place 960", 1},
      {"WrongPlaceOnTrack2", D88Builder().AddDisk("A").AddSector(2, 5, 1, 1, 1, Pattern(256)).Build(),
       "  disk 0 track 2 sector 5/1/1/1: C/H 5/1, but the track is cylinder 1 head 0",
       "place 688", 1},
      {"CountsDisagree", disk({sector(1), WithCount(sector(2), 9)}).Build(),
       "  disk 0 track 0: records say 2 and 9 sectors; a read runs on into track 1",
       "counts_disagree 688", 1},
      {"ThreeCounts",
       disk({WithCount(sector(1), 3), WithCount(sector(2), 5), WithCount(sector(3), 9)}).Build(),
       "  disk 0 track 0: records say 3, 5 and 9 sectors; a read runs on into track 1",
       "counts_disagree 688", 1},
      {"FiveCountsNamed", disk(counted({10, 11, 12, 13, 14})).Build(),
       "  disk 0 track 0: records say 10, 11, 12, 13 and 14 sectors; a read runs on into track 1",
       "counts_disagree 688", 1},
      {"SixthCountCounted", disk(counted({10, 11, 12, 13, 14, 15})).Build(),
       "  disk 0 track 0: records say 10, 11, 12, 13, 14 and 1 other count; a read runs on into "
       "track 1", "counts_disagree 688", 1},
      // Track 1 lies first in the file, and its count runs its walk on into track 0.
      {"RunsOnIntoTrack0",
       disk({WithCount(sector(1), 3), WithCount(sector(2), 3)})
           .SetTrackEntry(0, 1232)
           .SetTrackEntry(1, 688)
           .Build(),
       "  disk 0 track 1: the count says 3 (0x0003), the track holds 2 records; a read runs on "
       "into track 0", "count_differs 688", 5},
      {"CountDiffers", disk({WithCount(sector(1), 16), WithCount(sector(2), 16)}).Build(),
       "  disk 0 track 0: the count says 16 (0x0010), the track holds 2 records; a read runs on "
       "into track 1", "count_differs 688", 1},
      {"ZeroCount", disk({WithCount(sector(1), 0), sector(2)}).Build(),
       "  disk 0 track 0 sector 0/0/1/1: sector count 0, which ends every read of the track at "
       "this record, its 1st of 2", "zero_count 688", 2},
      {"FirstOfTwoZeroCounts", disk({WithCount(sector(1), 0), WithCount(sector(2), 0)}).Build(),
       "  disk 0 track 0 sector 0/0/1/1: sector count 0, which ends every read of the track at "
       "this record, its 1st of 2", "zero_count 688", 2},
      {"ZeroCountIsNotFoldedWithTheNext", disk({WithCount(sector(1), 0), sector(2)}).Build(),
       "  track 0: 2 x 256 bytes (N 1), R 1-2, MFM, counts 0,2", nullptr, 2},
      {"PastCount", disk({WithCount(sector(1), 1), WithCount(sector(2), 1)}).Build(),
       "  disk 0 track 0: 1 record after the 1 its count says, before the next track: file "
       "offsets 960-1231 (272 bytes), which no read reaches", "past_count 960", 1},
      {"UnreachedArea", padded(disk({sector(1), sector(2)}).SetDiskSize(1876).Build(), 1876),
       "  disk 0: 100 bytes at file offsets 1776-1875 that no track reaches", "unreached 1776", 1},
      {"OneByteUnreached",
       [&] {
         // One byte between the header and track 0.
         Bytes image = clean;
         image.insert(image.begin() + 688, 0);
         PutLE32(image, L::kDiskSize, 1777);
         PutLE32(image, L::TrackEntry(0), 689);
         PutLE32(image, L::TrackEntry(1), 1233);
         return image;
       }(),
       "  disk 0: 1 byte at file offset 688 that no track reaches", "unreached 688", 1},
      // A record of another N after the count's end is no sector of the track.
      {"PastCountKeepsTheTracksN",
       disk({WithCount(sector(1), 1), MakeRecord(0, 0, 2, 2, Pattern(512))}).Build(),
       "  disk 0: 528 bytes at file offsets 960-1487 that no track reaches", "unreached 960", 1},
      {"TrackCutShort", Bytes(clean.begin(), clean.end() - 272),
       "  disk 0 track 1: the image ends inside the track after 1 of the 2 records its count "
       "says", "truncated 1232", 2},
      {"CutShortWhereCountsDisagree",
       [&] {
         // Track 1's counts say 9 and 5: neither ends its walk, which the file's end does.
         Bytes image = clean;
         PutLE16(image, 1232 + L::kSectorCount, 9);
         PutLE16(image, 1504 + L::kSectorCount, 5);
         return image;
       }(),
       "  disk 0 track 1: the image ends inside the track after 2 records", "truncated 1504", 2},
      {"DataCutShort", Bytes(clean.begin(), clean.end() - 56),
       "  disk 0 track 1 sector 0/1/2/1: the image ends inside its data, after 200 of 256 bytes",
       "truncated 1504", 2},
      {"RecordRunsIntoNextTrack", disk({sector(1), WithDataSize(sector(2), 300)}).Build(),
       "  disk 0 track 1: starts inside the 2nd record of track 0, at file offset 1232",
       "overlap 1232", 2},
      // The image ends inside track 0's second record, whose data size reaches track 1's start.
      {"StartInsideDataTheImageDoesNotHold",
       [&] {
         Bytes image = disk({sector(1), sector(2)}).SetTrackEntry(1, 1100).Build();
         image.resize(1000);
         return image;
       }(),
       "  disk 0 track 1: starts inside the 2nd record of track 0, at file offset 1100",
       "overlap 1100", 4},
      {"SameStart", disk({sector(1)}).SetTrackEntry(1, 688).Build(),
       "  disk 0 track 1: starts where track 0 does, at file offset 688", "overlap 688", 2},
      {"StartsAtARecord", disk({sector(1), sector(2)}).SetTrackEntry(1, 960).Build(),
       "  disk 0 track 1: starts inside track 0, at its 2nd record (file offset 960)",
       "overlap 960", 2},
      // The last disk's walks go on to the end of the file: a record there is read.
      {"EntryAtTheSizeOfTheLastDiskIsRead",
       [&] {
         Bytes image = D88Builder().AddDisk("A").AddRecord(0, sector(1)).SetTrackEntry(5, 960).Build();
         const Bytes after = D88Builder().AddDisk().AddSector(0, 2, 1, 1, 1, Pattern(256)).Build();
         image.insert(image.end(), after.begin() + 688, after.end());
         return image;
       }(),
       "  track 5: 1 x 256 bytes (N 1), R 1, MFM", nullptr, 1},
      // Track 0's count passes track 1's start, whose record keeps track 0's C/H, and then track
      // 2's: track 0 holds its first record alone.
      {"CountPassingTwoStarts",
       D88Builder()
           .AddDisk("A")
           .AddRecord(0, WithCount(sector(1), 3))
           .AddRecord(0, WithCount(sector(2), 3))
           .AddRecord(0, WithCount(sector(3), 3))
           .SetTrackEntry(1, 960)
           .SetTrackEntry(2, 1232)
           .Build(),
       "  track 0: 1 x 256 bytes (N 1), R 1, MFM, count 3", nullptr, 5},
      {"StartsAtThe13thRecord",
       disk(counted(std::vector<std::uint16_t>(13, 13))).SetTrackEntry(1, 688 + 12 * 272).Build(),
       "  disk 0 track 1: starts inside track 0, at its 13th record (file offset 3952)",
       "overlap 3952", 3},
      {"EntryInsideTheHeader", disk({sector(1)}).SetTrackEntry(5, 100).Build(),
       "  disk 0 track 5: entry 100 points inside the disk's header (file offset 100)",
       "entry_inside_header 100", 1},
      // ... and that is all it says of it, not of the records the header's bytes would be.
      {"EntryInsideTheHeaderIsOneAnomaly",
       disk({sector(1), sector(2)}).SetTrackEntry(5, 100).Build(),
       "image.d88: 1776 bytes, 1 disk, 1 anomaly", nullptr, 1},
      {"TrackPastSize", disk({sector(1)}).SetTrackEntry(7, 0xFFFFFFF0u).Build(),
       "  disk 0 track 7: entry 0xFFFFFFF0, 2^31 or more, is past the disk's size",
       "track_past_size -", 1},
      {"LargestEntryPastSize", disk({sector(1)}).SetTrackEntry(7, 0x7FFFFFFFu).Build(),
       "  disk 0 track 7: entry 2147483647 (file offset 2147483647) is past the disk's size",
       "track_past_size -", 1},
      {"SecondDiskTrackPastSize",
       D88Builder().AddDisk("A").AddDisk("B").SetDiskSize(690).SetTrackEntry(0, 700).Build(),
       "  disk 1 track 0: entry 700 (file offset 1388) is past the disk's size",
       "track_past_size -", 2},
      {"TrackPast2Pow31", far,
       "  disk 1 track 0: entry 2147483632 puts it at file offset 2147484632, past 2^31 - 1, where "
       "no read goes", "track_past_size -", 3},
      {"SizeZero", disk({sector(1)}).SetDiskSize(0).Build(),
       "  disk 0: its size field is 0, so the next disk would start where it does",
       "size_zero 28", 3},
      {"SizePastEnd", disk({sector(1)}).SetDiskSize(5000).Build(),
       "  disk 0: its size runs 3496 bytes past the end of the file", "size_past_end 28", 1},
      {"LargestSize", disk({sector(1)}).SetDiskSize(0x7FFFFFFFu).Build(),
       "disk 0 \"A\": media 0x00 (2D), not write-protected, at 0, size 2147483647 (the file "
       "holds 1504 of it)", nullptr, 1},
      {"SizeInsideHeader", inside_header,
       "  disk 0: its size field 100 is smaller than its header; disk 1 starts inside it",
       "size_inside_header 28", 1},
      {"DiskInsideAHeader", inside_header,
       "disk 1: at 100, inside the header of disk 0; what the reader finds there is that header's "
       "bytes, not a disk", nullptr, 1},
      {"TrailingBytesAfter63Disks", padded(sixty_three.Build(), 63 * 688 + 100),
       "  image: 100 bytes after the last disk, from file offset 43344", "trailing 43344", 1},
      {"TrailingBytes", padded(clean, clean.size() + 100),
       "  image: 100 bytes after the last disk, from file offset 1776", "trailing 1776", 1},
      {"DiskLimit", many.Build(),
       "  image: 64 disks, the most the reader takes; the 688 bytes from file offset 44032 are "
       "not read", "disk_limit 44032", 1},
      {"WriteProtectByte", D88Builder().AddDisk(std::string(26, '\0') + '\x05').Build(),
       "  disk 0: write-protect byte 0x05, neither 0x00 nor 0x10", "odd_byte 26", 1},
      {"WriteProtectionUnknown", D88Builder().AddDisk(std::string(26, '\0') + '\x05').Build(),
       "disk 0 \"\": media 0x00 (2D), write protection unknown, at 0, size 688", nullptr, 1},
      {"Media1D", D88Builder().AddDisk("A", 0x30).Build(),
       "disk 0 \"A\": media 0x30 (1D), not write-protected, at 0, size 688", nullptr, 0},
      {"Media1DD", D88Builder().AddDisk("A", 0x40).Build(),
       "disk 0 \"A\": media 0x40 (1DD), not write-protected, at 0, size 688", nullptr, 0},
      {"SizeZeroOfTheSecondDisk", D88Builder().AddDisk("A").AddDisk("Z").SetDiskSize(0).Build(),
       "disk 1 \"Z\": media 0x00 (2D), not write-protected, at 688, size 0, found 63 times "
       "(disks 1-63)", nullptr, 1},
      {"OddMedia", D88Builder().AddDisk("A", 0x55).Build(),
       "  disk 0: media byte 0x55, none of 0x00 (2D), 0x10 (2DD), 0x20 (2HD), 0x30 (1D), 0x40 "
       "(1DD)", "odd_byte 27", 1},
      {"NameFillsTheField", D88Builder().AddDisk("by_github_ORYZAPA").Build(),
       "disk 0 \"by_github_ORYZAPA\": media 0x00 (2D), not write-protected, at 0, size 688",
       nullptr, 1},
      {"NameEndsAtItsNul", D88Builder().AddDisk(std::string("AB\0CD", 5)).Build(),
       "disk 0 \"AB\": media 0x00 (2D), not write-protected, at 0, size 688", nullptr, 0},
      {"NameWithoutNul", D88Builder().AddDisk("by_github_ORYZAPA").Build(),
       "  disk 0: its name fills all 17 bytes of the name field, with no NUL to end it",
       "name 0", 1},
      {"ReservedBytes",
       D88Builder().AddDisk(std::string(17, '\0') + std::string("\x01\0\0\0\xFF", 5)).Build(),
       "  disk 0: the reserved header bytes 0x11-0x19 are not all 0: 01 00 00 00 FF 00 00 00 00",
       "name 17", 1},
      {"OldHeader", old,
       "  disk 0: older 0x2A0-byte header of 160 track entries; its track entries 160-163 are the "
       "first bytes of track 0", "old_header 0", 1},
      // Entry 160 reads track 0's C/H/R/N as 5: a number, but no entry of the older header.
      {"OldHeaderWhoseEntry160IsSmall",
       [&] {
         Bytes image = old;
         const std::uint8_t id[] = {5, 0, 0, 0};
         std::copy(id, id + 4, image.begin() + 672);
         return image;
       }(),
       "  disk 0: older 0x2A0-byte header of 160 track entries; its track entries 160-163 are the "
       "first bytes of track 0", "old_header 0", 3},
      {"OneMoreRunOfTracks", nine_runs.Build(), "  and 1 more run of tracks", nullptr, 0},
      {"OldHeaderLayout", old,
       "  tracks 160-163: the first bytes of track 0 (older header), not tracks", nullptr, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.File("image.d88"), c.image));
    const ToolRun run = RunD88info(dir.path().string(), {"image.d88"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find(Line(c.line)), std::string::npos) << run.out;
    // No anomaly more or fewer than the row's.
    const std::string first = run.out.substr(0, run.out.find(LineEnd()));
    const std::string total = c.anomalies == 0 ? std::string(", no anomalies")
                              : c.anomalies == 1
                                  ? std::string(", 1 anomaly")
                                  : ", " + std::to_string(c.anomalies) + " anomalies";
    EXPECT_EQ(first.substr(first.size() - std::min(first.size(), total.size())), total);
#if DSKPICK_TEST_JSON
    const nlohmann::json doc =
        nlohmann::json::parse(RunD88info(dir.path().string(), {"--json", "image.d88"}).out);
    std::string named = "none";
    for (const nlohmann::json& anomaly : doc["anomalies"]) {
      if ("  " + anomaly["text"].get<std::string>() != c.line) continue;
      named = anomaly["kind"].get<std::string>() + " " +
              (anomaly["offset"].is_null() ? "-" : anomaly["offset"].dump());
    }
    EXPECT_EQ(named, c.kind_and_offset != nullptr ? c.kind_and_offset : "none");
#endif
  }
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir.File("image.d88"), clean));
  EXPECT_EQ(RunD88info(dir.path().string(), {"image.d88"}).out.find("anomalies:"),
            std::string::npos);
}

TEST(D88infoTest, CheckSaysWhyAndWhichSectorsAreMarked) {
  Layout layout;
  const Bytes sample = BuildSampleImage(&layout);
  auto record = [&](int track, int r) {
    return layout.record_offsets[SampleRecordIndex(0, track, r)];
  };
  Bytes marked = sample;
  marked[record(80, 3) + layout::kStatus] = 0xB0;
  // Track 80's counts say 10, so a read runs on into track 81, whose records say they are
  // cylinder 40 head 0: DEMO's first sector, renamed on track 80, is found on track 81.
  Bytes runs_on = sample;
  for (int r = 1; r <= 5; ++r) {
    PutLE16(runs_on, record(80, r) + layout::kSectorCount, 10);
    runs_on[record(81, r) + layout::kH] = 0;
  }
  runs_on[record(80, 2) + layout::kR] = 9;
  // The image ends inside DEMO's fifth sector, the last of track 80 in the file.
  const Bytes cut_short(sample.begin(),
                        sample.begin() + static_cast<long>(record(80, 4) + 16 + 100));
  // MUS000 reads 1014 bytes of its one sector, and MUS001 the 10 left and more.
  Bytes partly_read = sample;
  partly_read[record(72, 2) + layout::kStatus] = 0xB0;
  // A first record whose count is 0 that is the disk's first record: tracks 0-79 are absent.
  Bytes zero_count_first = sample;
  for (int track = 0; track < 80; ++track) PutLE32(zero_count_first, layout::TrackEntry(track), 0);
  PutLE16(zero_count_first, record(80, 1) + layout::kSectorCount, 0);
  // Track 80's first record in the file says 40/0/2/2: not DEMO's first sector, of N 3.
  Bytes other_n = sample;
  other_n[record(80, 1) + layout::kR] = 2;
  other_n[record(80, 1) + layout::kN] = 2;
  // As runs_on, but DEMO's first sector is the first record past track 80's own, track 81's
  // first in the file.
  Bytes just_past = runs_on;
  just_past[record(81, 2) + layout::kR] = 9;
  just_past[record(81, 1) + layout::kR] = 2;
  // As runs_on, with track 0 starting where track 81 does: DEMO's first sector lies in track 0's
  // records.
  Bytes runs_on_into_0 = runs_on;
  PutLE32(runs_on_into_0, layout::TrackEntry(0), static_cast<std::uint32_t>(record(81, 1)));
  // The image ends just after the header of DEMO's first sector.
  const Bytes header_only(sample.begin(), sample.begin() + static_cast<long>(record(80, 2) + 16));
  // DEMO's first sector holds no data.
  Bytes empty_sector = sample;
  PutLE16(empty_sector, record(80, 2) + layout::kDataSize, 0);
  // A first record whose count is 0 ends every read of its track.
  Bytes zero_count = sample;
  PutLE16(zero_count, record(80, 1) + layout::kSectorCount, 0);
  // Counts of 1 end the search at track 80's first record, before DEMO's first sector.
  Bytes counts_of_one = sample;
  for (int r = 1; r <= 5; ++r) PutLE16(counts_of_one, record(80, r) + layout::kSectorCount, 1);
  // DEMO's first sector says it holds 100 bytes, all in the file, where the run needs 1024.
  Bytes short_sector = sample;
  PutLE16(short_sector, record(80, 2) + layout::kDataSize, 100);
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
       "1,3-5, order 1,3,5,4, MFM)",
       "18 of 20 files would be cut"},
      {"MarkedSector", marked, 0,
       "DEMO: cut (disk 0, track 80, C/H/R/N 40/0/2/3; sector 40/0/3/3 of track 80: data CRC "
       "error (status 0xB0))",
       "20 of 20 files would be cut, 1 from sectors the image marks"},
      {"PartlyReadSectorMarked", partly_read, 1,
       "MUS000: cut (disk 0, track 72, C/H/R/N 36/0/2/3; sector 36/0/2/3 of track 72: data CRC "
       "error (status 0xB0))",
       "20 of 20 files would be cut, 2 from sectors the image marks"},
      {"SameRWithAnotherN", other_n, 0, "DEMO: cut (disk 0, track 80, C/H/R/N 40/0/2/3)",
       "20 of 20 files would be cut"},
      {"SectorJustPastTheTrack", just_past, 0,
       "DEMO: incomplete 4096 of 8448 bytes (disk 0, track 80, C/H/R/N 40/0/2/3; sector 40/0/2/3 "
       "of track 80 lies in track 81's records, at file offset " +
           std::to_string(record(81, 1)) +
           "; track 81: 5 x 1024 bytes (N 3), R 2-5,9, order 2,3,5,9,4, MFM)",
       "20 of 20 files would be cut, 1 of them incomplete"},
      {"ThreeDisks", BuildSampleImage(nullptr, 3), 12,
       "MUS300: no disk (the image has 3, this file is on disk 3)", "12 of 20 files would be cut"},
      {"SectorOfTheNextTrack", runs_on, 0,
       "DEMO: incomplete 4096 of 8448 bytes (disk 0, track 80, C/H/R/N 40/0/2/3; sector 40/0/2/3 "
       "of track 80 lies in track 81's records, at file offset " +
           std::to_string(record(81, 2)) +
           "; track 81: 5 x 1024 bytes (N 3), R 1-5, order 1,3,5,2,4, MFM)",
       "20 of 20 files would be cut, 1 of them incomplete"},
      {"SectorOfTrack0", runs_on_into_0, 0,
       "DEMO: incomplete 4096 of 8448 bytes (disk 0, track 80, C/H/R/N 40/0/2/3; sector 40/0/2/3 "
       "of track 80 lies in track 0's records, at file offset " +
           std::to_string(record(81, 2)) +
           "; track 81: 5 x 1024 bytes (N 3), R 1-5, order 1,3,5,2,4, MFM)",
       "20 of 20 files would be cut, 1 of them incomplete"},
      {"ImageEndsAtASectorsData", header_only, 0,
       "DEMO: no data (disk 0, track 80, C/H/R/N 40/0/2/3; the image ends inside sector 40/0/2/3 "
       "of track 80, after 0 of 1024 bytes)",
       "4 of 20 files would be cut"},
      {"ImageEndsInsideASector", cut_short, 0,
       "DEMO: incomplete 2048 of 8448 bytes (disk 0, track 80, C/H/R/N 40/0/2/3; the image ends "
       "inside sector 40/0/4/3 of track 80, after 100 of 1024 bytes)",
       "5 of 20 files would be cut, 1 of them incomplete"},
      {"SectorWithoutData", empty_sector, 0,
       "DEMO: no data (disk 0, track 80, C/H/R/N 40/0/2/3; sector 40/0/2/3 of track 80 holds no "
       "data)",
       "19 of 20 files would be cut"},
      {"FirstCountZero", zero_count, 0,
       "DEMO: no data (disk 0, track 80, C/H/R/N 40/0/2/3; track 80: a read stops at its record "
       "40/0/1/3 (file offset " +
           std::to_string(record(80, 1)) + "), whose sector count is 0)",
       "19 of 20 files would be cut"},
      {"SectorSmallerThanItsN", short_sector, 0,
       "DEMO: no data (disk 0, track 80, C/H/R/N 40/0/2/3; sector 40/0/2/3 of track 80 holds 100 "
       "bytes, fewer than the 1024 the run needs)",
       "19 of 20 files would be cut"},
      {"CountOfOneEndsTheSearch", counts_of_one, 0,
       "DEMO: no data (disk 0, track 80, C/H/R/N 40/0/2/3; track 80: 1 x 1024 bytes (N 3), R 1, "
       "MFM)",
       "19 of 20 files would be cut"},
      {"FirstCountZeroOfTheDisksFirstTrack", zero_count_first, 0,
       "DEMO: no data (disk 0, track 80, C/H/R/N 40/0/2/3; track 80: a read stops at its record "
       "40/0/1/3 (file offset " +
           std::to_string(record(80, 1)) + "), whose sector count is 0)",
       "15 of 20 files would be cut"},
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

// Names are Shift_JIS: text where the output is UTF-8, their bytes escaped elsewhere, and
// escaped everywhere when they are not Shift_JIS. Control bytes, quotes and backslashes are
// always escaped.
TEST(D88infoTest, NamesShowAsTheOutputCanShowThem) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string utf8, escaped;
  };
  const Case cases[] = {
      {"Kanji", "\x93\xFA\x96\x7B\x8C\xEA", "\"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\"",
       "\"\\x93\\xFA\\x96{\\x8C\\xEA\""},
      {"HalfWidthKana", "\xB1\xB2", "\"\xEF\xBD\xB1\xEF\xBD\xB2\"", "\"\\xB1\\xB2\""},
      {"BackslashAsSecondByte", "\x83\x5C", "\"\xE3\x82\xBD\"", "\"\\x83\\x5C\""},
      // In UTF-8 the last byte of 語 (E8 AA 9E) would pass for a Shift_JIS lead byte.
      {"QuoteAfterKanji", "\x8C\xEA\"", "\"\xE8\xAA\x9E\\x22\"", "\"\\x8C\\xEA\\x22\""},
      {"NotShiftJis", "\x81\x20", "\"\\x81 \"", "\"\\x81 \""},
      {"DeleteTildeAndQuote", "A\x7F~\"", "\"A\\x7F~\\x22\"", "\"A\\x7F~\\x22\""},
      {"UnitSeparatorAndSpace", "\x1F ", "\"\\x1F \"", "\"\\x1F \""},
  };
  for (const Case& c : cases) {
    for (const bool utf8 : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (utf8 ? " in UTF-8" : " in C"));
      // Under Wine the output is no console, which takes escapes whatever the locale.
      if (utf8 && UsingOtherCommand()) continue;
      TempDir dir;
      ASSERT_TRUE(WriteBytes(dir.File("image.d88"), D88Builder().AddDisk(c.bytes).Build()));
      RunOptions options;
      options.environment = {utf8 ? "LC_ALL=C.UTF-8" : "LC_ALL=C"};
      const std::vector<std::string> lines =
          Lines(RunD88info(dir.path().string(), {"image.d88"}, options).out);
      ASSERT_GE(lines.size(), 2u);
      EXPECT_EQ(lines[1], "disk 0 " + (utf8 ? c.utf8 : c.escaped) +
                              ": media 0x00 (2D), not write-protected, at 0, size 688");
      const std::vector<std::string> map =
          Lines(RunD88info(dir.path().string(), {"--map", "image.d88"}, options).out);
      ASSERT_GE(map.size(), 2u);
      EXPECT_EQ(map[1], "disk 0 " + (utf8 ? c.utf8 : c.escaped) + ":");
    }
  }
}

// Small images, each with the whole of what d88info says of it: a wrong word anywhere, or a line
// too many, fails.
TEST(D88infoTest, WholeReportsOfSmallImages) {
  auto record = [](std::uint8_t c, std::uint8_t h, std::uint8_t r, std::uint8_t n,
                   std::size_t size) { return MakeRecord(c, h, r, n, Pattern(size, r)); };
  Layout layout;
  // Ten layouts, so that the runs past the eighth are only counted; write-protected, 2HD.
  D88Builder kinds;
  kinds.AddDisk(std::string(26, '\0') + '\x10', 0x20)
      .AddRecord(0, record(0, 0, 1, 8, 32768))  // the largest size a data size holds
      .AddRecord(1, record(0, 1, 1, 9, 100))    // a size code past it
      .AddRecord(2, record(1, 0, 1, 1, 256))
      .AddRecord(2, record(1, 0, 2, 1, 256))
      .AddRecord(3, record(1, 1, 1, 1, 256))
      .AddRecord(3, record(1, 0, 2, 1, 256))  // its head differs from the track's
      .AddRecord(4, record(2, 0, 1, 1, 256))
      .AddRecord(5, record(2, 1, 1, 2, 512))
      .AddRecord(6, record(3, 0, 1, 1, 256))
      .AddRecord(6, record(3, 0, 2, 2, 512))
      .AddRecord(7, record(3, 1, 1, 1, 256))
      .AddRecord(7, record(3, 1, 2, 1, 256))
      .AddRecord(8, record(4, 0, 1, 1, 256))
      .AddRecord(9, record(4, 1, 1, 1, 256))
      .AddRecord(9, record(4, 1, 2, 1, 256))
      .AddRecord(9, record(4, 1, 3, 1, 256));
  Bytes kinds_image = kinds.Build(&layout);
  // Track 4 in FM, track 7 in two densities, track 9 in high density (the disk is 2HD).
  kinds_image[layout.record_offsets[6] + layout::kDensity] = 0x40;
  kinds_image[layout.record_offsets[10] + layout::kDensity] = 0x40;
  for (const std::size_t i : {std::size_t{13}, std::size_t{14}, std::size_t{15}})
    kinds_image[layout.record_offsets[i] + layout::kDensity] = 1;
  // Seven CRC errors and six deleted marks on one track: five of each named, the rest counted.
  // Disk 1's size runs past the end of the file, and its track 0 starts there.
  D88Builder marks;
  marks.AddDisk("M");
  for (std::uint8_t r = 1; r <= 13; ++r) marks.AddRecord(0, record(0, 0, r, 0, 128));
  marks.AddDisk("LONG").SetDiskSize(5000).SetTrackEntry(0, 4000);
  Layout marks_layout;
  Bytes marks_image = marks.Build(&marks_layout);
  for (std::size_t i = 0; i < 13; ++i) {
    marks_image[marks_layout.record_offsets[i] + (i < 7 ? layout::kStatus : layout::kDeleted)] =
        i < 7 ? 0xB0 : 0x10;
  }
  // Track 0's count runs its walk on into track 1; track 2 starts too close to disk 1 to hold a
  // record; disk 1's size field is 2^31 or more.
  const Bytes ids_image = [&] {
    Bytes image = D88Builder()
                      .AddDisk("W")
                      .AddRecord(0, WithCount(record(0, 0, 1, 0, 128), 3))
                      .AddRecord(1, record(0, 1, 1, 0, 128))
                      .AddRecord(1, record(0, 1, 2, 0, 128))
                      .SetTrackEntry(2, 1990)
                      .SetDiskSize(2000)
                      .Build();
    image.resize(2000);
    const Bytes second =
        D88Builder().AddDisk("HUGE").SetDiskSize(0x80000000u).SetTrackEntry(3, 688).Build();
    image.insert(image.end(), second.begin(), second.end());
    return image;
  }();
  // Track 1 starts inside the data of track 0's one record, at a record that ends well before
  // that data does: the data is reached all the same.
  const Bytes nested = [] {
    Bytes data(1024, 0);
    data[layout::kH] = 1;
    data[layout::kR] = 1;
    data[layout::kSectorCount] = 1;
    return D88Builder()
        .AddDisk("N")
        .AddRecord(0, MakeRecord(0, 0, 1, 3, data))
        .SetTrackEntry(1, 688 + 16)
        .Build();
  }();
  // Tracks 1 and 2 start at track 0's second record, which has a CRC error: each thing is
  // named once, by the first track it is said of.
  Bytes overlaps = D88Builder()
                       .AddDisk("O")
                       .AddRecord(0, record(0, 0, 1, 0, 128))
                       .AddRecord(0, record(0, 0, 2, 0, 128))
                       .AddRecord(0, record(0, 0, 3, 0, 128))
                       .SetTrackEntry(1, 688 + 144)
                       .SetTrackEntry(2, 688 + 144)
                       .Build();
  overlaps[688 + 144 + layout::kStatus] = 0xB0;
  struct Case {
    const char* name;
    Bytes image;
    std::vector<std::string> args;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"SixteenByteNameAndFiveOfAKind",
       [&] {
         D88Builder builder;
         builder.AddDisk("ABCDEFGHIJKLMNOP");
         for (std::uint8_t r = 1; r <= 5; ++r) builder.AddRecord(0, record(0, 0, r, 0, 128));
         Layout five;
         Bytes image = builder.Build(&five);
         for (std::size_t at : five.record_offsets) image[at + layout::kDeleted] = 0x10;
         return image;
       }(),
       {"image.d88"},
       {"image.d88: 1408 bytes, 1 disk, 5 anomalies",
        "disk 0 \"ABCDEFGHIJKLMNOP\": media 0x00 (2D), not write-protected, at 0, size 1408",
        "  track 0: 5 x 128 bytes (N 0), R 1-5, MFM", "  tracks 1-163: absent",
        "anomalies:", "  disk 0 track 0 sector 0/0/1/0: marked deleted (0x10)",
        "  disk 0 track 0 sector 0/0/2/0: marked deleted (0x10)",
        "  disk 0 track 0 sector 0/0/3/0: marked deleted (0x10)",
        "  disk 0 track 0 sector 0/0/4/0: marked deleted (0x10)",
        "  disk 0 track 0 sector 0/0/5/0: marked deleted (0x10)"}},
      {"PastCountIsReachedByNoReadButNotUnreached",
       D88Builder()
           .AddDisk("P")
           .AddRecord(0, WithCount(record(0, 0, 1, 1, 256), 1))
           .AddRecord(0, WithCount(record(0, 0, 2, 1, 256), 1))
           .Build(),
       {"image.d88"},
       {"image.d88: 1232 bytes, 1 disk, 1 anomaly",
        "disk 0 \"P\": media 0x00 (2D), not write-protected, at 0, size 1232",
        "  track 0: 1 x 256 bytes (N 1), R 1, MFM", "  tracks 1-163: absent", "anomalies:",
        "  disk 0 track 0: 1 record after the 1 its count says, before the next track: file "
        "offsets 960-1231 (272 bytes), which no read reaches"}},
      {"DiskOfItsHeaderAlone",
       D88Builder().AddDisk("H").Build(),
       {"image.d88"},
       {"image.d88: 688 bytes, 1 disk, no anomalies",
        "disk 0 \"H\": media 0x00 (2D), not write-protected, at 0, size 688",
        "  tracks 0-163: absent"}},
      {"EmptyListing",
       {},
       {"--ids", "image.d88"},
       {"image.d88: 0 disks (no 688-byte disk header: not a D88 image, or an empty one)"}},
      {"EmptySummary",
       {},
       {"image.d88"},
       {"image.d88: 0 bytes, 0 disks (no 688-byte disk header: not a D88 image, or an empty one)"}},
      {"LargestSizeInTheListing",
       D88Builder().AddDisk("MAX").SetDiskSize(0x7FFFFFFFu).Build(),
       {"--ids", "image.d88"},
       {"image.d88: 1 disk", "disk 0: name \"MAX\", media 0x00 (2D), offset 0, size 2147483647"}},
      {"LastDiskSizeInsideItsHeader",
       D88Builder().AddDisk("A").SetDiskSize(100).Build(),
       {"image.d88"},
       {"image.d88: 688 bytes, 1 disk, 1 anomaly",
        "disk 0 \"A\": media 0x00 (2D), not write-protected, at 0, size 100",
        "  tracks 0-163: absent",
        "anomalies:", "  disk 0: its size field 100 is smaller than its header"}},
      {"SizeZeroFoundAgainAndAgain",
       D88Builder().AddDisk("Z").AddRecord(0, record(0, 0, 1, 0, 128)).SetDiskSize(0).Build(),
       {"image.d88"},
       {"image.d88: 832 bytes, 64 disks, 2 anomalies",
        "disk 0 \"Z\": media 0x00 (2D), not write-protected, at 0, size 0, found 64 times "
        "(disks 0-63)",
        "  track 0: past the disk's size", "  tracks 1-163: absent",
        "anomalies:", "  disk 0: its size field is 0, so the next disk would start where it does",
        "  disk 0 track 0: entry 688 (file offset 688) is past the disk's size"}},
      {"LayoutsFoldedAndCounted",
       kinds_image,
       {"image.d88"},
       {"image.d88: 37908 bytes, 1 disk, 4 anomalies",
        "disk 0 \"\": media 0x20 (2HD), write-protected, at 0, size 37908",
        "  track 0: 1 x 32768 bytes (N 8), R 1, MFM",
        "  track 1: 1 sector of N 9, data size 100, R 1, MFM",
        "  tracks 2-3: 2 x 256 bytes (N 1), R 1-2, MFM", "  track 4: 1 x 256 bytes (N 1), R 1, FM",
        "  track 5: 1 x 512 bytes (N 2), R 1, MFM", "  track 6: 2 sectors of N 1-2, R 1-2, MFM",
        "  track 7: 2 x 256 bytes (N 1), R 1-2, mixed density",
        "  track 8: 1 x 256 bytes (N 1), R 1, MFM", "  and 2 more runs of tracks",
        "anomalies:", "  disk 0 track 1 sector 0/1/1/9: data size 100, not 128 << 9",
        "  disk 0 track 3 sector 1/0/2/1: C/H 1/0, but the track is cylinder 1 head 1",
        "  disk 0 track 4 sector 2/0/1/1: single density (FM)",
        "  disk 0 track 7 sector 3/1/1/1: single density (FM)"}},
      {"FiveOfAKindNamed",
       marks_image,
       {"image.d88"},
       {"image.d88: 3248 bytes, 2 disks, 15 anomalies",
        "disk 0 \"M\": media 0x00 (2D), not write-protected, at 0, size 2560",
        "  track 0: 13 x 128 bytes (N 0), R 1-13, MFM",
        "  tracks 1-163: absent",
        "disk 1 \"LONG\": media 0x00 (2D), not write-protected, at 2560, size 5000 (the file "
        "holds 688 of it)",
        "  track 0: no records",
        "  tracks 1-163: absent",
        "anomalies:",
        "  disk 0 track 0 sector 0/0/1/0: data CRC error (status 0xB0)",
        "  disk 0 track 0 sector 0/0/2/0: data CRC error (status 0xB0)",
        "  disk 0 track 0 sector 0/0/3/0: data CRC error (status 0xB0)",
        "  disk 0 track 0 sector 0/0/4/0: data CRC error (status 0xB0)",
        "  disk 0 track 0 sector 0/0/5/0: data CRC error (status 0xB0)",
        "  disk 0 track 0 sector 0/0/8/0: marked deleted (0x10)",
        "  disk 0 track 0 sector 0/0/9/0: marked deleted (0x10)",
        "  disk 0 track 0 sector 0/0/10/0: marked deleted (0x10)",
        "  disk 0 track 0 sector 0/0/11/0: marked deleted (0x10)",
        "  disk 0 track 0 sector 0/0/12/0: marked deleted (0x10)",
        "  disk 1: its size runs 4312 bytes past the end of the file",
        "  disk 1 track 0: no record at its start, file offset 6560: the image ends there",
        "  and 2 more sectors with a status other than normal",
        "  and 1 more sectors marked deleted"}},
      {"RecordInsideAnothersData",
       nested,
       {"image.d88"},
       {"image.d88: 1728 bytes, 1 disk, 2 anomalies",
        "disk 0 \"N\": media 0x00 (2D), not write-protected, at 0, size 1728",
        "  track 0: 1 x 1024 bytes (N 3), R 1, MFM",
        "  track 1: 1 sector of N 0, data size 0, R 1, MFM", "  tracks 2-163: absent", "anomalies:",
        "  disk 0 track 1: starts inside the 1st record of track 0, at file offset 704",
        "  disk 0 track 1 sector 0/1/1/0: data size 0, not 128 << 0"}},
      {"OverlappingTracksNamedOnce",
       overlaps,
       {"image.d88"},
       {"image.d88: 1120 bytes, 1 disk, 4 anomalies",
        "disk 0 \"O\": media 0x00 (2D), not write-protected, at 0, size 1120",
        "  track 0: 3 x 128 bytes (N 0), R 1-3, MFM",
        "  tracks 1-2: 2 x 128 bytes (N 0), R 2-3, MFM, count 3", "  tracks 3-163: absent",
        "anomalies:", "  disk 0 track 0 sector 0/0/2/0: data CRC error (status 0xB0)",
        "  disk 0 track 1: starts inside track 0, at its 2nd record (file offset 832)",
        "  disk 0 track 1: the image ends inside the track after 2 of the 3 records its count says",
        "  disk 0 track 2: starts where track 1 does, at file offset 832"}},
      {"WalksAndSizes",
       ids_image,
       {"image.d88"},
       {"image.d88: 2688 bytes, 2 disks, 4 anomalies",
        "disk 0 \"W\": media 0x00 (2D), not write-protected, at 0, size 2000",
        "  track 0: 1 x 128 bytes (N 0), R 1, MFM, count 3",
        "  track 1: 2 x 128 bytes (N 0), R 1-2, MFM", "  track 2: no records",
        "  tracks 3-163: absent",
        "disk 1 \"HUGE\": media 0x00 (2D), not write-protected, at 2000, size 2^31 or more (the "
        "file holds 688 of it)",
        "  tracks 0-2: absent", "  track 3: past the disk's size", "  tracks 4-163: absent",
        "anomalies:",
        "  disk 0 track 0: the count says 3 (0x0003), the track holds 1 record; a read runs on "
        "into track 1",
        "  disk 0 track 2: no record at its start, file offset 1990: the next disk starts there",
        "  disk 0: 880 bytes at file offsets 1120-1999 that no track reaches",
        "  disk 1: its size field is 2^31 or more, so no track of it is read"}},
      {"WalksAndSizesListed",
       ids_image,
       {"--ids", "image.d88"},
       {"image.d88: 2 disks", "disk 0: name \"W\", media 0x00 (2D), offset 0, size 2000",
        "  track 0: 0/0/1/0 | 0/1/1/0", "  track 1: 0/1/1/0 0/1/2/0",
        "disk 1: name \"HUGE\", media 0x00 (2D), offset 2000, size 2^31 or more (no track is "
        "usable)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.File("image.d88"), c.image));
    const ToolRun run = RunD88info(dir.path().string(), c.args);
    EXPECT_EQ(run.status, 0);
    std::string want;
    for (const std::string& line : c.lines) want += Line(line);
    EXPECT_EQ(run.out, want);
  }
}

// A disk of three tracks: track 0's count sends its walk on into track 1, whose one record has
// every field set; track 2 starts where track 1 does.
Bytes RecordsImage() {
  Layout layout;
  Bytes image = D88Builder()
                    .AddDisk("REC")
                    .AddRecord(0, WithCount(MakeRecord(0, 0, 1, 1, Pattern(256, 1)), 3))
                    .AddRecord(0, WithCount(MakeRecord(0, 0, 2, 1, Pattern(256, 2)), 3))
                    .AddRecord(1, MakeRecord(0, 1, 7, 1, Pattern(40, 3)))
                    .SetTrackEntry(2, 688 + 2 * 272)
                    .Build(&layout);
  const std::size_t odd = layout.record_offsets.at(2);
  image[odd + layout::kDensity] = 0x40;
  image[odd + layout::kDeleted] = 0x10;
  image[odd + layout::kStatus] = 0xB0;
  return image;
}

TEST(D88infoTest, RecordsListEveryWalk) {
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir.File("image.d88"), RecordsImage()));
  const ToolRun run = RunD88info(dir.path().string(), {"--records", "image.d88"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(
      run.out,
      Line("image.d88: 1 disk") +
          Line("disk track offset       c   h   r   n count density deleted status data  walk   "
               "held by") +
          Line("   0     0 0x000002b0   0   0   1   1     3    0x00    0x00   0x00   256  own    "
               "0") +
          Line("   0     0 0x000003c0   0   0   2   1     3    0x00    0x00   0x00   256  own    "
               "0") +
          Line("   0     0 0x000004d0   0   1   7   1     1    0x40    0x10   0xb0    40  beyond "
               "1") +
          Line("   0     1 0x000004d0   0   1   7   1     1    0x40    0x10   0xb0    40  own    "
               "1") +
          Line("   0     2 0x000004d0   0   1   7   1     1    0x40    0x10   0xb0    40  own    "
               "1"));
}

// The header fields of every record the reader's walks visit, as an independent walk of the
// same bytes finds them, on the sample image and on it with a count that sends walks on.
TEST(D88infoTest, RecordsAgreeWithTheReferenceWalk) {
  Layout layout;
  Bytes runs_on = BuildSampleImage(&layout);
  PutLE16(runs_on, layout.record_offsets[SampleRecordIndex(1, 7, 4)] + layout::kSectorCount, 9);
  for (const Bytes& image : {BuildSampleImage(), runs_on}) {
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.File("image.d88"), image));
    const std::vector<std::string> lines =
        Lines(RunD88info(dir.path().string(), {"--records", "image.d88"}).out);
    const ReferenceImage reference(image);
    std::vector<std::string> want;
    for (int disk = 0; disk < reference.DiskCount(); ++disk) {
      for (int track = 0; track < layout::kTrackCount; ++track) {
        for (std::size_t at : reference.Walk(disk, track, false)) {
          const std::uint8_t* h = image.data() + at;
          char row[96];
          std::snprintf(row, sizeof row,
                        "%4d %5d 0x%08zx %3u %3u %3u %3u %5u    0x%02x    0x%02x   0x%02x %5u",
                        disk, track, at, h[layout::kC], h[layout::kH], h[layout::kR], h[layout::kN],
                        h[layout::kSectorCount] | h[layout::kSectorCount + 1] << 8,
                        h[layout::kDensity], h[layout::kDeleted], h[layout::kStatus],
                        h[layout::kDataSize] | h[layout::kDataSize + 1] << 8);
          want.push_back(row);
        }
      }
    }
    ASSERT_EQ(lines.size(), want.size() + 2);
    for (std::size_t i = 0; i < want.size(); ++i) {
      ASSERT_EQ(lines[i + 2].substr(0, want[i].size()), want[i]);
    }
  }
}

TEST(D88infoTest, DumpShowsEveryByteOfATrack) {
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir.File("image.d88"), RecordsImage()));
  const ToolRun run = RunD88info(dir.path().string(), {"--dump", "image.d88", "0", "1"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            Line("disk 0 track 1: 1 record from file offset 0x000004d0") +
                Line("record 1: 0/1/7/1 at file offset 0x000004d0, count 1, density 0x40, deleted "
                     "0x10, status 0xb0, data size 40") +
                Line("000004e0  03 0a 11 18 1f 26 2d 34  3b 42 49 50 57 5e 65 6c  "
                     "|.....&-4;BIPW^el|") +
                Line("000004f0  73 7a 81 88 8f 96 9d a4  ab b2 b9 c0 c7 ce d5 dc  "
                     "|sz..............|") +
                Line("00000500  e3 ea f1 f8 ff 06 0d 14                           |........|") +
                Line("00000508"));
  const ToolRun walked_on = RunD88info(dir.path().string(), {"--dump", "image.d88", "0", "0"});
  EXPECT_NE(walked_on.out.find(Line("a read of the track runs on past them through 1 more "
                                    "record (--records lists them)")),
            std::string::npos)
      << walked_on.out;
  // Data that runs past the next disk's start: only what the disk holds is shown.
  Bytes two = D88Builder()
                  .AddDisk("A")
                  .AddRecord(0, WithDataSize(MakeRecord(0, 0, 1, 0, Bytes(32, 'A')), 1000))
                  .Build();
  const Bytes next = D88Builder().AddDisk("B").Build();
  two.insert(two.end(), next.begin(), next.end());
  ASSERT_TRUE(WriteBytes(dir.File("two.d88"), two));
  EXPECT_EQ(RunD88info(dir.path().string(), {"--dump", "two.d88", "0", "0"}).out,
            Line("disk 0 track 0: 1 record from file offset 0x000002b0") +
                Line("record 1: 0/0/1/0 at file offset 0x000002b0, count 1, density 0x00, deleted "
                     "0x00, status 0x00, data size 1000, of which the disk holds 32") +
                Line("000002c0  41 41 41 41 41 41 41 41  41 41 41 41 41 41 41 41  "
                     "|AAAAAAAAAAAAAAAA|") +
                Line("*") + Line("000002e0"));
  const ToolRun absent = RunD88info(dir.path().string(), {"--dump", "image.d88", "0", "9"});
  EXPECT_EQ(absent.out, Line("disk 0 track 9: absent"));
  const ToolRun no_disk = RunD88info(dir.path().string(), {"--dump", "image.d88", "1", "0"});
  EXPECT_EQ(no_disk.status, 1);
  EXPECT_EQ(no_disk.err, Line("d88info: image.d88 has no disk 1 or no track 0"));
  // 65535 is a number --dump takes, and no track.
  EXPECT_EQ(RunD88info(dir.path().string(), {"--dump", "image.d88", "0", "65535"}).err,
            Line("d88info: image.d88 has no disk 0 or no track 65535"));
}

// Each record's data as hexdump -C shows the same bytes of the file: every sector of a track of
// the sample, sectors whose data repeats, and sectors that end inside a line.
TEST(D88infoTest, DumpAgreesWithHexdump) {
  if (RunHostProgram("/", {"hexdump", "-C", "/dev/null"}).status != 0) {
    GTEST_SKIP() << "hexdump is not installed (Debian: bsdextrautils)";
  }
  Layout layout;
  Bytes image = BuildSampleImage(&layout);
  // A sector of zeros, but for one byte: hexdump folds the lines that repeat into "*".
  const std::size_t zeros = layout.record_offsets[SampleRecordIndex(0, 3, 5)] + 16;
  std::fill(image.begin() + static_cast<long>(zeros),
            image.begin() + static_cast<long>(zeros) + 1024, 0);
  image[zeros + 600] = 1;
  // Two lines of zeros and half a line more, which no "*" stands for; then 7 bytes.
  Layout short_layout;
  const Bytes short_image = D88Builder()
                                .AddDisk("S")
                                .AddSector(0, 0, 0, 1, 0, Bytes(40, 0))
                                .AddSector(0, 0, 0, 2, 0, Pattern(7))
                                .Build(&short_layout);
  struct Case {
    const Bytes& image;
    int track;
    std::vector<std::pair<std::size_t, std::size_t>> data;  // file offset and size
    std::string shows;
  };
  std::vector<std::pair<std::size_t, std::size_t>> sample_data[2];
  for (int r : {1, 3, 5, 2, 4}) {
    for (int i : {0, 1}) {
      sample_data[i].emplace_back(
          layout.record_offsets[SampleRecordIndex(0, i == 0 ? 3 : 80, r)] + 16, 1024);
    }
  }
  const Case cases[] = {
      {image, 3, sample_data[0], "\n*\n"},
      {image, 80, sample_data[1], "|D0 T080 R4 +3F0.|"},
      {short_image,
       0,
       {{short_layout.record_offsets[0] + 16, 40}, {short_layout.record_offsets[1] + 16, 7}},
       "\n*\n000002e0  00 00 00 00 00 00 00 00 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.track);
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.File("image.d88"), c.image));
    const std::vector<std::string> lines = Lines(
        RunD88info(dir.path().string(), {"--dump", "image.d88", "0", std::to_string(c.track)}).out);
    const std::string want = "disk 0 track " + std::to_string(c.track) + ": " +
                             std::to_string(c.data.size()) + " records";
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].substr(0, want.size()), want);
    std::string got, expected;
    for (std::size_t i = 1; i < lines.size(); ++i) {
      if (lines[i].rfind("record ", 0) != 0) got += lines[i] + "\n";
    }
    for (const auto& [offset, size] : c.data) {
      expected +=
          RunHostProgram(dir.path().string(), {"hexdump", "-C", "-s", std::to_string(offset), "-n",
                                               std::to_string(size), "image.d88"})
              .out;
    }
    EXPECT_EQ(got, expected);
    EXPECT_NE(expected.find(c.shows), std::string::npos) << expected;
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
