#include "d88info/words.h"

#include <algorithm>
#include <bitset>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "d88/d88_format.h"

namespace d88info {

namespace {

// Tracks that hold more records than this show no file order, only whether it ascends.
constexpr std::int64_t kMostOrderShown = 64;

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
      return nullptr;
  }
}

// "1-3,5,7-9" for the sorted, distinct `values`.
std::string Ranges(const std::vector<int>& values) {
  std::string out;
  for (std::size_t i = 0; i < values.size();) {
    std::size_t j = i;
    while (j + 1 < values.size() && values[j + 1] == values[j] + 1) ++j;
    if (!out.empty()) out += ',';
    out += j == i ? Format("%d", values[i]) : Format("%d-%d", values[i], values[j]);
    i = j + 1;
  }
  return out;
}

}  // namespace

std::string Format(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string out(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(&out[0], out.size() + 1, format, again);
  va_end(again);
  return out;
}

const char* MediaName(std::int32_t media) {
  switch (media) {
    case 0x00:
      return " (2D)";
    case 0x10:
      return " (2DD)";
    case 0x20:
      return " (2HD)";
    case 0x30:
      return " (1D)";
    case 0x40:
      return " (1DD)";
    default:
      return "";
  }
}

std::int32_t SectorSize(std::uint8_t n) { return n <= 8 ? d88::kBaseSectorSize << n : -1; }

std::string SectorId(std::int32_t c, std::int32_t h, std::int32_t r, std::int32_t n) {
  return Format("%d/%d/%d/%d", c, h, r, n);
}

std::string SectorId(const RecordHeader& record) {
  return SectorId(record.c, record.h, record.r, record.n);
}

bool IsKnownStatus(std::uint8_t status) { return status == 0x00 || StatusWords(status) != nullptr; }

std::string DescribeMarks(const RecordHeader& record) {
  std::string out;
  auto add = [&out](const std::string& words) { out += (out.empty() ? "" : ", ") + words; };
  if (record.status != 0x00) {
    const char* words = StatusWords(record.status);
    add(words != nullptr ? Format("%s (status 0x%02X)", words, record.status)
                         : Format("status byte 0x%02X, not one the format defines", record.status));
  }
  if (record.deleted == 0x10) {
    add("marked deleted (0x10)");
  } else if (record.deleted != 0x00) {
    add(Format("deleted byte 0x%02X, neither 0x00 nor 0x10", record.deleted));
  }
  if (record.data_size != SectorSize(record.n)) {
    add(Format("data size %u, not 128 << %u", record.data_size, record.n));
  }
  return out;
}

std::string DescribeLayout(const Disk& disk, const Track& track) {
  switch (track.state) {
    case TrackState::kAbsent:
      return "absent";
    case TrackState::kOldHeaderBytes:
      return "the first bytes of track 0 (older header), not tracks";
    case TrackState::kPastSize:
      return "past the disk's size";
    case TrackState::kTooFar:
      return "past 2^31 - 1";
    case TrackState::kUnused:
      return "unused (entry = the disk's size)";
    case TrackState::kInsideHeader:
      return "inside the disk's header";
    case TrackState::kUsable:
      break;
  }
  if (track.first < 0 || track.own == 0) return "no records";
  // One pass over the records, with no sorting: a track may hold tens of thousands.
  std::bitset<256> ns, rs;
  std::vector<int> counts, order;
  int min_size = 0xFFFF, max_size = 0;
  unsigned densities = 0;  // 1 MFM, 2 FM, 4 high, 8 other
  std::uint8_t odd_density = 0;
  bool ascending = true, sizes_match = true;
  int last_r = -1;
  std::int32_t at = track.first;
  for (std::int64_t i = 0; i < track.own; ++i) {
    const Record& record = disk.records[static_cast<std::size_t>(at)];
    const RecordHeader& h = record.header;
    ascending = ascending && h.r >= last_r;
    last_r = h.r;
    ns.set(h.n);
    rs.set(h.r);
    if (i < kMostOrderShown) order.push_back(h.r);
    if (std::find(counts.begin(), counts.end(), h.sector_count) == counts.end()) {
      counts.push_back(h.sector_count);
    }
    min_size = std::min<int>(min_size, h.data_size);
    max_size = std::max<int>(max_size, h.data_size);
    sizes_match = sizes_match && h.data_size == SectorSize(h.n);
    densities |= h.density == 0x00 ? 1u : h.density == 0x40 ? 2u : h.density == 0x01 ? 4u : 8u;
    if (densities == 8u) odd_density = h.density;
    at = record.next;
  }
  int min_n = 0, max_n = 255;
  while (!ns.test(static_cast<std::size_t>(min_n))) ++min_n;
  while (!ns.test(static_cast<std::size_t>(max_n))) --max_n;
  const std::int64_t held = track.own;
  std::string out;
  if (min_n != max_n) {
    out = Format("%" PRId64 " sector%s of N %d-%d", held, held == 1 ? "" : "s", min_n, max_n);
  } else if (sizes_match) {
    out = Format("%" PRId64 " x %d bytes (N %d)", held,
                 SectorSize(static_cast<std::uint8_t>(min_n)), min_n);
  } else {
    out = Format("%" PRId64 " sector%s of N %d", held, held == 1 ? "" : "s", min_n);
  }
  if (!sizes_match) {
    out += min_size == max_size ? Format(", data size %d", min_size)
                                : Format(", data sizes %d-%d", min_size, max_size);
  }
  std::vector<int> r_values;
  for (int r = 0; r < 256; ++r) {
    if (rs.test(static_cast<std::size_t>(r))) r_values.push_back(r);
  }
  out += ", R " + Ranges(r_values);
  if (!ascending && track.own > kMostOrderShown) {
    out += ", not in ascending order";
  } else if (!ascending) {
    // Every record's R, repeats included: the file order as it stands.
    std::string list;
    for (int r : order) list += (list.empty() ? "" : ",") + std::to_string(r);
    out += ", order " + list;
  }
  out += densities == 1u   ? ", MFM"
         : densities == 2u ? ", FM"
         : densities == 4u ? ", high density"
         : densities == 8u ? Format(", density 0x%02X", odd_density)
                           : ", mixed density";
  if (counts.size() > 1) {
    std::string list;
    for (int count : counts) list += (list.empty() ? "" : ",") + std::to_string(count);
    out += ", counts " + list;
  } else if (counts[0] != track.own) {
    out += Format(", count %d", counts[0]);
  }
  return out;
}

RecordState StateOf(const RecordHeader& record) {
  if (record.status == 0xA0 || record.status == 0xB0) return RecordState::kCrcError;
  if (record.status == 0xE0 || record.status == 0xF0) return RecordState::kMissingMark;
  if (!IsKnownStatus(record.status) || (record.deleted != 0x00 && record.deleted != 0x10) ||
      (record.density != 0x00 && record.density != 0x40 && record.density != 0x01)) {
    return RecordState::kOddByte;
  }
  if (record.deleted == 0x10 || record.status == 0x10) return RecordState::kDeleted;
  if (record.data_size != SectorSize(record.n)) return RecordState::kOddSize;
  if (record.density == 0x40) return RecordState::kSingleDensity;
  return RecordState::kNormal;
}

const char* StateWords(RecordState state) {
  static constexpr const char* kWords[kRecordStates] = {
      "ID or data CRC error", "missing address or data mark", "odd byte", "deleted",
      "odd data size",        "single density (FM)",          "normal"};
  return kWords[static_cast<int>(state)];
}

std::vector<std::pair<std::int32_t, std::int32_t>> FileRecords(const Model& model) {
  std::vector<std::pair<std::int32_t, std::int32_t>> records;
  for (const FileCheck& file : model.files) {
    for (const RunSector& sector : file.sectors) {
      if (sector.record >= 0) records.emplace_back(file.entry->disk, sector.record);
    }
  }
  std::sort(records.begin(), records.end());
  records.erase(std::unique(records.begin(), records.end()), records.end());
  return records;
}

std::vector<FileNote> FileNotes(const Model& model, const FileCheck& file) {
  std::vector<FileNote> notes;
  if (file.verdict == Verdict::kNoDisk) return notes;
  const Disk& disk = model.disks[static_cast<std::size_t>(file.entry->disk)];
  const std::int32_t sector_size = d88::kBaseSectorSize << file.entry->n;
  const std::size_t read =
      static_cast<std::size_t>((file.delivered + sector_size - 1) / sector_size);
  for (std::size_t i = 0; i < read && i < file.sectors.size(); ++i) {
    const RunSector& sector = file.sectors[i];
    if (sector.record < 0) continue;
    const Record& record = disk.records[static_cast<std::size_t>(sector.record)];
    const std::string which =
        Format("sector %s of track %d", SectorId(sector.c, sector.h, sector.r, sector.n).c_str(),
               sector.track);
    if (!IsOwnRecord(disk, disk.tracks[static_cast<std::size_t>(sector.track)], sector.record)) {
      notes.push_back(
          {false, Format("%s lies in %s, at file offset %" PRId64, which.c_str(),
                         record.owner >= 0 ? Format("track %d's records", record.owner).c_str()
                                           : "no track's records",
                         static_cast<std::int64_t>(record.header.offset))});
    }
    const std::string marks = DescribeMarks(record.header);
    if (!marks.empty()) notes.push_back({true, which + ": " + marks});
  }
  return notes;
}

std::string NameBytes(const Disk& disk) {
  std::string name;
  for (std::uint8_t byte : disk.name) {
    if (byte == 0) break;
    name += static_cast<char>(byte);
  }
  return name;
}

std::string QuoteBytes(const std::string& bytes) {
  std::string out = "\"";
  for (char c : bytes) {
    const unsigned byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte <= 0x7E && byte != '"' && byte != '\\') {
      out += c;
    } else {
      out += Format("\\x%02X", byte);
    }
  }
  return out + "\"";
}

}  // namespace d88info
