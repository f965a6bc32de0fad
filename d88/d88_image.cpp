#include "d88/d88_image.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "image_file.h"

using d88::kDiskHeaderSize;
using d88::kSectorHeaderSize;

namespace {

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
// The end of a walk that only the end of the file ends.
constexpr std::int64_t kNoEnd = std::numeric_limits<std::int64_t>::max();

// Offsets and sizes are kept as signed 32-bit values; a field of 2^31 or more cannot be one,
// so it becomes -1, which no track rule accepts.
constexpr std::int32_t kUnusable = -1;

std::int32_t ToOffset(std::uint32_t field) {
  return field > static_cast<std::uint32_t>(kInt32Max) ? kUnusable
                                                       : static_cast<std::int32_t>(field);
}

bool SameByte(std::uint8_t stored, std::int32_t wanted) {
  return static_cast<std::int32_t>(stored) == wanted;
}

// A first read takes in a whole track of the usual size; a walk that goes on past it (a long
// chain of records) reads on in larger pieces, so that it costs few system calls.
constexpr std::int32_t kFirstReadSize = 8192;
constexpr std::int32_t kWindowSize = 65536;

// Reads the image at offsets it knows itself, never from the stream's idea of where it is (a
// 32-bit C library can get that wrong past 2 GiB), through a window on the stack. What lies
// between two reads is read through when it is near and sought past when it is far, since a
// seek makes most C libraries drop their buffer; every seek is from the start of the file.
// One lives for one operation: nothing read is kept between calls.
class FileWindow {
 public:
  /// Reads `file` as if it ended at file offset `end` where that comes first.
  FileWindow(std::FILE* file, std::int64_t end) : file_(file), end_(end) {}

  /// The `need` bytes (at most kWindowSize) at `offset`, valid until the next call; null when
  /// the file, up to the end given, does not hold them all.
  const std::uint8_t* Peek(std::int64_t offset, std::int32_t need) {
    if (offset > end_ - need) return nullptr;
    return Fill(offset, need) ? window_ + (offset - window_start_) : nullptr;
  }

  /// Copies the `length` bytes at `offset` to `dest`; returns how many the file delivered, up
  /// to the end given.
  std::int32_t Read(std::int64_t offset, std::uint8_t* dest, std::int32_t length) {
    if (offset >= end_) return 0;
    if (length > end_ - offset) length = static_cast<std::int32_t>(end_ - offset);
    std::int32_t copied = 0;
    const std::int64_t window_end = window_start_ + window_size_;
    if (offset >= window_start_ && offset < window_end) {
      const std::int64_t held = window_end - offset;
      copied = held < length ? static_cast<std::int32_t>(held) : length;
      std::memcpy(dest, window_ + (offset - window_start_), static_cast<std::size_t>(copied));
    }
    if (copied == length) return copied;
    // The rest goes straight to `dest`; the window, now behind the stream, is given up.
    const std::int64_t from = offset + copied;
    if (from != stream_at_ && !Seek(from)) return copied;
    const std::size_t got =
        std::fread(dest + copied, 1, static_cast<std::size_t>(length - copied), file_);
    stream_at_ += static_cast<std::int64_t>(got);
    window_start_ = stream_at_;
    window_size_ = 0;
    return copied + static_cast<std::int32_t>(got);
  }

 private:
  // Makes the `need` bytes at `offset` (need <= kWindowSize) stand in the window; false when
  // the file does not hold them all. Keeps window_start_ + window_size_ == stream_at_.
  bool Fill(std::int64_t offset, std::int32_t need) {
    for (;;) {
      const std::int64_t window_end = window_start_ + window_size_;
      if (offset >= window_start_ && offset + need <= window_end) return true;
      if (offset >= window_start_ && offset < window_end) {
        // Keep the part already read and read on after it.
        window_size_ = static_cast<std::int32_t>(window_end - offset);
        std::memmove(window_, window_ + (offset - window_start_),
                     static_cast<std::size_t>(window_size_));
        window_start_ = offset;
      } else if (stream_at_ >= 0 && offset >= stream_at_ && offset - stream_at_ < kWindowSize) {
        // Near ahead: read through the gap rather than seek.
        window_start_ = stream_at_;
        window_size_ = 0;
      } else if (!Seek(offset)) {
        return false;
      }
      const std::int32_t limit = reads_++ == 0 ? kFirstReadSize : kWindowSize;
      const std::int32_t room =
          window_size_ < limit ? limit - window_size_ : kWindowSize - window_size_;
      const std::size_t got =
          std::fread(window_ + window_size_, 1, static_cast<std::size_t>(room), file_);
      if (got == 0) return false;
      stream_at_ += static_cast<std::int64_t>(got);
      window_size_ += static_cast<std::int32_t>(got);
    }
  }

