#include "tool/replace_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Output names are the table's, six characters at most; the buffer leaves room for more.
constexpr char kTempSuffix[] = ".dskpick-part";
constexpr std::size_t kTempNameSize = 64;

// The errno value behind a file-system error, or 0 when it has none.
int ErrnoOf(const std::error_code& code) {
  const std::error_condition condition = code.default_error_condition();
  return condition.category() == std::generic_category() ? condition.value() : 0;
}

bool IsTheImage(const char* name, const char* image_path) {
  std::error_code ignored;
  // A link at the name is replaced, never written through, so it cannot harm the image.
  if (fs::is_symlink(fs::symlink_status(name, ignored))) return false;
  return fs::equivalent(name, image_path, ignored);
}

// Writes the whole of `data` to a new file `path`; false with `*error` set when it cannot.
bool WriteNewFile(const char* path, const std::uint8_t* data, std::size_t size, int* error) {
  // Whatever holds the temporary name is left over from a run that was killed; removing it
  // first means nothing is written through a link or into a FIFO that stands there.
  std::remove(path);
  errno = 0;
  std::FILE* out = std::fopen(path, "wb");
  if (out == nullptr) {
    *error = errno;
    return false;
  }
  errno = 0;
  bool written = std::fwrite(data, 1, size, out) == size && std::fflush(out) == 0;
  *error = errno;
  if (std::fclose(out) != 0 && written) {
    written = false;
    *error = errno;
  }
  return written;
}

}  // namespace

ReplaceOutcome ReplaceFileWhole(const char* name, const char* image_path, const std::uint8_t* data,
                                std::int32_t length, int* error) {
  *error = 0;
  if (IsTheImage(name, image_path)) return ReplaceOutcome::kIsTheImage;
  char temp[kTempNameSize];
  const int temp_length = std::snprintf(temp, sizeof temp, "%s%s", name, kTempSuffix);
  if (temp_length < 0 || static_cast<std::size_t>(temp_length) >= sizeof temp) {
    *error = ENAMETOOLONG;
    return ReplaceOutcome::kFailed;
  }
  if (WriteNewFile(temp, data, static_cast<std::size_t>(length), error)) {
    std::error_code renamed;
    fs::rename(temp, name, renamed);
    if (!renamed) return ReplaceOutcome::kReplaced;
    *error = ErrnoOf(renamed);
  }
  std::remove(temp);
  return ReplaceOutcome::kFailed;
}
