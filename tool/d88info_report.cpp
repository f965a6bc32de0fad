#include "tool/d88info_report.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>

#include "d88/d88_format.h"
#include "tool/cut_table.h"
#include "tool/d88info_words.h"

namespace {

// Room for 65,536 IDs: more than any real track holds, so a listing that fills it says so.
constexpr std::int32_t kListedIds = 65536;
constexpr std::int32_t kIdSize = 4;
std::uint8_t g_ids[kListedIds * kIdSize];

// As dskpick's cut buffer: room for any entry's whole run.
std::uint8_t g_run[kCutBufferSize];

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
    char name[4 * d88::kDiskNameSize + 3];
    QuoteName(image.GetDiskName(), name, sizeof name);
    std::printf("name %s", name);
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

// Names every sector of the run dskpick reads from `e` (the `delivered` bytes of it) that the
// image marks: a status other than normal, a deleted mark, a data size other than 128 << N.
// Returns whether there was one.
bool PrintMarkedSectors(const D88Image& image, const CutEntry& e, std::int32_t delivered) {
  const std::int32_t sector_size = d88::kBaseSectorSize << e.n;
  std::int32_t track = e.track, c = e.c, h = e.h, r = e.r;
  bool marked = false;
  char marks[256];
  for (std::int32_t done = 0; done < delivered; done += sector_size) {
    const TrackFacts facts = ReadTrack(image, track);
    for (std::int32_t i = 0; i < facts.listed; ++i) {
      const RecordHeader& rec = facts.records[i];
      // The first record of that ID in file order is the one the reader reads.
      if (rec.c != c || rec.h != h || rec.r != r || rec.n != e.n) continue;
      if (DescribeMarks(rec, marks, sizeof marks)) {
        std::printf("; sector %" PRId32 "/%" PRId32 "/%" PRId32 "/%" PRId32 " of track %" PRId32
                    ": %s",
                    c, h, r, e.n, track, marks);
        marked = true;
      }
      break;
    }
    // The reader's step: after the last sector number, the first of the next track.
    if (r == kLastSector) {
      ++track;
      c += h;
      h = 1 - h;
      r = kFirstSector;
    } else {
      ++r;
    }
  }
  return marked;
}

void PrintCheck(D88Image& image) {
  const std::int32_t disks = image.GetDiskCount();
  image.SetSectorRange(kFirstSector, kLastSector);
  int cut = 0, incomplete = 0, marked = 0, entries = 0;
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
                "/%" PRId32,
                e.disk, e.track, e.c, e.h, e.r, e.n);
    if (delivered == 0) {
      // What the track holds instead says why the sector is not there.
      char layout[256];
      DescribeLayout(ReadTrack(image, e.track), layout, sizeof layout);
      std::printf("; track %" PRId32 ": %s", e.track, layout);
    } else if (PrintMarkedSectors(image, e, delivered)) {
      ++marked;
    }
    std::puts(")");
    if (std::ferror(stdout) != 0) return;
  }
  std::printf("%d of %d files would be cut", cut + incomplete, entries);
  if (incomplete > 0) std::printf(", %d of them incomplete", incomplete);
  if (marked > 0) std::printf(", %d from sectors the image marks", marked);
  std::putchar('\n');
}
