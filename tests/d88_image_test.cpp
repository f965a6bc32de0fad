#include "d88/d88_image.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "testing/d88_builder.h"
#include "testing/d88_layout.h"
#include "testing/reader_fixture.h"
#include "testing/temp_dir.h"

namespace d88test {
namespace {

constexpr std::uint8_t kN3 = 3;  // 1024-byte sectors

TEST(LittleEndianTest, AssemblesLowByteFirst) {
  const std::uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(ReadLE16(bytes), 0x0201u);
  EXPECT_EQ(ReadLE32(bytes), 0x04030201u);
  EXPECT_EQ(ReadLE16(bytes + 4), 0xFFFFu);
  EXPECT_EQ(ReadLE32(bytes + 4), 0xFFFFFFFFu);
}

// A small image written out byte for byte, each group labelled with its field, so that the
// reader is checked against the format itself rather than against the test kit's builder.
TEST_F(ReaderTest, ReadsAHandWrittenImage) {
  const std::vector<Bytes> groups = {
      // clang-format off
      // Disk 0 header
      {'G', 'O', 'L', 'D', 'E', 'N', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},  // 0x00 name, NUL-padded
      Bytes(11, 0x55),                                              // 0x10 not interpreted
      {0x20},                                                       // 0x1B media type
      {0xD8, 0x02, 0x00, 0x00},                                     // 0x1C disk size 728
      {0x00, 0x00, 0x00, 0x00},                                     // 0x20 track 0 absent
      {0xB0, 0x02, 0x00, 0x00},                                     // 0x24 track 1 at 688
      Bytes(4 * 162, 0),                                            //      tracks 2 to 163 absent
      // Track 1, first record
      {0x00, 0x01, 0x07, 0x00},                                     // C 0, H 1, R 7, N 0
      {0x02, 0x00},                                                 // 2 sectors in the track
      Bytes(8, 0xAA),                                               // not interpreted
      {0x04, 0x00},                                                 // data size 4
      {0xDE, 0xAD, 0xBE, 0xEF},                                     // data
      // Track 1, second record
      {0x00, 0x01, 0x09, 0x01},                                     // C 0, H 1, R 9, N 1
      {0x02, 0x00},                                                 // 2 sectors in the track
      Bytes(8, 0xAA),                                               // not interpreted
      {0x04, 0x00},                                                 // data size 4
      {0x01, 0x02, 0x03, 0x04},                                     // data
      // Disk 1 header, at 728
      {'T', 'W', 'O', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},       // 0x00 name
      Bytes(11, 0),                                                 // 0x10 not interpreted
      {0x10},                                                       // 0x1B media type
      {0xB0, 0x02, 0x00, 0x00},                                     // 0x1C disk size 688
      Bytes(4 * 164, 0),                                            // 0x20 no tracks
      // clang-format on
  };
  Bytes image;
  for (const Bytes& group : groups) image.insert(image.end(), group.begin(), group.end());
  ASSERT_EQ(image.size(), 728u + 688u);

  ASSERT_TRUE(OpenImage(image));
  EXPECT_EQ(reader_.GetDiskCount(), 2);
  ASSERT_TRUE(reader_.SelectDisk(0));
  EXPECT_STREQ(reader_.GetDiskName(), "GOLDEN");
  EXPECT_EQ(reader_.GetMediaType(), 0x20);
  EXPECT_EQ(reader_.GetDiskSize(), 728);
  EXPECT_EQ(reader_.GetDiskOffset(), 0);
  EXPECT_EQ(reader_.GetDiskEnd(), 728);
  EXPECT_EQ(reader_.GetWriteProtect(), 0x55);
  EXPECT_EQ(reader_.GetTrackEntry(1), 688);
  for (std::int32_t track : {-1, 0, 2, 163, 164}) EXPECT_EQ(reader_.GetTrackEntry(track), 0);
  std::uint8_t ids[16] = {};
  ASSERT_EQ(reader_.ListSectorIds(1, ids, 16), 8);
  EXPECT_EQ(Bytes(ids, ids + 8), (Bytes{0, 1, 7, 0, 0, 1, 9, 1}));
  EXPECT_EQ(reader_.ListSectorIds(0, ids, 16), 0);
  std::uint8_t data[8] = {};
  ASSERT_EQ(reader_.ReadSector(1, 0, 1, 7, 0, data, 8), 4);
  EXPECT_EQ(Bytes(data, data + 4), (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));
  ASSERT_EQ(reader_.ReadSector(1, 0, 1, 9, 1, data, 8), 4);
  EXPECT_EQ(Bytes(data, data + 4), (Bytes{1, 2, 3, 4}));
  ASSERT_TRUE(reader_.SelectDisk(1));
  EXPECT_STREQ(reader_.GetDiskName(), "TWO");
  EXPECT_EQ(reader_.GetMediaType(), 0x10);
  EXPECT_EQ(reader_.GetDiskOffset(), 728);
  EXPECT_EQ(reader_.GetDiskEnd(), 728 + 688);
  // Bytes of any disk, by file offset.
  std::uint8_t bytes[8] = {};
  EXPECT_EQ(reader_.ReadImageBytes(688 + 16, bytes, 8), 8);
  EXPECT_EQ(Bytes(bytes, bytes + 4), (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));
  EXPECT_EQ(reader_.ReadImageBytes(728 + 688 - 3, bytes, 8), 3);
  EXPECT_EQ(reader_.ReadImageBytes(0, bytes, 1), 1);
  EXPECT_EQ(bytes[0], 'G');
  EXPECT_EQ(reader_.ReadImageBytes(728 + 688, bytes, 8), 0);
  EXPECT_EQ(reader_.ReadImageBytes(-1, bytes, 8), 0);
}

TEST_F(ReaderTest, FreshReaderHasNothingSelected) {
  std::uint8_t buffer[16] = {};
  EXPECT_EQ(reader_.GetDiskCount(), 0);
  EXPECT_EQ(reader_.GetCurrentDisk(), -1);
  EXPECT_EQ(reader_.GetMediaType(), -1);
  EXPECT_EQ(reader_.GetDiskOffset(), -1);
  EXPECT_EQ(reader_.GetDiskEnd(), -1);
  EXPECT_STREQ(reader_.GetDiskName(), "");
  EXPECT_FALSE(reader_.SelectDisk(0));
  EXPECT_EQ(reader_.ReadSector(0, 0, 0, 1, 0, buffer, 16), 0);
}

TEST_F(ReaderTest, OpenFailsOnMissingPathAndDirectory) {
  EXPECT_FALSE(reader_.Open(dir_.File("missing.d88").c_str()));
  EXPECT_FALSE(reader_.Open(dir_.path().string().c_str()));
#ifdef __linux__
  // A regular file whose first read fails (EIO: nothing is mapped at address 0) is no image.
  errno = 0;
  EXPECT_FALSE(reader_.Open("/proc/self/mem"));
  EXPECT_EQ(errno, EIO);
#endif
  EXPECT_EQ(reader_.GetDiskCount(), 0);
  EXPECT_FALSE(reader_.SelectDisk(0));
}

TEST_F(ReaderTest, CountsDisksFoundByTheScan) {
  struct Case {
    const char* name;
    std::function<Bytes()> image;
    std::int32_t disks;
  };
  constexpr auto kHeaderSize = static_cast<std::uint32_t>(layout::kDiskHeaderSize);
  auto header = [](std::uint32_t disk_size) {
    Bytes bytes(layout::kDiskHeaderSize, 0);
    PutLE32(bytes, layout::kDiskSize, disk_size);
    return bytes;
  };
  auto concat = [](Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const Case cases[] = {
      {"EmptyFile", [] { return Bytes(); }, 0},
      {"ShorterThanHeader", [] { return Bytes(kHeaderSize - 1, 0); }, 0},
      {"OneBareHeader", [&] { return header(kHeaderSize); }, 1},
      {"SecondHeaderCutShort",
       [&] { return concat(header(kHeaderSize), Bytes(kHeaderSize - 1, 0)); }, 1},
      {"TwoDisks", [] { return D88Builder().AddDisk("A").AddDisk("B").Build(); }, 2},
      {"SizeZeroRepeatsUntil64", [&] { return header(0); }, 64},
      {"More than 64 disks",
       [&] {
         Bytes image;
         for (int i = 0; i < 70; ++i) image = concat(image, header(kHeaderSize));
         return image;
       },
       64},
      {"SizeOf2Pow31StopsTheScan", [&] { return concat(header(0x80000000u), header(kHeaderSize)); },
       1},
      {"SizeOfAllOnesStopsTheScan",
       [&] { return concat(header(0xFFFFFFFFu), header(kHeaderSize)); }, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(OpenImage(c.image()));
    EXPECT_EQ(reader_.GetDiskCount(), c.disks);
    // Wherever the scan stopped, the last disk it found is there and the next one is not.
    EXPECT_EQ(reader_.SelectDisk(c.disks - 1), c.disks > 0);
    EXPECT_FALSE(reader_.SelectDisk(c.disks));
  }
}

TEST_F(ReaderTest, NextDiskStartsWhereTheSizeFieldSays) {
  // Disk 0 claims 1000 bytes; the bytes between its end and 1000 are padding.
  Bytes image = D88Builder().AddDisk("FIRST").SetDiskSize(1000).Build();
  image.resize(1000, 0xEE);
  const Bytes second = D88Builder().AddDisk("SECOND", 0x20).Build();
  image.insert(image.end(), second.begin(), second.end());
  ASSERT_TRUE(OpenImage(image));
  ASSERT_EQ(reader_.GetDiskCount(), 2);
  ASSERT_TRUE(reader_.SelectDisk(1));
  EXPECT_STREQ(reader_.GetDiskName(), "SECOND");
  EXPECT_EQ(reader_.GetMediaType(), 0x20);
  EXPECT_EQ(reader_.GetCurrentDisk(), 1);
}

TEST_F(ReaderTest, SizeZeroDisksAllNameTheSameHeader) {
  ASSERT_TRUE(OpenImage(D88Builder().AddDisk("LOOP").SetDiskSize(0).Build()));
  ASSERT_EQ(reader_.GetDiskCount(), 64);
  ASSERT_TRUE(reader_.SelectDisk(63));
  EXPECT_STREQ(reader_.GetDiskName(), "LOOP");
}

TEST_F(ReaderTest, DiskNamesAreCutAtNulOrSixteenBytes) {
  Bytes image = D88Builder()
                    .AddDisk("ABCDEFGHIJKLMNOPQRST")
                    .AddDisk(std::string("ABCDE\0GHIJ", 10))
                    .AddDisk("")
                    .AddDisk("A\x01\x7F\xFFZ")  // only a NUL ends a name
                    .Build();
  ASSERT_TRUE(OpenImage(image));
  ASSERT_TRUE(reader_.SelectDisk(0));
  EXPECT_STREQ(reader_.GetDiskName(), "ABCDEFGHIJKLMNOP");
  ASSERT_TRUE(reader_.SelectDisk(1));
  EXPECT_STREQ(reader_.GetDiskName(), "ABCDE");
  ASSERT_TRUE(reader_.SelectDisk(2));
  EXPECT_STREQ(reader_.GetDiskName(), "");
  ASSERT_TRUE(reader_.SelectDisk(3));
  EXPECT_STREQ(reader_.GetDiskName(), "A\x01\x7F\xFFZ");
}

TEST_F(ReaderTest, FailedSelectClearsTheSelection) {
  ASSERT_TRUE(
      OpenImage(D88Builder().AddDisk("ONE", 0x10).AddSector(0, 0, 0, 1, 0, Pattern(128)).Build()));
  std::uint8_t buffer[128];
  ASSERT_TRUE(reader_.SelectDisk(0));
  EXPECT_EQ(reader_.GetMediaType(), 0x10);
  EXPECT_EQ(reader_.ReadSector(0, 0, 0, 1, 0, buffer, 128), 128);
  for (std::int32_t index : {1, -1, 64}) {
    SCOPED_TRACE(index);
    EXPECT_FALSE(reader_.SelectDisk(index));
    EXPECT_EQ(reader_.GetCurrentDisk(), -1);
    EXPECT_EQ(reader_.GetMediaType(), -1);
    EXPECT_STREQ(reader_.GetDiskName(), "");
    EXPECT_EQ(reader_.ReadSector(0, 0, 0, 1, 0, buffer, 128), 0);
    EXPECT_EQ(reader_.GetDiskSize(), 0);
    EXPECT_EQ(reader_.GetDiskOffset(), -1);
    EXPECT_EQ(reader_.GetDiskEnd(), -1);
    EXPECT_EQ(reader_.GetWriteProtect(), -1);
    EXPECT_EQ(reader_.GetTrackEntry(0), 0);
    EXPECT_EQ(reader_.ListSectorIds(0, buffer, 128), 0);
    RecordHeader records[2];
    EXPECT_EQ(reader_.ListRecords(0, records, 2), 0);
    EXPECT_EQ(reader_.ListChain(688, records, 2), 0);
  }
}

TEST_F(ReaderTest, SelectFailsWhenTheFileShrankAfterOpen) {
  ASSERT_TRUE(OpenImage(D88Builder().AddDisk("A").AddDisk("B").Build()));
  ASSERT_EQ(reader_.GetDiskCount(), 2);
  std::filesystem::resize_file(path_, layout::kDiskHeaderSize + 100);
  EXPECT_TRUE(reader_.SelectDisk(0));
  EXPECT_FALSE(reader_.SelectDisk(1));
  EXPECT_EQ(reader_.GetCurrentDisk(), -1);
  EXPECT_STREQ(reader_.GetDiskName(), "");
}

// The identity of the file that was opened, as the system gives it, until the reader closes.
TEST_F(ReaderTest, IdentityIsTheOpenFilesUntilClosed) {
  FileIdentity identity{7, 7};
  EXPECT_FALSE(reader_.GetFileIdentity(&identity));
  ASSERT_TRUE(OpenImage(D88Builder().AddDisk("A").Build()));
  ASSERT_TRUE(reader_.GetFileIdentity(&identity));
#ifdef _WIN32
  EXPECT_FALSE(identity == (FileIdentity{7, 7}));  // the volume and file index Windows gives
#else
  struct stat status;
  ASSERT_EQ(stat(path_.c_str(), &status), 0);
  EXPECT_EQ(identity, (FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                                    static_cast<std::uint64_t>(status.st_ino)}));
#endif
  reader_.Open(nullptr);
  const FileIdentity kept = identity;
  EXPECT_FALSE(reader_.GetFileIdentity(&identity));
  EXPECT_EQ(identity, kept);
}

TEST_F(ReaderTest, ClosingResetsCountAndSelection) {
  ASSERT_TRUE(OpenImage(D88Builder().AddDisk("A", 0x20).Build()));
  ASSERT_TRUE(reader_.SelectDisk(0));
  EXPECT_TRUE(reader_.Open(nullptr));
  EXPECT_EQ(reader_.GetDiskCount(), 0);
  EXPECT_EQ(reader_.GetCurrentDisk(), -1);
  EXPECT_EQ(reader_.GetMediaType(), -1);
  EXPECT_FALSE(reader_.SelectDisk(0));
  EXPECT_TRUE(reader_.Open(nullptr));  // closing a closed reader
  EXPECT_EQ(reader_.GetDiskCount(), 0);
}

TEST_F(ReaderTest, OpeningAgainReplacesTheOldImage) {
  ASSERT_TRUE(OpenImage(D88Builder().AddDisk("OLD").AddDisk("OLD2").Build()));
  ASSERT_TRUE(reader_.SelectDisk(1));
  const std::string other = dir_.File("other.d88");
  ASSERT_TRUE(WriteBytes(other, D88Builder().AddDisk("NEW").Build()));
  ASSERT_TRUE(reader_.Open(other.c_str()));
  EXPECT_EQ(reader_.GetDiskCount(), 1);
  EXPECT_EQ(reader_.GetCurrentDisk(), -1);
  ASSERT_TRUE(reader_.SelectDisk(0));
  EXPECT_STREQ(reader_.GetDiskName(), "NEW");
  // The old file is no longer held: it can be removed and the reader goes on with the new one.
  EXPECT_TRUE(std::filesystem::remove(path_));
  EXPECT_FALSE(reader_.SelectDisk(1));
}

// One sector query against one track of records; `expected` is the bytes that must come back.
struct SectorCase {
  const char* name;
  std::vector<Record> records;
  int c, h, r, n;
  std::int32_t max;
  Bytes expected;
};

TEST_F(ReaderTest, FindsSectorsByAllFourIdBytes) {
  const Bytes a = Pattern(1024, 1), b = Pattern(1024, 2), c = Pattern(256, 3);
  const SectorCase cases[] = {
      {"Found", {MakeRecord(1, 0, 1, 3, a), MakeRecord(1, 0, 2, 3, b)}, 1, 0, 2, 3, 1024, b},
      {"MaxBelowDataSize",
       {MakeRecord(1, 0, 1, 3, a)},
       1,
       0,
       1,
       3,
       100,
       Bytes(a.begin(), a.begin() + 100)},
      {"MaxZero", {MakeRecord(1, 0, 1, 3, a)}, 1, 0, 1, 3, 0, {}},
      {"DifferentN", {MakeRecord(1, 0, 1, 2, a)}, 1, 0, 1, 3, 1024, {}},
      {"DifferentC", {MakeRecord(1, 0, 1, 3, a)}, 2, 0, 1, 3, 1024, {}},
      {"DifferentH", {MakeRecord(1, 0, 1, 3, a)}, 1, 1, 1, 3, 1024, {}},
      {"ArgumentAbove255", {MakeRecord(1, 0, 1, 3, a)}, 257, 0, 1, 3, 1024, {}},
      {"ArgumentNegative", {MakeRecord(255, 0, 1, 3, a)}, -1, 0, 1, 3, 1024, {}},
      {"HighBytesAreUnsigned", {MakeRecord(255, 200, 250, 3, a)}, 255, 200, 250, 3, 1024, a},
      {"FirstOfTwoDuplicates",
       {MakeRecord(1, 0, 1, 3, a), MakeRecord(1, 0, 1, 3, b)},
       1,
       0,
       1,
       3,
       1024,
       a},
      {"ZeroDataSizeIsNotFound", {MakeRecord(1, 0, 1, 3, {})}, 1, 0, 1, 3, 1024, {}},
      {"SectorCountZeroEndsTheWalk",
       {WithCount(MakeRecord(1, 0, 1, 3, a), 0), MakeRecord(1, 0, 2, 3, b)},
       1,
       0,
       2,
       3,
       1024,
       {}},
      {"CountZeroEvenOnTheMatch", {WithCount(MakeRecord(1, 0, 1, 3, a), 0)}, 1, 0, 1, 3, 1024, {}},
      {"CountReachedEndsTheWalk",
       {WithCount(MakeRecord(1, 0, 1, 3, a), 1), MakeRecord(1, 0, 2, 3, b)},
       1,
       0,
       2,
       3,
       1024,
       {}},
      {"CountBelowPositionDoesNotEnd",
       {WithCount(MakeRecord(1, 0, 1, 3, a), 5), WithCount(MakeRecord(1, 0, 2, 3, b), 1),
        MakeRecord(1, 0, 3, 3, c)},
       1,
       0,
       3,
       3,
       1024,
       c},
      {"SkippedByDataSizeNotByN",
       {MakeRecord(1, 0, 1, 3, c), MakeRecord(1, 0, 2, 3, b)},
       1,
       0,
       2,
       3,
       1024,
       b},
      {"ShortSectorComesBackShort", {MakeRecord(1, 0, 1, 3, c)}, 1, 0, 1, 3, 1024, c},
      {"DataSizeFieldLargerThanData",
       {WithDataSize(MakeRecord(1, 0, 1, 3, c), 300)},
       1,
       0,
       1,
       3,
       1024,
       c},
  };
  for (const SectorCase& sc : cases) {
    SCOPED_TRACE(sc.name);
    OpenTrack(5, sc.records);
    Bytes buffer(static_cast<std::size_t>(sc.max) + 1, 0xAA);
    const std::int32_t got = reader_.ReadSector(5, sc.c, sc.h, sc.r, sc.n, buffer.data(), sc.max);
    ASSERT_EQ(got, static_cast<std::int32_t>(sc.expected.size()));
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + got), sc.expected);
    EXPECT_EQ(buffer[static_cast<std::size_t>(sc.max)], 0xAA) << "wrote past max";
  }
}

TEST_F(ReaderTest, ImageEndingInsideATrack) {
  Layout layout;
  const Bytes full = D88Builder()
                         .AddDisk("CUT")
                         .AddSector(0, 0, 0, 1, 3, Pattern(1024, 1))
                         .AddSector(0, 0, 0, 2, 3, Pattern(1024, 2))
                         .Build(&layout);
  const std::size_t second = layout.record_offsets.at(1);
  struct Case {
    const char* name;
    std::size_t keep;
    std::int32_t r;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"InsideSecondHeader", second + 15, 2, 0},       {"RightBeforeSecondHeader", second, 2, 0},
      {"InsideSecondData", second + 16 + 100, 2, 100}, {"FirstStillWhole", second + 8, 1, 1024},
      {"InsideFirstData", second - 1, 1, 1023},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(OpenImage(Bytes(full.begin(), full.begin() + static_cast<long>(c.keep))));
    ASSERT_TRUE(reader_.SelectDisk(0));
    Bytes buffer(1024);
    const std::int32_t got = reader_.ReadSector(0, 0, 0, c.r, 3, buffer.data(), 1024);
    ASSERT_EQ(got, c.expected);
    const Bytes want = Pattern(1024, static_cast<std::uint32_t>(c.r));
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + got, want.begin()));
  }
}

