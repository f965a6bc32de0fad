#include "tool/run_dskpick.h"

#include <cstdint>
#include <cstdio>

#include "tool/cut_file.h"
#include "common/cut_table.h"
#include "tool/messages.h"

namespace {

constexpr int kStatusOk = 0;
constexpr int kStatusCannotStart = 1;
constexpr int kStatusWriteFailed = 2;

}  // namespace

int RunDskpick(int argc, const char* const* argv) {
  if (argc != 2) {
    std::fputs(kUsageMessage, stderr);
    return kStatusCannotStart;
  }
  if (!g_reader.Open(argv[1])) {
    std::fputs(kOpenFailedMessage, stderr);
    return kStatusCannotStart;
  }
  // Taken once, from the file opened: the path may lead elsewhere once a file is replaced.
  g_reader.GetFileIdentity(&g_image_identity);
  const std::int32_t disk_count = g_reader.GetDiskCount();
  g_reader.SetSectorRange(kFirstSector, kLastSector);
  bool write_failed = false;
  for (std::int32_t disk = 0; disk < disk_count; ++disk) {
    g_reader.SelectDisk(disk);
    for (const CutEntry& e : kCutTable) {
      if (e.disk == disk && CutFile(e) == CutOutcome::kWriteFailed) {
        write_failed = true;
      }
    }
  }
  // Progress lines that never reached their reader are a failure too, reported only now, once
  // every file has been written.
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fputs(kCannotWriteOutputMessage, stderr);
    write_failed = true;
  }
  return write_failed ? kStatusWriteFailed : kStatusOk;
}
