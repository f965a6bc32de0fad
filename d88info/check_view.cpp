#include <cinttypes>
#include <cstdint>
#include <string>

#include "d88/d88_format.h"
#include "d88info/views.h"
#include "d88info/words.h"

namespace d88info {

namespace {

// What the read sectors of `file` add to its line: where a sector lies outside its track's own
// records, and every mark the image sets on one. Sets `*marked` when there was a mark.
std::string SectorNotes(const Model& model, const FileCheck& file, bool* marked) {
  const Disk& disk = model.disks[static_cast<std::size_t>(file.entry->disk)];
  const std::int32_t sector_size = d88::kBaseSectorSize << file.entry->n;
  const std::size_t read =
      static_cast<std::size_t>((file.delivered + sector_size - 1) / sector_size);
  std::string notes;
  for (std::size_t i = 0; i < read && i < file.sectors.size(); ++i) {
    const RunSector& sector = file.sectors[i];
    if (sector.record < 0) continue;
    const Record& record = disk.records[static_cast<std::size_t>(sector.record)];
    const std::string which =
        Format("sector %s of track %d", SectorId(sector.c, sector.h, sector.r, sector.n).c_str(),
               sector.track);
    if (!IsOwnRecord(disk, disk.tracks[static_cast<std::size_t>(sector.track)], sector.record)) {
      notes += Format("; %s lies in %s, at file offset %" PRId64, which.c_str(),
                      record.owner >= 0 ? Format("track %d's records", record.owner).c_str()
                                        : "no track's records",
                      static_cast<std::int64_t>(record.header.offset));
    }
    const std::string marks = DescribeMarks(record.header);
    if (!marks.empty()) {
      notes += "; " + which + ": " + marks;
      *marked = true;
    }
  }
  return notes;
}

}  // namespace

void WriteCheck(const Model& model, Output& out) {
  int cut = 0, incomplete = 0, marked = 0;
  for (const FileCheck& file : model.files) {
    const CutEntry& e = *file.entry;
    if (out.failed()) return;
    if (file.verdict == Verdict::kNoDisk) {
      out.Line(Format("%s: no disk (the image has %d, this file is on disk %d)", e.name,
                      model.disk_count, e.disk));
      continue;
    }
    std::string line = std::string(e.name) + ": ";
    switch (file.verdict) {
      case Verdict::kNoData:
        line += "no data";
        break;
      case Verdict::kIncomplete:
        ++incomplete;
        line += Format("incomplete %d of %d bytes", file.bytes, e.length);
        break;
      default:
        ++cut;
        line += "cut";
        break;
    }
    line += Format(" (disk %d, track %d, C/H/R/N %s", e.disk, e.track,
                   SectorId(e.c, e.h, e.r, e.n).c_str());
    bool file_marked = false;
    line += SectorNotes(model, file, &file_marked);
    if (file_marked) ++marked;
    if (!file.why.empty()) line += "; " + file.why;
    out.Line(line + ")");
  }
  std::string sum =
      Format("%d of %d files would be cut", cut + incomplete, static_cast<int>(model.files.size()));
  if (incomplete > 0) sum += Format(", %d of them incomplete", incomplete);
  if (marked > 0) sum += Format(", %d from sectors the image marks", marked);
  out.Line(sum);
}

}  // namespace d88info
