#include "tool/run_d88info.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "d88/d88_image.h"
#include "tool/d88info_report.h"

namespace {

constexpr int kStatusOk = 0;
constexpr int kStatusBadCommand = 1;
constexpr int kStatusOutputFailed = 2;

constexpr char kUsage[] =
    "Usage: d88info [--check] IMAGE\n"
    "       d88info --help | --version\n"
    "\n"
    "Lists the disks of a D88 image and the sector IDs (C/H/R/N) of every track;\n"
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
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, stdout);
    return Finish();
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::puts("d88info (dskpick) " DSKPICK_VERSION);
    return Finish();
  }
  // An image whose name starts with a dash is given as ./-NAME.
  const char* path = argc == 2 ? argv[1] : check ? argv[2] : nullptr;
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
  } else {
    PrintLayout(g_image, path);
  }
  return Finish();
}