// The walk reads a track in pieces (8 KiB first, then 64 KiB): headers that straddle the end of
// the first read and of a later one must read whole, and every field comes back as stored.
TEST_F(ReaderTest, RecordsStraddlingTheWalksReadsReadWhole) {
  Record marked = MakeRecord(0, 0, 3, 1, Pattern(256, 3));
  std::vector<Record> records = {MakeRecord(0, 0, 1, 1, Pattern(8192 - 2 * 16 + 8, 1)),
                                 MakeRecord(0, 0, 2, 1, Pattern(65536 - 16 - 8, 2)), marked,
                                 MakeRecord(0, 0, 4, 1, Pattern(256, 4))};
  Layout layout;
  D88Builder builder;
  builder.AddDisk("W");
  for (const Record& record : records) builder.AddRecord(0, record);
  Bytes image = builder.Build(&layout);
  const std::size_t third = layout.record_offsets.at(2);
  image[third + layout::kDensity] = 0x40;
  image[third + layout::kDeleted] = 0x10;
  image[third + layout::kStatus] = 0xB0;
  // Headers 2 and 3 start 8 bytes before the end of the first read and of the second.
  ASSERT_EQ(layout.record_offsets.at(1) - layout.record_offsets.at(0), 8192u - 8);
  ASSERT_EQ(third - layout.record_offsets.at(1), 65536u - 8);
  OpenAndSelect(image);
  RecordHeader listed[5];
  ASSERT_EQ(reader_.ListRecords(0, listed, 5), 4);
  for (std::uint8_t r = 1; r <= 4; ++r) {
    SCOPED_TRACE(r);
    const Record& want = records[r - 1];
    const RecordHeader& got = listed[r - 1];
    EXPECT_EQ(got.offset, static_cast<std::int64_t>(layout.record_offsets.at(r - 1u)));
    EXPECT_EQ(got.r, r);
    EXPECT_EQ(got.sector_count, 4);
    EXPECT_EQ(got.data_size, want.data.size());
    EXPECT_EQ(got.data_held, static_cast<std::int32_t>(want.data.size()));
    Bytes data(want.data.size());
    EXPECT_EQ(reader_.ReadSector(0, 0, 0, r, 1, data.data(), 65535),
              static_cast<std::int32_t>(want.data.size()));
    EXPECT_EQ(data, want.data);
  }
  EXPECT_EQ(listed[2].density, 0x40);
  EXPECT_EQ(listed[2].deleted, 0x10);
  EXPECT_EQ(listed[2].status, 0xB0);
  EXPECT_EQ(listed[3].status, 0x00);
}

