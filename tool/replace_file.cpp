#include "tool/replace_file.h"

#include <cerrno>
#include <cstdio>

namespace {

constexpr char kTempSuffix[] = ".dskpick-part";

// Notes in `failure` that `name` could not be written for `reason`; returns false for the
// caller to return.
bool Fail(ReplaceFailure* failure, const char* name, const char* reason) {
  std::snprintf(failure->name, sizeof failure->name, "%s", name);
  if (reason != failure->reason)
    std::snprintf(failure->reason, sizeof failure->reason, "%s", reason);
  return false;
}

// Writes the whole of `data` to `out` and closes it; false with `reason` set when it cannot.
bool WriteAndClose(std::FILE* out, const std::uint8_t* data, std::size_t size,
                   char (&reason)[kReasonSize]) {
  errno = 0;
  bool written = std::fwrite(data, 1, size, out) == size && std::fflush(out) == 0;
  if (!written) SetErrnoReason(reason, errno);
  if (std::fclose(out) != 0 && written) {
    written = false;
    SetErrnoReason(reason, errno);
  }
  return written;
}

}  // namespace

bool ReplaceFileWhole(const char* name, const FileIdentity& image, const std::uint8_t* data,
                      std::int32_t length, ReplaceFailure* failure) {
  char(&reason)[kReasonSize] = failure->reason;
  NameHolds holds = NameHolds::kNothing;
  FileIdentity found;
  if (!InspectName(name, &holds, &found, reason)) return Fail(failure, name, reason);
  // A link at the name is replaced, never written through, so only the image itself counts.
  if (holds != NameHolds::kNothing && found == image) return Fail(failure, name, "it is the image");

  char temp[kOutputNameSize];
  const int temp_length = std::snprintf(temp, sizeof temp, "%s%s", name, kTempSuffix);
  if (temp_length < 0 || temp_length >= kOutputNameSize) {
    SetErrnoReason(reason, ENAMETOOLONG);
    return Fail(failure, name, reason);
  }
  if (!InspectName(temp, &holds, &found, reason)) return Fail(failure, name, reason);
  if (holds == NameHolds::kDirectory) {
    SetErrnoReason(reason, EISDIR);
    return Fail(failure, temp, reason);
  }
  if (holds != NameHolds::kNothing) {
    if (found == image) return Fail(failure, temp, "it is the image");
    // Left over from a run that was killed.
    if (!RemoveName(temp, reason)) return Fail(failure, temp, reason);
  }
  std::FILE* out = CreateNewFile(temp, reason);
  if (out == nullptr) return Fail(failure, name, reason);
  // Only the file this run created is ever removed again.
  if (!WriteAndClose(out, data, static_cast<std::size_t>(length), reason) ||
      !RenameOver(temp, name, reason)) {
    char ignored[kReasonSize];
    RemoveName(temp, ignored);
    return Fail(failure, name, reason);
  }
  return true;
}
