#include "d88info/run_d88info.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "d88/d88_image.h"
#include "d88info/model.h"
#include "d88info/terminal.h"
#include "d88info/views.h"

namespace d88info {

namespace {

constexpr int kStatusOk = 0;
constexpr int kStatusBadCommand = 1;
constexpr int kStatusOutputFailed = 2;

constexpr char kUsage[] =
    "Usage: d88info [--ids | --check | --records | --json | --map | --html] IMAGE...\n"
    "       d88info --dump IMAGE DISK TRACK\n"
    "       d88info --help | --version\n"
    "\n"
    "Sums up D88 images: their disks, their tracks and everything odd about them;\n"
    "with --ids, lists the sector IDs (C/H/R/N) of every track, for scripts;\n"
    "with --check, says for each file dskpick cuts whether the image holds it;\n"
    "with --records, lists every record of every track with its file offset;\n"
    "with --json, writes all of it as one line of JSON per image;\n"
    "with --map, draws each disk's records, one character each, in the terminal;\n"
    "with --html, writes one HTML report of the images that any browser shows;\n"
    "with --dump, shows the data of each record of one track as hexdump -C does.\n";

enum class Mode { kSummary, kIds, kCheck, kRecords, kDump, kJson, kMap, kHtml, kHelp, kVersion };

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

// Opens `path` into `image`; false, having said why, when it cannot.
bool OpenImage(D88Image& image, const char* path) {
  errno = 0;
  if (image.Open(path)) return true;
  std::fprintf(stderr, "d88info: cannot open %s: %s\n", path,
               errno != 0 ? std::strerror(errno) : "not a regular file");
  return false;
}

// A number of a disk or a track as given on the command line; -1 for anything else.
long ParseIndex(const char* word) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(word, &end, 10);
  return word[0] >= '0' && word[0] <= '9' && *end == '\0' && errno == 0 && value <= 0xFFFF ? value
                                                                                           : -1;
}

// --dump IMAGE DISK TRACK.
int RunDump(const Command& command, Output& out) {
  if (command.words.size() != 3) return BadCommand("--dump takes an image, a disk and a track");
  const long disk = ParseIndex(command.words[1]), track = ParseIndex(command.words[2]);
  if (disk < 0 || track < 0) {
    return BadCommand(std::string("--dump takes a disk and a track number, not '") +
                      command.words[disk < 0 ? 1 : 2] + "'");
  }
  const char* path = command.words[0];
  D88Image image;
  if (!OpenImage(image, path)) return kStatusBadCommand;
  ModelWants wants;
  wants.files = false;
  wants.data_disk = static_cast<std::int32_t>(disk);
  wants.data_track = static_cast<std::int32_t>(track);
  if (!WriteDump(BuildModel(image, path, wants), wants.data_disk, wants.data_track, out)) {
    std::fprintf(stderr, "d88info: %s has no disk %ld or no track %ld\n", path, disk, track);
    return kStatusBadCommand;
  }
  return Finish(out);
}

}  // namespace

int RunD88info(int argc, const char* const* argv) {
  static const struct {
    const char* name;
    Mode mode;
  } kOptions[] = {
      {"--ids", Mode::kIds},   {"--check", Mode::kCheck}, {"--records", Mode::kRecords},
      {"--dump", Mode::kDump}, {"--json", Mode::kJson},   {"--map", Mode::kMap},
      {"--html", Mode::kHtml}, {"--help", Mode::kHelp},   {"--version", Mode::kVersion}};
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
  if (command.words.empty()) return BadCommand("no image given");
  if (command.mode == Mode::kDump) return RunDump(command, out);
  if (command.mode == Mode::kJson && !JsonBuiltIn()) {
    std::fputs("d88info: --json is not in this build (it was built without nlohmann/json)\n",
               stderr);
    return kStatusBadCommand;
  }
  // Each image in turn, as `wc` and `file` take them; the status is the worst of them.
  int status = kStatusOk;
  const bool several = command.words.size() > 1;
  std::vector<Model> models;  // for --html, which makes one report of them all
  ModelWants wants;
  wants.files = command.mode == Mode::kCheck || command.mode == Mode::kJson ||
                command.mode == Mode::kMap || command.mode == Mode::kHtml;
  const NameStyle names = command.mode == Mode::kSummary || command.mode == Mode::kMap
                              ? NameStyleOfStandardOutput()
                              : NameStyle::kEscaped;
  for (const char* path : command.words) {
    if (out.failed()) break;
    D88Image image;
    if (!OpenImage(image, path)) {
      status = kStatusBadCommand;
      continue;
    }
    Model model = BuildModel(image, path, wants);
    switch (command.mode) {
      case Mode::kIds:
        WriteIds(model, out);
        break;
      case Mode::kCheck:
        if (several) out.Line(model.path + ":");
        WriteCheck(model, out);
        break;
      case Mode::kRecords:
        WriteRecords(model, out);
        break;
      case Mode::kJson:
        WriteJson(model, out);
        break;
      case Mode::kMap:
        WriteMap(model, names, ColourOfStandardOutput(), out);
        break;
      case Mode::kHtml:
        models.push_back(std::move(model));
        break;
      default:
        WriteSummary(model, names, out);
        break;
    }
  }
  if (command.mode == Mode::kHtml && !models.empty()) WriteHtml(models, out);
  const int written = Finish(out);
  return written != kStatusOk ? written : status;
}

}  // namespace d88info
