#include "tool/cut_file.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "tool/messages.h"
#include "tool/replace_file.h"

D88Image g_reader;

FileIdentity g_image_identity;

namespace {

std::uint8_t g_cut_buffer[kCutBufferSize];

}  // namespace

CutOutcome CutFile(const CutEntry& entry) {
  const char* name = entry.name;
  const std::int32_t skip = entry.skip, length = entry.length;
  if (skip < 0 || length < 0 || skip > kCutBufferSize - length) {
    return CutOutcome::kRejected;
  }
  const std::int32_t total = skip + length;
  const std::int32_t delivered =
      g_reader.ReadSectors(entry.track, entry.c, entry.h, entry.r, entry.n, g_cut_buffer, total);
  if (delivered == 0) {
    return CutOutcome::kNoData;
  }
  std::printf(kProgressFormat, name);
  // Out before the file is created, so a program following the progress sees each line as its
  // file begins; and each message on standard error comes after its file's line.
  std::fflush(stdout);
  // The buffer is shared by all entries: what follows a short run would be an earlier file's.
  if (delivered < total) {
    std::memset(g_cut_buffer + delivered, 0, static_cast<std::size_t>(total - delivered));
  }
  ReplaceFailure failure;
  if (!ReplaceFileWhole(name, g_image_identity, g_cut_buffer + skip, length, &failure)) {
    std::fprintf(stderr, kCannotWriteFormat, failure.name, failure.reason);
    return CutOutcome::kWriteFailed;
  }
  if (delivered < total) {
    std::fprintf(stderr, kIncompleteFormat, name, FileBytesRead(skip, delivered), length);
    return CutOutcome::kIncomplete;
  }
  return CutOutcome::kWritten;
}
