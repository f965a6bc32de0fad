#include <csignal>

#include "tool/run_dskpick.h"

int main(int argc, char** argv) {
#ifdef SIGPIPE
  // A reader of standard output that has gone is an output failure, reported as such, not a
  // signal that ends the program part-way.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  return RunDskpick(argc, argv);
}
