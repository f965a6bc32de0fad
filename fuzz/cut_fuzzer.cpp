// Fuzzes the whole tool: the input is the image, cut in-process in a scratch directory. Every
// run must leave only table files of their table lengths, each announced by a progress line,
// and no message but well-formed warnings about files the image could not fill. d88info's
// summary of the same image must succeed and stay short.
#include <sanitizer/common_interface_defs.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "testing/cut_checks.h"
#include "testing/d88_builder.h"
#include "testing/in_process_run.h"
#include "testing/temp_dir.h"

namespace {

std::string g_dir;
constexpr char kImage[] = "image.d88";
// A summary a person reads: a few tens of KB at the most, whatever the image.
constexpr std::size_t kMaxSummarySize = 64 * 1024;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
  std::string dir = std::string(base) + "/dskpick-cut-fuzz-XXXXXX";
  if (mkdtemp(dir.data()) == nullptr) std::abort();
  g_dir = dir;
  // The tool's standard error is captured during each run; reports of the sanitizers must
  // still reach the real one.
  __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<std::intptr_t>(dup(2))));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (const std::string& name : d88test::NamesIn(g_dir)) {
    std::filesystem::remove_all(std::filesystem::path(g_dir) / name);
  }
  if (!d88test::WriteBytes(g_dir + "/" + kImage, std::vector<std::uint8_t>(data, data + size))) {
    std::abort();
  }
  const d88test::InProcessRun run = d88test::RunToolInProcess(g_dir, kImage);
  std::vector<std::string> problems = d88test::CheckCutRun(g_dir, kImage, run);
  const d88test::InProcessRun summary = d88test::RunSummaryInProcess(g_dir, kImage);
  if (summary.status != 0 || !summary.err.empty() || summary.out.size() > kMaxSummarySize) {
    problems.push_back("d88info ended with status " + std::to_string(summary.status) + " after " +
                       std::to_string(summary.out.size()) + " bytes and said: " + summary.err);
  }
  if (!problems.empty()) {
    for (const std::string& problem : problems) std::fprintf(stderr, "%s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
