// Where a view writes: a file that stops taking text once a write has failed, so that a reader
// that has gone costs no more work and the failure is reported once, at the end; or a string.
#ifndef D88INFO_OUTPUT_H
#define D88INFO_OUTPUT_H

#include <cstdio>
#include <string>
#include <string_view>

namespace d88info {

class Output {
 public:
  explicit Output(std::FILE* file) : file_(file) {}
  explicit Output(std::string* text) : text_(text) {}

  void Write(std::string_view text) {
    if (failed_ || text.empty()) return;
    if (text_ != nullptr) {
      text_->append(text);
      return;
    }
    failed_ = std::fwrite(text.data(), 1, text.size(), file_) != text.size();
  }
  void Line(std::string_view text) {
    Write(text);
    Write("\n");
  }
  /// True once a write has failed; the rest is then dropped.
  bool failed() const { return failed_; }

 private:
  std::FILE* file_ = nullptr;
  std::string* text_ = nullptr;
  bool failed_ = false;
};

}  // namespace d88info

#endif  // D88INFO_OUTPUT_H
