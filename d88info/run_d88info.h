#ifndef D88INFO_RUN_D88INFO_H
#define D88INFO_RUN_D88INFO_H

namespace d88info {

/// The whole d88info command on `argv` (argc words, the program's name first). Returns the exit
/// status: 0 when the image was read and the report written, 1 for a wrong command line or an
/// image that cannot be opened, 2 when standard output could not be written.
int RunD88info(int argc, const char* const* argv);

}  // namespace d88info

#endif  // D88INFO_RUN_D88INFO_H