  // Seeks from the start of the file, the one seek whose result no C library computes from a
  // position of its own.
  bool Seek(std::int64_t offset) {
    window_size_ = 0;
    if (offset > kInt32Max || std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) {
      stream_at_ = -1;
      window_start_ = -1;
      return false;
    }
    stream_at_ = offset;
    window_start_ = offset;
    return true;
  }

  std::FILE* file_;
  std::int64_t end_;
  // Unknown (-1) until the first seek: every walk starts with a seek from the start of the file.
  std::int64_t stream_at_ = -1;
  std::int64_t window_start_ = -1;
  std::int32_t window_size_ = 0;
  std::int32_t reads_ = 0;
  std::uint8_t window_[kWindowSize];
};

}  // namespace

D88Image::D88Image()
    : image_(nullptr),
      identity_(),
      file_size_(0),
      current_disk_(-1),
      disk_count_(0),
      first_sector_(1),
      last_sector_(16),
      disk_offsets_(),
      disk_size_(0),
      disk_offset_(0),
      disk_end_(0),
      track_table_(),
      media_type_(-1),
      write_protect_(-1),
      disk_name_() {}

D88Image::~D88Image() { Close(); }

void D88Image::Close() {
  if (image_ != nullptr) {
    std::fclose(image_);
    image_ = nullptr;
  }
  disk_count_ = 0;
  file_size_ = 0;
  current_disk_ = -1;
  media_type_ = -1;
  write_protect_ = -1;
}

bool D88Image::Open(const char* path) {
  // An image still open is closed first, so its handle is never lost.
  Close();
  if (path == nullptr) {
    return true;
  }
  std::FILE* file = d88::OpenImageFile(path, &identity_, &file_size_);
  if (file == nullptr) {
    return false;
  }
  image_ = file;

  // One window for the whole scan: headers close together, or one found again and again (a
  // size field of 0), are read from it without a system call each.
  FileWindow window(image_, kNoEnd);
  std::int32_t offset = 0;
  while (disk_count_ < d88::kMaxDisks) {
    disk_offsets_[disk_count_] = offset;
    const std::uint8_t* header = window.Peek(offset, kDiskHeaderSize);
    if (header == nullptr) {
      break;
    }
    ++disk_count_;
    const std::uint32_t disk_size = ReadLE32(header + d88::kOffsetDiskSize);
    // The next disk would start past what a signed 32-bit offset can name.
    if (disk_size > static_cast<std::uint32_t>(kInt32Max - offset)) {
      break;
    }
    offset += static_cast<std::int32_t>(disk_size);
  }
  // A file that cannot be read fails here, rather than show as an image without disks.
  if (std::ferror(image_) != 0) {
    const int reason = errno;
    Close();
    errno = reason;
    return false;
  }
  return true;
}

bool D88Image::GetFileIdentity(FileIdentity* identity) const {
  if (image_ == nullptr) return false;
  *identity = identity_;
  return true;
}

std::int32_t D88Image::GetDiskCount() const { return disk_count_; }

std::int64_t D88Image::GetImageFileSize() const { return image_ == nullptr ? 0 : file_size_; }

void D88Image::SetSectorRange(std::int32_t first, std::int32_t last) {
  first_sector_ = first;
  last_sector_ = last;
}

bool D88Image::SelectDisk(std::int32_t index) {
  if (image_ == nullptr) {
    return false;
  }
  disk_offset_ = -1;
  current_disk_ = -1;
  media_type_ = -1;
  write_protect_ = -1;
  disk_size_ = 0;
  disk_end_ = 0;
  disk_name_[0] = '\0';
  if (index < 0 || index >= disk_count_) {
    return false;
  }
  std::uint8_t header[kDiskHeaderSize];
  // Short only when the file changed since Open; the selection then stays cleared.
  if (!ReadAt(disk_offsets_[index], header, kDiskHeaderSize)) {
    return false;
  }
  for (std::int32_t t = 0; t < d88::kTrackCount; ++t) {
    track_table_[t] =
        ToOffset(ReadLE32(header + d88::kOffsetTrackTable + t * d88::kTrackEntrySize));
  }
  media_type_ = header[d88::kOffsetMediaType];
  write_protect_ = header[d88::kOffsetWriteProtect];
  disk_size_ = ToOffset(ReadLE32(header + d88::kOffsetDiskSize));
  bool ended = false;
  for (std::int32_t i = 0; i < d88::kDiskNameSize; ++i) {
    const std::uint8_t byte = header[d88::kOffsetDiskName + i];
    ended = ended || byte == 0;
    disk_name_[i] = ended ? '\0' : static_cast<char>(byte);
  }
  disk_offset_ = disk_offsets_[index];
  // The disks of one set share their layout: a walk that ran on into the next disk would find
  // the sector it looks for there, and deliver another disk's bytes.
  disk_end_ = index + 1 < disk_count_ ? disk_offsets_[index + 1] : kNoEnd;
  current_disk_ = index;
  return true;
}

