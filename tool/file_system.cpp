#include "tool/file_system.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0600  // GetFinalPathNameByHandle and deleting through a handle
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

void SetErrnoReason(char (&reason)[kReasonSize], int error) {
  std::snprintf(reason, sizeof reason, "%s", std::strerror(error != 0 ? error : EIO));
}

#ifdef _WIN32

namespace {

// The system's words for the last failed call, without the full stop and line end that
// Windows puts after them, so that they read like the C library's.
void SetLastErrorReason(char (&reason)[kReasonSize]) {
  const DWORD error = GetLastError();
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                error, 0, reason, static_cast<DWORD>(sizeof reason), nullptr);
  while (length > 0 && std::strchr(" .\r\n", reason[length - 1]) != nullptr) --length;
  if (length == 0) {
    std::snprintf(reason, sizeof reason, "Windows error %lu", static_cast<unsigned long>(error));
  } else {
    reason[length] = '\0';
  }
}

}  // namespace

bool InspectName(const char* name, NameHolds* holds, FileIdentity* identity,
                 char (&reason)[kReasonSize]) {
  // Opened for its attributes alone, as itself even when it is a link or a directory.
  const HANDLE handle = CreateFileA(
      name, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      *holds = NameHolds::kNothing;
      return true;
    }
    SetLastErrorReason(reason);
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info;
  const bool known = GetFileInformationByHandle(handle, &info) != 0;
  if (!known) SetLastErrorReason(reason);
  CloseHandle(handle);
  if (!known) return false;
  // A link to a directory is a link, which is removed like a file.
  const bool directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                         (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
  *holds = directory ? NameHolds::kDirectory : NameHolds::kSomethingElse;
  identity->volume = info.dwVolumeSerialNumber;
  identity->file = static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
  return true;
}

namespace {

// The path `handle` leads to once every link and junction on the way is followed.
bool FinalPath(HANDLE handle, char (&path)[MAX_PATH]) {
  const DWORD length = GetFinalPathNameByHandleA(handle, path, MAX_PATH, FILE_NAME_NORMALIZED);
  return length > 0 && length < MAX_PATH;
}

}  // namespace

bool RemoveName(const char* name, char (&reason)[kReasonSize]) {
  const HANDLE handle = CreateFileA(name, DELETE | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    SetLastErrorReason(reason);
    return false;
  }
  // Wine opens what a POSIX link leads to, not the link, and would delete that file: only a
  // file that lies at `name` itself, in this folder, is deleted.
  const HANDLE folder =
      CreateFileA(".", FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  char file_path[MAX_PATH], folder_path[MAX_PATH], expected[MAX_PATH];
  bool here = folder != INVALID_HANDLE_VALUE && FinalPath(handle, file_path) &&
              FinalPath(folder, folder_path);
  if (here) {
    // A drive's root folder (Y:\) already ends in a backslash; no other folder does.
    const std::size_t length = std::strlen(folder_path);
    const char* separator = length > 0 && folder_path[length - 1] == '\\' ? "" : "\\";
    here = std::snprintf(expected, sizeof expected, "%s%s%s", folder_path, separator, name) <
               static_cast<int>(sizeof expected) &&
           lstrcmpiA(expected, file_path) == 0;
  }
  if (folder != INVALID_HANDLE_VALUE) CloseHandle(folder);
  FILE_DISPOSITION_INFO disposition = {TRUE};
  bool removed = false;
  if (!here) {
    std::snprintf(reason, sizeof reason, "it leads to another file");
  } else if (SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                        sizeof disposition)) {
    removed = true;
  } else {
    SetLastErrorReason(reason);
  }
  CloseHandle(handle);
  return removed;
}

std::FILE* CreateNewFile(const char* name, char (&reason)[kReasonSize]) {
  const HANDLE handle =
      CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    SetLastErrorReason(reason);
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_BINARY);
  if (fd == -1) {
    SetErrnoReason(reason, errno);
    CloseHandle(handle);
    DeleteFileA(name);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) {
    SetErrnoReason(reason, errno);
    _close(fd);
    DeleteFileA(name);
  }
  return file;
}

bool RenameOver(const char* from, const char* to, char (&reason)[kReasonSize]) {
  if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING)) return true;
  SetLastErrorReason(reason);
  return false;
}

#else

bool InspectName(const char* name, NameHolds* holds, FileIdentity* identity,
                 char (&reason)[kReasonSize]) {
  struct stat status;
  if (lstat(name, &status) != 0) {
    if (errno == ENOENT) {
      *holds = NameHolds::kNothing;
      return true;
    }
    SetErrnoReason(reason, errno);
    return false;
  }
  *holds = S_ISDIR(status.st_mode) ? NameHolds::kDirectory : NameHolds::kSomethingElse;
  identity->volume = static_cast<std::uint64_t>(status.st_dev);
  identity->file = static_cast<std::uint64_t>(status.st_ino);
  return true;
}

bool RemoveName(const char* name, char (&reason)[kReasonSize]) {
  // unlink, unlike std::remove, never removes a directory.
  if (unlink(name) == 0) return true;
  SetErrnoReason(reason, errno);
  return false;
}

std::FILE* CreateNewFile(const char* name, char (&reason)[kReasonSize]) {
  // O_EXCL with O_CREAT fails on anything at the name, a link included, rather than follow it.
  const int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) {
    SetErrnoReason(reason, errno);
    return nullptr;
  }
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) {
    SetErrnoReason(reason, errno);
    close(fd);
    unlink(name);
  }
  return file;
}

bool RenameOver(const char* from, const char* to, char (&reason)[kReasonSize]) {
  if (std::rename(from, to) == 0) return true;
  SetErrnoReason(reason, errno);
  return false;
}

#endif
