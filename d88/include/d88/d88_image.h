// D88Image: read-only access to the disks and sectors of a D88 image file.
#ifndef D88_D88_IMAGE_H
#define D88_D88_IMAGE_H

#include <cstdint>
#include <cstdio>

#include "d88/d88_format.h"

/// Reads the disks of one D88 image file. Never writes the image and never prints;
/// every failure shows only as false or as a byte count of 0.
class D88Image {
 public:
  D88Image();
  ~D88Image();
  D88Image(const D88Image&) = delete;
  D88Image& operator=(const D88Image&) = delete;

  /// Opens `path` for binary reading and finds its disks; false when it cannot be opened or read
  /// (a directory, for one). A null `path` closes the reader and returns true.
  bool Open(const char* path);
  /// Number of disks found by the last successful Open, 0 to 64; 0 when closed.
  std::int32_t GetDiskCount() const;
  /// Sets the sector numbers a run steps between: after `last` comes `first` of the next track.
  void SetSectorRange(std::int32_t first, std::int32_t last);
  /// Loads the header of disk `index`; false when no image is open, the index is out of range or
  /// the header cannot be read, and then no disk is selected.
  bool SelectDisk(std::int32_t index);
  /// Name of the selected disk, at most 16 characters; empty when none is selected.
  const char* GetDiskName() const;
  /// Media type byte of the selected disk, or -1 when none is selected.
  std::int32_t GetMediaType() const;
  /// Index of the selected disk, or -1 when none is selected.
  std::int32_t GetCurrentDisk() const;
  /// Disk-size field of the selected disk; 0 when none is selected, -1 when the field is 2^31
  /// or more.
  std::int32_t GetDiskSize() const;
  /// File offset at which the selected disk starts; -1 when none is selected.
  std::int32_t GetDiskOffset() const;
  /// Copies at most `max` data bytes of sector (c, h, r, n) of `track` to `dest`; returns the
  /// bytes copied, 0 when the sector is not found.
  std::int32_t ReadSector(std::int32_t track, std::int32_t c, std::int32_t h, std::int32_t r,
                          std::int32_t n, std::uint8_t* dest, std::int32_t max);
  /// Reads `total` bytes of consecutive sectors, starting at sector (c, h, r, n) of `track`;
  /// returns `total`, or the whole sectors read before the first that was missing or short.
  std::int32_t ReadSectors(std::int32_t track, std::int32_t c, std::int32_t h, std::int32_t r,
                           std::int32_t n, std::uint8_t* dest, std::int32_t total);
  /// Writes the C, H, R, N bytes of each record of `track`, in file order, to `out`; returns the
  /// bytes written, a multiple of 4 and at most `capacity`; 0 when the track is unusable.
  std::int32_t ListSectorIds(std::int32_t track, std::uint8_t* out, std::int32_t capacity);

 private:
  void Close();
  bool ReadAt(std::int32_t offset, std::uint8_t* dest, std::int32_t size);
  // File offset of `track`'s first record, or -1 when the track is unusable.
  std::int32_t TrackOffset(std::int32_t track) const;

  std::FILE* image_;
  std::int32_t current_disk_;
  std::int32_t disk_count_;
  std::int32_t first_sector_;
  std::int32_t last_sector_;
  std::int32_t disk_offsets_[d88::kMaxDisks];
  std::int32_t disk_size_;
  std::int32_t disk_offset_;
  std::int32_t track_table_[d88::kTrackCount];
  std::int32_t media_type_;
  char disk_name_[d88::kDiskNameSize + 1];
};

// Built from single bytes so the result does not depend on the host's byte order; inline, as
// a record walk calls them for every record.

/// The unsigned 16-bit value stored low byte first at `p`.
inline constexpr std::uint32_t ReadLE16(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}

/// The unsigned 32-bit value stored low byte first at `p`.
inline constexpr std::uint32_t ReadLE32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

#endif  // D88_D88_IMAGE_H
