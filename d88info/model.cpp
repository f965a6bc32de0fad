#include "d88info/model.h"

#include <algorithm>
#include <cinttypes>
#include <iterator>
#include <map>
#include <memory_resource>
#include <unordered_map>
#include <utility>

#include "d88/d88_format.h"
#include "d88info/words.h"

namespace d88info {

namespace {

constexpr std::int64_t kInt32Max = 0x7FFFFFFF;
// Records asked of the reader at a time while following a chain.
constexpr std::int32_t kChainBatch = 4096;
// Distinct sector counts a line names before it only counts the rest.
constexpr std::size_t kValuesNamed = 5;
// A record's `next` when the records kept ran out before it.
constexpr std::int32_t kNotKept = -2;

std::string Where(const Disk& disk, const Track& track) {
  return Format("disk %d track %d", disk.index, track.index);
}

std::string Where(const Disk& disk, const Track& track, const RecordHeader& record) {
  return Where(disk, track) + " sector " + SectorId(record);
}

// "1st", "2nd", "3rd", "4th" ...
std::string Ordinal(std::int64_t n) {
  const char* suffix = n % 100 >= 11 && n % 100 <= 13 ? "th"
                       : n % 10 == 1                  ? "st"
                       : n % 10 == 2                  ? "nd"
                       : n % 10 == 3                  ? "rd"
                                                      : "th";
  return std::to_string(n) + suffix;
}

// Builds the model of one image; one lives for one BuildModel call.
class Builder {
 public:
  Builder(D88Image& image, Model& model, const ModelWants& wants)
      : image_(image), model_(model), wants_(wants) {}

  void Build() {
    model_.size = image_.GetImageFileSize();
    model_.disk_count = image_.GetDiskCount();
    model_.disks.resize(static_cast<std::size_t>(model_.disk_count));
    starts_.resize(model_.disks.size());
    is_start_.resize(model_.disks.size());
    for (Disk& disk : model_.disks) ReadDisk(disk);
    FindRepeatsAndOverlaps();
    std::size_t records = 0;
    for (const Disk& disk : model_.disks) records += disk.records.size();
    // A record has four anomalies at most, and little else has any.
    model_.anomalies.reserve(4 * records + 1024);
    for (Disk& disk : model_.disks) {
      if (disk.readable && disk.repeats > 0 && disk.inside_header_of < 0) CheckDisk(disk);
    }
    CheckImage();
    ReadWantedData();
    if (wants_.files) CheckFiles();
    image_.SelectDisk(-1);
  }

 private:
  void Add(Kind kind, const Disk* disk, const Track* track, std::int32_t record,
           std::int64_t offset, std::string text) {
    model_.texts.push_back(std::move(text));
    model_.anomalies.push_back(Anomaly{kind, RecordWords::kNone, disk != nullptr ? disk->index : -1,
                                       track != nullptr ? track->index : -1, record, offset, 0,
                                       static_cast<std::int32_t>(model_.texts.size() - 1)});
  }

  // An anomaly of the record `record` of `track`, worded when shown.
  void AddOfRecord(Kind kind, const Disk& disk, const Track& track, std::int32_t record,
                   RecordWords words) {
    model_.anomalies.push_back(Anomaly{kind, words, disk.index, track.index, record,
                                       disk.records[static_cast<std::size_t>(record)].header.offset,
                                       0, -1});
  }

  Record& At(Disk& disk, std::int32_t index) {
    return disk.records[static_cast<std::size_t>(index)];
  }

  // The header fields, the tracks' states, and every record the tracks reach.
  void ReadDisk(Disk& disk) {
    disk.index = static_cast<std::int32_t>(&disk - model_.disks.data());
    if (!image_.SelectDisk(disk.index)) return;
    std::uint8_t header[d88::kDiskHeaderSize];
    disk.offset = image_.GetDiskOffset();
    if (image_.ReadImageBytes(disk.offset, header, d88::kDiskHeaderSize) != d88::kDiskHeaderSize) {
      return;
    }
    disk.readable = true;
    disk.size = ReadLE32(header + d88::kOffsetDiskSize);
    disk.end = image_.GetDiskEnd();
    std::copy(header, header + disk.name.size(), disk.name.begin());
    std::copy(header + disk.name.size(), header + disk.name.size() + disk.reserved.size(),
              disk.reserved.begin());
    disk.write_protect = header[d88::kOffsetWriteProtect];
    disk.media = header[d88::kOffsetMediaType];
    std::uint32_t first_entry = 0;
    for (std::int32_t t = 0; t < d88::kTrackCount; ++t) {
      const std::uint32_t entry =
          ReadLE32(header + d88::kOffsetTrackTable + t * d88::kTrackEntrySize);
      disk.tracks[static_cast<std::size_t>(t)].index = t;
      disk.tracks[static_cast<std::size_t>(t)].entry = entry;
      if (t < d88::kOldTrackCount && entry != 0 && (first_entry == 0 || entry < first_entry)) {
        first_entry = entry;
      }
    }
    disk.old_header = first_entry == static_cast<std::uint32_t>(d88::kOldDiskHeaderSize);
    const std::uint32_t header_size = static_cast<std::uint32_t>(
        disk.old_header ? d88::kOldDiskHeaderSize : d88::kDiskHeaderSize);
    for (Track& track : disk.tracks) {
      if (disk.old_header && track.index >= d88::kOldTrackCount) {
        track.state = TrackState::kOldHeaderBytes;
      } else if (track.entry == 0) {
        track.state = TrackState::kAbsent;
      } else if (track.entry > disk.size || disk.size > kInt32Max) {
        track.state = TrackState::kPastSize;
      } else if (disk.offset + track.entry > kInt32Max) {
        track.state = TrackState::kTooFar;
      } else {
        track.state = track.entry < header_size ? TrackState::kInsideHeader : TrackState::kUsable;
        track.offset = disk.offset + track.entry;
      }
    }
    // Room for as many records as a disk of this size holds at most, out of the records kept
    // for the whole image: pages not written to cost nothing, and the records are seldom copied
    // to a larger vector.
    const std::int64_t room = std::clamp<std::int64_t>(
        (disk.end - disk.offset) / d88::kSectorHeaderSize, 0, kMaxRecords - reserved_);
    disk.records.reserve(static_cast<std::size_t>(room));
    reserved_ += room;
    ReadRecords(disk);
    for (Track& track : disk.tracks) {
      if (track.state == TrackState::kUsable && track.first < 0 && track.entry == disk.size) {
        track.state = TrackState::kUnused;
      }
    }
  }

