#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "d88info/views.h"
#include "d88info/words.h"

namespace d88info {

namespace {

// A record's cell in the picture, and the room between rows and around them.
constexpr int kCell = 10, kStep = kCell + 1, kLabelWidth = 40, kTop = 14, kBandGap = 8;
// Cells drawn at most: a track's first 64 records, and 5,000 in a report, keep it well under
// 1 MB whatever the images; the rest is said in words.
constexpr std::int64_t kMostCellsPerTrack = 64;
constexpr std::int64_t kMostCells = 5000;
constexpr std::int64_t kNamedPerKind = 5;

constexpr std::array<const char*, kRecordStates> kFills = {
    "#d62728", "#9467bd", "#7f7f7f", "#ff9f1c", "#1f77b4", "#17becf", "#c7dcc7"};

// The class of each state's cells.
std::string CellStyles() {
  std::string styles;
  for (std::size_t state = 0; state < kFills.size(); ++state) {
    styles += Format(".s%d{fill:%s}", static_cast<int>(state), kFills[state]);
  }
  return styles;
}

const char* VerdictClass(Verdict verdict) {
  switch (verdict) {
    case Verdict::kCut:
      return "cut";
    case Verdict::kIncomplete:
      return "incomplete";
    default:
      return "missing";
  }
}

std::string Escape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

constexpr char kStyle[] =
    "body{font:14px/1.45 system-ui,sans-serif;margin:1.5em auto;max-width:72em;padding:0 1em;"
    "color:#222}h1{font-size:1.5em}h2{margin-top:2em;border-bottom:2px solid #ccc}"
    "pre{background:#f5f5f5;padding:.6em;overflow-x:auto;font-size:12px}"
    "table{border-collapse:collapse;margin:.5em 0}td,th{padding:1px 10px 1px 0;text-align:left;"
    "vertical-align:top}th{border-bottom:1px solid #999}.cut{color:#1b5e20}"
    ".incomplete{color:#e65100}.missing{color:#b71c1c}.legend span{margin-right:1.2em;"
    "white-space:nowrap}.swatch{display:inline-block;width:.9em;height:.9em;margin-right:.3em;"
    "vertical-align:-.1em;border:1px solid #0004}svg{display:block;margin:.4em 0 1em}"
    "svg text{font:9px sans-serif;fill:#555}g:target use{stroke:#000}"
    ":target{stroke:#000;stroke-width:3}.f{fill:none;stroke-width:2}.fcut{stroke:#1b5e20}"
    ".fincomplete{stroke:#e65100}.fmissing{stroke:#b71c1c}";

class HtmlWriter {
 public:
  explicit HtmlWriter(Output& out) : out_(out) {}

  void Image(const Model& model, std::size_t number) {
    const std::string id = Format("i%d", static_cast<int>(number));
    out_.Line(Format("<section id=\"%s\"><h2>%s</h2>", id.c_str(), Escape(model.path).c_str()));
    std::string summary;
    Output text(&summary);
    WriteSummary(model, NameStyle::kUtf8, text);
    out_.Line("<pre>" + Escape(summary) + "</pre>");
    Files(model);
    for (const Disk& disk : model.disks) {
      if (disk.readable && disk.repeats > 0 && disk.inside_header_of < 0) {
        Picture(model, disk, id);
      }
    }
    Anomalies(model, id);
    out_.Line("</section>");
  }

 private:
  void Files(const Model& model) {
    if (model.files.empty()) return;
    out_.Line(
        "<h3>What dskpick would cut</h3><table><tr><th>file</th><th>verdict</th>"
        "<th>bytes</th><th>first sector</th><th>notes</th></tr>");
    for (const FileCheck& file : model.files) {
      const CutEntry& e = *file.entry;
      std::string notes;
      for (const FileNote& note : FileNotes(model, file)) notes += Escape(note.text) + "<br>";
      if (!file.why.empty()) notes += Escape(file.why);
      const char* verdict = file.verdict == Verdict::kCut          ? "cut"
                            : file.verdict == Verdict::kIncomplete ? "incomplete"
                            : file.verdict == Verdict::kNoData     ? "no data"
                                                                   : "no disk";
      out_.Line(
          Format("<tr><td>%s</td><td class=\"%s\">%s</td><td>%d of %d</td><td>disk %d "
                 "track %d %s</td><td>%s</td></tr>",
                 e.name, VerdictClass(file.verdict), verdict, file.bytes, e.length, e.disk, e.track,
                 SectorId(e.c, e.h, e.r, e.n).c_str(), notes.c_str()));
    }
    out_.Line("</table>");
  }

