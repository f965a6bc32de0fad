// The outputs of d88info, each a view of the model of one image.
#ifndef D88INFO_VIEWS_H
#define D88INFO_VIEWS_H

#include <cstdint>
#include <vector>

#include "d88info/model.h"
#include "d88info/names.h"
#include "d88info/output.h"

namespace d88info {

/// The summary: a first line with the image's size, disks and anomalies; each disk with its
/// tracks, runs of alike tracks on one line; then the anomalies, five of a kind named and the
/// rest counted.
void WriteSummary(const Model& model, NameStyle names, Output& out);

/// --ids: every disk, and under it the sector IDs of each track's walk in file order, in a form
/// kept stable for scripts; " |" marks where a walk leaves the track's own records.
void WriteIds(const Model& model, Output& out);

/// --check: one line per entry of dskpick's table saying what dskpick would do, and a sum.
void WriteCheck(const Model& model, Output& out);

/// --records: one line per record of every track's walk, in columns under a header line.
void WriteRecords(const Model& model, Output& out);

/// --dump: each own record of `track` of `disk`, named, then its data as `hexdump -C` shows it,
/// at its file offsets, from the data the model was built with (ModelWants). False, writing
/// nothing, when the image has no such disk.
bool WriteDump(const Model& model, std::int32_t disk, std::int32_t track, Output& out);

/// --map: each disk drawn in the terminal, a row per cylinder (both heads side by side) or per
/// track, one character per own record in file order, at most 100 columns, and a legend; in
/// colour when `colour`.
void WriteMap(const Model& model, NameStyle names, bool colour, Output& out);

/// --html: one self-contained HTML report of `models`: each image's summary, each disk drawn as
/// a grid of tracks by records in SVG, every record titled, the files' runs outlined with their
/// verdicts, and the anomalies linked to their places.
void WriteHtml(const std::vector<Model>& models, Output& out);

/// Whether this build writes JSON (it needs nlohmann/json when it is built).
bool JsonBuiltIn();

/// --json: the whole model as one JSON document on one line (JSON Lines, one per image): every
/// disk with its header fields, every track with its entry and its own records, every anomaly,
/// and what dskpick would cut. Writes nothing when the build has no JSON (JsonBuiltIn).
void WriteJson(const Model& model, Output& out);

}  // namespace d88info

#endif  // D88INFO_VIEWS_H