  // Follows the chain of records from every track's start, once: a chain that reaches a record
  // already found joins it there.
  void ReadRecords(Disk& disk) {
    std::unordered_map<std::int64_t, std::int32_t>& starts =
        starts_[static_cast<std::size_t>(disk.index)];
    for (const Track& track : disk.tracks) {
      if (track.offset >= 0) starts.emplace(track.offset, track.index);  // the lowest index stays
    }
    std::vector<std::int64_t> offsets;
    for (const auto& start : starts) offsets.push_back(start.first);
    std::sort(offsets.begin(), offsets.end());
    // Every record found is looked up again; their nodes come from one arena, freed at once.
    std::pmr::monotonic_buffer_resource arena;
    std::pmr::unordered_map<std::int64_t, std::int32_t> found(&arena);
    std::unordered_map<std::int64_t, std::int32_t> first_of;
    std::vector<RecordHeader> batch(static_cast<std::size_t>(kChainBatch));
    for (const std::int64_t start : offsets) {
      const auto known_start = found.find(start);
      if (known_start != found.end()) {
        first_of[start] = known_start->second;
        continue;
      }
      std::int32_t& first = first_of[start] = -1;
      std::int32_t previous = -1;
      std::int64_t at = start;
      // Small batches first: a chain from inside a track soon joins one already followed.
      for (std::int32_t wanted = 16;; wanted = std::min(2 * wanted, kChainBatch)) {
        const std::int32_t listed = image_.ListChain(at, batch.data(), wanted);
        // A full batch may go on; a shorter one ended the chain.
        bool more = listed == wanted;
        for (std::int32_t i = 0; i < listed; ++i) {
          const RecordHeader& header = batch[static_cast<std::size_t>(i)];
          const auto known = found.find(header.offset);
          std::int32_t index = -1;
          if (known != found.end()) {
            index = known->second;
          } else if (kept_ < kMaxRecords) {
            index = static_cast<std::int32_t>(disk.records.size());
            disk.records.push_back(Record{header});
            found.emplace(header.offset, index);
            ++kept_;
          } else {
            records_dropped_ = true;
            if (previous >= 0) At(disk, previous).next = kNotKept;
          }
          if (previous >= 0 && index >= 0) At(disk, previous).next = index;
          if (first < 0) first = index;
          // A chain that joins one already followed, or outruns the records kept, ends here.
          if (known != found.end() || index < 0) {
            more = false;
            break;
          }
          previous = index;
        }
        if (!more) break;
        const RecordHeader& last = batch[static_cast<std::size_t>(listed - 1)];
        at = last.offset + d88::kSectorHeaderSize + last.data_size;
      }
    }
    std::vector<bool>& is_start = is_start_[static_cast<std::size_t>(disk.index)];
    is_start.assign(disk.records.size(), false);
    for (const auto& [offset, first] : first_of) {
      if (first >= 0 && disk.records[static_cast<std::size_t>(first)].header.offset == offset) {
        is_start[static_cast<std::size_t>(first)] = true;
      }
    }
    for (Track& track : disk.tracks) {
      if (track.offset < 0) continue;
      track.first = first_of[track.offset];
      // Tracks that start at one offset have one walk: it is followed once.
      const Track& same = disk.tracks[static_cast<std::size_t>(starts.at(track.offset))];
      if (same.index != track.index) {
        track.walk = same.walk;
        track.walk_end = same.walk_end;
        track.own = same.own;
        continue;
      }
      Walk(disk, track);
      FindOwn(disk, track);
    }
  }

  // The reader's listing walk from the track's first record, by the records' links.
  void Walk(Disk& disk, Track& track) {
    if (track.first < 0) return;
    std::int32_t at = track.first;
    for (std::int64_t i = 0;; ++i) {
      const Record& record = At(disk, at);
      if (i == static_cast<std::int64_t>(record.header.sector_count) - 1) {
        track.walk = i + 1;
        track.walk_end = WalkEnd::kCount;
        return;
      }
      if (record.next < 0) {
        track.walk = i + 1;
        track.walk_end = ChainEnd(disk, record);
        return;
      }
      at = record.next;
    }
  }

  // Why no record follows `record`.
  WalkEnd ChainEnd(const Disk& disk, const Record& record) const {
    const std::int64_t next =
        record.header.offset + d88::kSectorHeaderSize + record.header.data_size;
    if (record.next == kNotKept || next > kInt32Max) return WalkEnd::kLimit;
    return next + d88::kSectorHeaderSize > model_.size || disk.end >= model_.size
               ? WalkEnd::kFileEnd
               : WalkEnd::kNextDisk;
  }

