// The tool run on the sample image damaged in thousands of ways: cut short, or with one header
// byte changed. Every run must end well: status 0, only table files, each of its table length,
// and a warning for each one the image could not fill; and d88info --check must say of every
// entry what dskpick did with it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "testing/cut_checks.h"
#include "testing/d88_builder.h"
#include "testing/d88_layout.h"
#include "testing/expected_files.h"
#include "testing/in_process_run.h"
#include "testing/reference_walk.h"
#include "testing/sample_image.h"
#include "testing/temp_dir.h"

namespace d88test {
namespace {

constexpr char kImage[] = "image.d88";
constexpr std::size_t kRecordHeader = layout::kRecordHeaderSize;

class DamagedImageTest : public ::testing::Test {
 protected:
  void SetUp() override { image_ = BuildSampleImage(&layout_); }

  InProcessRun Run() {
    for (const std::string& name : dir_.Names()) {
      if (name != kImage) std::filesystem::remove_all(dir_.path() / name);
    }
    return RunToolInProcess(dir_.path().string(), kImage);
  }

  // The bytes an entry's run can deliver from the sample image cut after `size` bytes: whole
  // chunks of sectors in run order, each needing its header and its chunk of data in the file.
  int Deliverable(const Expected& e, std::size_t size) const {
    const int total = e.skip + e.length;
    int done = 0;
    for (int linear = e.track * 5 + e.r - 1; done < total; ++linear) {
      const int chunk = std::min(1024, total - done);
      const std::size_t record =
          layout_.record_offsets[SampleRecordIndex(e.disk, linear / 5, linear % 5 + 1)];
      if (record + kRecordHeader + static_cast<std::size_t>(chunk) > size) break;
      done += chunk;
    }
    return done;
  }

  TempDir dir_;
  Layout layout_;
  Bytes image_;
};

TEST_F(DamagedImageTest, CutShortAnywhere) {
  std::set<std::size_t> cuts;
  for (std::size_t disk : layout_.disk_offsets) {
    for (std::size_t at = disk; at <= disk + layout::kDiskHeaderSize; ++at) cuts.insert(at);
  }
  for (const auto& [disk, track] : TracksTheTableReads()) {
    for (int r = 1; r <= 5; ++r) {
      const std::size_t record = layout_.record_offsets[SampleRecordIndex(disk, track, r)];
      for (std::size_t at = record; at <= record + kRecordHeader; ++at) cuts.insert(at);
      // Around the end of a last chunk of 256 bytes, as DEMO and others have.
      for (std::size_t at = record + kRecordHeader + 250; at <= record + kRecordHeader + 260; ++at)
        cuts.insert(at);
    }
  }
  for (std::size_t at = 0; at < image_.size(); at += 509) cuts.insert(at);

  ASSERT_TRUE(WriteBytes(dir_.File(kImage), image_));
  // Longest first, so that each cut only shortens the file already there.
  for (auto it = cuts.rbegin(); it != cuts.rend(); ++it) {
    const std::size_t size = *it;
    SCOPED_TRACE("image cut after " + std::to_string(size) + " bytes");
    std::filesystem::resize_file(dir_.File(kImage), size);
    const InProcessRun run = Run();
    std::vector<std::string> problems = CheckCutRun(dir_.path().string(), kImage, run);
    ASSERT_TRUE(problems.empty()) << problems.front();
    problems = CheckDisagreements(run, RunCheckInProcess(dir_.path().string(), kImage));
    ASSERT_TRUE(problems.empty()) << problems.front();
    problems = CheckAgainstReference(ReferenceImage(image_, size), dir_.path().string());
    ASSERT_TRUE(problems.empty()) << problems.front();

    std::vector<std::string> want_cut;
    for (const Expected& e : kExpected) {
      if (Deliverable(e, size) > 0) want_cut.push_back(e.name);
    }
    std::vector<std::string> got_cut;
    for (const CutFileReport& file : ReportedFiles(run)) {
      got_cut.push_back(file.name);
      const Expected& e = Entry(file.name);
      const int delivered = Deliverable(e, size);
      ASSERT_EQ(file.bytes_read, std::max(0, std::min(delivered - e.skip, e.length))) << e.name;
      ASSERT_EQ(ReadBytes(dir_.File(e.name)), ExpectedContent(e, delivered)) << e.name;
    }
    ASSERT_EQ(got_cut, want_cut);
  }
  std::printf("swept %zu cut-short images\n", cuts.size());
}

TEST_F(DamagedImageTest, OneHeaderByteChanged) {
  std::vector<std::size_t> positions;
  for (std::size_t disk = 0; disk < layout_.disk_offsets.size(); ++disk) {
    const std::size_t start = layout_.disk_offsets[disk];
    for (std::size_t at = start + layout::kMediaType; at < start + layout::kTrackTable; ++at)
      positions.push_back(at);
    for (const auto& [used_disk, track] : TracksTheTableReads()) {
      if (static_cast<std::size_t>(used_disk) != disk) continue;
      for (std::size_t i = 0; i < 4; ++i) {
        positions.push_back(start + layout::TrackEntry(track) + i);
      }
    }
  }
  for (const auto& [disk, track] : TracksTheTableReads()) {
    for (int r = 1; r <= 5; ++r) {
      const std::size_t record = layout_.record_offsets[SampleRecordIndex(disk, track, r)];
      for (std::size_t i = 0; i < kRecordHeader; ++i) positions.push_back(record + i);
    }
  }

  ASSERT_TRUE(WriteBytes(dir_.File(kImage), image_));
  std::FILE* file = std::fopen(dir_.File(kImage).c_str(), "r+b");
  ASSERT_NE(file, nullptr);
  Bytes image = image_;
  auto put = [&](std::size_t at, std::uint8_t value) {
    ASSERT_EQ(std::fseek(file, static_cast<long>(at), SEEK_SET), 0);
    ASSERT_EQ(std::fputc(value, file), value);
    ASSERT_EQ(std::fflush(file), 0);
    image[at] = value;
  };
  std::size_t images = 0;
  for (std::size_t at : positions) {
    const std::uint8_t original = image_[at];
    for (const std::uint8_t value :
         {std::uint8_t{0x00}, std::uint8_t{0xFF}, static_cast<std::uint8_t>(original + 1)}) {
      if (value == original) continue;
      SCOPED_TRACE("byte " + std::to_string(at) + " set to " + std::to_string(value));
      put(at, value);
      const InProcessRun run = Run();
      std::vector<std::string> problems = CheckCutRun(dir_.path().string(), kImage, run);
      ASSERT_TRUE(problems.empty()) << problems.front();
      problems = CheckDisagreements(run, RunCheckInProcess(dir_.path().string(), kImage));
      ASSERT_TRUE(problems.empty()) << problems.front();
      problems = CheckAgainstReference(ReferenceImage(image), dir_.path().string());
      ASSERT_TRUE(problems.empty()) << problems.front();
      ++images;
    }
    put(at, original);
  }
  std::fclose(file);
  std::printf("swept %zu images with one header byte changed\n", images);
}

}  // namespace
}  // namespace d88test
