// A fresh directory for one test, removed with everything in it afterwards.
#ifndef TESTS_TEMP_DIR_H
#define TESTS_TEMP_DIR_H

#include <filesystem>
#include <string>
#include <system_error>

namespace d88test {

class TempDir {
 public:
  TempDir() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (unsigned attempt = 0;; ++attempt) {
      std::filesystem::path candidate =
          base / ("dskpick-test-" + std::to_string(Counter()++) + "-" + std::to_string(attempt));
      std::error_code error;
      if (std::filesystem::create_directory(candidate, error)) {
        path_ = candidate;
        return;
      }
    }
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

 private:
  static unsigned long& Counter() {
    static unsigned long counter = static_cast<unsigned long>(
        std::filesystem::file_time_type::clock::now().time_since_epoch().count());
    return counter;
  }
  std::filesystem::path path_;
};

}  // namespace d88test

#endif  // TESTS_TEMP_DIR_H
