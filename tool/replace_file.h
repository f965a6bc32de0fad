// Replacing an output file whole: whatever held its name stays until the new file is complete.
#ifndef TOOL_REPLACE_FILE_H
#define TOOL_REPLACE_FILE_H

#include <cstdint>

enum class ReplaceOutcome {
  kReplaced,    // `name` now holds exactly the bytes given
  kIsTheImage,  // `name` is the image file itself; nothing was touched
  kFailed,      // nothing under `name` changed and no temporary file is left
};

/// Writes `length` bytes from `data` to a temporary file beside `name` and renames it over
/// `name` once it is written, flushed and closed in full, replacing a file, a link or a FIFO
/// there without writing through it. Returns kIsTheImage, before writing anything, when `name`
/// is the file that `image_path` names (by the file system's identity, not by spelling). On
/// kFailed, `*error` is the errno value of the failure, or 0 when the system named none.
ReplaceOutcome ReplaceFileWhole(const char* name, const char* image_path, const std::uint8_t* data,
                                std::int32_t length, int* error);

#endif  // TOOL_REPLACE_FILE_H
