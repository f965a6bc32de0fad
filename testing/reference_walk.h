// A second reading of D88 images, written from the format's description apart from the reader,
// over bytes in memory and as plainly as it can be: the tests hold the reader and the tools to it.
// Every walk ends where the next disk the scan found starts, as at the end of the file.
#ifndef TESTING_REFERENCE_WALK_H
#define TESTING_REFERENCE_WALK_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "testing/d88_builder.h"

namespace d88test {

class ReferenceImage {
 public:
  /// Reads the first `size` bytes of `image`, which must outlive it (all of it by default).
  explicit ReferenceImage(const Bytes& image, std::size_t size = SIZE_MAX);

  /// The disks the scan finds: at most 64, each a whole 688-byte header.
  int DiskCount() const { return static_cast<int>(disks_.size()); }
  /// The file offsets of the record headers a walk of `track` of `disk` visits, in order: the
  /// listing's walk, or with `search` a sector's search, which a count of 0 ends too.
  std::vector<std::size_t> Walk(int disk, int track, bool search) const;
  /// The data the reader's ReadSector delivers, at most `max` bytes.
  Bytes ReadSector(int disk, int track, int c, int h, int r, int n, std::size_t max) const;
  /// The bytes a run of sectors delivers (ReadSectors), stepping from sector `last` of one track
  /// to sector `first` of the next.
  Bytes ReadRun(int disk, int track, int c, int h, int r, int n, std::size_t total, int first,
                int last) const;

 private:
  std::uint32_t Le16(std::size_t at) const;
  std::uint32_t Le32(std::size_t at) const;
  // Where walks of `disk` end: the next disk's start, or the end of the file.
  std::size_t DiskEnd(int disk) const;

  const std::uint8_t* image_;
  std::size_t size_;
  std::vector<std::size_t> disks_;
};

}  // namespace d88test

#endif  // TESTING_REFERENCE_WALK_H
