// Layout of a D88 floppy-disk image, as far as this reader uses it.
//
// An image file is one or more disks back to back, with no file header.
// Every multi-byte field is little-endian.
//
// Disk header (688 bytes, at the start of every disk):
//   0x00  16  disk name, NUL-terminated when shorter than 16
//   0x10  10  not interpreted
//   0x1A   1  write protection: 0x00 none, 0x10 protected
//   0x1B   1  media type: 0x00 2D, 0x10 2DD, 0x20 2HD
//   0x1C   4  disk size: bytes from this header to the next disk
//   0x20 656  track table: 164 offsets of each track's first record,
//             counted from this header; 0 means the track is absent.
//             Older tools wrote a 0x2A0-byte header of 160 entries: their first track
//             starts at 0x2A0, and entries 160 to 163 are its first bytes.
//
// Sector record (16-byte header, then the data):
//   0      1  C  cylinder
//   1      1  H  head
//   2      1  R  sector number
//   3      1  N  size code, 128 << N bytes
//   4      2  number of sectors in this track (every record carries it)
//   6      1  density: 0x00 double (MFM), 0x40 single (FM), 0x01 high
//   7      1  deleted-data mark: 0x10 deleted
//   8      1  status the imaging drive reported: 0x00 normal, 0x10 deleted data found,
//             0xA0 ID CRC error, 0xB0 data CRC error, 0xE0 no address mark, 0xF0 no data mark
//   9      5  reserved
//   14     2  data size: bytes of data that follow this header
#ifndef D88_D88_FORMAT_H
#define D88_D88_FORMAT_H

#include <cstdint>

namespace d88 {

constexpr std::int32_t kDiskHeaderSize = 688;
constexpr std::int32_t kOffsetDiskName = 0x00;
constexpr std::int32_t kDiskNameSize = 16;
constexpr std::int32_t kOffsetWriteProtect = 0x1A;
constexpr std::int32_t kOffsetMediaType = 0x1B;
constexpr std::int32_t kOffsetDiskSize = 0x1C;
constexpr std::int32_t kOffsetTrackTable = 0x20;
constexpr std::int32_t kTrackCount = 164;
constexpr std::int32_t kTrackEntrySize = 4;
constexpr std::int32_t kMaxDisks = 64;
constexpr std::int32_t kOldDiskHeaderSize = 0x2A0;
constexpr std::int32_t kOldTrackCount = 160;

constexpr std::int32_t kSectorHeaderSize = 16;
constexpr std::int32_t kOffsetC = 0;
constexpr std::int32_t kOffsetH = 1;
constexpr std::int32_t kOffsetR = 2;
constexpr std::int32_t kOffsetN = 3;
constexpr std::int32_t kOffsetSectorCount = 4;
constexpr std::int32_t kOffsetDensity = 6;
constexpr std::int32_t kOffsetDeleted = 7;
constexpr std::int32_t kOffsetStatus = 8;
constexpr std::int32_t kOffsetDataSize = 14;

// 128 << 23 is the largest sector size that still fits a signed 32-bit count.
constexpr std::int32_t kMaxSizeCode = 23;
constexpr std::int32_t kBaseSectorSize = 128;

static_assert(kOffsetTrackTable + kTrackCount * kTrackEntrySize == kDiskHeaderSize,
              "the track table ends the disk header");
static_assert(kOffsetDataSize + 2 == kSectorHeaderSize, "the data size ends the sector header");
static_assert(kOffsetTrackTable + kOldTrackCount * kTrackEntrySize == kOldDiskHeaderSize,
              "the older header holds 160 track entries");

}  // namespace d88

#endif  // D88_D88_FORMAT_H
