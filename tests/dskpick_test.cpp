// End-to-end tests: the built tool run in a fresh directory on images made by the builder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "testing/d88_builder.h"
#include "testing/expected_files.h"
#include "testing/sample_image.h"
#include "testing/temp_dir.h"
#include "testing/tool_runner.h"

namespace d88test {
namespace {

const std::string kUsage = "Usage: dskpick [d88file]";
const std::string kOpenFailed =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x83\x49\x81\x5B\x83\x76\x83\x93\x82\xC5"
    "\x82\xAB\x82\xDC\x82\xB9\x82\xF1.";

std::string ProgressLines(const std::vector<std::string>& names) {
  std::string lines;
  for (const std::string& name : names) lines += Line("cutting ... " + name);
  return lines;
}

std::vector<std::string> NamesOnDisks(int below) {
  std::vector<std::string> names;
  for (const Expected& e : kExpected) {
    if (e.disk < below) names.push_back(e.name);
  }
  return names;
}

// The names in `dir`, sorted, leaving out the image the test put there.
std::vector<std::string> FilesIn(const TempDir& dir) {
  std::vector<std::string> names = dir.Names();
  names.erase(std::remove(names.begin(), names.end(), "image.d88"), names.end());
  return names;
}

// The system's words for errno value `error`. Under another build (dskpick.exe under Wine) its
// C library words them its own way, so the tests there only ask for some reason: "*".
std::string Reason(int error) { return UsingOtherCommand() ? "*" : std::strerror(error); }

std::string CannotWrite(const std::string& name, const std::string& reason) {
  return Line("cannot write " + name + ": " + reason);
}

// `err` with the reason of every "cannot write NAME: REASON" line replaced by "*" where Reason()
// gives "*", so that it compares with lines made by CannotWrite.
std::string MaskReasons(const std::string& err) {
  if (!UsingOtherCommand()) return err;
  std::string masked;
  std::size_t start = 0;
  for (std::size_t end; (end = err.find(LineEnd(), start)) != std::string::npos;
       start = end + LineEnd().size()) {
    std::string line = err.substr(start, end - start);
    const std::size_t colon = line.find(": ");
    if (line.rfind("cannot write ", 0) == 0 && colon != std::string::npos &&
        line.substr(colon) != ": it is the image") {
      line = line.substr(0, colon) + ": *";
    }
    masked += line + LineEnd();
  }
  return masked + err.substr(start);
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

class DskpickTest : public ::testing::Test {
 protected:
  ToolRun RunOn(const Bytes& image, const RunOptions& options = RunOptions()) {
    EXPECT_TRUE(WriteBytes(dir_.File("image.d88"), image));
    return RunTool(dir_.path().string(), {"image.d88"}, options);
  }
  void ExpectFile(const std::string& name, const Bytes& content) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ReadBytes(dir_.File(name)), content);
    EXPECT_EQ(std::filesystem::file_size(dir_.File(name)), content.size());
  }
  TempDir dir_;
};

TEST_F(DskpickTest, CommandLineErrors) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string err;
  };
  const std::string missing = "no-such-image.d88";
  std::filesystem::create_directory(dir_.path() / "adir");
  const Case cases[] = {
      {"NoArgument", {}, Line(kUsage)},
      {"TwoArguments", {"a.d88", "b.d88"}, Line(kUsage)},
      {"MissingImage", {missing}, Line(kOpenFailed)},
      {"DirectoryAsImage", {"adir"}, Line(kOpenFailed)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ToolRun run = RunTool(dir_.path().string(), c.args);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(FilesIn(dir_), std::vector<std::string>{"adir"});
  }
}

TEST_F(DskpickTest, OpenFailureMessageIsTheStoredShiftJisBytes) {
  const ToolRun run = RunTool(dir_.path().string(), {"missing.d88"});
  ASSERT_EQ(run.err.size(), 30u + LineEnd().size() - 1);
  EXPECT_EQ(static_cast<unsigned char>(run.err[0]), 0x83);
  EXPECT_EQ(static_cast<unsigned char>(run.err[27]), 0xF1);
}

TEST_F(DskpickTest, ImageThatCannotBePositionedIsAnOpenFailure) {
  if (UsingOtherCommand()) GTEST_SKIP() << "Windows has no FIFOs in its file system";
  ASSERT_EQ(mkfifo(dir_.File("image.d88").c_str(), 0644), 0);
  // The writer feeds the FIFO until the tool gives up reading it; the broken pipe that ends it
  // must not end the test.
  signal(SIGPIPE, SIG_IGN);
  std::thread writer([this] {
    std::ofstream fifo(dir_.File("image.d88"), std::ios::binary);
    const Bytes image = BuildSampleImage(nullptr, 1);
    fifo.write(reinterpret_cast<const char*>(image.data()), static_cast<long>(image.size()));
  });
  const ToolRun run = RunTool(dir_.path().string(), {"image.d88"});
  writer.join();
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, Line(kOpenFailed));
  EXPECT_TRUE(FilesIn(dir_).empty());
}

