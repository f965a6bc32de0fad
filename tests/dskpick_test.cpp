// End-to-end tests: the built tool run in a fresh directory on images made by the builder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "testing/cut_checks.h"
#include "testing/d88_builder.h"
#include "testing/d88_layout.h"
#include "testing/expected_files.h"
#include "testing/reference_walk.h"
#include "testing/sample_image.h"
#include "testing/temp_dir.h"
#include "testing/tool_runner.h"
#include "tool/cut_file.h"
#include "tool/replace_file.h"

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

// Makes a UNIX socket at `path`; the socket stays bound until the test ends.
bool MakeSocket(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (fd < 0 || path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

TEST_F(DskpickTest, FifoOrSocketAsImageIsRefusedAtOnce) {
  if (UsingOtherCommand()) GTEST_SKIP() << "Windows has no FIFOs or sockets in its file system";
  for (const bool fifo : {true, false}) {
    SCOPED_TRACE(fifo ? "FIFO" : "socket");
    std::filesystem::remove(dir_.File("image.d88"));
    // No writer ever comes: a tool that waited for one would hang until the test's time-out.
    ASSERT_TRUE(fifo ? mkfifo(dir_.File("image.d88").c_str(), 0644) == 0
                     : MakeSocket(dir_.File("image.d88")));
    const ToolRun run = RunTool(dir_.path().string(), {"image.d88"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, Line(kOpenFailed));
    const ToolRun info = RunD88info(dir_.path().string(), {"image.d88"});
    EXPECT_EQ(info.status, 1);
    EXPECT_EQ(info.out, "");
    EXPECT_EQ(info.err, Line("d88info: cannot open image.d88: not a regular file"));
    EXPECT_TRUE(FilesIn(dir_).empty());
  }
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

// Damage that sends a walk on past its track: the files are the reference walk's, which never
// leaves its disk, on every build (the Windows one under Wine too). Disk 1 carries the same IDs
// where a walk running on from disk 0 would find them.
TEST_F(DskpickTest, DamagedDiskNeverYieldsTheNextDisksBytes) {
  Layout layout;
  const Bytes sample = BuildSampleImage(&layout);
  auto record = [&](int track, int r) {
    return layout.record_offsets[SampleRecordIndex(0, track, r)];
  };
  auto data_size = [&](std::uint16_t size) {
    Bytes image = sample;
    PutLE16(image, record(80, 3) + layout::kDataSize, size);
    return image;
  };
  Bytes unused_entries = sample;
  for (int track = kSampleTracks; track < layout::kTrackCount; ++track) {
    PutLE32(unused_entries, layout::TrackEntry(track),
            static_cast<std::uint32_t>(layout.disk_offsets[1]));
  }
  Bytes counts = sample;
  for (int r = 1; r <= 5; ++r) PutLE16(counts, record(80, r) + layout::kSectorCount, 10);
  const struct {
    const char* name;
    Bytes image;
  } cases[] = {
      {"DataSizeZero", data_size(0)},
      {"DataSizeHalf", data_size(512)},
      {"DataSizePastTheDisk", data_size(65535)},
      {"UnusedEntriesAtTheDisksSize", unused_entries},
      {"CountsRunOn", counts},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::string& name : FilesIn(dir_)) std::filesystem::remove(dir_.File(name));
    EXPECT_EQ(RunOn(c.image).status, 0);
    const std::vector<std::string> problems =
        CheckAgainstReference(ReferenceImage(c.image), dir_.path().string());
    EXPECT_TRUE(problems.empty()) << problems.front();
  }
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
  // The rename failed: the temporary file it would have renamed is gone too.
  EXPECT_EQ(FilesIn(dir_), Sorted(NamesOnDisks(4)));
}

// A drive's root folder (Y:\, a USB stick or a mapped drive) is where images often lie on
// Windows: a file a killed run left there is removed like anywhere else. Under Wine a drive
// letter is a link in the prefix's dosdevices folder, and a folder that is a drive's root is
// the current folder as that drive's root.
TEST_F(DskpickTest, LeftoverIsRemovedInADrivesRootFolder) {
  const char* prefix = std::getenv("WINEPREFIX");
  if (!UsingOtherCommand() || prefix == nullptr) {
    GTEST_SKIP() << "drive letters are Windows' own; under Wine this needs WINEPREFIX";
  }
  namespace fs = std::filesystem;
  fs::path drive;
  for (char letter = 'y'; letter > 'm' && drive.empty(); --letter) {
    const fs::path link = fs::path(prefix) / "dosdevices" / (std::string(1, letter) + ":");
    std::error_code error;
    if (!fs::exists(fs::symlink_status(link, error))) {
      fs::create_directory_symlink(dir_.path(), link, error);
      if (!error) drive = link;
    }
  }
  ASSERT_FALSE(drive.empty()) << "no free drive letter from m: to y:";
  ASSERT_TRUE(WriteBytes(dir_.File("DEMO.dskpick-part"), {'o', 'l', 'd'}));
  const ToolRun run = RunOn(BuildSampleImage());
  fs::remove(drive);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  ExpectFile("DEMO", ExpectedContent(Entry("DEMO")));
  EXPECT_EQ(FilesIn(dir_), Sorted(NamesOnDisks(4)));
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
  // A file a killed run left, which cannot be removed from a folder that cannot be written.
  ASSERT_TRUE(WriteBytes(dir_.File("DEMO.dskpick-part"), {'o', 'l', 'd'}));
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
  for (const std::string& name : NamesOnDisks(4)) {
    errors += CannotWrite(name == "DEMO" ? "DEMO.dskpick-part" : name, Reason(EACCES));
  }
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, ProgressLines(NamesOnDisks(4)));
  EXPECT_EQ(run.err, errors);
  EXPECT_EQ(FilesIn(dir_), (std::vector<std::string>{"DEMO.dskpick-part", "PROG"}));
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
  for (const bool closed_pipe : {false, true}) {
    SCOPED_TRACE(closed_pipe ? "a pipe whose reader has gone" : "/dev/full");
    RunOptions options;
    options.stdout_closed_pipe = closed_pipe;
    if (!closed_pipe) options.stdout_path = "/dev/full";
    for (const std::string& name : FilesIn(dir_)) std::filesystem::remove(dir_.File(name));
    const ToolRun run = RunOn(BuildSampleImage(), options);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, Line("cannot write standard output"));
    for (const Expected& e : kExpected) ExpectFile(e.name, ExpectedContent(e));
  }
}

// Whatever stands at an output name or at its temporary name (the image under some name, a
// link to it, a directory, a link to another file, a file a killed run left), the image and
// everything outside the table's files are kept, and every other file is cut.
TEST_F(DskpickTest, NothingAtANameCostsTheImageOrAnythingElse) {
  namespace fs = std::filesystem;
  struct Case {
    const char* name;
    std::string image_at;  // where the image is put
    std::string arg;       // how it is named on the command line
    std::string link_at;   // a link made here, or nothing
    std::string link_to;   // to this file of the folder, or to a file elsewhere when empty
    std::string dir_at;    // an empty folder made here, or nothing
    std::string file_at;   // a file a killed run might leave, or nothing
    std::string not_cut;   // the file that cannot be cut, or nothing
    std::string err;
  };
  const Case cases[] = {
      {"LinkToTheImageUnderAnotherOutputName", "PROG", "DEMO", "DEMO", "PROG", "", "", "PROG",
       Line("cannot write PROG: it is the image")},
      {"ImageUnderATemporaryName", "DEMO.dskpick-part", "DEMO.dskpick-part", "", "", "", "", "DEMO",
       Line("cannot write DEMO.dskpick-part: it is the image")},
      {"DirectoryAtATemporaryName", "image.d88", "image.d88", "", "", "MUS000.dskpick-part", "",
       "MUS000", CannotWrite("MUS000.dskpick-part", Reason(EISDIR))},
      {"LinkAtATemporaryName", "image.d88", "image.d88", "DEMO.dskpick-part", "", "", "", "", ""},
      {"LeftoverAtATemporaryName", "image.d88", "image.d88", "", "", "", "PROG.dskpick-part", "",
       ""},
  };
  const Bytes image = BuildSampleImage();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Wine shows a POSIX link as the file it leads to: dskpick.exe then keeps its hands off
    // the link (it is the image, or it leads to another file), which these rows do not expect.
    if (UsingOtherCommand() && !c.link_at.empty()) continue;
    TempDir dir, elsewhere;
    ASSERT_TRUE(WriteBytes(dir.File(c.image_at), image));
    ASSERT_TRUE(WriteBytes(elsewhere.File("kept"), {'k', 'e', 'p', 't'}));
    if (!c.link_at.empty()) {
      fs::create_symlink(c.link_to.empty() ? elsewhere.File("kept") : c.link_to,
                         dir.path() / c.link_at);
    }
    if (!c.dir_at.empty()) fs::create_directory(dir.path() / c.dir_at);
    if (!c.file_at.empty()) {
      ASSERT_TRUE(WriteBytes(dir.File(c.file_at), {'o', 'l', 'd'}));
    }

    const ToolRun run = RunTool(dir.path().string(), {c.arg});
    EXPECT_EQ(run.status, c.err.empty() ? 0 : 2);
    EXPECT_EQ(run.out, ProgressLines(NamesOnDisks(4)));
    EXPECT_EQ(MaskReasons(run.err), c.err);
    EXPECT_EQ(ReadBytes(dir.File(c.image_at)), image);
    EXPECT_EQ(ReadBytes(elsewhere.File("kept")), (Bytes{'k', 'e', 'p', 't'}));
    // The table's files, each a file of its own; and beside them only the image and the folder.
    std::vector<std::string> names = {c.image_at};
    if (!c.dir_at.empty()) names.push_back(c.dir_at);
    for (const Expected& e : kExpected) {
      if (e.name == c.not_cut) continue;
      names.push_back(e.name);
      EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir.path() / e.name))) << e.name;
      EXPECT_EQ(ReadBytes(dir.File(e.name)), ExpectedContent(e)) << e.name;
    }
    EXPECT_EQ(dir.Names(), Sorted(names));
  }
}

