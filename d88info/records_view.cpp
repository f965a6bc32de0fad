#include <cinttypes>
#include <cstdint>
#include <string>

#include "d88info/views.h"
#include "d88info/words.h"

namespace d88info {

void WriteRecords(const Model& model, Output& out) {
  out.Line(Format("%s: %d disk%s", model.path.c_str(), model.disk_count,
                  model.disk_count == 1 ? "" : "s"));
  // "own" for the track's own records, "beyond" where its walk has left them; "held by" names
  // the first track whose own records hold the record, "-" for none.
  out.Line(
      "disk track offset       c   h   r   n count density deleted status data  walk   held by");
  for (const Disk& disk : model.disks) {
    for (const Track& track : disk.tracks) {
      if (out.failed()) return;
      if (track.first < 0 || track.state == TrackState::kOldHeaderBytes) continue;
      std::int32_t at = track.first;
      for (std::int64_t i = 0; i < track.walk; ++i) {
        const Record& record = disk.records[static_cast<std::size_t>(at)];
        const RecordHeader& h = record.header;
        out.Line(Format("%4d %5d 0x%08" PRIx64
                        " %3u %3u %3u %3u %5u    0x%02x    0x%02x   0x%02x %5u  %-6s %s",
                        disk.index, track.index, static_cast<std::uint64_t>(h.offset), h.c, h.h,
                        h.r, h.n, h.sector_count, h.density, h.deleted, h.status, h.data_size,
                        i < track.own ? "own" : "beyond",
                        record.owner >= 0 ? std::to_string(record.owner).c_str() : "-"));
        at = record.next;
      }
    }
  }
}

}  // namespace d88info
