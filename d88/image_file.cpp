#include "image_file.h"

#include <cerrno>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace d88 {

#ifdef _WIN32

std::FILE* OpenImageFile(const char* path, FileIdentity* identity, std::int64_t* size) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return nullptr;
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  BY_HANDLE_FILE_INFORMATION info;
  int reason = 0;
  // A console, NUL or a pipe is no disk file.
  if (GetFileType(handle) == FILE_TYPE_DISK) {
    LARGE_INTEGER bytes;
    if (GetFileInformationByHandle(handle, &info) && GetFileSizeEx(handle, &bytes)) {
      *size = bytes.QuadPart;
      identity->volume = info.dwVolumeSerialNumber;
      identity->file = static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
      return file;
    }
    // Without its identity the image could not be kept from being overwritten.
    reason = EIO;
  }
  std::fclose(file);
  errno = reason;
  return nullptr;
}

#else

std::FILE* OpenImageFile(const char* path, FileIdentity* identity, std::int64_t* size) {
  // Without O_NONBLOCK, opening a FIFO that has no writer waits for one, for ever.
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    // A socket cannot be opened at all (ENXIO); it is a file of the wrong kind like any other.
    struct stat status;
    if (errno == ENXIO && stat(path, &status) == 0 && S_ISSOCK(status.st_mode)) errno = 0;
    return nullptr;
  }
  struct stat status;
  int reason = 0;
  if (fstat(fd, &status) != 0) {
    reason = errno;
  } else if (S_ISDIR(status.st_mode)) {
    reason = EISDIR;
  } else if (S_ISREG(status.st_mode) || S_ISBLK(status.st_mode)) {
    // A regular file's size is in its status, and O_NONBLOCK means nothing to its reads; a
    // block device's size shows only at its end, and its reads are made to wait as usual.
    off_t end = status.st_size;
    bool ready = true;
    if (S_ISBLK(status.st_mode)) {
      end = lseek(fd, 0, SEEK_END);
      const int flags = end < 0 || lseek(fd, 0, SEEK_SET) != 0 ? -1 : fcntl(fd, F_GETFL);
      ready = flags != -1 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
    }
    std::FILE* file = ready ? fdopen(fd, "rb") : nullptr;
    if (file != nullptr) {
      identity->volume = static_cast<std::uint64_t>(status.st_dev);
      identity->file = static_cast<std::uint64_t>(status.st_ino);
      *size = static_cast<std::int64_t>(end);
      return file;
    }
    reason = errno;
  }
  close(fd);
  errno = reason;
  return nullptr;
}

#endif

}  // namespace d88
