// The file-system steps of replacing an output file, on POSIX and on Windows: none follows a
// link, none waits, and every failure comes with the words the system has for it.
#ifndef TOOL_FILE_SYSTEM_H
#define TOOL_FILE_SYSTEM_H

#include <cstdio>

#include "d88/d88_image.h"

/// Room for the system's words for a failure.
inline constexpr int kReasonSize = 160;

/// Sets `reason` to the C library's words for errno value `error`.
void SetErrnoReason(char (&reason)[kReasonSize], int error);

enum class NameHolds { kNothing, kDirectory, kSomethingElse };

/// Looks at `name` itself, not at what a link there leads to: sets `*holds` and, unless
/// nothing is there, `*identity`. False, with `reason` set, when the system cannot tell.
bool InspectName(const char* name, NameHolds* holds, FileIdentity* identity,
                 char (&reason)[kReasonSize]);

/// Removes the file, link or FIFO at `name`, never a directory. False, with `reason` set, when
/// it cannot.
bool RemoveName(const char* name, char (&reason)[kReasonSize]);

/// Creates `name` for binary writing only where nothing stands at that name, so that nothing
/// is ever written through a link. Null, with `reason` set, when it cannot.
std::FILE* CreateNewFile(const char* name, char (&reason)[kReasonSize]);

/// Renames `from` to `to` in one step, replacing whatever file or link stands at `to`. False,
/// with `reason` set, when it cannot; then `to` is as it was.
bool RenameOver(const char* from, const char* to, char (&reason)[kReasonSize]);

#endif  // TOOL_FILE_SYSTEM_H
