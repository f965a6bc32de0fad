// Fuzzes D88Image with an image and a sequence of calls, both taken from the input:
//   byte 0          length L of the call script
//   bytes 1..L      the calls: an opcode byte, then the call's arguments
//   the rest        the image file
// Every destination buffer is allocated at exactly the size the call is given, so that
// AddressSanitizer catches a single byte written past it. Each result is checked against what
// the reader promises.
#include <sanitizer/common_interface_defs.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "d88/d88_image.h"
#include "testing/d88_builder.h"

namespace {

std::string g_image_path;
std::string g_missing_path;

#define CHECK(condition)                                          \
  do {                                                            \
    if (!(condition)) {                                           \
      std::fprintf(stderr, "invariant broken: %s\n", #condition); \
      std::abort();                                               \
    }                                                             \
  } while (0)

class Script {
 public:
  Script(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Empty() const { return size_ == 0; }
  std::uint8_t Byte() {
    if (size_ == 0) return 0;
    --size_;
    return *data_++;
  }
  // Mostly small values, with the edges of every range within one byte's reach.
  std::int32_t Int() {
    const std::uint8_t b = Byte();
    switch (b) {
      case 0xF0:
        return std::numeric_limits<std::int32_t>::min();
      case 0xF1:
        return std::numeric_limits<std::int32_t>::max();
      case 0xF2:
        return -1;
      case 0xF3:
        return 256;
      case 0xF4:
        return 163;
      case 0xF5:
        return 164;
      case 0xF6:
        return 255;
      case 0xF7: {
        std::uint32_t raw = 0;
        for (int i = 0; i < 4; ++i) raw |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        std::int32_t value;
        std::memcpy(&value, &raw, sizeof value);
        return value;
      }
      default:
        return b;
    }
  }
  // A buffer size: 0 to 16383, or a negative one.
  std::int32_t Size() {
    const std::uint8_t b = Byte();
    if (b == 0xFF) return -1 - static_cast<std::int32_t>(Byte());
    return static_cast<std::int32_t>((b & 0x3F) << 8 | Byte());
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

// The arguments of ReadSector and ReadSectors: a sector and a buffer size.
struct SectorCall {
  std::int32_t track, c, h, r, n, size;
  std::unique_ptr<std::uint8_t[]> buffer;
};

std::unique_ptr<std::uint8_t[]> Buffer(std::int32_t size);

SectorCall TakeSectorCall(Script& script) {
  SectorCall call;
  call.track = script.Int();
  call.c = script.Int();
  call.h = script.Int();
  call.r = script.Int();
  call.n = script.Int();
  call.size = script.Size();
  call.buffer = Buffer(call.size);
  return call;
}

std::unique_ptr<std::uint8_t[]> Buffer(std::int32_t size) {
  return std::unique_ptr<std::uint8_t[]>(
      new std::uint8_t[static_cast<std::size_t>(size > 0 ? size : 0)]);
}

void CheckState(const D88Image& reader) {
  const std::int32_t disks = reader.GetDiskCount();
  CHECK(disks >= 0 && disks <= 64);
  CHECK(reader.GetCurrentDisk() >= -1 && reader.GetCurrentDisk() < disks);
  CHECK(reader.GetMediaType() >= -1 && reader.GetMediaType() <= 255);
  CHECK(reader.GetDiskName() != nullptr && std::strlen(reader.GetDiskName()) <= 16);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char dir[] = "/tmp/dskpick-reader-fuzz-XXXXXX";
  if (mkdtemp(dir) == nullptr) std::abort();
  g_image_path = std::string(dir) + "/image.d88";
  g_missing_path = std::string(dir) + "/missing.d88";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t script_size = std::min<std::size_t>(data[0], size - 1);
  Script script(data + 1, script_size);
  if (!d88test::WriteBytes(g_image_path,
                           std::vector<std::uint8_t>(data + 1 + script_size, data + size))) {
    std::abort();
  }

  D88Image reader;
  CHECK(reader.Open(g_image_path.c_str()));
  CheckState(reader);
  while (!script.Empty()) {
    switch (script.Byte() % 8) {
      case 0:
        CHECK(reader.Open(g_image_path.c_str()));
        CHECK(reader.GetCurrentDisk() == -1);
        break;
      case 1:
        CHECK(reader.Open(nullptr));
        CHECK(reader.GetDiskCount() == 0);
        break;
      case 2:
        CHECK(!reader.Open(g_missing_path.c_str()));
        CHECK(reader.GetDiskCount() == 0);
        break;
      case 3: {
        const std::int32_t index = script.Int();
        const bool selected = reader.SelectDisk(index);
        CHECK(selected == (index >= 0 && index < reader.GetDiskCount()));
        CHECK(reader.GetCurrentDisk() == (selected ? index : -1));
        break;
      }
      case 4: {
        const std::int32_t first = script.Int();
        reader.SetSectorRange(first, script.Int());
        break;
      }
      case 5: {
        SectorCall s = TakeSectorCall(script);
        const std::int32_t got =
            reader.ReadSector(s.track, s.c, s.h, s.r, s.n, s.buffer.get(), s.size);
        CHECK(got >= 0 && got <= (s.size > 0 ? s.size : 0));
        break;
      }
      case 6: {
        SectorCall s = TakeSectorCall(script);
        const std::int32_t got =
            reader.ReadSectors(s.track, s.c, s.h, s.r, s.n, s.buffer.get(), s.size);
        if (s.n < 0 || s.n > 23 || s.size <= 0) {
          CHECK(got == 0);
        } else {
          CHECK(got >= 0 && got <= s.size);
          CHECK(got == s.size || got % (128 << s.n) == 0);
        }
        break;
      }
      case 7: {
        const std::int32_t track = script.Int(), capacity = script.Size();
        auto out = Buffer(capacity);
        const std::int32_t got = reader.ListSectorIds(track, out.get(), capacity);
        CHECK(got >= 0 && got % 4 == 0 && got <= (capacity > 0 ? capacity : 0));
        break;
      }
    }
    CheckState(reader);
  }
  return 0;
}
