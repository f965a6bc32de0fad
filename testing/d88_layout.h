// The D88 layout as the test kit writes it, stated here on its own from the format's
// description, never taken from the reader: a wrong constant in the reader then makes images
// that it misreads, and a test fails, instead of being written and read back consistently.
//
// An image is disks back to back. Disk header, 688 bytes:
//   0x00  16  name, NUL-ended when shorter      0x1C   4  disk size (little-endian)
//   0x10  10  not interpreted                   0x20 656  track table: 164 offsets (LE32)
//   0x1A   1  write protection (0x10)
//   0x1B   1  media type
// Record header, 16 bytes, followed by the data:
//   0 C, 1 H, 2 R, 3 N, 4 sector count (LE16), 6 density (0x40 FM), 7 deleted mark (0x10),
//   8 status (0xB0 data CRC error), 9 five bytes reserved, 14 data size (LE16)
#ifndef TESTING_D88_LAYOUT_H
#define TESTING_D88_LAYOUT_H

#include <cstddef>

namespace d88test::layout {

inline constexpr std::size_t kDiskHeaderSize = 688;
inline constexpr std::size_t kName = 0x00;
inline constexpr std::size_t kNameSize = 16;
inline constexpr std::size_t kWriteProtect = 0x1A;
inline constexpr std::size_t kMediaType = 0x1B;
inline constexpr std::size_t kDiskSize = 0x1C;
inline constexpr std::size_t kTrackTable = 0x20;
inline constexpr int kTrackCount = 164;

/// Where the track table entry of `track` lies in a disk header.
inline constexpr std::size_t TrackEntry(int track) {
  return kTrackTable + 4 * static_cast<std::size_t>(track);
}

inline constexpr std::size_t kRecordHeaderSize = 16;
inline constexpr std::size_t kC = 0;
inline constexpr std::size_t kH = 1;
inline constexpr std::size_t kR = 2;
inline constexpr std::size_t kN = 3;
inline constexpr std::size_t kSectorCount = 4;
inline constexpr std::size_t kDensity = 6;
inline constexpr std::size_t kDeleted = 7;
inline constexpr std::size_t kStatus = 8;
inline constexpr std::size_t kDataSize = 14;

}  // namespace d88test::layout

#endif  // TESTING_D88_LAYOUT_H