TEST_F(ReaderTest, WalkEndsWhereARecordWouldStartPast2GiB) {
  // Offsets of 2^31 or more are out of the format's reach: a walk that would go on there ends,
  // rather than trust a C library's seek across the line. The track starts 100 bytes below the
  // line, in a sparse file; the first record's data size decides where the second starts.
  constexpr std::int64_t kLine = 2147483647;  // 2^31 - 1
  constexpr std::int64_t kTrackStart = kLine - 100;
  struct Case {
    const char* name;
    std::size_t first_data;
    bool second_read;
  };
  const Case cases[] = {{"SecondStartsOnTheLine", 84, true}, {"SecondStartsPastIt", 85, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Layout layout;
    const Bytes built = D88Builder()
                            .AddDisk("FAR")
                            .AddSector(0, 1, 0, 1, 0, Pattern(c.first_data, 1))
                            .AddSector(0, 1, 0, 2, 0, Pattern(128, 2))
                            .SetDiskSize(static_cast<std::uint32_t>(kLine))
                            .SetTrackEntry(0, static_cast<std::uint32_t>(kTrackStart))
                            .Build(&layout);
    const auto track = built.begin() + static_cast<long>(layout.record_offsets.at(0));
    path_ = dir_.File("far.d88");
    {
      std::ofstream out(path_, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(built.data()), track - built.begin());
      out.seekp(kTrackStart);
      out.write(reinterpret_cast<const char*>(&*track), built.end() - track);
      ASSERT_TRUE(out.good());
    }
    ASSERT_TRUE(reader_.Open(path_.c_str()));
    ASSERT_TRUE(reader_.SelectDisk(0));
    std::uint8_t ids[16];
    EXPECT_EQ(reader_.ListSectorIds(0, ids, 16), c.second_read ? 8 : 4);
    Bytes data(128);
    EXPECT_EQ(reader_.ReadSector(0, 1, 0, 2, 0, data.data(), 128), c.second_read ? 128 : 0);
    // The first record's data runs across the line; read on from before it, it is whole.
    ASSERT_EQ(reader_.ReadSector(0, 1, 0, 1, 0, data.data(), 128),
              static_cast<std::int32_t>(c.first_data));
    EXPECT_EQ(Bytes(data.begin(), data.begin() + static_cast<long>(c.first_data)),
              Pattern(c.first_data, 1));
    reader_.Open(nullptr);
  }
}

// A walk never leaves its disk: where the next disk starts, it ends as at the end of the file.
// Disk 1 holds the sector each walk of disk 0 looks for, right where a walk running on would
// find it; the last disk, with nothing after it, walks on to the end of the file.
TEST_F(ReaderTest, WalksEndWhereTheNextDiskStarts) {
  const Record wanted = MakeRecord(0, 0, 2, 0, Pattern(128, 2));
  const Bytes second = D88Builder().AddDisk("D1").AddRecord(0, wanted).Build();
  // Disk 0's one record, 128 bytes of data on track 0, then disk 1 when `next_disk`.
  auto image = [&](Record first, bool next_disk, std::uint32_t track5 = 0) {
    D88Builder builder;
    builder.AddDisk("D0").AddRecord(0, first);
    if (track5 != 0) builder.SetTrackEntry(5, track5);
    Bytes bytes = builder.Build();
    if (next_disk) bytes.insert(bytes.end(), second.begin(), second.end());
    return bytes;
  };
  const Record first = WithCount(MakeRecord(0, 0, 1, 0, Pattern(128, 1)), 9);
  // Skips disk 1's header: the walk's next header would be disk 1's record.
  const Record skips_header = WithDataSize(first, 128 + layout::kDiskHeaderSize);
  const std::uint32_t disk_size = layout::kDiskHeaderSize + 16 + 128;
  struct Case {
    const char* name;
    Bytes image;
    std::int32_t track, r, read, listed;
  };
  const Case cases[] = {
      {"SectorOfTheNextDiskIsNotFound", image(skips_header, true), 0, 2, 0, 1},
      {"DataStopsAtTheNextDisk", image(WithDataSize(first, 1000), true), 0, 1, 128, 1},
      // A header whose last byte is the disk's last is still read.
      {"HeaderEndingAtTheNextDiskIsRead", image(MakeRecord(0, 0, 1, 0, {}), true), 0, 1, 0, 1},
      {"DataOfTheLastDiskRunsOnPastItsSize",
       [&] {
         // Fewer than 688 bytes after the disk: no disk is found there.
         Bytes bytes = image(WithDataSize(first, 600), false);
         bytes.resize(bytes.size() + 600 - 128, 0xEE);
         return bytes;
       }(),
       0, 1, 600, 1},
      {"EntryAtTheDiskSizeFindsNothing", image(first, true, disk_size), 5, 2, 0, 0},
      {"EntryAtTheDiskSizeOfTheLastDisk",
       [&] {
         Bytes bytes = image(first, false, disk_size);
         const Bytes record = D88Builder().AddDisk().AddRecord(0, wanted).Build();
         bytes.insert(bytes.end(), record.begin() + layout::kDiskHeaderSize, record.end());
         return bytes;
       }(),
       5, 2, 128, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OpenAndSelect(c.image);
    Bytes data(1024);
    EXPECT_EQ(reader_.ReadSector(c.track, 0, 0, c.r, 0, data.data(), 1024), c.read);
    RecordHeader records[4];
    EXPECT_EQ(reader_.ListRecords(c.track, records, 4), c.listed);
    std::uint8_t ids[16];
    EXPECT_EQ(reader_.ListSectorIds(c.track, ids, 16), 4 * c.listed);
    EXPECT_EQ(reader_.GetDiskEnd(),
              static_cast<std::int64_t>(reader_.GetDiskCount() > 1 ? c.image.size() - second.size()
                                                                   : c.image.size()));
    if (c.r == 1) {
      EXPECT_EQ(records[0].data_held, c.read);
    }
  }
}

// A disk may start on the last offset a signed 32-bit value names, 2^31 - 1 (in a sparse file):
// it is found and read, but no track of it can start past that line.
TEST_F(ReaderTest, DiskStartingAt2Pow31Minus1) {
  constexpr std::int64_t kLine = 2147483647;
  const Bytes first = D88Builder().AddDisk("FIRST").SetDiskSize(0x7FFFFFFFu).Build();
  const Bytes last = D88Builder().AddDisk("LAST").AddSector(0, 0, 0, 1, 0, Pattern(128)).Build();
  path_ = dir_.File("far.d88");
  {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(first.data()), static_cast<long>(first.size()));
    out.seekp(kLine);
    out.write(reinterpret_cast<const char*>(last.data()), static_cast<long>(last.size()));
    ASSERT_TRUE(out.good());
  }
  ASSERT_TRUE(reader_.Open(path_.c_str()));
  EXPECT_EQ(reader_.GetDiskCount(), 2);
  EXPECT_EQ(reader_.GetImageFileSize(), kLine + static_cast<std::int64_t>(last.size()));
  ASSERT_TRUE(reader_.SelectDisk(1));
  EXPECT_STREQ(reader_.GetDiskName(), "LAST");
  EXPECT_EQ(reader_.GetDiskOffset(), kLine);
  EXPECT_EQ(reader_.GetTrackEntry(0), 688);
  std::uint8_t data[128];
  EXPECT_EQ(reader_.ReadSector(0, 0, 0, 1, 0, data, 128), 0);
  EXPECT_EQ(reader_.ListSectorIds(0, data, 128), 0);
  EXPECT_FALSE(reader_.SelectDisk(2));
  reader_.Open(nullptr);
}

// A track may start on the last offset there is, 2^31 - 1 (in a sparse file).
TEST_F(ReaderTest, TrackStartingAt2Pow31Minus1IsRead) {
  constexpr std::int64_t kLine = 2147483647;
  Layout layout;
  const Bytes built = D88Builder()
                          .AddDisk("EDGE")
                          .AddSector(0, 1, 0, 1, 0, Pattern(128, 1))
                          .SetDiskSize(static_cast<std::uint32_t>(kLine))
                          .SetTrackEntry(0, static_cast<std::uint32_t>(kLine))
                          .Build(&layout);
  path_ = dir_.File("edge.d88");
  {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(built.data()),
              static_cast<long>(layout.record_offsets.at(0)));
    out.seekp(kLine);
    out.write(reinterpret_cast<const char*>(built.data() + layout.record_offsets.at(0)),
              static_cast<long>(built.size() - layout.record_offsets.at(0)));
    ASSERT_TRUE(out.good());
  }
  ASSERT_TRUE(reader_.Open(path_.c_str()));
  ASSERT_TRUE(reader_.SelectDisk(0));
  std::uint8_t data[128];
  EXPECT_EQ(reader_.ListSectorIds(0, data, 128), 4);
  EXPECT_EQ(reader_.ReadSector(0, 1, 0, 1, 0, data, 128), 128);
  reader_.Open(nullptr);
}