  bool IsOtherStart(const Disk& disk, const Track& track, std::int32_t record) const {
    return is_start_[static_cast<std::size_t>(disk.index)][static_cast<std::size_t>(record)] &&
           disk.records[static_cast<std::size_t>(record)].header.offset != track.offset;
  }

  // A track's own records: its walk, up to where another track starts. A walk that its count
  // ends goes on past one such start where the records keep the track's cylinder and head:
  // there the other track's entry points into this one's records, which are still this one's.
  // A count that reaches past two starts is wrong instead.
  void FindOwn(Disk& disk, Track& track) {
    if (track.first < 0) return;
    const RecordHeader& first = At(disk, track.first).header;
    track.own = track.walk;
    std::int64_t passed = -1;  // the one start passed, if any
    std::int32_t at = At(disk, track.first).next;
    for (std::int64_t i = 1; i < track.walk; ++i, at = At(disk, at).next) {
      if (!IsOtherStart(disk, track, at)) continue;
      const RecordHeader& record = At(disk, at).header;
      if (track.walk_end == WalkEnd::kCount && passed < 0 && record.c == first.c &&
          record.h == first.h) {
        passed = i;
        continue;
      }
      track.own = passed >= 0 ? passed : i;
      return;
    }
  }

  // Disks found again at one offset (a size field of 0) are shown once, by the first; a disk
  // that starts inside the header of the one before is no disk.
  void FindRepeatsAndOverlaps() {
    Disk* group = nullptr;
    for (Disk& disk : model_.disks) {
      if (!disk.readable) continue;
      if (group != nullptr && group->offset == disk.offset) {
        disk.repeats = 0;
        ++group->repeats;
        continue;
      }
      if (group != nullptr && disk.offset < group->offset + d88::kDiskHeaderSize) {
        disk.inside_header_of = group->index;
      }
      group = &disk;
    }
  }

  void CheckDisk(Disk& disk) {
    // Record by record: each is named once, by the first track whose own records hold it.
    const auto& starts = starts_[static_cast<std::size_t>(disk.index)];
    for (Track& track : disk.tracks) {
      if (track.state != TrackState::kUsable || track.first < 0 ||
          starts.at(track.offset) != track.index) {
        continue;
      }
      std::int32_t at = track.first;
      for (std::int64_t i = 0; i < track.own; ++i, at = At(disk, at).next) {
        Record& record = At(disk, at);
        if (record.owner < 0) {
          record.owner = track.index;
          record.position = static_cast<std::int32_t>(i);
        }
      }
    }
    CheckHeader(disk);
    FindInside(disk);
    for (Track& track : disk.tracks) CheckTrack(disk, track);
    CheckUnreached(disk);
  }

  void CheckHeader(const Disk& disk) {
    const std::string where = Format("disk %d", disk.index);
    const std::int64_t size = disk.size;
    if (disk.offset + size > model_.size) {
      Add(Kind::kSizePastEnd, &disk, nullptr, -1, disk.offset + d88::kOffsetDiskSize,
          size > kInt32Max
              ? where + ": its size field is 2^31 or more, so no track of it is read"
              : Format("%s: its size runs %" PRId64 " bytes past the end of the file",
                       where.c_str(), static_cast<std::int64_t>(disk.offset + size - model_.size)));
    }
    if (size == 0) {
      Add(Kind::kSizeZero, &disk, nullptr, -1, disk.offset + d88::kOffsetDiskSize,
          where + ": its size field is 0, so the next disk would start where it does");
    } else if (size < d88::kDiskHeaderSize) {
      Add(Kind::kSizeInsideHeader, &disk, nullptr, -1, disk.offset + d88::kOffsetDiskSize,
          Format("%s: its size field %" PRId64 " is smaller than its header%s", where.c_str(),
                 static_cast<std::int64_t>(size),
                 disk.index + 1 < model_.disk_count
                     ? Format("; disk %d starts inside it", disk.index + 1).c_str()
                     : ""));
    }
    if (disk.write_protect != 0x00 && disk.write_protect != 0x10) {
      Add(Kind::kOddByte, &disk, nullptr, -1, disk.offset + d88::kOffsetWriteProtect,
          Format("%s: write-protect byte 0x%02X, neither 0x00 nor 0x10", where.c_str(),
                 disk.write_protect));
    }
    if (MediaName(disk.media)[0] == '\0') {
      Add(Kind::kOddByte, &disk, nullptr, -1, disk.offset + d88::kOffsetMediaType,
          Format("%s: media byte 0x%02X, none of 0x00 (2D), 0x10 (2DD), 0x20 (2HD), 0x30 (1D), "
                 "0x40 (1DD)",
                 where.c_str(), disk.media));
    }
    if (std::find(disk.name.begin(), disk.name.end(), 0) == disk.name.end()) {
      Add(Kind::kName, &disk, nullptr, -1, disk.offset,
          where + ": its name fills all 17 bytes of the name field, with no NUL to end it");
    }
    if (std::any_of(disk.reserved.begin(), disk.reserved.end(), [](std::uint8_t b) { return b; })) {
      std::string bytes;
      for (std::uint8_t byte : disk.reserved) bytes += Format(" %02X", byte);
      Add(Kind::kName, &disk, nullptr, -1, disk.offset + 0x11,
          Format("%s: the reserved header bytes 0x11-0x19 are not all 0:%s", where.c_str(),
                 bytes.c_str()));
    }
    if (disk.old_header) {
      Add(Kind::kOldHeader, &disk, nullptr, -1, disk.offset,
          where +
              ": older 0x2A0-byte header of 160 track entries; its track entries 160-163 are "
              "the first bytes of track 0");
    }
  }

