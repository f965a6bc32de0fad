// Replacing an output file whole: whatever held its name stays until the new file is complete.
#ifndef TOOL_REPLACE_FILE_H
#define TOOL_REPLACE_FILE_H

#include <cstdint>

#include "d88/d88_image.h"
#include "tool/file_system.h"

/// Output names are the table's, six characters at most; room for them and the temporary
/// name's suffix, with some to spare.
inline constexpr int kOutputNameSize = 64;

/// What could not be written, and why.
struct ReplaceFailure {
  char name[kOutputNameSize];  // the output's name, or its temporary name when that is in the way
  char reason[kReasonSize];    // the system's words, or "it is the image"
};

/// Writes `length` bytes from `data` to a new temporary file NAME.dskpick-part beside `name`
/// and renames it over `name` once it is written, flushed and closed in full, replacing a file,
/// a link or a FIFO there without writing through it. A file or link left at the temporary name
/// by a run that was killed is removed first. Returns false, with `*failure` set and `name` as
/// it was, when it cannot; and before writing anything when `name` or the temporary name is the
/// file `image` identifies (under any name, through any link), or the temporary name is a
/// directory, which is never removed.
bool ReplaceFileWhole(const char* name, const FileIdentity& image, const std::uint8_t* data,
                      std::int32_t length, ReplaceFailure* failure);

#endif  // TOOL_REPLACE_FILE_H
