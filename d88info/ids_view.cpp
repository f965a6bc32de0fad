#include <cinttypes>
#include <cstdint>
#include <string>

#include "d88info/views.h"
#include "d88info/words.h"

namespace d88info {

namespace {

constexpr std::int64_t kInt32Max = 0x7FFFFFFF;
// IDs listed for one track at most: more than any real track holds, so a listing that reaches it
// says so.
constexpr std::int64_t kListedIds = 65536;

}  // namespace

void WriteIds(const Model& model, Output& out) {
  out.Line(Format(
      "%s: %d disk%s%s", model.path.c_str(), model.disk_count, model.disk_count == 1 ? "" : "s",
      model.disk_count == 0 ? " (no 688-byte disk header: not a D88 image, or an empty one)" : ""));
  for (const Disk& disk : model.disks) {
    if (out.failed()) return;
    if (!disk.readable) {
      out.Line(Format("disk %d: header cannot be read", disk.index));
      continue;
    }
    out.Line(Format("disk %d: name %s, media 0x%02X%s, offset %" PRId64 ", %s", disk.index,
                    QuoteBytes(NameBytes(disk)).c_str(), disk.media, MediaName(disk.media),
                    static_cast<std::int64_t>(disk.offset),
                    disk.size > kInt32Max ? "size 2^31 or more (no track is usable)"
                                          : Format("size %u", disk.size).c_str()));
    for (const Track& track : disk.tracks) {
      if (track.first < 0 || track.state == TrackState::kOldHeaderBytes) continue;
      std::string line = Format("  track %d:", track.index);
      std::int32_t at = track.first;
      const std::int64_t listed = track.walk < kListedIds ? track.walk : kListedIds;
      for (std::int64_t i = 0; i < listed; ++i) {
        const RecordHeader& record = disk.records[static_cast<std::size_t>(at)].header;
        // Where the walk leaves the track's own records and runs on into others'.
        if (i == track.own) line += " |";
        line += " " + SectorId(record);
        at = disk.records[static_cast<std::size_t>(at)].next;
      }
      if (listed == kListedIds) {
        line +=
            Format(" (listing stopped at %" PRId64 " IDs)", static_cast<std::int64_t>(kListedIds));
      }
      out.Line(line);
    }
  }
}

}  // namespace d88info