  // Which tracks start inside another's records, or inside one record's header or data.
  void FindInside(Disk& disk) {
    const auto& starts = starts_[static_cast<std::size_t>(disk.index)];
    for (Track& track : disk.tracks) {
      if (track.offset < 0) continue;
      const std::int32_t first = starts.at(track.offset);
      if (first != track.index) track.same_start = first;
    }
    for (const Track& track : disk.tracks) {
      if (track.state != TrackState::kUsable || track.first < 0 || track.same_start >= 0) continue;
      std::int32_t at = At(disk, track.first).next;
      for (std::int64_t i = 1; i < track.own; ++i, at = At(disk, at).next) {
        if (!IsOtherStart(disk, track, at)) continue;
        Track& other = disk.tracks[static_cast<std::size_t>(starts.at(At(disk, at).header.offset))];
        if (other.inside < 0) {
          other.inside = track.index;
          other.inside_at = i;
        }
      }
    }
    // Own records by file offset, to find a start that falls inside one.
    std::vector<const Record*> owned;
    for (const Record& record : disk.records) {
      if (record.owner >= 0) owned.push_back(&record);
    }
    const auto by_offset = [](const Record* a, const Record* b) {
      return a->header.offset < b->header.offset;
    };
    if (!std::is_sorted(owned.begin(), owned.end(), by_offset)) {
      std::sort(owned.begin(), owned.end(), by_offset);
    }
    for (Track& track : disk.tracks) {
      if (track.state != TrackState::kUsable || track.same_start >= 0 || track.inside >= 0) {
        continue;
      }
      auto after = std::lower_bound(
          owned.begin(), owned.end(), track.offset,
          [](const Record* record, std::int64_t offset) { return record->header.offset < offset; });
      if (after == owned.begin()) continue;
      const Record& before = **(after - 1);
      if (before.owner != track.index &&
          before.header.offset + d88::kSectorHeaderSize + before.header.data_size > track.offset) {
        track.inside = before.owner;
        track.inside_at = before.position;
        track.inside_data = true;
      }
    }
  }

  void CheckTrack(Disk& disk, Track& track) {
    const std::string where = Where(disk, track);
    const std::int64_t file_offset = static_cast<std::int64_t>(disk.offset) + track.entry;
    switch (track.state) {
      case TrackState::kPastSize:
        // A size field of 2^31 or more leaves every track unread; the disk's line says so.
        if (disk.size > kInt32Max) return;
        Add(Kind::kTrackPastSize, &disk, &track, -1, -1,
            track.entry > kInt32Max
                ? Format("%s: entry 0x%08X, 2^31 or more, is past the disk's size", where.c_str(),
                         track.entry)
                : Format("%s: entry %u (file offset %" PRId64 ") is past the disk's size",
                         where.c_str(), track.entry, file_offset));
        return;
      case TrackState::kTooFar:
        Add(Kind::kTrackPastSize, &disk, &track, -1, -1,
            Format("%s: entry %u puts it at file offset %" PRId64
                   ", past 2^31 - 1, where no read goes",
                   where.c_str(), track.entry, file_offset));
        return;
      case TrackState::kInsideHeader:
        Add(Kind::kInsideHeader, &disk, &track, -1, track.offset,
            Format("%s: entry %u points inside the disk's header (file offset %" PRId64 ")",
                   where.c_str(), track.entry, file_offset));
        return;
      case TrackState::kUsable:
        break;
      default:
        return;
    }
    if (track.same_start >= 0) {
      Add(Kind::kTrackOverlap, &disk, &track, -1, track.offset,
          Format("%s: starts where track %d does, at file offset %" PRId64, where.c_str(),
                 track.same_start, file_offset));
      return;
    }
    if (track.inside >= 0) {
      Add(Kind::kTrackOverlap, &disk, &track, -1, track.offset,
          track.inside_data
              ? Format("%s: starts inside the %s record of track %d, at file offset %" PRId64,
                       where.c_str(), Ordinal(track.inside_at + 1).c_str(), track.inside,
                       file_offset)
              : Format("%s: starts inside track %d, at its %s record (file offset %" PRId64 ")",
                       where.c_str(), track.inside, Ordinal(track.inside_at + 1).c_str(),
                       file_offset));
    }
    if (track.first < 0) {
      Add(Kind::kTruncated, &disk, &track, -1, track.offset,
          Format(
              "%s: no record at its start, file offset %" PRId64 ": %s", where.c_str(), file_offset,
              track.offset + d88::kSectorHeaderSize > model_.size ? "the image ends there"
                                                                  : "the next disk starts there"));
      return;
    }
    CheckCounts(disk, track);
    CheckRecords(disk, track);
    FindPastCount(disk, track);
  }

  std::string NextDiskWords(const Disk& disk) const {
    return Format("disk %d starts", disk.index + 1);
  }

