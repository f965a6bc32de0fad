// Preloaded (LD_PRELOAD) into a tool the tests run, this library plays what the tests cannot
// arrange from outside, as each variable asks:
//   DSKPICK_SHIM_PLANT=link:TARGET  another process puts a link to TARGET at a temporary name
//   DSKPICK_SHIM_PLANT=dir          ... or a folder, right before the tool creates the file
//   DSKPICK_SHIM_FAIL_FCLOSE=1      closing a file open for writing fails, and says no reason
//   DSKPICK_SHIM_SLOW_FORK_MS=N     the parent of every fork waits N ms before it goes on; the
//                                   child runs on without the shim
// POSIX only.

// open and open64 are defined here each as itself, not as one another.
#undef _FILE_OFFSET_BITS
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

bool EndsWith(const char* text, const char* end) {
  const std::size_t length = std::strlen(text), end_length = std::strlen(end);
  return length >= end_length && std::strcmp(text + length - end_length, end) == 0;
}

// What another process would do at `path` between the tool's look at it and its creation.
void Plant(const char* path, int flags) {
  const char* plant = std::getenv("DSKPICK_SHIM_PLANT");
  if (plant == nullptr || (flags & O_CREAT) == 0 || !EndsWith(path, ".dskpick-part")) return;
  const int saved = errno;
  // Should the plant fail, the test that asked for it sees the tool succeed.
  if (std::strncmp(plant, "link:", 5) == 0) {
    if (symlink(plant + 5, path) != 0) std::perror("fault shim: symlink");
  } else if (std::strcmp(plant, "dir") == 0) {
    if (mkdir(path, 0755) != 0) std::perror("fault shim: mkdir");
  }
  errno = saved;
}

int OpenWith(const char* name, const char* path, int flags, va_list args) {
  const mode_t mode = (flags & O_CREAT) != 0 ? static_cast<mode_t>(va_arg(args, int)) : 0;
  Plant(path, flags);
  return Next<int (*)(const char*, int, ...)>(name)(path, flags, mode);
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const int fd = OpenWith("open", path, flags, args);
  va_end(args);
  return fd;
}

int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const int fd = OpenWith("open64", path, flags, args);
  va_end(args);
  return fd;
}

int fclose(FILE* file) {
  const int fd = file != nullptr ? fileno(file) : -1;
  const bool writing = fd > 2 && (fcntl(fd, F_GETFL) & O_ACCMODE) == O_WRONLY;
  const int result = Next<int (*)(FILE*)>("fclose")(file);
  if (writing && std::getenv("DSKPICK_SHIM_FAIL_FCLOSE") != nullptr) {
    errno = 0;
    return EOF;
  }
  return result;
}

pid_t fork() {
  const pid_t child = Next<pid_t (*)()>("fork")();
  const char* wait = std::getenv("DSKPICK_SHIM_SLOW_FORK_MS");
  if (child > 0 && wait != nullptr) {
    const long ms = std::atol(wait);
    const timespec pause = {ms / 1000, (ms % 1000) * 1000000};
    nanosleep(&pause, nullptr);
  } else if (child == 0 && wait != nullptr) {
    // Only the tests' own process is slowed. A tool run as "nobody" may not be able to reach
    // the shim (a build in a private folder), and the loader would say so on its stderr.
    unsetenv("LD_PRELOAD");
    unsetenv("DSKPICK_SHIM_SLOW_FORK_MS");
  }
  return child;
}

}  // extern "C"
