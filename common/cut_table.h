// Where each file the tool cuts lies in the image.
#ifndef COMMON_CUT_TABLE_H
#define COMMON_CUT_TABLE_H

#include <cstdint>

/// One file to cut: `length` bytes after the first `skip` bytes of the run of sectors that
/// starts with sector (c, h, r, n) of `track` on disk `disk`.
struct CutEntry {
  std::int32_t disk;
  const char* name;
  std::int32_t track;
  std::int32_t c, h, r, n;
  std::int32_t skip;
  std::int32_t length;
};

// Several entries share a first sector and keep their own byte ranges of the same run;
// the ranges need not touch (there are no MUS202 and MUS204).
// clang-format off
inline constexpr CutEntry kCutTable[] = {
    // disk, name, track, then c, h, r, n of the first sector, skip, length
    {0, "DEMO",   80, 40, 0, 2, 3,    0,  8448},
    {0, "MUS000", 72, 36, 0, 2, 3,    0,  1014},
    {0, "MUS001", 72, 36, 0, 2, 3, 1014,  1192},
    {0, "MUS002", 72, 36, 0, 4, 3,  158,   881},
    {0, "MUS003", 72, 36, 0, 5, 3,   15,  1541},
    {2, "PROG",    8,  4, 0, 1, 3,    0, 28360},
    {2, "DRIVER", 63, 31, 1, 4, 3,    0,  2048},
    {2, "MUS200", 74, 37, 0, 4, 3,    0,   614},
    {2, "MUS201", 74, 37, 0, 4, 3,  614,   573},
    {2, "MUS203", 74, 37, 0, 4, 3, 1327,   475},
    {2, "MUS205", 74, 37, 0, 4, 3, 1802,   475},
    {2, "MUS206", 74, 37, 0, 4, 3, 2277,   659},
    {3, "MUS300", 40, 20, 0, 1, 3,    0,  1024},
    {3, "MUS301", 40, 20, 0, 1, 3, 1024,   902},
    {3, "MUS302", 40, 20, 0, 1, 3, 1926,   401},
    {3, "MUS303", 40, 20, 0, 1, 3, 2327,   711},
    {3, "MUS304", 40, 20, 0, 1, 3, 3038,   976},
    {3, "MUS305", 40, 20, 0, 1, 3, 4014,   635},
    {3, "MUS306", 40, 20, 0, 1, 3, 4709,   981},
    {3, "MUS307", 40, 20, 0, 1, 3, 5690,   710},
};
// clang-format on

// Every track of the images the table is made for holds sectors 1 to 5: a run steps from
// sector 5 of one track to sector 1 of the next.
inline constexpr std::int32_t kFirstSector = 1;
inline constexpr std::int32_t kLastSector = 5;

/// Room for any entry's run of sectors (skip + length); the largest run is 28,360 bytes.
inline constexpr std::int32_t kCutBufferSize = 400 * 1024;

/// How many of a file's bytes came from the image when its run delivered `delivered` bytes and
/// the file starts `skip` bytes in: the number a warning about an incomplete file gives.
inline constexpr std::int32_t FileBytesRead(std::int32_t skip, std::int32_t delivered) {
  return delivered <= skip ? 0 : delivered - skip;
}

#endif  // COMMON_CUT_TABLE_H
