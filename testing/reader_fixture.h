// The one GoogleTest fixture for the reader's tests: a reader of its own and a folder to put
// images in. Test suites name what they test and share this fixture (ListSectorIdsTest is
// another name for it).
#ifndef TESTING_READER_FIXTURE_H
#define TESTING_READER_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "d88/d88_image.h"
#include "testing/d88_builder.h"
#include "testing/temp_dir.h"

namespace d88test {

class ReaderTest : public ::testing::Test {
 protected:
  /// Writes `image` to a file and opens it; the result of Open.
  bool OpenImage(const Bytes& image) {
    path_ = dir_.File("image.d88");
    EXPECT_TRUE(WriteBytes(path_, image));
    return reader_.Open(path_.c_str());
  }
  /// Opens `image` and selects its disk 0.
  void OpenAndSelect(const Bytes& image) {
    ASSERT_TRUE(OpenImage(image));
    ASSERT_TRUE(reader_.SelectDisk(0));
  }
  /// A one-disk image with the given records on `track`, opened and selected.
  void OpenTrack(int track, const std::vector<Record>& records) {
    D88Builder builder;
    builder.AddDisk("T");
    for (const Record& record : records) {
      builder.AddRecord(track, record);
    }
    OpenAndSelect(builder.Build());
  }
  /// Lists `track` into a buffer larger than `capacity`, so that writes past it show.
  Bytes List(std::int32_t track, std::int32_t capacity) {
    constexpr std::uint8_t kUntouched = 0xAA;
    Bytes out(static_cast<std::size_t>(capacity < 0 ? 0 : capacity) + 8, kUntouched);
    const std::int32_t got = reader_.ListSectorIds(track, out.data(), capacity);
    EXPECT_EQ(got % 4, 0);
    for (std::size_t i = static_cast<std::size_t>(got); i < out.size(); ++i) {
      EXPECT_EQ(out[i], kUntouched) << "byte " << i << " written beyond the result";
    }
    out.resize(static_cast<std::size_t>(got));
    return out;
  }

  TempDir dir_;
  std::string path_;
  D88Image reader_;
};

using ListSectorIdsTest = ReaderTest;

}  // namespace d88test

#endif  // TESTING_READER_FIXTURE_H
