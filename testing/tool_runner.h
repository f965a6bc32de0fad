// Runs the built dskpick as a separate process, the way a user would.
#ifndef TESTING_TOOL_RUNNER_H
#define TESTING_TOOL_RUNNER_H

#include <string>
#include <vector>

namespace d88test {

struct ToolRun {
  int status = -1;  // exit status, or -1 when the process did not exit normally
  std::string out;
  std::string err;
};

struct RunOptions {
  // Largest file the tool may write, in bytes; 0 for no limit. Writes beyond it fail.
  unsigned long file_size_limit = 0;
  // Run as the unprivileged user "nobody" when the tests run as root, so that file permissions
  // bind the tool as they bind a user.
  bool unprivileged = false;
  // Runs this copy of the tool instead of its usual command, when set (behind the emulator).
  std::string program;
  // Leaves SIGXFSZ at its default, so that a write past `file_size_limit` kills the tool.
  bool killed_past_file_size_limit = false;
  // Sends standard output here (e.g. "/dev/full") instead of capturing it.
  std::string stdout_path;
  // Makes standard output a pipe whose reader has gone, as after `| head -n 1`; SIGPIPE is at
  // its default, so that only the tool itself can keep it from ending the tool.
  bool stdout_closed_pipe = false;
  // Variables set in the tool's environment, each "NAME=value" (e.g. "LC_ALL=C.UTF-8").
  std::vector<std::string> environment;
  // Makes standard output a terminal (a pseudo-terminal whose output, up to a few KB, is taken
  // as `out`, its line ends as the terminal writes them: "\r\n").
  bool stdout_terminal = false;
  // Preloads testing/fault_shim.cpp into the tool; `environment` says what it plays.
  bool fault_shim = false;
  // The tool's file-mode creation mask; -1 leaves the test's.
  int umask = -1;
};

/// Runs the tool in `dir` with `args`: the one built alongside the tests unless DSKPICK_COMMAND
/// names another program (e.g. /path/dskpick.exe); either runs behind DSKPICK_EMULATOR when that
/// names one (Wine's loader, or qemu-i386 for a 32-bit build).
ToolRun RunTool(const std::string& dir, const std::vector<std::string>& args,
                const RunOptions& options = RunOptions());

/// Runs d88info in `dir` with `args`: the one built alongside the tests unless D88INFO_COMMAND
/// names another, as DSKPICK_COMMAND does for the tool.
ToolRun RunD88info(const std::string& dir, const std::vector<std::string>& args,
                   const RunOptions& options = RunOptions());

/// Runs `command` (a program of this machine and its arguments) in `dir`, as it is.
ToolRun RunHostProgram(const std::string& dir, const std::vector<std::string>& command);

/// The program that RunTool runs by default.
std::string ToolProgram();

/// True when DSKPICK_COMMAND points the tests at another build of the tool than this one's.
bool UsingOtherCommand();

/// True when the tools run here as they are, so that the fault shim can be preloaded into them:
/// neither another build nor an emulator.
bool FaultShimUsable();

/// The line end the tool's text streams write: "\r\n" when DSKPICK_LINE_END is "crlf".
std::string LineEnd();

/// `text` as one line of the tool's output, with that line end.
std::string Line(const std::string& text);

}  // namespace d88test

#endif  // TESTING_TOOL_RUNNER_H
