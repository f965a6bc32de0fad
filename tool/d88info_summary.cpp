#include "tool/d88info_summary.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "d88/d88_format.h"
#include "tool/d88info_words.h"

namespace {

// Every anomaly has a kind; past the first few of a kind only a count is kept.
enum Kind : int {
  kStatus,
  kDeleted,
  kSingleDensity,
  kDataSize,
  kDuplicate,
  kPlace,
  kCountsDisagree,
  kCountDiffers,
  kTruncated,
  kListingFull,
  kTrackPastSize,
  kTrackOverlap,
  kOldHeader,
  kWriteProtect,
  kSizeZero,
  kSizeInsideHeader,
  kSizePastEnd,
  kTrailing,
  kDiskLimit,
  kKinds
};
constexpr const char* kKindNames[kKinds] = {"sectors with a status other than normal",
                                            "sectors marked deleted",
                                            "sectors in single density (FM)",
                                            "sectors whose data size is not 128 << N",
                                            "sector IDs found twice in a track",
                                            "sector IDs whose C/H differ from the track's place",
                                            "tracks whose records disagree on the count",
                                            "tracks whose count differs from what they hold",
                                            "tracks the image ends inside",
                                            "tracks listed only in part",
                                            "tracks past the disk's size",
                                            "overlapping tracks",
                                            "older 0x2A0-byte headers",
                                            "odd write-protect bytes",
                                            "disks whose size field is 0",
                                            "disks starting inside the one before",
                                            "disks running past the end of the file",
                                            "bytes after the last disk",
                                            "the 64-disk limit"};
constexpr int kNamedPerKind = 5;
constexpr int kLineSize = 256;
// Runs of alike tracks shown for one disk before the rest are only counted: with the limits on
// anomalies, no image makes more than about 50 KB of summary.
constexpr int kLayoutLinesPerDisk = 8;

struct Anomalies {
  int counts[kKinds];
  char named[kKinds * kNamedPerKind][kLineSize];
  int named_count;
};
Anomalies g_anomalies;
// The image is gone through twice: first to gather the anomalies, whose number the first line
// gives, then to print the disks and tracks.
bool g_printing = false;

void Anomaly(Kind kind, const char* format, ...) {
  if (g_printing || ++g_anomalies.counts[kind] > kNamedPerKind) return;
  std::va_list args;
  va_start(args, format);
  std::vsnprintf(g_anomalies.named[g_anomalies.named_count++], kLineSize, format, args);
  va_end(args);
}

// Prints one line in the second pass; false once standard output has failed.
bool Print(const char* format, ...) {
  if (!g_printing) return true;
  std::va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::putchar('\n');
  return std::ferror(stdout) == 0;
}

void CheckRecords(std::int32_t disk, std::int32_t track, const TrackFacts& facts) {
  static std::uint32_t ids[kMaxListedRecords];
  char marks[kLineSize];
  for (std::int32_t i = 0; i < facts.held; ++i) {
    const RecordHeader& rec = facts.records[i];
    ids[i] = static_cast<std::uint32_t>(rec.c) << 24 | static_cast<std::uint32_t>(rec.h) << 16 |
             static_cast<std::uint32_t>(rec.r) << 8 | rec.n;
    if (!DescribeMarks(rec, marks, sizeof marks) && rec.density != 0x40 &&
        (rec.c == track / 2 && rec.h == track % 2)) {
      continue;
    }
    char where[96];
    std::snprintf(where, sizeof where, "disk %" PRId32 " track %" PRId32 " sector %u/%u/%u/%u",
                  disk, track, rec.c, rec.h, rec.r, rec.n);
    if (rec.status != 0)
      Anomaly(kStatus, "%s: %s", where, marks);
    else if (rec.deleted != 0)
      Anomaly(kDeleted, "%s: %s", where, marks);
    else if (marks[0] != '\0')
      Anomaly(kDataSize, "%s: %s", where, marks);
    if (rec.density == 0x40) Anomaly(kSingleDensity, "%s: single density (FM)", where);
    if (rec.c != track / 2 || rec.h != track % 2) {
      Anomaly(kPlace, "%s: C/H %u/%u, but the track is cylinder %" PRId32 " head %" PRId32, where,
              rec.c, rec.h, track / 2, track % 2);
    }
  }
  std::sort(ids, ids + facts.held);
  for (std::int32_t i = 1; i < facts.held; ++i) {
    if (ids[i] == ids[i - 1] && (i == 1 || ids[i - 1] != ids[i - 2])) {
      Anomaly(kDuplicate, "disk %" PRId32 " track %" PRId32 ": sector %u/%u/%u/%u more than once",
              disk, track, ids[i] >> 24, ids[i] >> 16 & 0xFF, ids[i] >> 8 & 0xFF, ids[i] & 0xFF);
    }
  }
}

void CheckTrack(std::int32_t disk, std::int32_t track, const TrackFacts& facts,
                const std::int64_t (&starts)[d88::kTrackCount]) {
  char where[64];
  std::snprintf(where, sizeof where, "disk %" PRId32 " track %" PRId32, disk, track);
  if (facts.entry < 0 || (facts.entry > 0 && !facts.usable)) {
    char offset[32] = "2^31 or more";
    if (facts.entry > 0) std::snprintf(offset, sizeof offset, "%" PRId32, facts.entry);
    Anomaly(kTrackPastSize, "%s: offset %s is past the disk's size", where, offset);
    return;
  }
  if (!facts.usable) return;
  for (std::int32_t t = 0; t < track; ++t) {
    if (starts[t] == facts.start) {
      Anomaly(kTrackOverlap, "%s: starts where track %" PRId32 " does, at offset %" PRId64, where,
              t, facts.start);
      break;
    }
  }
  if (facts.listed == kMaxListedRecords) {
    Anomaly(kListingFull, "%s: more than %" PRId32 " records", where, kMaxListedRecords);
  }
  if (facts.held == 0) {
    Anomaly(kTruncated, "%s: the image ends before the track, at offset %" PRId64, where,
            facts.start);
    return;
  }
  CheckRecords(disk, track, facts);
  const RecordHeader& last = facts.records[facts.held - 1];
  const std::uint16_t count = facts.records[0].sector_count;
  // The walk ended neither at a count nor at the next track: the image ended.
  const bool image_ended = facts.listed == facts.held && facts.listed < kMaxListedRecords &&
                           last.sector_count != facts.held;
  bool counts_agree = true;
  for (std::int32_t i = 1; i < facts.held && counts_agree; ++i) {
    if (facts.records[i].sector_count != count) {
      counts_agree = false;
      Anomaly(kCountsDisagree, "%s: records say %u and %u sectors", where, count,
              facts.records[i].sector_count);
    }
  }
  if (image_ended) {
    Anomaly(kTruncated,
            "%s: the image ends inside the track after %" PRId32
            " of the %u records its count says",
            where, facts.held, count);
  } else if (counts_agree && count != facts.held) {
    Anomaly(kCountDiffers, "%s: the count says %u (0x%04X), the track holds %" PRId32 " records",
            where, count, count, facts.held);
  }
  if (last.data_held < last.data_size) {
    Anomaly(kTruncated,
            "%s sector %u/%u/%u/%u: the image ends inside its data, after %" PRId32 " of %u bytes",
            where, last.c, last.h, last.r, last.n, last.data_held, last.data_size);
  }
  const std::int64_t end = last.offset + d88::kSectorHeaderSize + last.data_size;
  for (std::int32_t t = 0; t < d88::kTrackCount; ++t) {
    if (starts[t] == facts.boundary && end > facts.boundary) {
      Anomaly(kTrackOverlap,
              "%s: its last record runs to offset %" PRId64 ", into track %" PRId32 " at %" PRId64,
              where, end, t, facts.boundary);
      break;
    }
  }
}

// The tracks of the selected disk, runs of alike tracks on one line, and their anomalies.
bool ShowTracks(const D88Image& image, std::int32_t disk) {
  // Where each usable track starts, to tell overlaps; -1 where none.
  std::int64_t starts[d88::kTrackCount];
  for (std::int32_t t = 0; t < d88::kTrackCount; ++t) starts[t] = TrackStart(image, t);
  char layout[kLineSize], run_layout[kLineSize] = "";
  std::int32_t run_first = 0, lines = 0, more = 0;
  for (std::int32_t t = 0; t <= d88::kTrackCount; ++t) {
    if (t < d88::kTrackCount) {
      const TrackFacts facts = ReadTrack(image, t);
      CheckTrack(disk, t, facts, starts);
      DescribeLayout(facts, layout, sizeof layout);
      if (t > 0 && std::strcmp(layout, run_layout) == 0) continue;
    }
    if (t > 0) {
      if (lines++ >= kLayoutLinesPerDisk) {
        ++more;
      } else if (!(t - 1 == run_first ? Print("  track %" PRId32 ": %s", run_first, run_layout)
                                      : Print("  tracks %" PRId32 "-%" PRId32 ": %s", run_first,
                                              t - 1, run_layout))) {
        return false;
      }
    }
    run_first = t;
    std::snprintf(run_layout, sizeof run_layout, "%s", layout);
  }
  return more == 0 || Print("  and %" PRId32 " more runs of tracks", more);
}

// Goes through every disk; in the second pass prints each, its tracks folded.
bool ShowDisks(D88Image& image) {
  const std::int32_t disks = image.GetDiskCount();
  const std::int64_t file_size = image.GetImageFileSize();
  std::int64_t end_of_disks = 0;
  for (std::int32_t disk = 0; disk < disks;) {
    if (!image.SelectDisk(disk)) {
      if (!Print("disk %" PRId32 ": its header cannot be read", disk)) return false;
      ++disk;
      continue;
    }
    const std::int64_t offset = image.GetDiskOffset();
    // A size field of 0 makes the scan find the same header again, up to the limit.
    std::int32_t repeats = 1;
    while (disk + repeats < disks && image.SelectDisk(disk + repeats) &&
           image.GetDiskOffset() == offset) {
      ++repeats;
    }
    image.SelectDisk(disk);
    const std::int64_t size = image.GetDiskSize() < 0 ? INT64_MAX / 2 : image.GetDiskSize();
    const std::int32_t media = image.GetMediaType(), protect = image.GetWriteProtect();
    char name[4 * d88::kDiskNameSize + 3], held[96] = "", again[96] = "";
    QuoteName(image.GetDiskName(), name, sizeof name);
    if (offset + size > file_size) {
      std::snprintf(held, sizeof held, " (the file holds %" PRId64 " of it)", file_size - offset);
      if (image.GetDiskSize() < 0) {
        Anomaly(kSizePastEnd, "disk %" PRId32 ": its size field is 2^31 or more", disk);
      } else {
        Anomaly(kSizePastEnd,
                "disk %" PRId32 ": its size runs %" PRId64 " bytes past the end of the file", disk,
                offset + size - file_size);
      }
    }
    if (repeats > 1) {
      std::snprintf(again, sizeof again,
                    ", found %" PRId32 " times (disks %" PRId32 "-%" PRId32 ")", repeats, disk,
                    disk + repeats - 1);
    }
    if (size == 0) {
      Anomaly(kSizeZero,
              "disk %" PRId32
              ": its size field is 0, so the next disk would start"
              " where it does",
              disk);
    } else if (size < d88::kDiskHeaderSize && disk + 1 < disks) {
      Anomaly(kSizeInsideHeader,
              "disk %" PRId32 ": its size field %" PRId64
              " is smaller than"
              " its header; disk %" PRId32 " starts inside it",
              disk, size, disk + 1);
    }
    if (protect != 0x00 && protect != 0x10) {
      Anomaly(kWriteProtect,
              "disk %" PRId32 ": write-protect byte 0x%02" PRIX32
              ", neither 0x00"
              " nor 0x10",
              disk, protect);
    }
    if (HasOldHeader(image)) {
      Anomaly(kOldHeader,
              "disk %" PRId32
              ": older 0x2A0-byte header of 160 track entries; its"
              " track entries 160-163 are the first bytes of track 0",
              disk);
    }
    const char* protection = protect == 0x10   ? "write-protected"
                             : protect == 0x00 ? "not write-protected"
                                               : "write protection unknown";
    char size_words[64];
    if (image.GetDiskSize() < 0) {
      std::snprintf(size_words, sizeof size_words, "size 2^31 or more");
    } else {
      std::snprintf(size_words, sizeof size_words, "size %" PRId64, size);
    }
    if (!Print("disk %" PRId32 " %s: media 0x%02" PRIX32 "%s, %s, at %" PRId64 ", %s%s%s", disk,
               name, media, MediaName(media), protection, offset, size_words, held, again) ||
        !ShowTracks(image, disk)) {
      return false;
    }
    end_of_disks = std::max(end_of_disks, offset + size);
    disk += repeats;
  }
  // After a size field of 0 the rest of the file is out of reach; that disk's anomaly says why.
  if (disks > 0 && end_of_disks < file_size && image.GetDiskOffset() != end_of_disks) {
    if (disks == d88::kMaxDisks) {
      Anomaly(kDiskLimit,
              "image: %" PRId32 " disks, the most the reader takes; the %" PRId64
              " bytes from offset %" PRId64 " are not read",
              disks, file_size - end_of_disks, end_of_disks);
    } else {
      Anomaly(kTrailing, "image: %" PRId64 " bytes after the last disk, from offset %" PRId64,
              file_size - end_of_disks, end_of_disks);
    }
  }
  return true;
}

}  // namespace

void PrintSummary(D88Image& image, const char* path) {
  g_anomalies = Anomalies();
  g_printing = false;
  ShowDisks(image);
  int total = 0;
  for (int count : g_anomalies.counts) total += count;
  const std::int32_t disks = image.GetDiskCount();
  std::printf("%s: %" PRId64 " bytes, %" PRId32 " disk%s", path, image.GetImageFileSize(), disks,
              disks == 1 ? "" : "s");
  if (disks == 0) {
    std::puts(" (no 688-byte disk header: not a D88 image, or an empty one)");
    return;
  }
  if (total == 0) {
    std::puts(", no anomalies");
  } else {
    std::printf(", %d anomal%s\n", total, total == 1 ? "y" : "ies");
  }
  g_printing = true;
  if (!ShowDisks(image) || total == 0 || !Print("anomalies:")) return;
  for (int i = 0; i < g_anomalies.named_count; ++i) {
    if (!Print("  %s", g_anomalies.named[i])) return;
  }
  for (int kind = 0; kind < kKinds; ++kind) {
    const int more = g_anomalies.counts[kind] - kNamedPerKind;
    if (more > 0 && !Print("  and %d more %s", more, kKindNames[kind])) return;
  }
}
