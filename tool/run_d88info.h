#ifndef TOOL_RUN_D88INFO_H
#define TOOL_RUN_D88INFO_H

/// The whole d88info command: `d88info IMAGE` lists the disks and the sector IDs of every track,
/// `d88info --check IMAGE` says what dskpick would do with each entry of its table. Returns the
/// exit status: 0 when the image was read and the report written, 1 for a wrong command line or
/// an image that cannot be opened, 2 when standard output could not be written.
int RunD88info(int argc, const char* const* argv);

#endif  // TOOL_RUN_D88INFO_H