const char* D88Image::GetDiskName() const { return disk_name_; }

std::int32_t D88Image::GetMediaType() const { return media_type_; }

std::int32_t D88Image::GetWriteProtect() const { return write_protect_; }

std::int32_t D88Image::GetTrackEntry(std::int32_t track) const {
  return current_disk_ < 0 || track < 0 || track >= d88::kTrackCount ? 0 : track_table_[track];
}

std::int32_t D88Image::GetCurrentDisk() const { return current_disk_; }

std::int32_t D88Image::GetDiskSize() const { return current_disk_ < 0 ? 0 : disk_size_; }

std::int32_t D88Image::GetDiskOffset() const { return current_disk_ < 0 ? -1 : disk_offset_; }

std::int64_t D88Image::GetDiskEnd() const {
  if (current_disk_ < 0) return -1;
  return disk_end_ == kNoEnd ? file_size_ : disk_end_;
}

bool D88Image::ReadAt(std::int32_t offset, std::uint8_t* dest, std::int32_t size) {
  return FileWindow(image_, kNoEnd).Read(offset, dest, size) == size;
}

std::int32_t D88Image::ReadImageBytes(std::int64_t offset, std::uint8_t* dest,
                                      std::int32_t size) const {
  if (image_ == nullptr || dest == nullptr || size < 1 || offset < 0) return 0;
  return FileWindow(image_, kNoEnd).Read(offset, dest, size);
}

template <typename Visit>
void D88Image::WalkTrack(std::int64_t first, WalkEnds ends, Visit visit) const {
  FileWindow window(image_, disk_end_);
  std::int64_t record = first;
  // 64 bits: the walk ends only at the end of the file when counts are smaller than positions.
  // A record that would start past 2^31 - 1 is beyond every offset the format can name.
  for (std::int64_t i = 0; record <= kInt32Max; ++i) {
    const std::uint8_t* header = window.Peek(record, kSectorHeaderSize);
    if (header == nullptr) return;
    const std::uint32_t sector_count = ReadLE16(header + d88::kOffsetSectorCount);
    if (sector_count == 0 && ends == WalkEnds::kAtCountOrZero) return;
    const std::int64_t data = record + kSectorHeaderSize;
    if (visit(header, window, data)) return;
    // The count is re-read from every record; only equality ends the walk, so a count of 0
    // that does not end it never does.
    if (i == static_cast<std::int64_t>(sector_count) - 1 && ends != WalkEnds::kNever) return;
    // Records are stepped over by their data size, which need not be 128 << N.
    record = data + ReadLE16(header + d88::kOffsetDataSize);
  }
}

std::int32_t D88Image::TrackOffset(std::int32_t track) const {
  if (image_ == nullptr || track < 0 || track >= d88::kTrackCount) {
    return -1;
  }
  const std::int32_t entry = track_table_[track];
  // 0 marks an absent track, kUnusable a field too large; both fail here.
  if (entry <= 0 || entry > disk_size_) {
    return -1;
  }
  if (disk_offset_ < 0 || entry > kInt32Max - disk_offset_) {
    return -1;
  }
  return disk_offset_ + entry;
}

std::int32_t D88Image::ReadSector(std::int32_t track, std::int32_t c, std::int32_t h,
                                  std::int32_t r, std::int32_t n, std::uint8_t* dest,
                                  std::int32_t max) {
  const std::int32_t track_offset = TrackOffset(track);
  if (dest == nullptr || max < 0 || track_offset < 0) {
    return 0;
  }
  std::int32_t read = 0;
  // A record with a sector count of 0 ends a sector's search.
  WalkTrack(track_offset, WalkEnds::kAtCountOrZero,
            [&](const std::uint8_t* header, FileWindow& window, std::int64_t data) {
              if (!SameByte(header[d88::kOffsetC], c) || !SameByte(header[d88::kOffsetH], h) ||
                  !SameByte(header[d88::kOffsetR], r) || !SameByte(header[d88::kOffsetN], n)) {
                return false;
              }
              const std::uint32_t data_size = ReadLE16(header + d88::kOffsetDataSize);
              const std::int32_t length = data_size < static_cast<std::uint32_t>(max)
                                              ? static_cast<std::int32_t>(data_size)
                                              : max;
              // Only what the file delivered counts, so a sector cut short by the end of the image
              // reads as short.
              read = window.Read(data, dest, length);
              return true;
            });
  return read;
}

