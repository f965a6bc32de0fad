#include "d88info/names.h"

#include <cstdio>

#include "d88info/words.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <iconv.h>
#include <langinfo.h>

#include <clocale>
#include <cstring>
#endif

namespace d88info {

namespace {

// `text` in double quotes, its control bytes, quote and backslash escaped. In UTF-8 every byte
// below 0x80 is a character of its own; in Shift_JIS (`shift_jis`) the second byte of a
// two-byte character may look like one, so such pairs pass whole.
std::string Quote(const std::string& text, bool shift_jis) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned byte = static_cast<unsigned char>(text[i]);
    const bool lead =
        shift_jis && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
    if (lead && i + 1 < text.size()) {
      out += text.substr(i, 2);
      ++i;
    } else if (byte < 0x20 || byte == 0x7F || byte == '"' || byte == '\\') {
      out += Format("\\x%02X", byte);
    } else {
      out += text[i];
    }
  }
  return out + "\"";
}

#ifdef _WIN32

constexpr unsigned kCodePageShiftJis = 932;

// Shift_JIS to UTF-16 with Windows' own table; false where the bytes are not Shift_JIS.
bool ToWide(const std::string& bytes, std::wstring& wide) {
  const int length = MultiByteToWideChar(kCodePageShiftJis, MB_ERR_INVALID_CHARS, bytes.data(),
                                         static_cast<int>(bytes.size()), nullptr, 0);
  if (length <= 0) return false;
  wide.resize(static_cast<std::size_t>(length));
  return MultiByteToWideChar(kCodePageShiftJis, MB_ERR_INVALID_CHARS, bytes.data(),
                             static_cast<int>(bytes.size()), &wide[0], length) == length;
}

bool ToUtf8(const std::string& bytes, std::string& utf8) {
  if (bytes.empty()) {
    utf8.clear();
    return true;
  }
  std::wstring wide;
  if (!ToWide(bytes, wide)) return false;
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  if (length <= 0) return false;
  utf8.resize(static_cast<std::size_t>(length));
  return WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0],
                             length, nullptr, nullptr) == length;
}

#else

// Shift_JIS (as code page 932) to UTF-8 with the C library's iconv; false where the bytes are
// not Shift_JIS or the C library has no such conversion.
bool ToUtf8(const std::string& bytes, std::string& utf8) {
  const iconv_t convert = iconv_open("UTF-8", "CP932");
  if (convert == reinterpret_cast<iconv_t>(-1)) return false;
  std::string in = bytes;
  utf8.assign(bytes.size() * 4 + 4, '\0');
  char* from = &in[0];
  char* to = &utf8[0];
  std::size_t from_left = in.size(), to_left = utf8.size();
  const bool whole =
      iconv(convert, &from, &from_left, &to, &to_left) != static_cast<std::size_t>(-1) &&
      from_left == 0;
  iconv_close(convert);
  utf8.resize(utf8.size() - to_left);
  return whole;
}

#endif

}  // namespace

NameStyle NameStyleOfStandardOutput() {
#ifdef _WIN32
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  // Only a console has a code page; a file or a pipe takes bytes that say the same anywhere.
  if (out == INVALID_HANDLE_VALUE || !GetConsoleMode(out, &mode)) return NameStyle::kEscaped;
  const UINT page = GetConsoleOutputCP();
  return page == kCodePageShiftJis ? NameStyle::kShiftJis
         : page == CP_UTF8         ? NameStyle::kUtf8
                                   : NameStyle::kEscaped;
#else
  const char* locale = std::setlocale(LC_CTYPE, "");
  const char* codeset = locale != nullptr ? nl_langinfo(CODESET) : nullptr;
  return codeset != nullptr && std::strcmp(codeset, "UTF-8") == 0 ? NameStyle::kUtf8
                                                                  : NameStyle::kEscaped;
#endif
}

bool ShiftJisToUtf8(const std::string& bytes, std::string* utf8) { return ToUtf8(bytes, *utf8); }

std::string ShowName(const std::string& bytes, NameStyle style) {
  std::string converted;
  switch (style) {
    case NameStyle::kUtf8:
      if (ToUtf8(bytes, converted)) return Quote(converted, false);
      break;
    case NameStyle::kShiftJis:
#ifdef _WIN32
      if (std::wstring wide; ToWide(bytes, wide)) return Quote(bytes, true);
#endif
      break;
    case NameStyle::kEscaped:
      break;
  }
  return QuoteBytes(bytes);
}

}  // namespace d88info
