#include "tool/run_d88info.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "d88/d88_image.h"
#include "tool/d88info_report.h"
#include "tool/d88info_summary.h"

namespace {

constexpr int kStatusOk = 0;
constexpr int kStatusBadCommand = 1;
constexpr int kStatusOutputFailed = 2;

constexpr char kUsage[] =
    "Usage: d88info [--ids | --check] IMAGE\n"
    "       d88info --help | --version\n"
    "\n"
    "Sums up a D88 image: its disks, their tracks and everything odd about them;\n"
    "with --ids, lists the sector IDs (C/H/R/N) of every track, for scripts;\n"
    "with --check, says for each file dskpick cuts whether this image holds it.\n";

D88Image g_image;

// What the command ends with once its report is out: standard output is checked on every path.
int Finish() {
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fputs("d88info: cannot write standard output\n", stderr);
    return kStatusOutputFailed;
  }
  return kStatusOk;
}

}  // namespace

int RunD88info(int argc, const char* const* argv) {
  const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
  const bool ids = argc == 3 && std::strcmp(argv[1], "--ids") == 0;
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, stdout);
    return Finish();
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::puts("d88info (dskpick) " DSKPICK_VERSION);
    return Finish();
  }
  // An image whose name starts with a dash is given as ./-NAME.
  const char* path = argc == 2 ? argv[1] : check || ids ? argv[2] : nullptr;
  if (path == nullptr || path[0] == '-') {
    std::fputs(kUsage, stderr);
    return kStatusBadCommand;
  }
  errno = 0;
  if (!g_image.Open(path)) {
    std::fprintf(stderr, "d88info: cannot open %s: %s\n", path,
                 errno != 0 ? std::strerror(errno) : "not a regular file");
    return kStatusBadCommand;
  }
  if (check) {
    PrintCheck(g_image);
  } else if (ids) {
    PrintLayout(g_image, path);
  } else {
    PrintSummary(g_image, path);
  }
  return Finish();
}