// What another process or a failing system call does while a file is being replaced, played
// by the fault shim: every file fails alike, nothing is written through what was planted, and
// the old DEMO is as it was.
TEST_F(DskpickTest, PlantedNamesAndFailingClosesLoseNothing) {
  if (!FaultShimUsable()) GTEST_SKIP() << "the fault shim is preloaded into native tools only";
  namespace fs = std::filesystem;
  TempDir elsewhere;
  ASSERT_TRUE(WriteBytes(elsewhere.File("kept"), {'k', 'e', 'p', 't'}));
  struct Case {
    const char* name;
    std::string variable;
    int error;
    bool planted;  // what was planted stays at every temporary name
  };
  const Case cases[] = {
      {"LinkPlantedBetweenTheLookAndTheCreation",
       "DSKPICK_SHIM_PLANT=link:" + elsewhere.File("kept"), EEXIST, true},
      {"FolderPlantedBetweenTheLookAndTheCreation", "DSKPICK_SHIM_PLANT=dir", EEXIST, true},
      // A failure the system gives no reason for reads as an input/output error.
      {"ClosingTheTemporaryFileFails", "DSKPICK_SHIM_FAIL_FCLOSE=1", EIO, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::string& name : FilesIn(dir_)) fs::remove_all(dir_.path() / name);
    ASSERT_TRUE(WriteBytes(dir_.File("DEMO"), {'o', 'l', 'd'}));
    RunOptions options;
    options.fault_shim = true;
    options.environment = {c.variable};
    const ToolRun run = RunOn(BuildSampleImage(), options);
    std::string errors;
    std::vector<std::string> left = {"DEMO"};
    for (const std::string& name : NamesOnDisks(4)) {
      errors += CannotWrite(name, Reason(c.error));
      if (c.planted) left.push_back(name + ".dskpick-part");
    }
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, errors);
    ExpectFile("DEMO", {'o', 'l', 'd'});
    EXPECT_EQ(ReadBytes(elsewhere.File("kept")), (Bytes{'k', 'e', 'p', 't'}));
    EXPECT_EQ(FilesIn(dir_), Sorted(left));
  }
}

