// Fuzzes D88Image with an image and a sequence of calls, both taken from the input as
// fuzz/reader_calls.h lays it out. Every destination buffer is allocated at exactly the size the
// call is given, so that AddressSanitizer catches a single byte written past it. Each result is
// checked against what the reader promises.
#include <sanitizer/common_interface_defs.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "d88/d88_image.h"
#include "fuzz/reader_calls.h"
#include "testing/d88_builder.h"

namespace {

using d88fuzz::DrawArgument;
using d88fuzz::DrawBufferSize;
using d88fuzz::kMaxImageSize;
using d88fuzz::ReaderCall;

constexpr int kMostOpens = 4;

std::string g_image_path;
std::string g_missing_path;
int g_image_fd = -1;

#define CHECK(condition)                                          \
  do {                                                            \
    if (!(condition)) {                                           \
      std::fprintf(stderr, "invariant broken: %s\n", #condition); \
      std::abort();                                               \
    }                                                             \
  } while (0)

// The arguments of ReadSector and ReadSectors: a sector and a buffer of exactly `size` bytes.
struct SectorCall {
  std::int32_t track, c, h, r, n, size;
  std::unique_ptr<std::uint8_t[]> buffer;
};

std::unique_ptr<std::uint8_t[]> Buffer(std::int32_t size) {
  return std::unique_ptr<std::uint8_t[]>(
      new std::uint8_t[static_cast<std::size_t>(size > 0 ? size : 0)]);
}

SectorCall DrawSectorCall(FuzzedDataProvider& input) {
  SectorCall call;
  call.track = DrawArgument(input);
  call.c = DrawArgument(input);
  call.h = DrawArgument(input);
  call.r = DrawArgument(input);
  call.n = DrawArgument(input);
  call.size = DrawBufferSize(input);
  call.buffer = Buffer(call.size);
  return call;
}

void CheckState(const D88Image& reader) {
  const std::int32_t disks = reader.GetDiskCount();
  CHECK(disks >= 0 && disks <= 64);
  CHECK(reader.GetCurrentDisk() >= -1 && reader.GetCurrentDisk() < disks);
  CHECK(reader.GetMediaType() >= -1 && reader.GetMediaType() <= 255);
  CHECK(reader.GetDiskName() != nullptr && std::strlen(reader.GetDiskName()) <= 16);
}

}  // namespace

// The reader frees nothing: a small quarantine of freed memory loses no finding, and spares the
// fuzzer the fresh pages a large one costs on every input.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char dir[] = "/tmp/dskpick-reader-fuzz-XXXXXX";
  if (mkdtemp(dir) == nullptr) std::abort();
  g_missing_path = std::string(dir) + "/missing.d88";
  // The image lives in memory: a file in a folder cost a write to a disk for every input.
  g_image_fd = memfd_create("image.d88", 0);
  if (g_image_fd < 0) std::abort();
  g_image_path = "/proc/self/fd/" + std::to_string(g_image_fd);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::vector<std::uint8_t> image = input.ConsumeBytes<std::uint8_t>(
      input.ConsumeIntegralInRange<std::uint32_t>(0, kMaxImageSize));
  if (ftruncate(g_image_fd, 0) != 0 ||
      (!image.empty() &&
       pwrite(g_image_fd, image.data(), image.size(), 0) != static_cast<ssize_t>(image.size()))) {
    std::abort();
  }

  D88Image reader;
  int opens = 0;
  CHECK(reader.Open(g_image_path.c_str()));
  CheckState(reader);
  while (input.remaining_bytes() > 0) {
    switch (input.ConsumeEnum<ReaderCall>()) {
      case ReaderCall::kOpen:
        // A few openings find all that opening again can; more would only slow the fuzzer.
        if (++opens > kMostOpens) break;
        CHECK(reader.Open(g_image_path.c_str()));
        CHECK(reader.GetCurrentDisk() == -1);
        break;
      case ReaderCall::kClose:
        CHECK(reader.Open(nullptr));
        CHECK(reader.GetDiskCount() == 0);
        break;
      case ReaderCall::kOpenMissing:
        CHECK(!reader.Open(g_missing_path.c_str()));
        CHECK(reader.GetDiskCount() == 0);
        break;
      case ReaderCall::kSelectDisk: {
        const std::int32_t index = DrawArgument(input);
        const bool selected = reader.SelectDisk(index);
        CHECK(selected == (index >= 0 && index < reader.GetDiskCount()));
        CHECK(reader.GetCurrentDisk() == (selected ? index : -1));
        break;
      }
      case ReaderCall::kSetSectorRange: {
        const std::int32_t first = DrawArgument(input);
        reader.SetSectorRange(first, DrawArgument(input));
        break;
      }
      case ReaderCall::kReadSector: {
        SectorCall s = DrawSectorCall(input);
        const std::int32_t got =
            reader.ReadSector(s.track, s.c, s.h, s.r, s.n, s.buffer.get(), s.size);
        CHECK(got >= 0 && got <= (s.size > 0 ? s.size : 0));
        break;
      }
      case ReaderCall::kReadSectors: {
        SectorCall s = DrawSectorCall(input);
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
      case ReaderCall::kListSectorIds: {
        const std::int32_t track = DrawArgument(input), capacity = DrawBufferSize(input);
        auto out = Buffer(capacity);
        const std::int32_t got = reader.ListSectorIds(track, out.get(), capacity);
        CHECK(got >= 0 && got % 4 == 0 && got <= (capacity > 0 ? capacity : 0));
        // The record listing walks the same records: the same IDs, as many.
        std::vector<RecordHeader> records(
            static_cast<std::size_t>(capacity > 0 ? capacity / 4 : 0));
        const std::int32_t listed =
            reader.ListRecords(track, records.data(), static_cast<std::int32_t>(records.size()));
        CHECK(listed == got / 4);
        for (std::int32_t i = 0; i < listed; ++i) {
          const RecordHeader& record = records[static_cast<std::size_t>(i)];
          const std::uint8_t* id = out.get() + 4 * i;
          CHECK(record.c == id[0] && record.h == id[1] && record.r == id[2] && record.n == id[3]);
          CHECK(record.data_held >= 0 && record.data_held <= record.data_size);
        }
        break;
      }
    }
    CheckState(reader);
  }
  return 0;
}