TEST_F(DskpickTest, EmptyImageCutsNothing) {
  const ToolRun run = RunOn({});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(FilesIn(dir_).empty());
}

TEST_F(DskpickTest, SampleImageYieldsEveryFileInTableOrder) {
  const Bytes image = BuildSampleImage();
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass == 0 ? "first run" : "second run, replacing the files");
    const ToolRun run = RunOn(image);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, ProgressLines(NamesOnDisks(4)));
    EXPECT_EQ(FilesIn(dir_), Sorted(NamesOnDisks(4)));
    for (const Expected& e : kExpected) ExpectFile(e.name, ExpectedContent(e));
  }
}

TEST_F(DskpickTest, OnlyTheDisksPresentAreCut) {
  struct Case {
    int disks;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {1, NamesOnDisks(1)}, {2, NamesOnDisks(1)}, {3, NamesOnDisks(3)}, {6, NamesOnDisks(4)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.disks);
    for (const std::string& name : FilesIn(dir_)) std::filesystem::remove(dir_.File(name));
    const ToolRun run = RunOn(BuildSampleImage(nullptr, c.disks));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, ProgressLines(c.names));
    EXPECT_EQ(FilesIn(dir_), Sorted(c.names));
  }
}

TEST_F(DskpickTest, EntryWithoutItsFirstSectorLeavesItsFileAlone) {
  ASSERT_TRUE(WriteBytes(dir_.File("MUS000"), {'o', 'l', 'd'}));
  // Disk 0, track 72, r 2 starts both MUS000 and MUS001; MUS002 and MUS003 start later.
  const ToolRun run = RunOn(BuildSampleImage(nullptr, 4, [](int disk, int track, int r) {
    return !(disk == 0 && track == 72 && r == 2);
  }));
  std::vector<std::string> names = NamesOnDisks(4);
  names.erase(std::find(names.begin(), names.end(), "MUS000"));
  names.erase(std::find(names.begin(), names.end(), "MUS001"));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, ProgressLines(names));
  ExpectFile("MUS000", {'o', 'l', 'd'});
  EXPECT_FALSE(std::filesystem::exists(dir_.File("MUS001")));
  ExpectFile("MUS002", ExpectedContent(Entry("MUS002")));
}

TEST_F(DskpickTest, ShortRunIsZeroFilledAndWarned) {
  // Without disk 2's track 74 r 5 the MUS2xx runs stop after r 4, the first 1024 bytes.
  const ToolRun run = RunOn(BuildSampleImage(nullptr, 4, [](int disk, int track, int r) {
    return !(disk == 2 && track == 74 && r == 5);
  }));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, ProgressLines(NamesOnDisks(4)));
  EXPECT_EQ(run.err, Line("warning: MUS201 is incomplete (410 of 573 bytes read)") +
                         Line("warning: MUS203 is incomplete (0 of 475 bytes read)") +
                         Line("warning: MUS205 is incomplete (0 of 475 bytes read)") +
                         Line("warning: MUS206 is incomplete (0 of 659 bytes read)"));
  ExpectFile("MUS200", ExpectedContent(Entry("MUS200")));
  for (const char* name : {"MUS201", "MUS203", "MUS205", "MUS206"}) {
    ExpectFile(name, ExpectedContent(Entry(name), 1024));
  }
  ExpectFile("MUS300", ExpectedContent(Entry("MUS300")));
}

TEST_F(DskpickTest, NameTakenByADirectory) {
  std::filesystem::create_directory(dir_.path() / "MUS000");
  const ToolRun run = RunOn(BuildSampleImage());
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, ProgressLines(NamesOnDisks(4)));
  EXPECT_EQ(MaskReasons(run.err), CannotWrite("MUS000", Reason(EISDIR)));
  EXPECT_TRUE(std::filesystem::is_directory(dir_.path() / "MUS000"));
  for (const Expected& e : kExpected) {
    if (std::string(e.name) != "MUS000") ExpectFile(e.name, ExpectedContent(e));
  }
}

