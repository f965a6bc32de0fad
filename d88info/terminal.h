// What standard output is: a terminal that takes colours, or not.
#ifndef D88INFO_TERMINAL_H
#define D88INFO_TERMINAL_H

namespace d88info {

/// True when standard output is a terminal and NO_COLOR is unset or empty, as `ls --color=auto`
/// decides; on Windows, a console that takes ANSI escapes once asked to.
bool ColourOfStandardOutput();

}  // namespace d88info

#endif  // D88INFO_TERMINAL_H
