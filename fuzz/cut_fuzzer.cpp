// Fuzzes the whole tool: the input is the image, cut in-process in a scratch directory. Every
// run must leave only table files of their table lengths, each announced by a progress line,
// and no message but well-formed warnings about files the image could not fill. Every view of
// d88info of the same image must end well: the summary and the report stay small, the JSON
// parses, and --check says what dskpick did.
#include <sanitizer/common_interface_defs.h>
#include <unistd.h>

#if DSKPICK_FUZZ_JSON
#include <nlohmann/json.hpp>
#endif

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
// The report for the browser stays under 1 MB whatever the image.
constexpr std::size_t kMaxReportSize = 1000 * 1000;

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
  // Every view of d88info ends well on any image; the summary and the report stay small, the
  // JSON parses, and --check says what dskpick did.
  const struct {
    std::vector<std::string> args;
    std::size_t most;  // the most bytes it may write
  } views[] = {
      {{kImage}, kMaxSummarySize},    {{"--check", kImage}, kMaxSummarySize},
      {{"--ids", kImage}, SIZE_MAX},  {{"--records", kImage}, SIZE_MAX},
      {{"--map", kImage}, SIZE_MAX},  {{"--html", kImage}, kMaxReportSize},
      {{"--json", kImage}, SIZE_MAX}, {{"--dump", kImage, "0", "0"}, SIZE_MAX},
  };
  for (const auto& view : views) {
    const d88test::InProcessRun out = d88test::RunD88infoInProcess(g_dir, view.args);
    // --dump of a disk the image does not have says so, with status 1.
    const bool no_disk = view.args[0] == "--dump" && out.status == 1 &&
                         out.err == "d88info: image.d88 has no disk 0 or no track 0\n";
    if ((out.status != 0 || !out.err.empty() || out.out.size() > view.most) && !no_disk) {
      problems.push_back("d88info " + view.args[0] + " ended with status " +
                         std::to_string(out.status) + " after " + std::to_string(out.out.size()) +
                         " bytes and said: " + out.err);
    }
    if (view.args[0] == "--check") {
      for (const std::string& problem : d88test::CheckDisagreements(run, out)) {
        problems.push_back(problem);
      }
    }
#if DSKPICK_FUZZ_JSON
    if (view.args[0] == "--json" && !nlohmann::json::accept(out.out)) {
      problems.push_back("d88info --json wrote what no JSON parser takes");
    }
#endif
  }
  if (!problems.empty()) {
    for (const std::string& problem : problems) std::fprintf(stderr, "%s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
