// The texts the tool writes, byte for byte.
#ifndef TOOL_MESSAGES_H
#define TOOL_MESSAGES_H

#include <cinttypes>

inline constexpr char kUsageMessage[] = "Usage: dskpick [d88file]\n";

// "ファイルをオープンできません." ("cannot open the file.") in Shift_JIS, stored as bytes so that
// neither the source encoding nor the console's code page can change it.
inline constexpr char kOpenFailedMessage[] =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x83\x49\x81\x5B\x83\x76\x83\x93\x82\xC5"
    "\x82\xAB\x82\xDC\x82\xB9\x82\xF1.\n";
static_assert(sizeof kOpenFailedMessage == 30 + 1, "28 bytes of text, a full stop, a line feed");

inline constexpr char kProgressFormat[] = "cutting ... %s\n";
inline constexpr char kIncompleteFormat[] =
    "warning: %s is incomplete (%" PRId32 " of %" PRId32 " bytes read)\n";
// A file that could not be written, and the system's reason (or "it is the image").
inline constexpr char kCannotWriteFormat[] = "cannot write %s: %s\n";
inline constexpr char kCannotWriteOutputMessage[] = "cannot write standard output\n";

#endif  // TOOL_MESSAGES_H
