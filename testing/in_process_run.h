// Runs the tool inside the calling process, capturing what it writes to standard output and
// standard error. For tests and fuzzers that run it thousands of times. POSIX only.
#ifndef TESTING_IN_PROCESS_RUN_H
#define TESTING_IN_PROCESS_RUN_H

#include <string>
#include <vector>

namespace d88test {

struct InProcessRun {
  int status = -1;
  std::string out;
  std::string err;
};

/// Runs `dskpick IMAGE` with `dir` as the current directory, then returns to the old one.
InProcessRun RunToolInProcess(const std::string& dir, const std::string& image);

/// Runs `d88info --check IMAGE` the same way.
InProcessRun RunCheckInProcess(const std::string& dir, const std::string& image);

/// Runs `d88info IMAGE`, the summary, the same way.
InProcessRun RunSummaryInProcess(const std::string& dir, const std::string& image);

/// Runs `d88info ARGS...` the same way.
InProcessRun RunD88infoInProcess(const std::string& dir, const std::vector<std::string>& args);

}  // namespace d88test

#endif  // TESTING_IN_PROCESS_RUN_H
