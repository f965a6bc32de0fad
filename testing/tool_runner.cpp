#include "testing/tool_runner.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "testing/captured_output.h"

namespace d88test {

namespace {

// The command that runs a tool: the program named in environment variable `variable` (a path,
// taken whole), or `built` when it is unset; behind DSKPICK_EMULATOR when that is set (Wine's
// loader for a Windows build, qemu-i386 for a 32-bit one on a machine that cannot run it).
std::vector<std::string> Command(const char* variable, const char* built) {
  const char* program = std::getenv(variable);
  std::vector<std::string> words;
  const char* emulator = std::getenv("DSKPICK_EMULATOR");
  if (emulator != nullptr && *emulator != '\0') words.push_back(emulator);
  words.push_back(program != nullptr && *program != '\0' ? program : built);
  return words;
}

// Runs the command `words` with `args` in `dir`.
ToolRun Run(std::vector<std::string> words, const std::string& dir,
            const std::vector<std::string>& args, const RunOptions& options) {
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);
  // Looked up before the fork: the child only makes system calls.
  const passwd* nobody = options.unprivileged ? getpwnam("nobody") : nullptr;
  const uid_t nobody_uid = nobody != nullptr ? nobody->pw_uid : 0;
  const gid_t nobody_gid = nobody != nullptr ? nobody->pw_gid : 0;

  std::vector<std::string> environment = options.environment;
  if (options.fault_shim) {
    environment.push_back(std::string("LD_PRELOAD=") + FAULT_SHIM_PATH);
    // A sanitized tool wants its runtime first of all libraries, which the shim now is.
    const char* asan = std::getenv("ASAN_OPTIONS");
    environment.push_back(std::string("ASAN_OPTIONS=") + (asan != nullptr ? asan : "") +
                          ":verify_asan_link_order=0");
  }
  // The captured streams live outside `dir`, so they never count among the tool's files.
  const int out_fd = NewCaptureFile();
  const int err_fd = NewCaptureFile();
  int terminal = -1, tool_side = -1;
  if (options.stdout_terminal) {
    terminal = posix_openpt(O_RDWR | O_NOCTTY);
    if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0) return ToolRun();
    // Opened before the fork: the child's copy becomes its standard output, and the parent's
    // keeps the terminal from hanging up until every byte has been read.
    tool_side = open(ptsname(terminal), O_RDWR | O_NOCTTY);
    if (tool_side < 0) return ToolRun();
  }
  int pipe_fds[2] = {-1, -1};
  if (options.stdout_closed_pipe) {
    if (pipe(pipe_fds) != 0) return ToolRun();
    // The reader goes before the fork, so that no process ever holds it: the tool's first write
    // fails however soon it comes.
    close(pipe_fds[0]);
  }
  ToolRun run;
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    const int null_fd = open("/dev/null", O_RDONLY);
    dup2(null_fd, 0);
    if (terminal >= 0) {
      dup2(tool_side, 1);
    } else if (options.stdout_closed_pipe) {
      dup2(pipe_fds[1], 1);
      signal(SIGPIPE, SIG_DFL);
    } else {
      dup2(options.stdout_path.empty() ? out_fd : open(options.stdout_path.c_str(), O_WRONLY), 1);
    }
    dup2(err_fd, 2);
    if (options.file_size_limit != 0) {
      // Without this the kernel would kill the tool instead of failing its write.
      if (!options.killed_past_file_size_limit) signal(SIGXFSZ, SIG_IGN);
      const rlimit limit = {options.file_size_limit, options.file_size_limit};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (options.unprivileged && geteuid() == 0 &&
        (nobody_uid == 0 || setgroups(0, nullptr) != 0 || setgid(nobody_gid) != 0 ||
         setuid(nobody_uid) != 0)) {
      _exit(126);
    }
    for (std::string& variable : environment) putenv(variable.data());
    if (options.umask >= 0) umask(static_cast<mode_t>(options.umask));
    execvp(argv[0], argv.data());
    _exit(127);
  }
  if (options.stdout_closed_pipe) close(pipe_fds[1]);
  int wait_status = 0;
  bool reaped = false;
  if (terminal >= 0) {
    // Read while the tool writes: a terminal holds only a few kilobytes unread. The tool's side
    // stays open here until the tool has exited and every byte is read: a terminal that hangs up
    // when the tool exits may drop the last line still on its way to this side. Polling pushes
    // such bytes through.
    char chunk[4096];
    while (child > 0) {
      pollfd ready = {terminal, POLLIN, 0};
      if (poll(&ready, 1, reaped ? 0 : 10) > 0 && (ready.revents & POLLIN) != 0) {
        const ssize_t got = read(terminal, chunk, sizeof chunk);
        if (got > 0) {
          run.out.append(chunk, static_cast<std::size_t>(got));
          continue;
        }
      }
      if (reaped) break;
      const pid_t waited = waitpid(child, &wait_status, WNOHANG);
      reaped = waited == child;
      if (waited < 0) break;  // no child to wait for: nothing more will come
    }
    close(tool_side);
    close(terminal);
  }
  if (child > 0 && (reaped || waitpid(child, &wait_status, 0) == child) && WIFEXITED(wait_status)) {
    run.status = WEXITSTATUS(wait_status);
  }
  if (terminal < 0) run.out = TakeCaptured(out_fd);
  run.err = TakeCaptured(err_fd);
  close(out_fd);
  close(err_fd);
  return run;
}

}  // namespace

ToolRun RunTool(const std::string& dir, const std::vector<std::string>& args,
                const RunOptions& options) {
  if (options.program.empty())
    return Run(Command("DSKPICK_COMMAND", DSKPICK_PATH), dir, args, options);
  // Another copy of the tool: it needs the emulator the built one needs.
  std::vector<std::string> words = Command("DSKPICK_COMMAND", DSKPICK_PATH);
  words.back() = options.program;
  return Run(words, dir, args, options);
}

ToolRun RunD88info(const std::string& dir, const std::vector<std::string>& args,
                   const RunOptions& options) {
  return Run(Command("D88INFO_COMMAND", D88INFO_PATH), dir, args, options);
}

ToolRun RunHostProgram(const std::string& dir, const std::vector<std::string>& command) {
  return Run(command, dir, {}, RunOptions());
}

std::string ToolProgram() { return DSKPICK_PATH; }

bool FaultShimUsable() {
  const char* emulator = std::getenv("DSKPICK_EMULATOR");
  return !UsingOtherCommand() && (emulator == nullptr || *emulator == '\0');
}

bool UsingOtherCommand() {
  const char* command = std::getenv("DSKPICK_COMMAND");
  return command != nullptr && *command != '\0';
}

std::string Line(const std::string& text) { return text + LineEnd(); }

std::string LineEnd() {
  const char* line_end = std::getenv("DSKPICK_LINE_END");
  return line_end != nullptr && std::string(line_end) == "crlf" ? "\r\n" : "\n";
}

}  // namespace d88test
