// Captures what a program writes to a stream, in an unnamed temporary file outside every folder
// the tools write to. POSIX only.
#ifndef TESTING_CAPTURED_OUTPUT_H
#define TESTING_CAPTURED_OUTPUT_H

#include <string>

namespace d88test {

/// A new, empty, unnamed file to point a stream at; aborts when none can be made.
int NewCaptureFile();

/// Everything written to capture file `fd` so far, which is emptied for the next use.
std::string TakeCaptured(int fd);

}  // namespace d88test

#endif  // TESTING_CAPTURED_OUTPUT_H
