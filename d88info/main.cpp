#include <csignal>

#include "d88info/run_d88info.h"

int main(int argc, char** argv) {
#ifdef SIGPIPE
  // A reader of standard output that has gone is an output failure, reported as such, not a
  // signal that ends the program part-way.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  return d88info::RunD88info(argc, argv);
}