TEST_F(DskpickTest, ReadOnlyDirectoryChangesNothing) {
  if (UsingOtherCommand()) GTEST_SKIP() << "POSIX permissions bind only the native build";
  namespace fs = std::filesystem;
  // Run as root, the tool is run as "nobody", which needs to reach the program and the image
  // wherever the build lies: both get modes that let it. The old PROG is writable, but the
  // folder is not: it must survive as it was.
  TempDir bin;
  fs::permissions(bin.path(),
                  fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  const std::string program = bin.File("dskpick");
  fs::copy_file(ToolProgram(), program);
  ASSERT_TRUE(WriteBytes(dir_.File("image.d88"), BuildSampleImage()));
  fs::permissions(dir_.File("image.d88"),
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  ASSERT_TRUE(WriteBytes(dir_.File("PROG"), {'o', 'l', 'd'}));
  fs::permissions(
      dir_.File("PROG"),
      fs::perms::all & ~(fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec));
  const fs::perms read_and_search = fs::perms::owner_read | fs::perms::owner_exec |
                                    fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec;
  fs::permissions(dir_.path(), read_and_search);

  RunOptions options;
  options.unprivileged = true;
  options.program = program;
  const ToolRun run = RunTool(dir_.path().string(), {"image.d88"}, options);
  std::string errors;
  for (const std::string& name : NamesOnDisks(4)) errors += CannotWrite(name, Reason(EACCES));
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, ProgressLines(NamesOnDisks(4)));
  EXPECT_EQ(run.err, errors);
  EXPECT_EQ(FilesIn(dir_), std::vector<std::string>{"PROG"});
  ExpectFile("PROG", {'o', 'l', 'd'});
}

TEST_F(DskpickTest, ShortWriteLeavesTheOldFileAsItWas) {
  if (UsingOtherCommand()) GTEST_SKIP() << "the file-size limit is set for the native build";
  ASSERT_TRUE(WriteBytes(dir_.File("DEMO"), Bytes(100, 'x')));
  RunOptions options;
  options.file_size_limit = 4096;  // only DEMO (8448 bytes) and PROG (28360) are larger
  const ToolRun run = RunOn(BuildSampleImage(), options);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, ProgressLines(NamesOnDisks(4)));
  EXPECT_EQ(run.err, CannotWrite("DEMO", Reason(EFBIG)) + CannotWrite("PROG", Reason(EFBIG)));
  ExpectFile("DEMO", Bytes(100, 'x'));
  std::vector<std::string> names = NamesOnDisks(4);
  names.erase(std::find(names.begin(), names.end(), "PROG"));
  EXPECT_EQ(FilesIn(dir_), Sorted(names));  // no temporary file left either
  for (const Expected& e : kExpected) {
    if (e.length <= 4096) ExpectFile(e.name, ExpectedContent(e));
  }
}

TEST_F(DskpickTest, LinkAtANameIsReplacedNotWrittenThrough) {
  TempDir elsewhere;
  ASSERT_TRUE(WriteBytes(elsewhere.File("kept"), {'k', 'e', 'p', 't'}));
  std::filesystem::create_symlink(elsewhere.File("kept"), dir_.path() / "DEMO");
  const ToolRun run = RunOn(BuildSampleImage());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(ReadBytes(elsewhere.File("kept")), (Bytes{'k', 'e', 'p', 't'}));
  ASSERT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(dir_.File("DEMO"))));
  ExpectFile("DEMO", ExpectedContent(Entry("DEMO")));
}

TEST_F(DskpickTest, FifoAtANameIsReplacedWithoutBlocking) {
  if (UsingOtherCommand()) GTEST_SKIP() << "Windows has no FIFOs; Wine will not rename over one";
  ASSERT_EQ(mkfifo(dir_.File("MUS000").c_str(), 0644), 0);
  const ToolRun run = RunOn(BuildSampleImage());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  // Reading a FIFO that is still there would block the test.
  ASSERT_TRUE(std::filesystem::is_regular_file(dir_.File("MUS000")));
  ExpectFile("MUS000", ExpectedContent(Entry("MUS000")));
}

TEST_F(DskpickTest, ImageUnderAnOutputNameIsNeverReplaced) {
  const Bytes image = BuildSampleImage();
  // The same file however it is spelt on the command line.
  for (const char* path : {"PROG", "./PROG"}) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(WriteBytes(dir_.File("PROG"), image));
    const ToolRun run = RunTool(dir_.path().string(), {path});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, ProgressLines(NamesOnDisks(4)));
    EXPECT_EQ(run.err, Line("cannot write PROG: it is the image"));
    ExpectFile("PROG", image);
    for (const Expected& e : kExpected) {
      if (std::string(e.name) != "PROG") ExpectFile(e.name, ExpectedContent(e));
    }
    EXPECT_EQ(FilesIn(dir_), Sorted(NamesOnDisks(4)));
  }
}

TEST_F(DskpickTest, ProgressLineIsOutBeforeItsFileIsWritten) {
  if (UsingOtherCommand()) GTEST_SKIP() << "the file-size limit is set for the native build";
  // Writing DEMO, the first file, past the limit kills the tool: its line must be out by then.
  RunOptions options;
  options.file_size_limit = 4096;
  options.killed_past_file_size_limit = true;
  const ToolRun run = RunOn(BuildSampleImage(), options);
  EXPECT_EQ(run.status, -1);
  EXPECT_EQ(run.out, Line("cutting ... DEMO"));
}

TEST_F(DskpickTest, FailingStandardOutputIsReportedOnceEveryFileIsWritten) {
  RunOptions options;
  options.stdout_path = "/dev/full";
  const ToolRun run = RunOn(BuildSampleImage(), options);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, Line("cannot write standard output"));
  for (const Expected& e : kExpected) ExpectFile(e.name, ExpectedContent(e));
}

}  // namespace
}  // namespace d88test