TEST_F(ReaderTest, UnusableTracksYieldNothing) {
  struct Case {
    const char* name;
    std::int32_t track;
    std::function<void(D88Builder&)> damage;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"Usable", 3, [](D88Builder&) {}, 128},
      {"Index164", 164, [](D88Builder&) {}, 0},
      {"IndexNegative", -1, [](D88Builder&) {}, 0},
      {"EntryZero", 3, [](D88Builder& b) { b.SetTrackEntry(3, 0); }, 0},
      {"AbsentTrack", 4, [](D88Builder&) {}, 0},
      {"EntryEqualsDiskSize", 3, [](D88Builder& b) { b.SetDiskSize(layout::kDiskHeaderSize); },
       128},
      {"EntryAboveDiskSize", 3, [](D88Builder& b) { b.SetDiskSize(687); }, 0},
      {"EntryOf2Pow31", 3, [](D88Builder& b) { b.SetTrackEntry(3, 0x80000000u); }, 0},
      {"EntryAllOnes", 3, [](D88Builder& b) { b.SetTrackEntry(3, 0xFFFFFFFFu); }, 0},
      {"DiskSizeOf2Pow31", 3, [](D88Builder& b) { b.SetDiskSize(0x80000000u); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    D88Builder builder;
    builder.AddDisk("T").AddSector(3, 1, 1, 1, 0, Pattern(128));
    c.damage(builder);
    ASSERT_TRUE(OpenImage(builder.Build()));
    ASSERT_TRUE(reader_.SelectDisk(0));
    std::uint8_t buffer[128];
    EXPECT_EQ(reader_.ReadSector(c.track, 1, 1, 1, 0, buffer, 128), c.expected);
  }
}

TEST_F(ReaderTest, RejectsBadArguments) {
  OpenTrack(0, {MakeRecord(0, 0, 1, 0, Pattern(128))});
  std::uint8_t buffer[128];
  EXPECT_EQ(reader_.ReadSector(0, 0, 0, 1, 0, buffer, -1), 0);
  EXPECT_EQ(reader_.ReadSector(0, 0, 0, 1, 0, nullptr, 128), 0);
  EXPECT_EQ(reader_.ReadSectors(0, 0, 0, 1, 0, nullptr, 128), 0);
  EXPECT_EQ(reader_.ReadSectors(0, 0, 0, 1, 0, buffer, 0), 0);
  EXPECT_EQ(reader_.ReadSectors(0, 0, 0, 1, 0, buffer, -5), 0);
  EXPECT_EQ(reader_.ReadSectors(0, 0, 0, 1, -1, buffer, 128), 0);
  EXPECT_EQ(reader_.ReadSectors(0, 0, 0, 1, 24, buffer, 128), 0);
  EXPECT_EQ(reader_.ReadSectors(0, 0, 0, 1, 0, buffer, 128), 128);
}

TEST_F(ReaderTest, LargestSizeCodeStillReads) {
  // 128 << 23 is the largest sector size a signed 32-bit count holds; 24 is refused (above).
  OpenTrack(0, {MakeRecord(0, 0, 1, 23, Pattern(128, 5))});
  Bytes buffer(128);
  ASSERT_EQ(reader_.ReadSectors(0, 0, 0, 1, 23, buffer.data(), 128), 128);
  EXPECT_EQ(buffer, Pattern(128, 5));
}

// A disk of `tracks` tracks with sectors 1 to 5, C = track / 2, H = track % 2; sector data seeded
// by its position so that every byte shows where it came from.
D88Builder FiveSectorDisk(int tracks, int missing_track = -1, int missing_r = -1) {
  D88Builder builder;
  builder.AddDisk("RUN");
  for (int t = 0; t < tracks; ++t) {
    for (int r = 1; r <= 5; ++r) {
      if (t == missing_track && r == missing_r) continue;
      builder.AddSector(t, static_cast<std::uint8_t>(t / 2), static_cast<std::uint8_t>(t % 2),
                        static_cast<std::uint8_t>(r), kN3,
                        Pattern(1024, static_cast<std::uint32_t>(t * 8 + r)));
    }
  }
  return builder;
}

Bytes ExpectedRun(const std::vector<std::pair<int, int>>& sectors, std::size_t total) {
  Bytes run;
  for (const auto& [t, r] : sectors) {
    const Bytes data = Pattern(1024, static_cast<std::uint32_t>(t * 8 + r));
    run.insert(run.end(), data.begin(), data.end());
  }
  run.resize(total);
  return run;
}

TEST_F(ReaderTest, RunsStepAcrossHeadsAndCylinders) {
  ASSERT_TRUE(OpenImage(FiveSectorDisk(84).Build()));
  ASSERT_TRUE(reader_.SelectDisk(0));
  reader_.SetSectorRange(1, 5);
  Bytes buffer(9 * 1024);

  // Track 80 (c 40, h 0) from r 2, then all of track 81 (c 40, h 1); the ninth sector in part.
  ASSERT_EQ(reader_.ReadSectors(80, 40, 0, 2, 3, buffer.data(), 8448), 8448);
  EXPECT_EQ(
      Bytes(buffer.begin(), buffer.begin() + 8448),
      ExpectedRun({{80, 2}, {80, 3}, {80, 4}, {80, 5}, {81, 1}, {81, 2}, {81, 3}, {81, 4}, {81, 5}},
                  8448));

  // Past the last sector of head 1 comes head 0 of the next cylinder.
  ASSERT_EQ(reader_.ReadSectors(63, 31, 1, 5, 3, buffer.data(), 2048), 2048);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 2048), ExpectedRun({{63, 5}, {64, 1}}, 2048));
}

