#include "tool/cut_file.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "tool/messages.h"

D88Image g_reader;

namespace {

std::uint8_t g_cut_buffer[kCutBufferSize];

bool WriteWholeFile(const char* name, const std::uint8_t* data, std::int32_t length) {
  std::FILE* out = std::fopen(name, "wb");
  if (out == nullptr) {
    // Nothing was created, and whatever holds the name (a directory, say) is not ours to remove.
    return false;
  }
  const std::size_t size = static_cast<std::size_t>(length);
  const bool written = std::fwrite(data, 1, size, out) == size;
  const bool closed = std::fclose(out) == 0;
  if (!written || !closed) {
    // A truncated file under an entry's name would pass for a good one.
    std::remove(name);
    return false;
  }
  return true;
}

}  // namespace

CutOutcome CutFileWithOutcome(const char* name, std::int32_t track, std::int32_t c, std::int32_t h,
                              std::int32_t r, std::int32_t n, std::int32_t skip,
                              std::int32_t length) {
  if (skip < 0 || length < 0 || skip > kCutBufferSize - length) {
    return CutOutcome::kRejected;
  }
  const std::int32_t total = skip + length;
  const std::int32_t delivered = g_reader.ReadSectors(track, c, h, r, n, g_cut_buffer, total);
  if (delivered == 0) {
    return CutOutcome::kNoData;
  }
  std::printf(kProgressFormat, name);
  // The buffer is shared by all entries: what follows a short run would be an earlier file's.
  if (delivered < total) {
    std::memset(g_cut_buffer + delivered, 0, static_cast<std::size_t>(total - delivered));
  }
  const bool written = WriteWholeFile(name, g_cut_buffer + skip, length);
  // Keep each message after its file's progress line when both streams go to one place.
  std::fflush(stdout);
  if (!written) {
    std::fprintf(stderr, kCannotWriteFormat, name);
    return CutOutcome::kWriteFailed;
  }
  if (delivered < total) {
    const std::int32_t got = delivered > skip ? delivered - skip : 0;
    std::fprintf(stderr, kIncompleteFormat, name, got, length);
    return CutOutcome::kIncomplete;
  }
  return CutOutcome::kWritten;
}

bool CutFile(const char* name, std::int32_t track, std::int32_t c, std::int32_t h, std::int32_t r,
             std::int32_t n, std::int32_t skip, std::int32_t length) {
  const CutOutcome outcome = CutFileWithOutcome(name, track, c, h, r, n, skip, length);
  return outcome == CutOutcome::kWritten || outcome == CutOutcome::kIncomplete;
}