TEST_F(DskpickTest, FileModesFollowTheUmask) {
  if (UsingOtherCommand()) GTEST_SKIP() << "POSIX modes bind only the native build";
  namespace fs = std::filesystem;
  for (const int mask : {0, 027, 077}) {
    SCOPED_TRACE(mask);
    RunOptions options;
    options.umask = mask;
    ASSERT_EQ(RunOn(BuildSampleImage(), options).status, 0);
    for (const Expected& e : kExpected) {
      EXPECT_EQ(static_cast<int>(fs::status(dir_.File(e.name)).permissions()), 0666 & ~mask)
          << e.name;
    }
  }
}

// An image on a block device is read at the device's true size, which only its end shows: a
// read-only loop device over the sample image.
TEST_F(DskpickTest, BlockDeviceImageIsReadAtItsSize) {
  if (UsingOtherCommand()) GTEST_SKIP() << "block devices are the native build's";
  Bytes image = BuildSampleImage();
  image.resize((image.size() + 511) / 512 * 512);  // a whole number of sectors
  ASSERT_TRUE(WriteBytes(dir_.File("backing.img"), image));
  const ToolRun attach =
      RunHostProgram("/", {"losetup", "--read-only", "--find", "--show", dir_.File("backing.img")});
  if (attach.status != 0 || attach.out.empty()) {
    GTEST_SKIP() << "no loop device here (it needs root and loop support): " << attach.err;
  }
  const std::string device = attach.out.substr(0, attach.out.find('\n'));
  const ToolRun cut = RunTool(dir_.path().string(), {device});
  const ToolRun info = RunD88info(dir_.path().string(), {device});
  RunHostProgram("/", {"losetup", "--detach", device});
  EXPECT_EQ(cut.status, 0);
  EXPECT_EQ(cut.out, ProgressLines(NamesOnDisks(4)));
  for (const Expected& e : kExpected) ExpectFile(e.name, ExpectedContent(e));
  EXPECT_EQ(info.out.substr(0, info.out.find('\n')),
            device + ": " + std::to_string(image.size()) + " bytes, 4 disks, 1 anomaly");
}