  void CheckCounts(Disk& disk, const Track& track) {
    const std::string where = Where(disk, track);
    std::vector<int> values;
    std::int32_t at = track.first, last = at, zero = -1;
    std::int64_t zero_at = -1;
    for (std::int64_t i = 0; i < track.own; ++i, at = At(disk, at).next) {
      const int count = At(disk, at).header.sector_count;
      if (std::find(values.begin(), values.end(), count) == values.end()) values.push_back(count);
      if (count == 0 && zero < 0) {
        zero = at;
        zero_at = i;
      }
      last = at;
    }
    // Where a read of the track that goes past its records ends up.
    std::string runs_on;
    if (track.walk > track.own) {
      const Record& next = At(disk, At(disk, last).next);
      runs_on = next.owner >= 0 ? Format("; a read runs on into track %d", next.owner)
                                : std::string("; a read runs on past it");
    }
    const int count = values.front();
    if (values.size() > 1) {
      std::string list;
      for (std::size_t i = 0; i < values.size() && i < kValuesNamed; ++i) {
        const bool last_named = i + 1 == values.size() || i + 1 == kValuesNamed;
        list += (i == 0                                        ? ""
                 : last_named && values.size() <= kValuesNamed ? " and "
                                                               : ", ") +
                std::to_string(values[i]);
      }
      const int others = static_cast<int>(values.size() - std::min(values.size(), kValuesNamed));
      list += others > 0 ? Format(" and %d other count%s", others, others == 1 ? "" : "s")
                         : std::string(" sectors");
      Add(Kind::kCountsDisagree, &disk, &track, -1, track.offset,
          Format("%s: records say %s%s", where.c_str(), list.c_str(), runs_on.c_str()));
      runs_on.clear();
    }
    const Record& end = At(disk, last);
    const bool cut_short = track.walk == track.own && track.walk_end != WalkEnd::kCount &&
                           track.walk_end != WalkEnd::kLimit;
    if (cut_short) {
      // Where the records disagree on the count, no one count says how many there should be.
      const std::string after =
          values.size() > 1 ? Format("%" PRId64 " record%s", static_cast<std::int64_t>(track.own),
                                     track.own == 1 ? "" : "s")
                            : Format("%" PRId64 " of the %d records its count says",
                                     static_cast<std::int64_t>(track.own), count);
      Add(Kind::kTruncated, &disk, &track, -1, end.header.offset,
          Format(
              "%s: %s inside the track after %s", where.c_str(),
              track.walk_end == WalkEnd::kFileEnd ? "the image ends" : NextDiskWords(disk).c_str(),
              after.c_str()));
    } else if (values.size() == 1 && count != track.own) {
      Add(Kind::kCountDiffers, &disk, &track, -1, track.offset,
          Format("%s: the count says %d (0x%04X), the track holds %" PRId64 " record%s%s",
                 where.c_str(), count, count, static_cast<std::int64_t>(track.own),
                 track.own == 1 ? "" : "s", runs_on.c_str()));
    }
    if (zero >= 0) {
      Add(Kind::kZeroCount, &disk, &track, zero, At(disk, zero).header.offset,
          Format("%s: sector count 0, which ends every read of the track at this record, its "
                 "%s of %" PRId64,
                 Where(disk, track, At(disk, zero).header).c_str(), Ordinal(zero_at + 1).c_str(),
                 static_cast<std::int64_t>(track.own)));
    }
    if (end.header.data_held < end.header.data_size) {
      Add(Kind::kTruncated, &disk, &track, last, end.header.offset,
          Format("%s: %s inside its data, after %d of %u bytes",
                 Where(disk, track, end.header).c_str(),
                 end.header.offset + d88::kSectorHeaderSize + end.header.data_held >= model_.size
                     ? "the image ends"
                     : NextDiskWords(disk).c_str(),
                 end.header.data_held, end.header.data_size));
    }
  }

  void CheckRecords(Disk& disk, const Track& track) {
    std::vector<std::pair<std::uint32_t, std::int32_t>> ids;  // ID and record
    std::int32_t at = track.first;
    for (std::int64_t i = 0; i < track.own; ++i, at = At(disk, at).next) {
      const Record& record = At(disk, at);
      const RecordHeader& h = record.header;
      ids.emplace_back(static_cast<std::uint32_t>(h.c) << 24 |
                           static_cast<std::uint32_t>(h.h) << 16 |
                           static_cast<std::uint32_t>(h.r) << 8 | h.n,
                       at);
      const bool plain = h.status == 0 && h.deleted == 0 && h.data_size == SectorSize(h.n) &&
                         (h.density == 0x00 || (h.density == 0x01 && disk.media == 0x20)) &&
                         h.c == track.index / 2 && h.h == track.index % 2;
      // Most records have nothing to say, and are passed over before any words are made.
      if (record.owner != track.index || plain) continue;
      const bool odd_status = !IsKnownStatus(h.status);
      const bool odd_deleted = h.deleted != 0x00 && h.deleted != 0x10;
      if (h.status != 0 || h.deleted != 0 || h.data_size != SectorSize(h.n)) {
        const Kind kind = odd_status          ? Kind::kOddByte
                          : h.status != 0     ? Kind::kStatus
                          : h.deleted == 0x10 ? Kind::kDeleted
                          : odd_deleted       ? Kind::kOddByte
                                              : Kind::kDataSize;
        AddOfRecord(kind, disk, track, at, RecordWords::kMarks);
      }
      if (h.density == 0x40) {
        AddOfRecord(Kind::kSingleDensity, disk, track, at, RecordWords::kDensity);
      } else if (h.density != 0x00 && (h.density != 0x01 || disk.media != 0x20)) {
        AddOfRecord(Kind::kOddByte, disk, track, at, RecordWords::kDensity);
      }
      if (h.c != track.index / 2 || h.h != track.index % 2) {
        AddOfRecord(Kind::kPlace, disk, track, at, RecordWords::kPlace);
      }
    }
    // Each ID with its first record in file order: sorting keeps equal IDs in that order.
    std::stable_sort(ids.begin(), ids.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < ids.size();) {
      std::size_t j = i;
      while (j < ids.size() && ids[j].first == ids[i].first) ++j;
      if (j - i > 1) {
        AddOfRecord(Kind::kDuplicate, disk, track, ids[i].second, RecordWords::kDuplicate);
        model_.anomalies.back().count = static_cast<std::int64_t>(j - i);
      }
      i = j;
    }
  }

