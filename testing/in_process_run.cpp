#include "testing/in_process_run.h"

#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "d88info/run_d88info.h"
#include "testing/captured_output.h"
#include "tool/run_dskpick.h"

namespace d88test {

namespace {

void Redirect(int from, int to) {
  if (dup2(from, to) < 0) {
    std::perror("dup2");
    std::abort();
  }
}

// Runs a command's entry point on `argv` (argc words) in `dir`, capturing its output.
InProcessRun RunInProcess(const std::string& dir, int (*entry)(int, const char* const*), int argc,
                          const char* const* argv) {
  static const int out_fd = NewCaptureFile();
  static const int err_fd = NewCaptureFile();
  char old_dir[PATH_MAX];
  if (getcwd(old_dir, sizeof old_dir) == nullptr || chdir(dir.c_str()) != 0) {
    std::perror("chdir");
    std::abort();
  }
  std::fflush(stdout);
  std::fflush(stderr);
  const int saved_out = dup(1);
  const int saved_err = dup(2);
  Redirect(out_fd, 1);
  Redirect(err_fd, 2);

  // An error left on the stream by an earlier run would count against this one.
  std::clearerr(stdout);
  InProcessRun run;
  run.status = entry(argc, argv);

  std::fflush(stdout);
  std::fflush(stderr);
  Redirect(saved_out, 1);
  Redirect(saved_err, 2);
  close(saved_out);
  close(saved_err);
  run.out = TakeCaptured(out_fd);
  run.err = TakeCaptured(err_fd);
  if (chdir(old_dir) != 0) std::abort();
  return run;
}

}  // namespace

InProcessRun RunToolInProcess(const std::string& dir, const std::string& image) {
  const char* argv[] = {"dskpick", image.c_str(), nullptr};
  return RunInProcess(dir, RunDskpick, 2, argv);
}

InProcessRun RunCheckInProcess(const std::string& dir, const std::string& image) {
  const char* argv[] = {"d88info", "--check", image.c_str(), nullptr};
  return RunInProcess(dir, d88info::RunD88info, 3, argv);
}

InProcessRun RunD88infoInProcess(const std::string& dir, const std::vector<std::string>& args) {
  std::vector<const char*> argv = {"d88info"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  argv.push_back(nullptr);
  return RunInProcess(dir, d88info::RunD88info, static_cast<int>(argv.size() - 1), argv.data());
}

InProcessRun RunSummaryInProcess(const std::string& dir, const std::string& image) {
  const char* argv[] = {"d88info", image.c_str(), nullptr};
  return RunInProcess(dir, d88info::RunD88info, 2, argv);
}

}  // namespace d88test