TEST_F(ReaderTest, SectorRangeDecidesWhereATrackEnds) {
  ASSERT_TRUE(OpenImage(FiveSectorDisk(4).Build()));
  ASSERT_TRUE(reader_.SelectDisk(0));
  Bytes buffer(3 * 1024);
  // With the default range of 1 to 16, r 6 is looked for on track 0 and is not there.
  EXPECT_EQ(reader_.ReadSectors(0, 0, 0, 4, 3, buffer.data(), 3072), 2048);
  reader_.SetSectorRange(2, 4);
  ASSERT_EQ(reader_.ReadSectors(0, 0, 0, 4, 3, buffer.data(), 3072), 3072);
  EXPECT_EQ(buffer, ExpectedRun({{0, 4}, {1, 2}, {1, 3}}, 3072));
  // By default a run steps from sector 16 of one track to sector 1 of the next.
  D88Builder sixteen;
  sixteen.AddDisk("16");
  for (int t = 0; t < 2; ++t) {
    for (std::uint8_t r = 1; r <= 16; ++r) {
      sixteen.AddSector(t, 0, static_cast<std::uint8_t>(t), r, 0,
                        Pattern(128, static_cast<std::uint32_t>(t * 16 + r)));
    }
  }
  D88Image fresh;
  ASSERT_TRUE(WriteBytes(dir_.File("sixteen.d88"), sixteen.Build()));
  ASSERT_TRUE(fresh.Open(dir_.File("sixteen.d88").c_str()));
  ASSERT_TRUE(fresh.SelectDisk(0));
  ASSERT_EQ(fresh.ReadSectors(0, 0, 0, 16, 0, buffer.data(), 256), 256);
  EXPECT_EQ(Bytes(buffer.begin() + 128, buffer.begin() + 256), Pattern(128, 17));
}

