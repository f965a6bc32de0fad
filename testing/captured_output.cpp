#include "testing/captured_output.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace d88test {

int NewCaptureFile() {
  char path[] = "/tmp/dskpick-capture-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) {
    std::perror("mkstemp");
    std::abort();
  }
  unlink(path);
  return fd;
}

std::string TakeCaptured(int fd) {
  std::string text;
  lseek(fd, 0, SEEK_SET);
  char chunk[4096];
  ssize_t got;
  while ((got = read(fd, chunk, sizeof chunk)) > 0) {
    text.append(chunk, static_cast<std::size_t>(got));
  }
  if (ftruncate(fd, 0) != 0 || lseek(fd, 0, SEEK_SET) != 0) std::abort();
  return text;
}

}  // namespace d88test
