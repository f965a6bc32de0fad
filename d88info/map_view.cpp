#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "d88info/views.h"
#include "d88info/words.h"

namespace d88info {

namespace {

constexpr std::size_t kMostColumns = 100;

// One character a state, and the colour it takes on a terminal (an SGR code).
constexpr char kMarks[kRecordStates] = {'C', 'M', '?', 'd', 'S', 'F', '.'};
constexpr const char* kColours[kRecordStates] = {"31", "35", "33", "33", "34", "36", "2"};
constexpr char kFileMark = '#';
// A file's sector stands out by its background, whatever its character.
constexpr const char* kFileColour = "42;30";

class MapWriter {
 public:
  MapWriter(const Model& model, bool colour) : colour_(colour), files_(FileRecords(model)) {}

  // The characters of `track`'s first `most` own records; `*shown` is how many.
  std::string Cells(const Disk& disk, const Track& track, std::size_t most, std::size_t* shown) {
    std::string cells;
    *shown = 0;
    std::int32_t at = track.first;
    for (std::int64_t i = 0; i < track.own && *shown < most; ++i, ++*shown) {
      const RecordHeader& record = disk.records[static_cast<std::size_t>(at)].header;
      const int state = static_cast<int>(StateOf(record));
      const bool file =
          std::binary_search(files_.begin(), files_.end(), std::make_pair(disk.index, at));
      // A mark says more than that a file uses the sector: it keeps its character.
      const char mark =
          file && state == static_cast<int>(RecordState::kNormal) ? kFileMark : kMarks[state];
      if (colour_) {
        cells +=
            std::string("\x1b[") + (file ? kFileColour : kColours[state]) + "m" + mark + "\x1b[0m";
      } else {
        cells += mark;
      }
      at = disk.records[static_cast<std::size_t>(at)].next;
    }
    return cells;
  }

  void WriteDisk(const Disk& disk, NameStyle names, Output& out) {
    out.Line(Format("disk %d %s:", disk.index, ShowName(NameBytes(disk), names).c_str()));
    std::int64_t widest = 0;
    for (const Track& track : disk.tracks) widest = std::max(widest, track.own);
    if (widest == 0) {
      out.Line("  no track holds records");
      return;
    }
    // Both heads of a cylinder side by side where they fit, else a track a line.
    constexpr std::size_t kCylinderPrefix = 10;  // "  cyl  40 "
    const std::size_t width = static_cast<std::size_t>(std::max<std::int64_t>(widest, 6));
    if (kCylinderPrefix + 2 * width + 2 <= kMostColumns) {
      out.Line(Format("%*s%-*s  %s", static_cast<int>(kCylinderPrefix), "", static_cast<int>(width),
                      "head 0", "head 1"));
      for (std::size_t t = 0; t + 1 < disk.tracks.size(); t += 2) {
        const Track& head0 = disk.tracks[t];
        const Track& head1 = disk.tracks[t + 1];
        if (head0.own == 0 && head1.own == 0) continue;
        std::size_t shown0 = 0, shown1 = 0;
        const std::string cells0 = Cells(disk, head0, width, &shown0);
        const std::string cells1 = Cells(disk, head1, width, &shown1);
        out.Line(Format("  cyl %3d ", static_cast<int>(t / 2)) + cells0 +
                 (shown1 > 0 ? std::string(width - shown0 + 2, ' ') + cells1 : std::string()));
      }
      return;
    }
    constexpr std::size_t kTrackPrefix = 12;  // "  track 163 "
    constexpr std::size_t kMore = 8;          // " +65535"
    for (const Track& track : disk.tracks) {
      if (track.own == 0) continue;
      std::size_t shown = 0;
      std::string line = Format("  track %3d ", track.index) +
                         Cells(disk, track, kMostColumns - kTrackPrefix - kMore, &shown);
      if (static_cast<std::int64_t>(shown) < track.own) {
        line += Format(" +%d", static_cast<int>(track.own - static_cast<std::int64_t>(shown)));
      }
      out.Line(line);
    }
  }

  // What each character means, folded within the columns.
  static void Legend(Output& out) {
    std::vector<std::string> items;
    for (int state = static_cast<int>(RecordState::kNormal); state >= 0; --state) {
      items.push_back(Format("%c %s", kMarks[state], StateWords(static_cast<RecordState>(state))));
      if (state == static_cast<int>(RecordState::kNormal)) {
        items.push_back(Format("%c a sector of a file dskpick cuts", kFileMark));
      }
    }
    std::string line = "legend:";
    for (std::size_t i = 0; i < items.size(); ++i) {
      const std::string item = items[i] + (i + 1 < items.size() ? "," : "");
      if (line.size() + 1 + item.size() > kMostColumns) {
        out.Line(line);
        line = "       ";
      }
      line += " " + item;
    }
    out.Line(line);
  }

 private:
  bool colour_;
  std::vector<std::pair<std::int32_t, std::int32_t>> files_;
};

}  // namespace

void WriteMap(const Model& model, NameStyle names, bool colour, Output& out) {
  out.Line(Format("%s: %d disk%s, one character a record in file order", model.path.c_str(),
                  model.disk_count, model.disk_count == 1 ? "" : "s"));
  MapWriter writer(model, colour);
  for (const Disk& disk : model.disks) {
    if (out.failed()) return;
    if (disk.readable && disk.repeats > 0 && disk.inside_header_of < 0) {
      writer.WriteDisk(disk, names, out);
    }
  }
  MapWriter::Legend(out);
}

}  // namespace d88info
