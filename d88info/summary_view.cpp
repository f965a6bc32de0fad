#include <array>
#include <cinttypes>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "d88/d88_format.h"
#include "d88info/views.h"
#include "d88info/words.h"

namespace d88info {

namespace {

constexpr std::int64_t kInt32Max = 0x7FFFFFFF;
constexpr std::int64_t kNamedPerKind = 5;
// Runs of alike tracks shown for one disk before the rest are only counted: with the limits on
// anomalies, no image makes more than some tens of KB of summary.
constexpr int kLayoutLinesPerDisk = 8;

void WriteDisk(const Model& model, const Disk& disk, NameStyle names, Output& out) {
  if (disk.inside_header_of >= 0) {
    out.Line(Format("disk %d: at %" PRId64
                    ", inside the header of disk %d; what the reader finds there "
                    "is that header's bytes, not a disk",
                    disk.index, static_cast<std::int64_t>(disk.offset), disk.inside_header_of));
    return;
  }
  const std::int64_t size = disk.size > kInt32Max ? INT64_MAX / 2 : disk.size;
  const char* protection = disk.write_protect == 0x10   ? "write-protected"
                           : disk.write_protect == 0x00 ? "not write-protected"
                                                        : "write protection unknown";
  std::string line =
      Format("disk %d %s: media 0x%02X%s, %s, at %" PRId64 ", ", disk.index,
             ShowName(NameBytes(disk), names).c_str(), disk.media, MediaName(disk.media),
             protection, static_cast<std::int64_t>(disk.offset));
  line += disk.size > kInt32Max ? std::string("size 2^31 or more")
                                : Format("size %" PRId64, static_cast<std::int64_t>(size));
  if (disk.offset + size > model.size) {
    line += Format(" (the file holds %" PRId64 " of it)",
                   static_cast<std::int64_t>(model.size - disk.offset));
  }
  if (disk.repeats > 1) {
    line += Format(", found %d times (disks %d-%d)", disk.repeats, disk.index,
                   disk.index + disk.repeats - 1);
  }
  out.Line(line);
  std::vector<std::string> layouts;
  // Tracks that start at one offset hold the same records: their layout is made once.
  std::map<std::int64_t, std::size_t> made;
  for (const Track& track : disk.tracks) {
    const auto same = track.offset >= 0 ? made.find(track.offset) : made.end();
    layouts.push_back(same != made.end() ? layouts[same->second] : DescribeLayout(disk, track));
    if (track.offset >= 0) made.emplace(track.offset, layouts.size() - 1);
  }
  int lines = 0, more = 0;
  for (std::size_t first = 0; first < layouts.size();) {
    const std::string& layout = layouts[first];
    std::size_t last = first;
    while (last + 1 < layouts.size() && layouts[last + 1] == layout) ++last;
    if (lines++ >= kLayoutLinesPerDisk) {
      ++more;
    } else if (last == first) {
      out.Line(Format("  track %d: %s", static_cast<int>(first), layout.c_str()));
    } else {
      out.Line(Format("  tracks %d-%d: %s", static_cast<int>(first), static_cast<int>(last),
                      layout.c_str()));
    }
    first = last + 1;
  }
  if (more > 0) out.Line(Format("  and %d more run%s of tracks", more, more == 1 ? "" : "s"));
}

}  // namespace

void WriteSummary(const Model& model, NameStyle names, Output& out) {
  std::string first = Format("%s: %" PRId64 " bytes, %d disk%s", model.path.c_str(),
                             static_cast<std::int64_t>(model.size), model.disk_count,
                             model.disk_count == 1 ? "" : "s");
  const std::int64_t total = static_cast<std::int64_t>(model.anomalies.size());
  if (model.disk_count == 0) {
    out.Line(first + " (no 688-byte disk header: not a D88 image, or an empty one)");
    return;
  }
  out.Line(first + (total == 0
                        ? ", no anomalies"
                        : Format(", %" PRId64 " anomal%s", total, total == 1 ? "y" : "ies")));
  for (const Disk& disk : model.disks) {
    if (out.failed()) return;
    if (!disk.readable) {
      out.Line(Format("disk %d: its header cannot be read", disk.index));
    } else if (disk.repeats > 0) {
      WriteDisk(model, disk, names, out);
    }
  }
  if (total == 0) return;
  out.Line("anomalies:");
  std::array<std::int64_t, static_cast<std::size_t>(Kind::kCount)> counts{};
  for (const Anomaly& anomaly : model.anomalies) {
    if (++counts[static_cast<std::size_t>(anomaly.kind)] <= kNamedPerKind) {
      out.Line("  " + AnomalyText(model, anomaly));
    }
  }
  for (std::size_t kind = 0; kind < counts.size(); ++kind) {
    if (counts[kind] > kNamedPerKind) {
      out.Line(Format("  and %" PRId64 " more %s",
                      static_cast<std::int64_t>(counts[kind] - kNamedPerKind),
                      KindName(static_cast<Kind>(kind))));
    }
  }
}

}  // namespace d88info
