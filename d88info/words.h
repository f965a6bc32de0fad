// The words d88info uses for what an image holds, shared by its views.
#ifndef D88INFO_WORDS_H
#define D88INFO_WORDS_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "d88/d88_image.h"
#include "d88info/model.h"

namespace d88info {

/// printf into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// " (2D)", " (2DD)", " (2HD)", " (1D)" or " (1DD)" for the media bytes the format defines;
/// "" for the others.
const char* MediaName(std::int32_t media);

/// The bytes a sector of size code `n` holds, 128 << n; -1 when that does not fit a data size.
std::int32_t SectorSize(std::uint8_t n);

/// "40/0/3/3".
std::string SectorId(std::int32_t c, std::int32_t h, std::int32_t r, std::int32_t n);
std::string SectorId(const RecordHeader& record);

/// Whether the format gives `status` a meaning (0x00 normal, 0x10, 0xA0, 0xB0, 0xE0, 0xF0).
bool IsKnownStatus(std::uint8_t status);

/// What is amiss with a record as a sector, for --check and the summary: a status other than
/// normal, a deleted mark, an odd deleted or status byte, a data size other than 128 << N;
/// empty when nothing is.
std::string DescribeMarks(const RecordHeader& record);

/// What a track holds, for the summary's layout lines and --check: "16 x 256 bytes (N 1),
/// R 1-16, MFM", "absent", "past the disk's size", ...
std::string DescribeLayout(const Disk& disk, const Track& track);

/// What a record is, as a picture of the disk shows it: the first that applies, in this order.
enum class RecordState {
  kCrcError,       // an ID or data CRC error
  kMissingMark,    // no address mark or no data mark
  kOddByte,        // a status, deleted or density byte the format does not define
  kDeleted,        // a deleted-data mark, or deleted data found
  kOddSize,        // a data size other than 128 << N
  kSingleDensity,  // FM
  kNormal,
};
inline constexpr int kRecordStates = 7;

RecordState StateOf(const RecordHeader& record);

/// "data CRC error", "normal", ... for a record of `state`.
const char* StateWords(RecordState state);

/// The records (disk, record) that the files dskpick cuts read from, in full or in part.
std::vector<std::pair<std::int32_t, std::int32_t>> FileRecords(const Model& model);

/// One thing the sectors a file's run read say: that the image marks one (`mark`), or that one
/// lies outside its track's own records.
struct FileNote {
  bool mark;
  std::string text;  // "sector 40/0/3/3 of track 80: data CRC error (status 0xB0)"
};

/// For each sector `file`'s run read in full, in run order: where it lies when outside its
/// track's own records, and the marks the image sets on it.
std::vector<FileNote> FileNotes(const Model& model, const FileCheck& file);

/// The name field's bytes up to the first NUL (all 17 when there is none).
std::string NameBytes(const Disk& disk);

/// `bytes` in double quotes, the same on any console and code page: printable ASCII as it is,
/// but for the quote and the backslash; every other byte as \xNN.
std::string QuoteBytes(const std::string& bytes);

}  // namespace d88info

#endif  // D88INFO_WORDS_H
