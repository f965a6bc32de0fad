#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "d88/d88_image.h"
#include "testing/d88_builder.h"
#include "testing/reader_fixture.h"
#include "testing/sample_image.h"

namespace d88test {
namespace {

Record Sector(std::uint8_t r, std::optional<std::uint16_t> count = std::nullopt,
              std::size_t size = 256) {
  const Record record = MakeRecord(7, 1, r, 1, Pattern(size, r));
  return count ? WithCount(record, *count) : record;
}

Bytes FiveOutOfOrder() {
  D88Builder builder;
  builder.AddDisk("L");
  for (int r : {3, 1, 4, 2, 5}) builder.AddRecord(9, Sector(static_cast<std::uint8_t>(r)));
  return builder.Build();
}

TEST_F(ListSectorIdsTest, ListsInFileOrderWithinCapacity) {
  OpenAndSelect(FiveOutOfOrder());
  const Bytes all = {7, 1, 3, 1, 7, 1, 1, 1, 7, 1, 4, 1, 7, 1, 2, 1, 7, 1, 5, 1};
  struct Case {
    std::int32_t capacity;
    std::size_t entries;
  };
  for (const Case& c : {Case{64, 5}, Case{20, 5}, Case{19, 4}, Case{10, 2}, Case{8, 2}, Case{7, 1},
                        Case{4, 1}, Case{3, 0}, Case{0, 0}, Case{-4, 0}}) {
    SCOPED_TRACE(c.capacity);
    EXPECT_EQ(List(9, c.capacity),
              Bytes(all.begin(), all.begin() + static_cast<long>(4 * c.entries)));
  }
  EXPECT_EQ(reader_.ListSectorIds(9, nullptr, 64), 0);
  // The record listing fills at most its capacity, and never a record past it.
  for (std::int32_t capacity : {6, 5, 4, 1}) {
    SCOPED_TRACE(capacity);
    RecordHeader records[7];
    records[capacity].r = 0xEE;
    const std::int32_t listed = capacity < 5 ? capacity : 5;
    EXPECT_EQ(reader_.ListRecords(9, records, capacity), listed);
    EXPECT_EQ(records[capacity].r, 0xEE);
    EXPECT_EQ(records[listed - 1].r, all[4 * static_cast<std::size_t>(listed - 1) + 2]);
  }
}

// A chain follows records by their data sizes whatever their counts say, up to the end of the
// disk, from any offset inside it.
TEST_F(ListSectorIdsTest, ChainsIgnoreCountsAndStopAtTheDisksEnd) {
  Layout layout;
  D88Builder builder;
  builder.AddDisk("A");
  for (int r : {1, 2, 3}) builder.AddRecord(0, Sector(static_cast<std::uint8_t>(r), 1));
  builder.AddDisk("B").AddRecord(0, Sector(9));
  OpenAndSelect(builder.Build(&layout));
  RecordHeader records[8];
  ASSERT_EQ(reader_.ListChain(static_cast<std::int64_t>(layout.record_offsets[0]), records, 8), 3);
  EXPECT_EQ(records[2].r, 3);
  EXPECT_EQ(records[1].offset, static_cast<std::int64_t>(layout.record_offsets[1]));
  EXPECT_EQ(reader_.ListChain(static_cast<std::int64_t>(layout.record_offsets[1]), records, 8), 2);
  EXPECT_EQ(reader_.ListChain(static_cast<std::int64_t>(layout.record_offsets[0]), records, 2), 2);
  EXPECT_EQ(reader_.ListChain(static_cast<std::int64_t>(layout.record_offsets[2]), records, 1), 1);
  EXPECT_EQ(records[0].r, 3);
  EXPECT_EQ(reader_.ListChain(-1, records, 8), 0);
  ASSERT_TRUE(reader_.SelectDisk(1));
  EXPECT_EQ(reader_.ListChain(static_cast<std::int64_t>(layout.record_offsets[0]), records, 8), 0);
}

TEST_F(ListSectorIdsTest, SectorCountsDecideWhereTheListingEnds) {
  struct Case {
    const char* name;
    std::vector<Record> records;
    Bytes expected_r;
  };
  const Case cases[] = {
      // A count of 0 never ends the listing; the next count that equals the position does.
      {"CountZeroGoesOn", {Sector(1, 0), Sector(2, 0), Sector(3, 3), Sector(4, 3)}, {1, 2, 3}},
      {"CountOneStopsAtFirst", {Sector(1, 1), Sector(2, 1)}, {1}},
      {"CountBelowPositionGoesOn",
       {Sector(1, 9), Sector(2, 1), Sector(3, 4), Sector(4, 9)},
       {1, 2, 3, 4, 99}},
      {"AllZeroRunsOnIntoTheNextTrack", {Sector(1, 0), Sector(2, 0)}, {1, 2, 99}},
      {"DataSizesOtherThanN", {Sector(1, 3, 0), Sector(2, 3, 1000), Sector(3, 3, 5)}, {1, 2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    D88Builder builder;
    builder.AddDisk("C");
    for (const Record& record : c.records) builder.AddRecord(0, record);
    // A second track behind the first, so that a listing running on shows its ID.
    builder.AddRecord(1, Sector(99, 1));
    OpenAndSelect(builder.Build());
    Bytes got_r;
    const Bytes ids = List(0, 64);
    for (std::size_t i = 2; i < ids.size(); i += 4) got_r.push_back(ids[i]);
    EXPECT_EQ(got_r, c.expected_r);
  }
}

TEST_F(ListSectorIdsTest, UnusableTracksListNothing) {
  D88Builder builder;
  // Media 0x20 stands right after the track table in the reader: a track index read past the
  // table would take it for an entry.
  builder.AddDisk("U", 0x20)
      .AddRecord(2, Sector(1))
      .AddRecord(3, Sector(1))
      .SetTrackEntry(3, 0x80000000u);
  OpenAndSelect(builder.Build());
  for (std::int32_t track : {-1, 0, 3, 164, 1000}) {
    SCOPED_TRACE(track);
    EXPECT_TRUE(List(track, 64).empty());
  }
  EXPECT_EQ(List(2, 64).size(), 4u);
  ASSERT_TRUE(reader_.Open(nullptr));
  EXPECT_TRUE(List(2, 64).empty());
}

TEST_F(ListSectorIdsTest, ImageEndingInsideTheTrackKeepsWhatWasListed) {
  Layout layout;
  const Bytes full = [&] {
    D88Builder builder;
    builder.AddDisk("T");
    for (int r : {1, 2, 3}) builder.AddRecord(0, Sector(static_cast<std::uint8_t>(r)));
    return builder.Build(&layout);
  }();
  const std::size_t third = layout.record_offsets.at(2);
  struct Case {
    std::size_t keep;
    std::size_t entries;
  };
  for (const Case& c :
       {Case{third + 15, 2}, Case{third, 2}, Case{third + 16, 3}, Case{third - 100, 2}}) {
    SCOPED_TRACE(c.keep);
    OpenAndSelect(Bytes(full.begin(), full.begin() + static_cast<long>(c.keep)));
    EXPECT_EQ(List(0, 64).size(), 4 * c.entries);
  }
}

TEST_F(ListSectorIdsTest, AgreesWithEveryTrackOfTheSampleImage) {
  ASSERT_TRUE(WriteBytes(dir_.File("sample.d88"), BuildSampleImage()));
  ASSERT_TRUE(reader_.Open(dir_.File("sample.d88").c_str()));
  for (int disk = 0; disk < kSampleDisks; ++disk) {
    ASSERT_TRUE(reader_.SelectDisk(disk));
    for (int track = 0; track < 164; ++track) {
      SCOPED_TRACE(std::to_string(disk) + "/" + std::to_string(track));
      Bytes expected;
      if (track < kSampleTracks) {
        const auto c = static_cast<std::uint8_t>(track / 2),
                   h = static_cast<std::uint8_t>(track % 2);
        const std::uint8_t file_order[] = {1, 3, 5, 2, 4};
        for (std::uint8_t r : file_order) {
          // One byte at a time: GCC 12 at -O3 misreads an initializer-list insert into an empty
          // vector as an overflow (-Wstringop-overflow).
          for (std::uint8_t byte : {c, h, r, std::uint8_t{3}}) expected.push_back(byte);
        }
      }
      EXPECT_EQ(List(track, 64), expected);
    }
  }
}

}  // namespace
}  // namespace d88test
