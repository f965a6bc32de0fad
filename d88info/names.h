// Disk names as a person reads them. Names are usually Shift_JIS (code page 932): they are shown
// as text where the output can show it, and as escaped bytes where it cannot.
#ifndef D88INFO_NAMES_H
#define D88INFO_NAMES_H

#include <string>

namespace d88info {

enum class NameStyle {
  kEscaped,   // printable ASCII as it is, every other byte as \xNN
  kUtf8,      // Shift_JIS converted to UTF-8 (a UTF-8 locale, a UTF-8 Windows console)
  kShiftJis,  // Shift_JIS bytes as they are (a Windows console of code page 932)
};

/// The style standard output takes: on POSIX from the locale's codeset (setlocale is called
/// for LC_CTYPE), on Windows from the console's output code page when it is a console.
NameStyle NameStyleOfStandardOutput();

/// Sets `*utf8` to Shift_JIS `bytes` (as code page 932) in UTF-8, with the platform's own
/// conversion. False where they are not Shift_JIS or the platform cannot convert them.
bool ShiftJisToUtf8(const std::string& bytes, std::string* utf8);

/// `bytes` in double quotes in `style`. A name that is not valid Shift_JIS, and every style but
/// kEscaped on a build without the conversion, falls back to kEscaped; control bytes, the quote
/// and the backslash are always escaped.
std::string ShowName(const std::string& bytes, NameStyle style);

}  // namespace d88info

#endif  // D88INFO_NAMES_H
