// End-to-end tests of d88info: its listing against images whose layout the builder reports, and
// its check against what dskpick really does with the same image (the damaged-image sweep
// compares the two on thousands more).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "testing/cut_checks.h"
#include "testing/d88_builder.h"
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
  const ToolRun run = RunD88info(dir.path().string(), {"image.d88"});
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
