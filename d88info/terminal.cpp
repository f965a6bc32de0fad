#include "d88info/terminal.h"

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004  // Windows 10's, missing from older headers
#endif
#else
#include <unistd.h>
#endif

namespace d88info {

bool ColourOfStandardOutput() {
  const char* no_colour = std::getenv("NO_COLOR");
  if (no_colour != nullptr && *no_colour != '\0') return false;
#ifdef _WIN32
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  // A console of an older Windows takes no escapes: then plain characters.
  return out != INVALID_HANDLE_VALUE && GetConsoleMode(out, &mode) &&
         SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
#else
  return isatty(STDOUT_FILENO) != 0;
#endif
}

}  // namespace d88info
