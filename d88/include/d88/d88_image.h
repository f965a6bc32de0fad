// D88Image: read-only access to the disks and sectors of a D88 image file.
#ifndef D88_D88_IMAGE_H
#define D88_D88_IMAGE_H

#include <cstdint>
#include <cstdio>

#include "d88/d88_format.h"

/// Which file is open, whatever path led to it: on POSIX its device and inode, on Windows its
/// volume's serial number and its file index. Two names lead to the same file when these match.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
};

inline bool operator==(const FileIdentity& a, const FileIdentity& b) {
  return a.volume == b.volume && a.file == b.file;
}

/// One record of a track as the file holds it: every field of its header, and where it lies.
struct RecordHeader {
  std::int64_t offset = 0;  // file offset of the 16-byte header; the data follows it
  std::uint8_t c = 0, h = 0, r = 0, n = 0;
  std::uint16_t sector_count = 0;
  std::uint8_t density = 0;  // 0x00 double (MFM), 0x40 single (FM), 0x01 high
  std::uint8_t deleted = 0;  // 0x10: a deleted-data mark
  std::uint8_t status = 0;   // what the imaging drive reported; 0x00 normal
  std::uint16_t data_size = 0;
  std::int32_t data_held = 0;  // data bytes the file holds: below data_size where it ends inside
};

/// Reads the disks of one D88 image file. Never writes the image and never prints; every
/// failure shows only as false or as a byte count of 0. Holds no dynamic memory.
///
/// Every walk through a track's records (ReadSector, ReadSectors, ListSectorIds, ListRecords,
/// ListChain) stays inside the selected disk: where the next disk the scan found starts, the
/// walk ends as it does at the end of the file. A record header that does not fit before that
/// point ends the walk, and a sector's data is delivered only up to it, so that a damaged disk
/// never yields the bytes of the disk after it. The last disk found runs to the end of the
/// file. Inside its disk a walk may still run on past its own track's records into the tracks
/// behind it, where a sector count or a data size sends it.
class D88Image {
 public:
  D88Image();
  /// Closes the image if one is open.
  ~D88Image();
  D88Image(const D88Image&) = delete;
  D88Image& operator=(const D88Image&) = delete;

