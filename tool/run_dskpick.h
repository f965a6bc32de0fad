#ifndef TOOL_RUN_DSKPICK_H
#define TOOL_RUN_DSKPICK_H

/// The whole tool: checks the command line, opens the image and cuts every file of the table.
/// Returns the exit status: 1 when it cannot start, 2 when a file could not be written, else 0.
int RunDskpick(int argc, const char* const* argv);

#endif  // TOOL_RUN_DSKPICK_H
