// What a disk and its tracks hold, in the words d88info uses for them.
#ifndef TOOL_D88INFO_WORDS_H
#define TOOL_D88INFO_WORDS_H

#include <cstddef>
#include <cstdint>

#include "d88/d88_image.h"

/// Room for the records of one track: far more than any real track holds.
inline constexpr std::int32_t kMaxListedRecords = 65536;

struct TrackFacts {
  std::int32_t entry = 0;                 // the track table entry; 0 when the track is absent
  bool usable = false;                    // the entry is not past the disk's size
  std::int64_t start = -1;                // file offset of the first record; -1 when not usable
  std::int64_t boundary = 0;              // where the next track, else the disk, ends this one
  const RecordHeader* records = nullptr;  // what the walk listed; valid until the next read
  std::int32_t listed = 0;                // how many the walk listed (up to kMaxListedRecords)
  std::int32_t held = 0;                  // how many of those start before `boundary`
};

/// True when the selected disk has the older 0x2A0-byte header, whose 160 track entries are
/// followed by the first bytes of track 0 (entries 160 to 163 then mean nothing).
bool HasOldHeader(const D88Image& image);

/// The file offset at which usable `track` of the selected disk starts; -1 for a track that is
/// absent, past the disk's size, or past the 160 entries of an older header.
std::int64_t TrackStart(const D88Image& image, std::int32_t track);

/// Reads `track` of the selected disk: its entry, and for a usable one its records.
TrackFacts ReadTrack(const D88Image& image, std::int32_t track);

/// Writes the layout of the track's records to `out`: "16 x 256 bytes (N 1), R 1-16, MFM",
/// "absent", "past the disk's size" or "no records (the image ends there)".
void DescribeLayout(const TrackFacts& facts, char* out, std::size_t size);

/// The bytes a sector of size code `n` holds, 128 << n; -1 when that does not fit a data size.
std::int32_t SectorSize(std::uint8_t n);

/// Writes to `out` what is amiss with the record as a sector: a status other than normal, a
/// deleted mark, a data size other than 128 << N; false, with `out` empty, when nothing is.
bool DescribeMarks(const RecordHeader& record, char* out, std::size_t size);

/// Writes the disk name to `out` in double quotes, unambiguous on any console and code page:
/// printable ASCII as it is, but for the quote and the backslash; every other byte as \xNN.
void QuoteName(const char* name, char* out, std::size_t size);

/// " (2D)", " (2DD)" or " (2HD)" for the media types that have a name; "" for the others.
const char* MediaName(std::int32_t media);

#endif  // TOOL_D88INFO_WORDS_H