  /// Closes any image already open, then opens `path` for binary reading and finds its disks.
  /// Returns false when the file cannot be opened or read (a directory) and, at once, without
  /// waiting for a writer, when it is neither a regular file nor a block device (a FIFO, a
  /// socket, a terminal); then no image is open and errno is the system's reason, or 0 for a
  /// file of the wrong kind. Returns true for any other file, an empty one or one that holds no
  /// disk included. A null `path` only closes; returns true.
  bool Open(const char* path);
  /// Sets `*identity` to the open image file's, as it was when Open opened it (the path may
  /// lead elsewhere since). Returns false, leaving it as it was, when no image is open.
  bool GetFileIdentity(FileIdentity* identity) const;
  /// Returns the number of disks the last Open found, 0 to 64; 0 when no image is open.
  std::int32_t GetDiskCount() const;
  /// Returns the size in bytes of the open image file, as Open found it; 0 when none is open.
  std::int64_t GetImageFileSize() const;
  /// Sets the sector numbers a run steps between: after `last` comes `first` of the next track.
  /// Not checked; the defaults are 1 and 16.
  void SetSectorRange(std::int32_t first, std::int32_t last);
  /// Loads the header of disk `index`. Returns false, changing nothing, when no image is open;
  /// returns false with no disk selected when `index` is outside 0 to GetDiskCount() - 1 or the
  /// header cannot be read in full (the file shrank since Open).
  bool SelectDisk(std::int32_t index);
  /// Returns the name of the disk selected last, at most 16 characters: empty before any
  /// selection and after one that failed. Closing the image leaves it as it was.
  const char* GetDiskName() const;
  /// Returns the media type byte of the selected disk; -1 when no disk is selected.
  std::int32_t GetMediaType() const;
  /// Returns the write-protect byte of the selected disk (0x00 none, 0x10 protected); -1 when
  /// no disk is selected.
  std::int32_t GetWriteProtect() const;
  /// Returns track table entry `track` of the selected disk as stored: 0 for an absent track,
  /// -1 for a value of 2^31 or more. Returns 0 when no disk is selected or `track` is outside
  /// 0 to 163.
  std::int32_t GetTrackEntry(std::int32_t track) const;
  /// Returns the index of the selected disk; -1 when no disk is selected.
  std::int32_t GetCurrentDisk() const;
  /// Returns the disk-size field of the selected disk; 0 when no disk is selected, -1 when the
  /// field is 2^31 or more (no track of the disk is then usable).
  std::int32_t GetDiskSize() const;
  /// Returns the file offset at which the selected disk starts; -1 when no disk is selected.
  std::int32_t GetDiskOffset() const;
  /// Returns the file offset at which every record walk of the selected disk ends: where the
  /// next disk the scan found starts or, for the last one, the size of the file. Returns -1
  /// when no disk is selected.
  std::int64_t GetDiskEnd() const;
  /// Copies at most `max` data bytes of the first sector (c, h, r, n) of `track` to `dest` and
  /// returns how many it copied: fewer than the sector holds when `max` is smaller or the image
  /// ends inside the data. Returns 0 when `dest` is null, `max` is below 0, no image is open,
  /// the last SelectDisk failed, the track is unusable (index outside 0 to 163, table entry 0 or
  /// past the disk's size), the walk through the track ends before the sector (at the end of the
  /// image or of the disk, at a record whose sector count is 0 or equals its position plus one,
  /// or at 2^31 - 1), or the sector holds no data.
  std::int32_t ReadSector(std::int32_t track, std::int32_t c, std::int32_t h, std::int32_t r,
                          std::int32_t n, std::uint8_t* dest, std::int32_t max);
  /// Reads `total` bytes of consecutive sectors of size 128 << n into `dest`, starting at sector
  /// (c, h, r, n) of `track`: after the last sector number comes the first of the next track,
  /// with the head, then the cylinder, stepped. Returns `total`, or the bytes of the sectors
  /// read whole before the first that was missing or short. Returns 0 when `dest` is null,
  /// `total` is 0 or less, `n` is outside 0 to 23, or the first sector cannot be read in full.
  std::int32_t ReadSectors(std::int32_t track, std::int32_t c, std::int32_t h, std::int32_t r,
                           std::int32_t n, std::uint8_t* dest, std::int32_t total);
  /// Writes the C, H, R, N bytes of each record of `track`, in file order, to `out` and returns
  /// the bytes written, a multiple of 4 and at most `capacity`. A sector count of 0 does not end
  /// the listing; a record whose count equals its position plus one, the end of the image or of
  /// the disk and 2^31 - 1 do. Returns 0 when `out` is null, `capacity` is below 4, no image is
  /// open, the last SelectDisk failed or the track is unusable.
  std::int32_t ListSectorIds(std::int32_t track, std::uint8_t* out, std::int32_t capacity);
  /// Fills `out` with the headers of the records ListSectorIds lists for `track`, in the same
  /// order, and returns how many, at most `capacity`. Returns 0 in the cases where
  /// ListSectorIds does, and when `capacity` is below 1.
  std::int32_t ListRecords(std::int32_t track, RecordHeader* out, std::int32_t capacity) const;
  /// Fills `out` with the records that follow one another from file offset `offset`, each
  /// starting where the data of the one before ends, whatever their sector counts say, and
  /// returns how many, at most `capacity`. The chain ends where a record header does not fit
  /// before GetDiskEnd() or would start past 2^31 - 1. Returns 0 when `out` is null,
  /// `capacity` is below 1, no disk is selected or `offset` is below the disk's start.
  std::int32_t ListChain(std::int64_t offset, RecordHeader* out, std::int32_t capacity) const;
  /// Copies the `size` bytes at file offset `offset` to `dest`, whichever disk they belong to,
  /// and returns how many the file holds. Returns 0 when `dest` is null, `size` is below 1,
  /// `offset` is negative or no image is open.
  std::int32_t ReadImageBytes(std::int64_t offset, std::uint8_t* dest, std::int32_t size) const;

 private:
  void Close();
  bool ReadAt(std::int32_t offset, std::uint8_t* dest, std::int32_t size);
  // File offset of `track`'s first record, or -1 when the track is unusable.
  std::int32_t TrackOffset(std::int32_t track) const;
  // What ends a walk besides the end of the disk, of the image and 2^31 - 1.
  enum class WalkEnds {
    kAtCountOrZero,  // a sector's search: a count equal to the position plus one, or 0
    kAtCount,        // a listing: a count equal to the position plus one
    kNever,          // a chain: counts are not looked at
  };
  // The one record walk: visits the records from `first` in file order, calling
  // visit(header, window, data offset) for each until it returns true.
  template <typename Visit>
  void WalkTrack(std::int64_t first, WalkEnds ends, Visit visit) const;
  // Fills `out` from the 16 header bytes at `header`, whose data starts at `data`.
  void FillRecord(const std::uint8_t* header, std::int64_t data, RecordHeader* out) const;

  std::FILE* image_;
  FileIdentity identity_;
  std::int64_t file_size_;
  std::int32_t current_disk_;
  std::int32_t disk_count_;
  std::int32_t first_sector_;
  std::int32_t last_sector_;
  std::int32_t disk_offsets_[d88::kMaxDisks];
  std::int32_t disk_size_;
  std::int32_t disk_offset_;
  std::int64_t disk_end_;  // where walks of the selected disk end; INT64_MAX for the last disk
  std::int32_t track_table_[d88::kTrackCount];
  std::int32_t media_type_;
  std::int32_t write_protect_;
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
