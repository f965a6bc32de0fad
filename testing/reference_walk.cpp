#include "testing/reference_walk.h"

#include <algorithm>

#include "testing/d88_layout.h"

namespace d88test {

namespace L = layout;

namespace {

constexpr std::size_t kLargestOffset = 0x7FFFFFFF;  // offsets are signed 32-bit values
constexpr int kMostDisks = 64;

}  // namespace

ReferenceImage::ReferenceImage(const Bytes& image, std::size_t size)
    : image_(image.data()), size_(std::min(size, image.size())) {
  std::size_t offset = 0;
  while (static_cast<int>(disks_.size()) < kMostDisks && offset + L::kDiskHeaderSize <= size_) {
    disks_.push_back(offset);
    offset += Le32(offset + L::kDiskSize);
    if (offset > kLargestOffset) break;
  }
}

std::uint32_t ReferenceImage::Le16(std::size_t at) const {
  return image_[at] | static_cast<std::uint32_t>(image_[at + 1]) << 8;
}

std::uint32_t ReferenceImage::Le32(std::size_t at) const { return Le16(at) | Le16(at + 2) << 16; }

std::size_t ReferenceImage::DiskEnd(int disk) const {
  return disk + 1 < DiskCount() ? disks_[static_cast<std::size_t>(disk) + 1] : size_;
}

std::vector<std::size_t> ReferenceImage::Walk(int disk, int track, bool search) const {
  std::vector<std::size_t> records;
  if (disk < 0 || disk >= DiskCount() || track < 0 || track >= L::kTrackCount) return records;
  const std::size_t start = disks_[static_cast<std::size_t>(disk)];
  const std::uint32_t size = Le32(start + L::kDiskSize);
  const std::uint32_t entry = Le32(start + L::TrackEntry(track));
  if (entry == 0 || entry > size || size > kLargestOffset || start + entry > kLargestOffset) {
    return records;
  }
  const std::size_t end = DiskEnd(disk);
  std::size_t at = start + entry;
  for (std::uint32_t position = 0;; ++position) {
    if (at > kLargestOffset || at + L::kRecordHeaderSize > end) break;
    const std::uint32_t count = Le16(at + L::kSectorCount);
    if (search && count == 0) break;
    records.push_back(at);
    if (position + 1 == count) break;
    at += L::kRecordHeaderSize + Le16(at + L::kDataSize);
  }
  return records;
}

Bytes ReferenceImage::ReadSector(int disk, int track, int c, int h, int r, int n,
                                 std::size_t max) const {
  for (std::size_t at : Walk(disk, track, true)) {
    if (image_[at + L::kC] != c || image_[at + L::kH] != h || image_[at + L::kR] != r ||
        image_[at + L::kN] != n) {
      continue;
    }
    const std::size_t data = at + L::kRecordHeaderSize;
    const std::size_t end = std::min(DiskEnd(disk), size_);
    const std::size_t length =
        std::min({static_cast<std::size_t>(Le16(at + L::kDataSize)), max, end - data});
    return Bytes(image_ + data, image_ + data + length);
  }
  return {};
}

Bytes ReferenceImage::ReadRun(int disk, int track, int c, int h, int r, int n, std::size_t total,
                              int first, int last) const {
  Bytes run;
  if (n < 0 || n > 23) return run;
  const std::size_t sector_size = std::size_t{128} << n;
  while (run.size() < total) {
    const std::size_t chunk = std::min(sector_size, total - run.size());
    const Bytes got = ReadSector(disk, track, c, h, r, n, chunk);
    if (got.size() < chunk) break;
    run.insert(run.end(), got.begin(), got.end());
    if (r == last) {
      ++track;
      if (h == 0) {
        h = 1;
      } else {
        h = 0;
        ++c;
      }
      r = first;
    } else {
      ++r;
    }
  }
  return run;
}

}  // namespace d88test