std::int32_t D88Image::ReadSectors(std::int32_t track, std::int32_t c, std::int32_t h,
                                   std::int32_t r, std::int32_t n, std::uint8_t* dest,
                                   std::int32_t total) {
  if (dest == nullptr || total <= 0 || n < 0 || n > d88::kMaxSizeCode) {
    return 0;
  }
  const std::int32_t sector_size = d88::kBaseSectorSize << n;
  std::int32_t done = 0;
  while (done < total) {
    const std::int32_t chunk = total - done < sector_size ? total - done : sector_size;
    if (ReadSector(track, c, h, r, n, dest + done, chunk) < chunk) {
      return done;
    }
    done += chunk;
    // A sector was found, so track is at most 163 and c, h, r at most 255: no step overflows.
    if (r == last_sector_) {
      ++track;
      if (h == 0) {
        h = 1;
      } else {
        h = 0;
        ++c;
      }
      r = first_sector_;
    } else {
      ++r;
    }
  }
  return done;
}

std::int32_t D88Image::ListSectorIds(std::int32_t track, std::uint8_t* out, std::int32_t capacity) {
  constexpr std::int32_t kIdSize = 4;
  const std::int32_t track_offset = TrackOffset(track);
  if (out == nullptr || capacity < kIdSize || track_offset < 0) {
    return 0;
  }
  std::int32_t written = 0;
  // Unlike a sector's search, a listing goes on past a record with a sector count of 0; the
  // end of the image inside the track ends it with what was found so far.
  WalkTrack(track_offset, WalkEnds::kAtCount,
            [&](const std::uint8_t* header, FileWindow&, std::int64_t) {
              std::memcpy(out + written, header + d88::kOffsetC, kIdSize);
              written += kIdSize;
              return capacity - written < kIdSize;
            });
  return written;
}

void D88Image::FillRecord(const std::uint8_t* header, std::int64_t data, RecordHeader* out) const {
  out->offset = data - kSectorHeaderSize;
  out->c = header[d88::kOffsetC];
  out->h = header[d88::kOffsetH];
  out->r = header[d88::kOffsetR];
  out->n = header[d88::kOffsetN];
  out->sector_count = static_cast<std::uint16_t>(ReadLE16(header + d88::kOffsetSectorCount));
  out->density = header[d88::kOffsetDensity];
  out->deleted = header[d88::kOffsetDeleted];
  out->status = header[d88::kOffsetStatus];
  out->data_size = static_cast<std::uint16_t>(ReadLE16(header + d88::kOffsetDataSize));
  // What a read of the data can deliver: up to the end of the file or of the disk.
  const std::int64_t end = disk_end_ < file_size_ ? disk_end_ : file_size_;
  const std::int64_t held = end - data;
  out->data_held = static_cast<std::int32_t>(held < 0                ? 0
                                             : held < out->data_size ? held
                                                                     : out->data_size);
}

std::int32_t D88Image::ListRecords(std::int32_t track, RecordHeader* out,
                                   std::int32_t capacity) const {
  const std::int32_t track_offset = TrackOffset(track);
  if (out == nullptr || capacity < 1 || track_offset < 0) {
    return 0;
  }
  std::int32_t listed = 0;
  // The same walk as ListSectorIds', so that the two list the same records.
  WalkTrack(track_offset, WalkEnds::kAtCount,
            [&](const std::uint8_t* header, FileWindow&, std::int64_t data) {
              FillRecord(header, data, &out[listed++]);
              return listed == capacity;
            });
  return listed;
}

std::int32_t D88Image::ListChain(std::int64_t offset, RecordHeader* out,
                                 std::int32_t capacity) const {
  if (out == nullptr || capacity < 1 || image_ == nullptr || current_disk_ < 0 ||
      offset < disk_offset_) {
    return 0;
  }
  std::int32_t listed = 0;
  WalkTrack(offset, WalkEnds::kNever,
            [&](const std::uint8_t* header, FileWindow&, std::int64_t data) {
              FillRecord(header, data, &out[listed++]);
              return listed == capacity;
            });
  return listed;
}
