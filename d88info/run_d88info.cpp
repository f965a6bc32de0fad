#include "d88info/run_d88info.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "d88/d88_image.h"
#include "d88info/model.h"
#include "d88info/views.h"

namespace d88info {

namespace {

constexpr int kStatusOk = 0;
constexpr int kStatusBadCommand = 1;
constexpr int kStatusOutputFailed = 2;

constexpr char kUsage[] =
    "Usage: d88info [--ids | --check | --records] IMAGE\n"
    "       d88info --dump IMAGE DISK TRACK\n"
    "       d88info --help | --version\n"
    "\n"
    "Sums up a D88 image: its disks, their tracks and everything odd about them;\n"
    "with --ids, lists the sector IDs (C/H/R/N) of every track, for scripts;\n"
    "with --check, says for each file dskpick cuts whether this image holds it;\n"
    "with --records, lists every record of every track with its file offset;\n"
    "with --dump, shows the data of each record of one track as hexdump -C does.\n";

enum class Mode { kSummary, kIds, kCheck, kRecords, kDump, kHelp, kVersion };

struct Command {
  Mode mode = Mode::kSummary;
  const char* mode_option = nullptr;
  std::vector<const char*> words;  // the arguments that are not options
};

int BadCommand(const std::string& message) {
  std::fprintf(stderr, "d88info: %s\n%s", message.c_str(), kUsage);
  return kStatusBadCommand;
}

// What the command ends with once its output is out: standard output is checked on every path.
int Finish(const Output& out) {
  if (out.failed() || std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fputs("d88info: cannot write standard output\n", stderr);
    return kStatusOutputFailed;
  }
  return kStatusOk;
}

// A number of a disk or a track as given on the command line; -1 for anything else.
long ParseIndex(const char* word) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(word, &end, 10);
  return word[0] >= '0' && word[0] <= '9' && *end == '\0' && errno == 0 && value <= 0xFFFF ? value
                                                                                           : -1;
}

}  // namespace

int RunD88info(int argc, const char* const* argv) {
  static const struct {
    const char* name;
    Mode mode;
  } kOptions[] = {{"--ids", Mode::kIds},         {"--check", Mode::kCheck},
                  {"--records", Mode::kRecords}, {"--dump", Mode::kDump},
                  {"--help", Mode::kHelp},       {"--version", Mode::kVersion}};
  Command command;
  for (int i = 1; i < argc; ++i) {
    const char* word = argv[i];
    // An image whose name starts with a dash is given as ./-NAME.
    if (word[0] != '-') {
      command.words.push_back(word);
      continue;
    }
    Mode mode = Mode::kSummary;
    for (const auto& option : kOptions) {
      if (std::strcmp(word, option.name) == 0) mode = option.mode;
    }
    if (mode == Mode::kSummary) return BadCommand(std::string("unknown option '") + word + "'");
    if (command.mode_option != nullptr) {
      return BadCommand(std::string(command.mode_option) + " and " + word +
                        " cannot be used together");
    }
    command.mode = mode;
    command.mode_option = word;
  }
  Output out(stdout);
  if (command.mode == Mode::kHelp || command.mode == Mode::kVersion) {
    if (!command.words.empty()) {
      return BadCommand(std::string(command.mode_option) + " takes no image");
    }
    out.Write(command.mode == Mode::kHelp ? kUsage : "d88info (dskpick) " DSKPICK_VERSION "\n");
    return Finish(out);
  }
  const std::size_t words = command.mode == Mode::kDump ? 3 : 1;
  if (command.words.empty()) return BadCommand("no image given");
  if (command.words.size() != words) {
    return BadCommand(command.mode == Mode::kDump ? "--dump takes an image, a disk and a track"
                                                  : "one image at a time");
  }
  long disk = -1, track = -1;
  if (command.mode == Mode::kDump) {
    disk = ParseIndex(command.words[1]);
    track = ParseIndex(command.words[2]);
    if (disk < 0 || track < 0) {
      return BadCommand(std::string("--dump takes a disk and a track number, not '") +
                        command.words[disk < 0 ? 1 : 2] + "'");
    }
  }
  const char* path = command.words[0];
  D88Image image;
  errno = 0;
  if (!image.Open(path)) {
    std::fprintf(stderr, "d88info: cannot open %s: %s\n", path,
                 errno != 0 ? std::strerror(errno) : "not a regular file");
    return kStatusBadCommand;
  }
  ModelWants wants;
  wants.files = command.mode == Mode::kCheck;
  if (command.mode == Mode::kDump) {
    wants.data_disk = static_cast<std::int32_t>(disk);
    wants.data_track = static_cast<std::int32_t>(track);
  }
  const Model model = BuildModel(image, path, wants);
  switch (command.mode) {
    case Mode::kIds:
      WriteIds(model, out);
      break;
    case Mode::kCheck:
      WriteCheck(model, out);
      break;
    case Mode::kRecords:
      WriteRecords(model, out);
      break;
    case Mode::kDump:
      if (!WriteDump(model, wants.data_disk, wants.data_track, out)) {
        std::fprintf(stderr, "d88info: %s has no disk %ld or no track %ld\n", path, disk, track);
        return kStatusBadCommand;
      }
      break;
    default:
      WriteSummary(model, NameStyleOfStandardOutput(), out);
      break;
  }
  return Finish(out);
}

}  // namespace d88info