  // Records after the count's end that keep the track's C, H and N, up to the next track.
  void FindPastCount(Disk& disk, Track& track) {
    if (track.walk_end != WalkEnd::kCount || track.own != track.walk) return;
    std::int32_t last = track.first;
    for (std::int64_t i = 1; i < track.own; ++i) last = At(disk, last).next;
    const RecordHeader& end = At(disk, last).header;
    std::int64_t from = -1, to = -1;
    for (std::int32_t at = At(disk, last).next; at >= 0; at = At(disk, at).next) {
      Record& record = At(disk, at);
      if (record.owner >= 0 || record.past_count || IsOtherStart(disk, track, at) ||
          record.header.c != end.c || record.header.h != end.h || record.header.n != end.n) {
        break;
      }
      record.past_count = true;
      if (from < 0) from = record.header.offset;
      to = record.header.offset + d88::kSectorHeaderSize + record.header.data_held;
      ++track.past_count;
    }
    if (track.past_count == 0) return;
    Add(Kind::kPastCount, &disk, &track, -1, from,
        Format("%s: %d record%s after the %" PRId64 " its count says, before the next track: file "
               "offsets %" PRId64 "-%" PRId64 " (%" PRId64 " bytes), which no read reaches",
               Where(disk, track).c_str(), track.past_count, track.past_count == 1 ? "" : "s",
               static_cast<std::int64_t>(track.own), static_cast<std::int64_t>(from),
               static_cast<std::int64_t>(to - 1), static_cast<std::int64_t>(to - from)));
  }

  // The bytes of the disk that neither its header nor any track's walk reaches.
  void CheckUnreached(Disk& disk) {
    std::vector<std::pair<std::int64_t, std::int64_t>> reached;
    reached.emplace_back(disk.offset, disk.offset + (disk.old_header ? d88::kOldDiskHeaderSize
                                                                     : d88::kDiskHeaderSize));
    std::vector<bool> walked(disk.records.size());
    const auto& starts = starts_[static_cast<std::size_t>(disk.index)];
    for (const Track& track : disk.tracks) {
      // Tracks that start at one offset walk the same records.
      if (track.offset < 0 || starts.at(track.offset) != track.index) continue;
      std::int32_t at = track.first;
      for (std::int64_t i = 0; i < track.walk; ++i, at = At(disk, at).next) {
        walked[static_cast<std::size_t>(at)] = true;
      }
    }
    for (std::size_t i = 0; i < disk.records.size(); ++i) {
      const RecordHeader& h = disk.records[i].header;
      if (walked[i] || disk.records[i].past_count) {
        reached.emplace_back(h.offset, h.offset + d88::kSectorHeaderSize + h.data_held);
      }
    }
    // Chains are found in file order, so the records mostly are already.
    if (!std::is_sorted(reached.begin(), reached.end())) std::sort(reached.begin(), reached.end());
    const std::int64_t size_end =
        disk.size > kInt32Max ? model_.size : disk.offset + static_cast<std::int64_t>(disk.size);
    const std::int64_t end = std::min(size_end, model_.size);
    std::int64_t covered = disk.offset;
    for (const auto& [from, to] : reached) {
      if (from > covered && covered < end) ReportUnreached(disk, covered, std::min(from, end));
      covered = std::max(covered, to);
    }
    if (covered < end) ReportUnreached(disk, covered, end);
  }

  void ReportUnreached(const Disk& disk, std::int64_t from, std::int64_t to) {
    Add(Kind::kUnreached, &disk, nullptr, -1, from,
        to - from == 1
            ? Format("disk %d: 1 byte at file offset %" PRId64 " that no track reaches", disk.index,
                     static_cast<std::int64_t>(from))
            : Format("disk %d: %" PRId64 " bytes at file offsets %" PRId64 "-%" PRId64
                     " that no track reaches",
                     disk.index, static_cast<std::int64_t>(to - from),
                     static_cast<std::int64_t>(from), static_cast<std::int64_t>(to - 1)));
  }

  void CheckImage() {
    std::int64_t end_of_disks = 0;
    const Disk* last = nullptr;
    for (const Disk& disk : model_.disks) {
      if (!disk.readable) continue;
      last = &disk;
      // A disk takes at least its header, whatever its size field says.
      const std::int64_t size = disk.size > kInt32Max
                                    ? model_.size
                                    : std::max<std::int64_t>(disk.size, d88::kDiskHeaderSize);
      end_of_disks = std::max(end_of_disks, disk.offset + size);
    }
    if (records_dropped_) {
      Add(Kind::kRecordLimit, nullptr, nullptr, -1, -1,
          Format("image: more than %" PRId64 " records; the rest are not read",
                 static_cast<std::int64_t>(kMaxRecords)));
    }
    // After a size field of 0 the rest of the file is out of reach; that disk's anomaly says why.
    if (last == nullptr || end_of_disks >= model_.size || last->size == 0) return;
    if (model_.disk_count == d88::kMaxDisks) {
      Add(Kind::kDiskLimit, nullptr, nullptr, -1, end_of_disks,
          Format("image: %d disks, the most the reader takes; the %" PRId64
                 " bytes from file offset "
                 "%" PRId64 " are not read",
                 model_.disk_count, static_cast<std::int64_t>(model_.size - end_of_disks),
                 static_cast<std::int64_t>(end_of_disks)));
    } else {
      Add(Kind::kTrailing, nullptr, nullptr, -1, end_of_disks,
          Format("image: %" PRId64 " bytes after the last disk, from file offset %" PRId64,
                 static_cast<std::int64_t>(model_.size - end_of_disks),
                 static_cast<std::int64_t>(end_of_disks)));
    }
  }