  // The disk as a grid: a column per cylinder, a band per head, a cell per own record of each
  // track in file order down its column, coloured by its state and titled; the files' sectors
  // outlined in their verdict's colour.
  void Picture(const Model& model, const Disk& disk, const std::string& image_id) {
    const std::string id = Format("%s-d%d", image_id.c_str(), disk.index);
    out_.Line(Format("<h3 id=\"%s\">Disk %d %s</h3>", id.c_str(), disk.index,
                     Escape(ShowName(NameBytes(disk), NameStyle::kUtf8)).c_str()));
    std::int64_t deepest = 0;
    int cylinders = 0;
    for (const Track& track : disk.tracks) {
      if (track.own == 0) continue;
      deepest = std::max(deepest, std::min(track.own, kMostCellsPerTrack));
      cylinders = track.index / 2 + 1;
    }
    if (cylinders == 0) {
      out_.Line("<p>No track holds records.</p>");
      return;
    }
    const int band = static_cast<int>(deepest) * kStep + kBandGap;
    const int width = kLabelWidth + cylinders * kStep + 4;
    const int height = kTop + 2 * band;
    // Every cell is a use of one rectangle, its colour a class: the report stays small.
    out_.Line(
        Format("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
               "role=\"img\" aria-label=\"disk %d: a column per cylinder, a band per head, "
               "a cell per record\"><defs><rect id=\"%s-c\" width=\"%d\" height=\"%d\"/>"
               "</defs>",
               width, height, disk.index, id.c_str(), kCell, kCell));
    for (int c = 0; c < cylinders; c += 10) {
      out_.Line(Format("<text x=\"%d\" y=\"9\">%d</text>", kLabelWidth + c * kStep, c));
    }
    for (int head = 0; head < 2; ++head) {
      out_.Line(Format("<text x=\"0\" y=\"%d\">head %d</text>", kTop + head * band + 8, head));
    }
    // Where each record is drawn first, for the files' outlines and the anomalies' links.
    std::map<std::int32_t, std::pair<int, int>> drawn;
    std::int64_t left_out = 0;
    for (const Track& track : disk.tracks) {
      if (track.own == 0) continue;
      const int x = kLabelWidth + track.index / 2 * kStep;
      const int top = kTop + track.index % 2 * band;
      out_.Line(Format("<g id=\"%s-t%d\">", id.c_str(), track.index));
      std::int32_t at = track.first;
      for (std::int64_t i = 0; i < track.own;
           ++i, at = disk.records[static_cast<std::size_t>(at)].next) {
        if (i >= kMostCellsPerTrack || cells_ >= kMostCells) {
          left_out += track.own - i;
          break;
        }
        ++cells_;
        const RecordHeader& h = disk.records[static_cast<std::size_t>(at)].header;
        const RecordState state = StateOf(h);
        const int y = top + static_cast<int>(i) * kStep;
        const bool first = drawn.emplace(at, std::make_pair(x, y)).second;
        out_.Line(
            Format("<use href=\"#%s-c\"%s x=\"%d\" y=\"%d\" class=\"s%d\"><title>disk %d "
                   "track %d %s: %s, data size %u, file offset %" PRId64 "</title></use>",
                   id.c_str(), first ? Format(" id=\"%s-r%d\"", id.c_str(), at).c_str() : "", x, y,
                   static_cast<int>(state), disk.index, track.index, SectorId(h).c_str(),
                   StateWords(state), h.data_size, h.offset));
      }
      out_.Line("</g>");
    }
    for (const FileCheck& file : model.files) {
      if (file.entry->disk != disk.index) continue;
      for (const RunSector& sector : file.sectors) {
        const auto cell = drawn.find(sector.record);
        if (cell == drawn.end()) continue;
        out_.Line(
            Format("<use href=\"#%s-c\" class=\"f f%s\" x=\"%d\" y=\"%d\"><title>%s: "
                   "%s, %d of %d bytes</title></use>",
                   id.c_str(), VerdictClass(file.verdict), cell->second.first, cell->second.second,
                   file.entry->name, VerdictClass(file.verdict), file.bytes, file.entry->length));
      }
    }
    out_.Line("</svg>");
    if (left_out > 0) {
      out_.Line(left_out == 1 ? std::string("<p>1 more record is not drawn; d88info --records "
                                            "lists it.</p>")
                              : Format("<p>%" PRId64 " more records are not drawn; d88info "
                                       "--records lists them.</p>",
                                       left_out));
    }
    drawn_[disk.index] = std::move(drawn);
  }

