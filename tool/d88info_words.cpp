#include "tool/d88info_words.h"

#include <cinttypes>
#include <cstdio>

#include "d88/d88_format.h"

namespace {

RecordHeader g_records[kMaxListedRecords];

// Appends to the text at `out` (of `size` bytes), as snprintf would write it.
template <typename... Args>
void Append(char* out, std::size_t size, const char* format, Args... args) {
  std::size_t used = 0;
  while (used < size && out[used] != '\0') ++used;
  if (used < size) std::snprintf(out + used, size - used, format, args...);
}

const char* StatusWords(std::uint8_t status) {
  switch (status) {
    case 0x10:
      return "deleted data found";
    case 0xA0:
      return "ID CRC error";
    case 0xB0:
      return "data CRC error";
    case 0xE0:
      return "no address mark";
    case 0xF0:
      return "no data mark";
    default:
      return "unknown status";
  }
}

}  // namespace

bool HasOldHeader(const D88Image& image) {
  std::int32_t first = 0;
  for (std::int32_t t = 0; t < d88::kOldTrackCount; ++t) {
    const std::int32_t entry = image.GetTrackEntry(t);
    if (entry > 0 && (first == 0 || entry < first)) first = entry;
  }
  return first == d88::kOldDiskHeaderSize;
}

std::int64_t TrackStart(const D88Image& image, std::int32_t track) {
  // Past the older header's 160 entries stand the first bytes of track 0, not tracks.
  if (track >= d88::kOldTrackCount && HasOldHeader(image)) return -1;
  const std::int32_t entry = image.GetTrackEntry(track);
  return entry > 0 && entry <= image.GetDiskSize() ? image.GetDiskOffset() + entry : -1;
}

TrackFacts ReadTrack(const D88Image& image, std::int32_t track) {
  TrackFacts facts;
  facts.start = TrackStart(image, track);
  facts.usable = facts.start >= 0;
  facts.entry =
      track >= d88::kOldTrackCount && HasOldHeader(image) ? 0 : image.GetTrackEntry(track);
  if (!facts.usable) return facts;
  const std::int64_t disk_end = image.GetDiskOffset() + image.GetDiskSize();
  // The track ends where the next one starts, else where the disk does.
  facts.boundary = disk_end > facts.start ? disk_end : image.GetImageFileSize();
  for (std::int32_t t = 0; t < d88::kTrackCount; ++t) {
    const std::int64_t start = TrackStart(image, t);
    if (start > facts.start && start < facts.boundary) facts.boundary = start;
  }
  facts.records = g_records;
  facts.listed = image.ListRecords(track, g_records, kMaxListedRecords);
  while (facts.held < facts.listed && g_records[facts.held].offset < facts.boundary) ++facts.held;
  return facts;
}

std::int32_t SectorSize(std::uint8_t n) { return n <= 8 ? d88::kBaseSectorSize << n : -1; }

void DescribeLayout(const TrackFacts& facts, char* out, std::size_t size) {
  out[0] = '\0';
  if (facts.entry == 0) {
    Append(out, size, "%s", "absent");
    return;
  }
  if (!facts.usable) {
    Append(out, size, "%s", "past the disk's size");
    return;
  }
  if (facts.held == 0) {
    Append(out, size, "%s", "no records (the image ends there)");
    return;
  }
  int min_n = 255, max_n = 0, min_r = 255, max_r = 0;
  unsigned densities = 0;  // 1 MFM, 2 FM, 4 high, 8 other
  for (std::int32_t i = 0; i < facts.held; ++i) {
    const RecordHeader& record = facts.records[i];
    if (record.n < min_n) min_n = record.n;
    if (record.n > max_n) max_n = record.n;
    if (record.r < min_r) min_r = record.r;
    if (record.r > max_r) max_r = record.r;
    densities |= record.density == 0x00   ? 1u
                 : record.density == 0x40 ? 2u
                 : record.density == 0x01 ? 4u
                                          : 8u;
  }
  const std::uint8_t n = static_cast<std::uint8_t>(min_n);
  if (min_n != max_n) {
    Append(out, size, "%" PRId32 " sectors of N %d-%d", facts.held, min_n, max_n);
  } else if (SectorSize(n) > 0) {
    Append(out, size, "%" PRId32 " x %" PRId32 " bytes (N %d)", facts.held, SectorSize(n), min_n);
  } else {
    Append(out, size, "%" PRId32 " sectors of N %d", facts.held, min_n);
  }
  if (min_r == max_r) {
    Append(out, size, ", R %d", min_r);
  } else {
    Append(out, size, ", R %d-%d", min_r, max_r);
  }
  Append(out, size, "%s",
         densities == 1u   ? ", MFM"
         : densities == 2u ? ", FM"
         : densities == 4u ? ", high density"
                           : ", mixed density");
}

bool DescribeMarks(const RecordHeader& record, char* out, std::size_t size) {
  out[0] = '\0';
  const char* separator = "";
  if (record.status != 0x00) {
    Append(out, size, "%s (status 0x%02X)", StatusWords(record.status), record.status);
    separator = ", ";
  }
  if (record.deleted != 0x00) {
    Append(out, size, "%smarked deleted (0x%02X)", separator, record.deleted);
    separator = ", ";
  }
  if (record.data_size != SectorSize(record.n)) {
    Append(out, size, "%sdata size %u, not 128 << %u", separator, record.data_size, record.n);
  }
  return out[0] != '\0';
}

void QuoteName(const char* name, char* out, std::size_t size) {
  out[0] = '\0';
  Append(out, size, "%s", "\"");
  for (const char* p = name; *p != '\0'; ++p) {
    const unsigned byte = static_cast<unsigned char>(*p);
    if (byte >= 0x20 && byte <= 0x7E && byte != '"' && byte != '\\') {
      Append(out, size, "%c", static_cast<char>(byte));
    } else {
      Append(out, size, "\\x%02X", byte);
    }
  }
  Append(out, size, "%s", "\"");
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