  // What dskpick would do with each entry of its table: the same calls, then the run followed
  // through the model to say which records were read and why it ended.
  void CheckFiles() {
    std::vector<std::uint8_t> run(static_cast<std::size_t>(kCutBufferSize));
    image_.SetSectorRange(kFirstSector, kLastSector);
    for (const CutEntry& e : kCutTable) {
      FileCheck file;
      file.entry = &e;
      if (e.disk >= model_.disk_count) {
        model_.files.push_back(std::move(file));
        continue;
      }
      image_.SelectDisk(e.disk);
      const std::int32_t total = e.skip + e.length;
      file.delivered = image_.ReadSectors(e.track, e.c, e.h, e.r, e.n, run.data(), total);
      file.verdict = file.delivered == 0      ? Verdict::kNoData
                     : file.delivered < total ? Verdict::kIncomplete
                                              : Verdict::kCut;
      file.bytes = file.verdict == Verdict::kCut ? e.length : FileBytesRead(e.skip, file.delivered);
      const Disk& disk = model_.disks[static_cast<std::size_t>(e.disk)];
      const std::int32_t sector_size = d88::kBaseSectorSize << e.n;
      std::int32_t track = e.track, c = e.c, h = e.h, r = e.r;
      for (std::int32_t done = 0;; done += sector_size) {
        RunSector sector{track, c, h, r, e.n, -1};
        std::int32_t stopped_at = -1;
        sector.record = FindSector(disk, track, c, h, r, e.n, &stopped_at);
        file.sectors.push_back(sector);
        if (done >= file.delivered) {
          file.why = WhyNotRead(disk, sector, std::min(sector_size, total - done), stopped_at);
          break;
        }
        if (done + sector_size >= total) break;
        if (r == kLastSector) {
          ++track;
          c += h;
          h = 1 - h;
          r = kFirstSector;
        } else {
          ++r;
        }
      }
      model_.files.push_back(std::move(file));
    }
  }

  // Why the sector that ended a run gave less than the `chunk` bytes the run needed from it.
  std::string WhyNotRead(const Disk& disk, const RunSector& sector, std::int32_t chunk,
                         std::int32_t stopped_at) {
    const std::string id = SectorId(sector.c, sector.h, sector.r, sector.n);
    if (sector.track < 0 || sector.track >= d88::kTrackCount) {
      return Format("track %d: no such track", sector.track);
    }
    const Track& track = disk.tracks[static_cast<std::size_t>(sector.track)];
    if (sector.record < 0 && stopped_at >= 0) {
      const RecordHeader& zero = disk.records[static_cast<std::size_t>(stopped_at)].header;
      return Format("track %d: a read stops at its record %s (file offset %" PRId64
                    "), whose sector "
                    "count is 0",
                    track.index, SectorId(zero).c_str(), static_cast<std::int64_t>(zero.offset));
    }
    if (sector.record < 0) {
      // Several files start on one track: its layout is made once.
      std::string& layout = layouts_[{disk.index, track.index}];
      if (layout.empty()) layout = DescribeLayout(disk, track);
      return Format("track %d: %s", track.index, layout.c_str());
    }
    const RecordHeader& found = disk.records[static_cast<std::size_t>(sector.record)].header;
    if (found.data_size == 0) {
      return Format("sector %s of track %d holds no data", id.c_str(), track.index);
    }
    if (found.data_held < found.data_size && found.data_held < chunk) {
      return Format("%s inside sector %s of track %d, after %d of %u bytes",
                    found.offset + d88::kSectorHeaderSize + found.data_held >= model_.size
                        ? "the image ends"
                        : NextDiskWords(disk).c_str(),
                    id.c_str(), track.index, found.data_held, found.data_size);
    }
    return Format("sector %s of track %d holds %u bytes, fewer than the %d the run needs",
                  id.c_str(), track.index, found.data_size, chunk);
  }

  // The data of the own records of the track asked for.
  void ReadWantedData() {
    if (wants_.data_disk < 0 || wants_.data_disk >= model_.disk_count || wants_.data_track < 0 ||
        wants_.data_track >= d88::kTrackCount) {
      return;
    }
    Disk& disk = model_.disks[static_cast<std::size_t>(wants_.data_disk)];
    const Track& track = disk.tracks[static_cast<std::size_t>(wants_.data_track)];
    std::int32_t at = track.first;
    for (std::int64_t i = 0; i < track.own && at >= 0; ++i, at = At(disk, at).next) {
      const RecordHeader& header = At(disk, at).header;
      std::vector<std::uint8_t>& data = model_.data[{disk.index, at}];
      data.resize(static_cast<std::size_t>(header.data_held));
      if (data.empty()) continue;
      data.resize(static_cast<std::size_t>(image_.ReadImageBytes(
          header.offset + d88::kSectorHeaderSize, data.data(), header.data_held)));
    }
  }

