#include "tests/tool_runner.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "testing/d88_builder.h"

namespace d88test {

namespace {

// The words of the command in environment variable `variable`, or `built` when it is unset.
std::vector<std::string> Command(const char* variable, const char* built) {
  const char* command = std::getenv(variable);
  if (command == nullptr || *command == '\0') return {built};
  std::vector<std::string> words;
  std::istringstream in(command);
  for (std::string word; in >> word;) {
    words.push_back(word);
  }
  return words;
}

std::string ReadText(const std::string& path) {
  const std::vector<std::uint8_t> bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

namespace {

// Runs the command `words` with `args` in `dir`.
ToolRun Run(std::vector<std::string> words, const std::string& dir,
            const std::vector<std::string>& args, const RunOptions& options) {
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);

  // The captured streams live outside `dir`, so they never count among the tool's files.
  char out_path[] = "/tmp/dskpick-out-XXXXXX";
  char err_path[] = "/tmp/dskpick-err-XXXXXX";
  const int out_fd = mkstemp(out_path);
  const int err_fd = mkstemp(err_path);
  ToolRun run;
  if (out_fd < 0 || err_fd < 0) {
    return run;
  }
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    const int null_fd = open("/dev/null", O_RDONLY);
    dup2(null_fd, 0);
    dup2(options.stdout_path.empty() ? out_fd : open(options.stdout_path.c_str(), O_WRONLY), 1);
    dup2(err_fd, 2);
    if (options.file_size_limit != 0) {
      // Without this the kernel would kill the tool instead of failing its write.
      if (!options.killed_past_file_size_limit) signal(SIGXFSZ, SIG_IGN);
      const rlimit limit = {options.file_size_limit, options.file_size_limit};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    constexpr uid_t kNobody = 65534;
    if (options.unprivileged && geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
      _exit(126);
    }
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int wait_status = 0;
  if (child > 0 && waitpid(child, &wait_status, 0) == child && WIFEXITED(wait_status)) {
    run.status = WEXITSTATUS(wait_status);
  }
  close(out_fd);
  close(err_fd);
  run.out = ReadText(out_path);
  run.err = ReadText(err_path);
  unlink(out_path);
  unlink(err_path);
  return run;
}

}  // namespace

ToolRun RunTool(const std::string& dir, const std::vector<std::string>& args,
                const RunOptions& options) {
  return Run(options.program.empty() ? Command("DSKPICK_COMMAND", DSKPICK_PATH)
                                     : std::vector<std::string>{options.program},
             dir, args, options);
}

ToolRun RunD88info(const std::string& dir, const std::vector<std::string>& args) {
  return Run(Command("D88INFO_COMMAND", D88INFO_PATH), dir, args, RunOptions());
}

std::string ToolProgram() { return DSKPICK_PATH; }

bool UsingOtherCommand() {
  const char* command = std::getenv("DSKPICK_COMMAND");
  return command != nullptr && *command != '\0';
}

std::string LineEnd() {
  const char* line_end = std::getenv("DSKPICK_LINE_END");
  return line_end != nullptr && std::string(line_end) == "crlf" ? "\r\n" : "\n";
}

}  // namespace d88test