  void Anomalies(const Model& model, const std::string& image_id) {
    if (model.anomalies.empty()) return;
    out_.Line(Format("<h3>Anomalies</h3><p>%" PRId64 " in all; five of each kind are named here, "
                     "d88info --json lists every one.</p><ol>",
                     static_cast<std::int64_t>(model.anomalies.size())));
    std::array<std::int64_t, static_cast<std::size_t>(Kind::kCount)> counts{};
    for (const Anomaly& anomaly : model.anomalies) {
      if (++counts[static_cast<std::size_t>(anomaly.kind)] > kNamedPerKind) continue;
      std::string target = image_id;
      if (anomaly.disk >= 0) {
        const std::string disk = Format("%s-d%d", image_id.c_str(), anomaly.disk);
        const auto drawn = drawn_.find(anomaly.disk);
        if (anomaly.record >= 0 && drawn != drawn_.end() &&
            drawn->second.count(anomaly.record) != 0) {
          target = Format("%s-r%d", disk.c_str(), anomaly.record);
        } else if (anomaly.track >= 0 && drawn != drawn_.end()) {
          target = Format("%s-t%d", disk.c_str(), anomaly.track);
        } else {
          target = disk;
        }
      }
      out_.Line(Format("<li><a href=\"#%s\">%s</a></li>", target.c_str(),
                       Escape(AnomalyText(model, anomaly)).c_str()));
    }
    out_.Line("</ol>");
    for (std::size_t kind = 0; kind < counts.size(); ++kind) {
      if (counts[kind] > kNamedPerKind) {
        out_.Line(Format("<p>and %" PRId64 " more %s</p>", counts[kind] - kNamedPerKind,
                         KindName(static_cast<Kind>(kind))));
      }
    }
    drawn_.clear();
  }

  Output& out_;
  std::int64_t cells_ = 0;
  std::map<std::int32_t, std::map<std::int32_t, std::pair<int, int>>> drawn_;
};

}  // namespace

void WriteHtml(const std::vector<Model>& models, Output& out) {
  out.Line("<!DOCTYPE html>");
  out.Line("<html lang=\"en\"><head><meta charset=\"utf-8\">");
  out.Line("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">");
  out.Line(Format("<title>d88info: %s%s</title>", Escape(models.front().path).c_str(),
                  models.size() > 1 ? " and more" : ""));
  out.Line(std::string("<style>") + kStyle + CellStyles() + "</style></head><body>");
  out.Line("<h1>d88info report</h1><p class=\"legend\">");
  for (int state = static_cast<int>(RecordState::kNormal); state >= 0; --state) {
    out.Line(Format("<span><i class=\"swatch\" style=\"background:%s\"></i>%s</span>",
                    kFills[static_cast<std::size_t>(state)],
                    StateWords(static_cast<RecordState>(state))));
  }
  out.Line(
      "<span><i class=\"swatch\" style=\"border:2px solid #1b5e20\"></i>a sector of a file "
      "dskpick cuts (orange: incomplete)</span></p>");
  HtmlWriter writer(out);
  for (std::size_t i = 0; i < models.size(); ++i) writer.Image(models[i], i);
  out.Line("</body></html>");
}

}  // namespace d88info