  D88Image& image_;
  Model& model_;
  const ModelWants& wants_;
  std::int64_t kept_ = 0;
  std::int64_t reserved_ = 0;
  bool records_dropped_ = false;
  // Per disk: the file offset where each walked track starts, and the lowest track there.
  std::vector<std::unordered_map<std::int64_t, std::int32_t>> starts_;
  // The layouts of tracks --check names, by disk and track.
  std::map<std::pair<std::int32_t, std::int32_t>, std::string> layouts_;
  // Per disk and record: whether a track starts at it.
  std::vector<std::vector<bool>> is_start_;
};

}  // namespace

Model BuildModel(D88Image& image, const std::string& path, const ModelWants& wants) {
  Model model;
  model.path = path;
  Builder(image, model, wants).Build();
  return model;
}

std::int32_t FindSector(const Disk& disk, std::int32_t track, std::int32_t c, std::int32_t h,
                        std::int32_t r, std::int32_t n, std::int32_t* stopped_at) {
  if (stopped_at != nullptr) *stopped_at = -1;
  if (track < 0 || track >= d88::kTrackCount) return -1;
  std::int32_t at = disk.tracks[static_cast<std::size_t>(track)].first;
  for (std::int64_t i = 0; at >= 0; ++i) {
    const RecordHeader& record = disk.records[static_cast<std::size_t>(at)].header;
    // As the reader's search: a count of 0 ends it before the record is looked at.
    if (record.sector_count == 0) {
      if (stopped_at != nullptr) *stopped_at = at;
      return -1;
    }
    if (record.c == c && record.h == h && record.r == r && record.n == n) return at;
    if (i == static_cast<std::int64_t>(record.sector_count) - 1) return -1;
    at = disk.records[static_cast<std::size_t>(at)].next;
  }
  return -1;
}

bool IsOwnRecord(const Disk& disk, const Track& track, std::int32_t record) {
  std::int32_t at = track.first;
  for (std::int64_t i = 0; i < track.own && at >= 0; ++i) {
    if (at == record) return true;
    at = disk.records[static_cast<std::size_t>(at)].next;
  }
  return false;
}

std::string AnomalyText(const Model& model, const Anomaly& anomaly) {
  if (anomaly.words == RecordWords::kNone) {
    return model.texts[static_cast<std::size_t>(anomaly.text)];
  }
  const Disk& disk = model.disks[static_cast<std::size_t>(anomaly.disk)];
  const RecordHeader& h = disk.records[static_cast<std::size_t>(anomaly.record)].header;
  const std::string where =
      Format("disk %d track %d sector %s", anomaly.disk, anomaly.track, SectorId(h).c_str());
  switch (anomaly.words) {
    case RecordWords::kMarks:
      return where + ": " + DescribeMarks(h);
    case RecordWords::kDensity:
      return h.density == 0x40   ? where + ": single density (FM)"
             : h.density == 0x01 ? Format("%s: high density (0x01) on a disk of media 0x%02X%s",
                                          where.c_str(), disk.media, MediaName(disk.media))
                                 : Format("%s: density byte 0x%02X, none of 0x00, 0x40, 0x01",
                                          where.c_str(), h.density);
    case RecordWords::kDuplicate:
      return Format(
          "disk %d track %d: sector %s found %s", anomaly.disk, anomaly.track, SectorId(h).c_str(),
          anomaly.count == 2 ? "twice" : Format("%" PRId64 " times", anomaly.count).c_str());
    default:
      return Format("%s: C/H %u/%u, but the track is cylinder %d head %d", where.c_str(), h.c, h.h,
                    anomaly.track / 2, anomaly.track % 2);
  }
}

const char* KindId(Kind kind) {
  static constexpr const char* kIds[] = {
      "status",
      "deleted",
      "single_density",
      "data_size",
      "odd_byte",
      "duplicate",
      "place",
      "counts_disagree",
      "count_differs",
      "zero_count",
      "truncated",
      "past_count",
      "unreached",
      "track_past_size",
      "entry_inside_header",
      "overlap",
      "old_header",
      "name",
      "size_zero",
      "size_inside_header",
      "size_past_end",
      "trailing",
      "disk_limit",
      "record_limit",
  };
  static_assert(std::size(kIds) == static_cast<std::size_t>(Kind::kCount), "one ID a kind");
  return kIds[static_cast<int>(kind)];
}

const char* KindName(Kind kind) {
  static constexpr const char* kNames[] = {
      "sectors with a status other than normal",
      "sectors marked deleted",
      "sectors in single density (FM)",
      "sectors whose data size is not 128 << N",
      "odd bytes",
      "sector IDs found more than once in a track",
      "sector IDs whose C/H differ from the track's place",
      "tracks whose records disagree on the count",
      "tracks whose count differs from what they hold",
      "tracks with a sector count of 0",
      "tracks the image ends inside",
      "tracks with records past their count",
      "areas no track reaches",
      "tracks past the disk's size",
      "track entries inside the disk's header",
      "overlapping tracks",
      "older 0x2A0-byte headers",
      "odd name fields",
      "disks whose size field is 0",
      "disks starting inside the one before",
      "disks running past the end of the file",
      "bytes after the last disk",
      "the 64-disk limit",
      "the record limit",
  };
  static_assert(std::size(kNames) == static_cast<std::size_t>(Kind::kCount), "one name a kind");
  return kNames[static_cast<int>(kind)];
}

}  // namespace d88info