TEST_F(ReaderTest, RunsStopAtTheFirstMissingOrShortSector) {
  Bytes buffer(5 * 1024);
  {
    ASSERT_TRUE(OpenImage(FiveSectorDisk(2, 0, 1).Build()));
    ASSERT_TRUE(reader_.SelectDisk(0));
    reader_.SetSectorRange(1, 5);
    EXPECT_EQ(reader_.ReadSectors(0, 0, 0, 1, 3, buffer.data(), 5120), 0);
  }
  {
    ASSERT_TRUE(OpenImage(FiveSectorDisk(2, 0, 3).Build()));
    ASSERT_TRUE(reader_.SelectDisk(0));
    reader_.SetSectorRange(1, 5);
    EXPECT_EQ(reader_.ReadSectors(0, 0, 0, 1, 3, buffer.data(), 5120), 2048);
  }
  {
    // A short second sector ends the run without its bytes; a run wanting fewer bytes than
    // the short sector holds still completes.
    D88Builder builder;
    builder.AddDisk("S")
        .AddSector(0, 0, 0, 1, 3, Pattern(1024, 1))
        .AddSector(0, 0, 0, 2, 3, Pattern(512, 2))
        .AddSector(0, 0, 0, 3, 3, Pattern(1024, 3));
    ASSERT_TRUE(OpenImage(builder.Build()));
    ASSERT_TRUE(reader_.SelectDisk(0));
    reader_.SetSectorRange(1, 5);
    EXPECT_EQ(reader_.ReadSectors(0, 0, 0, 1, 3, buffer.data(), 3072), 1024);
    EXPECT_EQ(reader_.ReadSectors(0, 0, 0, 1, 3, buffer.data(), 1024 + 512), 1024 + 512);
  }
}

}  // namespace
}  // namespace d88test
