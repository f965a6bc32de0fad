// What d88info knows of an image, gathered once from the reader's queries: its disks with their
// header fields, every record of every track with its file offset, where each track's walk goes,
// the anomalies, and what dskpick would cut. Every output of d88info is a view of this model;
// none reads the image itself.
#ifndef D88INFO_MODEL_H
#define D88INFO_MODEL_H

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/cut_table.h"
#include "d88/d88_image.h"

namespace d88info {

/// Records kept for one image, all disks together: far more than any real image holds.
inline constexpr std::int64_t kMaxRecords = std::int64_t{1} << 20;

/// One record header as the file holds it, and where it stands.
struct Record {
  RecordHeader header;         // every field, its file offset and the data bytes the disk holds
  std::int32_t next = -1;      // the record that follows it in the file, by its data size; -1: none
  std::int32_t owner = -1;     // the lowest-numbered track whose own records hold it; -1: none
  std::int32_t position = -1;  // its place among that track's own records, from 0
  bool past_count = false;     // it lies after its track's count's end, before the next track
};

enum class TrackState {
  kAbsent,          // entry 0
  kOldHeaderBytes,  // entries 160-163 of an older 0x2A0-byte header: the first bytes of track 0
  kPastSize,        // entry past the disk's size (or 2^31 or more): no walk reads it
  kTooFar,          // entry within the disk's size, but the track would start past 2^31 - 1
  kUnused,          // entry equal to the disk's size, and no record there: an unused track
  kInsideHeader,    // entry inside the disk's own header
  kUsable,          // walked from its entry
};

/// Why a walk ended after its last record.
enum class WalkEnd {
  kCount,     // the record's sector count equals its position plus one
  kFileEnd,   // no further record header fits before the end of the file
  kNextDisk,  // ... before the next disk starts
  kLimit,     // the next record would start past 2^31 - 1, or past the records kept
};

struct Track {
  std::int32_t index = 0;
  std::uint32_t entry = 0;  // the track table entry as stored
  TrackState state = TrackState::kAbsent;
  std::int64_t offset = -1;  // file offset of its first record; -1 when not walked
  std::int32_t first = -1;   // its first record; -1 when the walk finds none
  std::int64_t walk = 0;     // records the reader's walk visits from it (a listing's walk)
  WalkEnd walk_end = WalkEnd::kCount;
  std::int64_t own = 0;          // how many of them are the track's own
  std::int32_t past_count = 0;   // records after its count's end that lie before the next track
  std::int32_t same_start = -1;  // an earlier track that starts at the same offset
  std::int32_t inside = -1;      // a track inside whose own records, or their data, it starts
  std::int64_t inside_at = -1;   // ... at which of that track's records (from 0)
  bool inside_data = false;      // ... inside the record's header or data, not at its start
};

struct Disk {
  std::int32_t index = 0;
  bool readable = false;  // its header could be read (the file did not shrink since it opened)
  std::int64_t offset = 0;
  std::uint32_t size = 0;  // the size field as stored
  std::int64_t end = 0;    // where every walk of it ends: the next disk's start, or the file's end
  std::int32_t repeats = 1;  // disks found at this same offset (a size field of 0), this one first
  std::int32_t inside_header_of = -1;      // the disk inside whose header it starts; -1: none
  std::array<std::uint8_t, 17> name{};     // the name field, all 17 bytes
  std::array<std::uint8_t, 9> reserved{};  // bytes 0x11-0x19
  std::uint8_t write_protect = 0;
  std::uint8_t media = 0;
  bool old_header = false;      // the older 0x2A0-byte header of 160 track entries
  std::vector<Record> records;  // every record reached from a track entry, in the order found
  std::array<Track, 164> tracks{};
};

enum class Kind : int {
  kStatus,
  kDeleted,
  kSingleDensity,
  kDataSize,
  kOddByte,
  kDuplicate,
  kPlace,
  kCountsDisagree,
  kCountDiffers,
  kZeroCount,
  kTruncated,
  kPastCount,
  kUnreached,
  kTrackPastSize,
  kInsideHeader,
  kTrackOverlap,
  kOldHeader,
  kName,
  kSizeZero,
  kSizeInsideHeader,
  kSizePastEnd,
  kTrailing,
  kDiskLimit,
  kRecordLimit,
  kCount
};

/// What an anomaly about one record says; its words are made from the record only when a view
/// shows it, since a damaged image may hold hundreds of thousands.
enum class RecordWords : std::uint8_t {
  kNone,       // the anomaly has its own text
  kMarks,      // the record's status, deleted mark and data size
  kDensity,    // its density byte
  kPlace,      // its C/H against the track's place
  kDuplicate,  // its ID, found `count` times in the track
};

/// One thing odd about the image, located. AnomalyText gives the words every view shows.
struct Anomaly {
  Kind kind;
  RecordWords words = RecordWords::kNone;
  std::int32_t disk = -1;    // -1 for the image as a whole
  std::int32_t track = -1;   // -1 for the disk as a whole
  std::int32_t record = -1;  // the record (of the disk's records) it is about; -1: none
  std::int64_t offset = -1;  // the file offset it is at; -1: none
  std::int64_t count = 0;    // for a duplicate ID: the times it is found
  std::int32_t text = -1;    // for RecordWords::kNone: its words, in Model::texts
};

enum class Verdict { kCut, kIncomplete, kNoData, kNoDisk };

/// One sector of a file's run, as a read finds it.
struct RunSector {
  std::int32_t track = 0;
  std::int32_t c = 0, h = 0, r = 0, n = 0;
  std::int32_t record = -1;  // the record read, of the disk's records; -1 when not found
};

/// What dskpick would do with one entry of its table.
struct FileCheck {
  const CutEntry* entry = nullptr;
  Verdict verdict = Verdict::kNoDisk;
  std::int32_t delivered = 0;      // bytes of the run the image delivers
  std::int32_t bytes = 0;          // bytes of the file that come from the image
  std::vector<RunSector> sectors;  // the sectors read, then the one that ended the run, if any
  std::string why;                 // for a run cut short: why its last sector could not be read
};

struct Model {
  std::string path;
  // The data bytes the disk holds of each record asked for (ModelWants), by record.
  std::map<std::pair<std::int32_t, std::int32_t>, std::vector<std::uint8_t>> data;
  std::int64_t size = 0;
  std::int32_t disk_count = 0;
  std::vector<Disk> disks;
  std::vector<Anomaly> anomalies;
  std::vector<std::string> texts;  // the words of the anomalies that are not a record's
  std::vector<FileCheck> files;
};

/// What a model holds besides the image's layout and anomalies.
struct ModelWants {
  bool files = true;            // what dskpick would cut, read with dskpick's own calls
  std::int32_t data_disk = -1;  // the data bytes of the own records of this track of this disk
  std::int32_t data_track = -1;
};

/// Gathers everything about the image `image` has open (named `path`): selects every disk in
/// turn and, as `wants` says, reads dskpick's runs and a track's data. Leaves no disk selected.
Model BuildModel(D88Image& image, const std::string& path, const ModelWants& wants = ModelWants());

/// The record of `disk` that a read of sector (c, h, r, n) of `track` finds, as the reader's
/// search walks: -1 when it finds none. `*stopped_at`, when not null, is set to the record
/// whose sector count of 0 ended the search, or -1.
std::int32_t FindSector(const Disk& disk, std::int32_t track, std::int32_t c, std::int32_t h,
                        std::int32_t r, std::int32_t n, std::int32_t* stopped_at = nullptr);

/// Whether `record` is one of the own records of `track` of `disk`.
bool IsOwnRecord(const Disk& disk, const Track& track, std::int32_t record);

/// "disk 0 track 80 sector 40/0/3/3: data CRC error (status 0xB0)".
std::string AnomalyText(const Model& model, const Anomaly& anomaly);

/// A name of `kind` for scripts, kept from release to release: "status", "past_count", ...
const char* KindId(Kind kind);

/// The name of `kind` in the plural, for "and N more ..." lines.
const char* KindName(Kind kind);

}  // namespace d88info

#endif  // D88INFO_MODEL_H
