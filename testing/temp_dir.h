// A fresh directory for one test, removed with everything in it afterwards.
#ifndef TESTING_TEMP_DIR_H
#define TESTING_TEMP_DIR_H

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace d88test {

/// The names in folder `dir`, sorted.
inline std::vector<std::string> NamesIn(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class TempDir {
 public:
  /// Throws std::filesystem::filesystem_error, which fails the test at once, when the folder
  /// cannot be made (an unwritable TMPDIR, say); only a name already taken is tried again.
  TempDir() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    constexpr unsigned kAttempts = 100;
    std::error_code error;
    for (unsigned attempt = 0; attempt < kAttempts; ++attempt) {
      std::filesystem::path candidate =
          base / ("dskpick-test-" + std::to_string(Counter()++) + "-" + std::to_string(attempt));
      if (std::filesystem::create_directory(candidate, error)) {
        path_ = candidate;
        return;
      }
      if (error) {
        throw std::filesystem::filesystem_error("cannot make a test folder", candidate, error);
      }
    }
    throw std::filesystem::filesystem_error("no free test folder name", base,
                                            std::make_error_code(std::errc::file_exists));
  }
  ~TempDir() {
    std::error_code error;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(path_, error);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  /// The names in the folder, sorted.
  std::vector<std::string> Names() const { return NamesIn(path_); }

 private:
  static unsigned long& Counter() {
    static unsigned long counter = static_cast<unsigned long>(
        std::filesystem::file_time_type::clock::now().time_since_epoch().count());
    return counter;
  }
  std::filesystem::path path_;
};

}  // namespace d88test

#endif  // TESTING_TEMP_DIR_H
