#include "tool/d88info_report.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>

#include "d88/d88_format.h"
#include "tool/cut_table.h"

namespace {

// Room for 65,536 IDs: more than any real track holds, so a listing that fills it says so.
constexpr std::int32_t kListedIds = 65536;
constexpr std::int32_t kIdSize = 4;
std::uint8_t g_ids[kListedIds * kIdSize];

// As dskpick's cut buffer: room for any entry's whole run.
std::uint8_t g_run[kCutBufferSize];

// The name bytes, unambiguous on any console and code page: printable ASCII as it is, but for
// the quote and the backslash; every other byte as \xNN.
void PrintName(const char* name) {
  std::putchar('"');
  for (const char* p = name; *p != '\0'; ++p) {
    const unsigned byte = static_cast<unsigned char>(*p);
    if (byte >= 0x20 && byte <= 0x7E && byte != '"' && byte != '\\') {
      std::putchar(static_cast<int>(byte));
    } else {
      std::printf("\\x%02X", byte);
    }
  }
  std::putchar('"');
}

const char* MediaName(std::int32_t media) {
  switch (media) {
    case 0x00:
      return " (2D)";
    case 0x10:
      return " (2DD)";
    case 0x20:
      return " (2HD)";
    default:
      return "";
  }
}

void PrintTracks(D88Image& image) {
  for (std::int32_t track = 0; track < d88::kTrackCount; ++track) {
    const std::int32_t bytes =
        image.ListSectorIds(track, g_ids, static_cast<std::int32_t>(sizeof g_ids));
    if (bytes == 0) continue;
    // Once standard output has failed (a reader that has gone), the rest would be lost too.
    if (std::ferror(stdout) != 0) return;
    std::printf("  track %" PRId32 ":", track);
    for (std::int32_t at = 0; at < bytes; at += kIdSize) {
      std::printf(" %u/%u/%u/%u", g_ids[at], g_ids[at + 1], g_ids[at + 2], g_ids[at + 3]);
    }
    if (bytes == static_cast<std::int32_t>(sizeof g_ids)) {
      std::printf(" (listing stopped at %" PRId32 " IDs)", kListedIds);
    }
    std::putchar('\n');
  }
}

}  // namespace

void PrintLayout(D88Image& image, const char* path) {
  const std::int32_t disks = image.GetDiskCount();
  std::printf("%s: %" PRId32 " disk%s", path, disks, disks == 1 ? "" : "s");
  if (disks == 0)
    std::fputs(" (no 688-byte disk header: not a D88 image, or an empty one)", stdout);
  std::putchar('\n');
  for (std::int32_t disk = 0; disk < disks && std::ferror(stdout) == 0; ++disk) {
    std::printf("disk %" PRId32 ": ", disk);
    if (!image.SelectDisk(disk)) {
      std::puts("header cannot be read");
      continue;
    }
    std::fputs("name ", stdout);
    PrintName(image.GetDiskName());
    const std::int32_t media = image.GetMediaType();
    std::printf(", media 0x%02" PRIX32 "%s, offset %" PRId32, media, MediaName(media),
                image.GetDiskOffset());
    if (image.GetDiskSize() < 0) {
      std::puts(", size 2^31 or more (no track is usable)");
    } else {
      std::printf(", size %" PRId32 "\n", image.GetDiskSize());
    }
    PrintTracks(image);
  }
}

void PrintCheck(D88Image& image) {
  const std::int32_t disks = image.GetDiskCount();
  image.SetSectorRange(kFirstSector, kLastSector);
  int cut = 0, incomplete = 0, entries = 0;
  for (const CutEntry& e : kCutTable) {
    ++entries;
    std::printf("%s: ", e.name);
    if (e.disk >= disks) {
      std::printf("no disk (the image has %" PRId32 ", this file is on disk %" PRId32 ")\n", disks,
                  e.disk);
      continue;
    }
    // The same calls as dskpick's, so the answer is what dskpick would do.
    image.SelectDisk(e.disk);
    const std::int32_t total = e.skip + e.length;
    const std::int32_t delivered = image.ReadSectors(e.track, e.c, e.h, e.r, e.n, g_run, total);
    if (delivered == 0) {
      std::fputs("no data", stdout);
    } else if (delivered < total) {
      ++incomplete;
      std::printf("incomplete %" PRId32 " of %" PRId32 " bytes", FileBytesRead(e.skip, delivered),
                  e.length);
    } else {
      ++cut;
      std::fputs("cut", stdout);
    }
    std::printf(" (disk %" PRId32 ", track %" PRId32 ", C/H/R/N %" PRId32 "/%" PRId32 "/%" PRId32
                "/%" PRId32 ")\n",
                e.disk, e.track, e.c, e.h, e.r, e.n);
  }
  std::printf("%d of %d files would be cut", cut + incomplete, entries);
  if (incomplete > 0) std::printf(", %d of them incomplete", incomplete);
  std::putchar('\n');
}
