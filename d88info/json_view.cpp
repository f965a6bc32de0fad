// The JSON view, written with nlohmann/json: the schema is d88info(1)'s, version 1.
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "d88/d88_format.h"
#include "d88info/names.h"
#include "d88info/views.h"
#include "d88info/words.h"

namespace d88info {

namespace {

using json = nlohmann::ordered_json;

constexpr int kSchemaVersion = 1;
constexpr std::int64_t kInt32Max = 0x7FFFFFFF;

const char* StateId(TrackState state) {
  switch (state) {
    case TrackState::kAbsent:
      return "absent";
    case TrackState::kOldHeaderBytes:
      return "old_header_bytes";
    case TrackState::kPastSize:
      return "past_size";
    case TrackState::kTooFar:
      return "past_2_31";
    case TrackState::kUnused:
      return "unused";
    case TrackState::kInsideHeader:
      return "inside_header";
    default:
      return "walked";
  }
}

const char* VerdictId(Verdict verdict) {
  switch (verdict) {
    case Verdict::kCut:
      return "cut";
    case Verdict::kIncomplete:
      return "incomplete";
    case Verdict::kNoData:
      return "no data";
    default:
      return "no disk";
  }
}

json RecordJson(const RecordHeader& h) {
  return {{"offset", h.offset},
          {"c", h.c},
          {"h", h.h},
          {"r", h.r},
          {"n", h.n},
          {"count", h.sector_count},
          {"density", h.density},
          {"deleted", h.deleted},
          {"status", h.status},
          {"data_size", h.data_size},
          {"data_held", h.data_held}};
}

json TrackJson(const Disk& disk, const Track& track) {
  json records = json::array();
  std::int32_t at = track.first;
  for (std::int64_t i = 0; i < track.own && at >= 0; ++i) {
    records.push_back(RecordJson(disk.records[static_cast<std::size_t>(at)].header));
    at = disk.records[static_cast<std::size_t>(at)].next;
  }
  return {{"index", track.index},
          {"entry", track.entry},
          {"state", StateId(track.state)},
          {"offset", track.offset >= 0 ? json(track.offset) : json(nullptr)},
          {"walk", track.walk},
          {"records", records}};
}

json DiskJson(const Disk& disk) {
  if (!disk.readable) return {{"index", disk.index}, {"readable", false}};
  const std::string name = NameBytes(disk);
  std::string hex;
  for (std::uint8_t byte : disk.name) hex += Format("%02x", byte);
  // Text where the name is Shift_JIS, else null: name_bytes holds it all the same.
  std::string text;
  const json decoded = ShiftJisToUtf8(name, &text) ? json(text) : json(nullptr);
  json tracks = json::array();
  for (const Track& track : disk.tracks) {
    if (track.state != TrackState::kAbsent) tracks.push_back(TrackJson(disk, track));
  }
  return {{"index", disk.index},
          {"name", decoded},
          {"name_bytes", hex},
          {"media", disk.media},
          {"write_protect", disk.write_protect},
          {"offset", disk.offset},
          {"size", disk.size},
          {"size_2_31_or_more", disk.size > kInt32Max},
          {"inside_header_of",
           disk.inside_header_of >= 0 ? json(disk.inside_header_of) : json(nullptr)},
          {"tracks", tracks}};
}

}  // namespace

bool JsonBuiltIn() { return true; }

void WriteJson(const Model& model, Output& out) {
  json disks = json::array();
  for (const Disk& disk : model.disks) disks.push_back(DiskJson(disk));
  json anomalies = json::array();
  for (const Anomaly& anomaly : model.anomalies) {
    json sector = nullptr;
    if (anomaly.record >= 0) {
      const Disk& disk = model.disks[static_cast<std::size_t>(anomaly.disk)];
      sector = SectorId(disk.records[static_cast<std::size_t>(anomaly.record)].header);
    }
    anomalies.push_back({{"kind", KindId(anomaly.kind)},
                         {"disk", anomaly.disk >= 0 ? json(anomaly.disk) : json(nullptr)},
                         {"track", anomaly.track >= 0 ? json(anomaly.track) : json(nullptr)},
                         {"sector", sector},
                         {"offset", anomaly.offset >= 0 ? json(anomaly.offset) : json(nullptr)},
                         {"text", AnomalyText(model, anomaly)}});
  }
  json files = json::array();
  for (const FileCheck& file : model.files) {
    const CutEntry& e = *file.entry;
    json marks = json::array(), elsewhere = json::array();
    for (const FileNote& note : FileNotes(model, file)) {
      (note.mark ? marks : elsewhere).push_back(note.text);
    }
    files.push_back({{"name", e.name},
                     {"disk", e.disk},
                     {"track", e.track},
                     {"c", e.c},
                     {"h", e.h},
                     {"r", e.r},
                     {"n", e.n},
                     {"verdict", VerdictId(file.verdict)},
                     {"bytes", file.bytes},
                     {"length", e.length},
                     {"marks", marks},
                     {"elsewhere", elsewhere},
                     {"reason", file.why.empty() ? json(nullptr) : json(file.why)}});
  }
  const json document = {{"d88info", kSchemaVersion}, {"image", model.path},
                         {"size", model.size},        {"disks", disks},
                         {"anomalies", anomalies},    {"files", files}};
  // Paths and names that are not UTF-8 are written with U+FFFD where their bytes do not decode.
  out.Line(document.dump(-1, ' ', false, json::error_handler_t::replace));
}

}  // namespace d88info
