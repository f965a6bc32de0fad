#include <cinttypes>
#include <cstdint>
#include <string>

#include "d88info/views.h"
#include "d88info/words.h"

namespace d88info {

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
    for (const FileNote& note : FileNotes(model, file)) {
      line += "; " + note.text;
      file_marked = file_marked || note.mark;
    }
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