TEST_F(DskpickTest, DirectoryAsImageIsNoImage) {
  std::filesystem::create_directory(dir_.path() / "folder");
  const ToolRun run = RunTool(dir_.path().string(), {"folder"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, Line(kOpenFailed));
  const ToolRun info = RunD88info(dir_.path().string(), {"folder"});
  EXPECT_EQ(info.status, 1);
  EXPECT_EQ(info.err.rfind("d88info: cannot open folder: ", 0), 0u) << info.err;
  if (!UsingOtherCommand()) {
    EXPECT_EQ(info.err, Line("d88info: cannot open folder: Is a directory"));
  }
}

// A byte range that does not fit the cut buffer is refused before anything is read; one that
// fills it exactly is read (here from no image, so nothing comes).
TEST_F(DskpickTest, CutFileRefusesRangesOutsideItsBuffer) {
  struct Case {
    std::int32_t skip, length;
    CutOutcome outcome;
  };
  for (const Case& c :
       {Case{-1, 10, CutOutcome::kRejected}, Case{0, -1, CutOutcome::kRejected},
        Case{1, kCutBufferSize, CutOutcome::kRejected},
        Case{kCutBufferSize, 1, CutOutcome::kRejected},
        Case{1, kCutBufferSize - 1, CutOutcome::kNoData}, Case{0, 0, CutOutcome::kNoData}}) {
    SCOPED_TRACE(std::to_string(c.skip) + " + " + std::to_string(c.length));
    const CutEntry entry = {0, "RANGE", 0, 0, 0, 1, 3, c.skip, c.length};
    EXPECT_EQ(CutFile(entry), c.outcome);
  }
}

// Identities compare both halves: a file of another file system with the same inode number is
// not the image, and is replaced.
TEST_F(DskpickTest, SameInodeOnAnotherFileSystemIsNotTheImage) {
  ASSERT_TRUE(WriteBytes(dir_.File("DEMO"), {'o', 'l', 'd'}));
  struct stat status;
  ASSERT_EQ(lstat(dir_.File("DEMO").c_str(), &status), 0);
  const FileIdentity same{static_cast<std::uint64_t>(status.st_dev),
                          static_cast<std::uint64_t>(status.st_ino)};
  const FileIdentity other_device{same.volume + 1, same.file};
  const FileIdentity other_file{same.volume, same.file + 1};
  char old_dir[4096];
  ASSERT_NE(getcwd(old_dir, sizeof old_dir), nullptr);
  ASSERT_EQ(chdir(dir_.path().c_str()), 0);
  const std::uint8_t data[] = {'n', 'e', 'w'};
  ReplaceFailure failure;
  const bool as_image = ReplaceFileWhole("DEMO", same, data, 3, &failure);
  const bool other_volume = ReplaceFileWhole("DEMO", other_device, data, 3, &failure);
  // A name whose temporary name (13 bytes more) would not fit its 64 bytes, NUL included, is
  // refused before anything is written; one a byte shorter is written.
  const std::string long_name(51, 'L');
  const bool fits = ReplaceFileWhole(std::string(50, 'F').c_str(), other_device, data, 3, &failure);
  const bool too_long = ReplaceFileWhole(long_name.c_str(), other_device, data, 3, &failure);
  ASSERT_EQ(chdir(old_dir), 0);
  EXPECT_FALSE(as_image);
  EXPECT_TRUE(other_volume);
  EXPECT_TRUE(fits);
  EXPECT_FALSE(too_long);
  EXPECT_STREQ(failure.reason, std::strerror(ENAMETOOLONG));
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / long_name));
  EXPECT_FALSE(other_file == same);
  ExpectFile("DEMO", {'n', 'e', 'w'});
}

}  // namespace
}  // namespace d88test
