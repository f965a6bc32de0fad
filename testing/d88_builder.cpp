#include "testing/d88_builder.h"

#include <cstdio>
#include <stdexcept>
#include <utility>

#include "testing/d88_layout.h"

namespace d88test {

Record MakeRecord(std::uint8_t c, std::uint8_t h, std::uint8_t r, std::uint8_t n,
                  std::vector<std::uint8_t> data) {
  Record record;
  record.c = c;
  record.h = h;
  record.r = r;
  record.n = n;
  record.data = std::move(data);
  return record;
}

Record WithCount(Record record, std::uint16_t count) {
  record.sector_count = count;
  return record;
}

Record WithDataSize(Record record, std::uint16_t size) {
  record.data_size = size;
  return record;
}

D88Builder& D88Builder::AddDisk(const std::string& name, std::uint8_t media_type) {
  Disk disk;
  // Every byte given is written: a name of more than 16 bytes runs on into the bytes after the
  // name field, up to the media type.
  if (name.size() > layout::kMediaType) {
    throw std::logic_error("D88Builder: a name runs into the media type at most");
  }
  disk.name = name;
  disk.media_type = media_type;
  disks_.push_back(std::move(disk));
  return *this;
}

D88Builder::Disk& D88Builder::Current() {
  if (disks_.empty()) {
    throw std::logic_error("D88Builder: AddDisk comes first");
  }
  return disks_.back();
}

D88Builder& D88Builder::AddSector(int track, std::uint8_t c, std::uint8_t h, std::uint8_t r,
                                  std::uint8_t n, std::vector<std::uint8_t> data) {
  return AddRecord(track, MakeRecord(c, h, r, n, std::move(data)));
}

D88Builder& D88Builder::AddRecord(int track, Record record) {
  Current().tracks[track].push_back(std::move(record));
  return *this;
}

D88Builder& D88Builder::SetDiskSize(std::uint32_t size) {
  Current().disk_size = size;
  return *this;
}

D88Builder& D88Builder::SetTrackEntry(int track, std::uint32_t entry) {
  Current().track_entries[track] = entry;
  return *this;
}

std::vector<std::uint8_t> D88Builder::Build(Layout* layout) const {
  std::vector<std::uint8_t> image;
  for (const Disk& disk : disks_) {
    const std::size_t start = image.size();
    if (layout != nullptr) {
      layout->disk_offsets.push_back(start);
    }
    image.resize(start + layout::kDiskHeaderSize, 0);
    for (std::size_t i = 0; i < disk.name.size(); ++i) {
      image[start + layout::kName + i] = static_cast<std::uint8_t>(disk.name[i]);
    }
    image[start + layout::kMediaType] = disk.media_type;
    for (const auto& [track, records] : disk.tracks) {
      if (track >= 0 && track < layout::kTrackCount) {
        PutLE32(image, start + layout::TrackEntry(track),
                static_cast<std::uint32_t>(image.size() - start));
      }
      for (const Record& record : records) {
        const std::size_t at = image.size();
        if (layout != nullptr) {
          layout->record_offsets.push_back(at);
        }
        image.resize(at + layout::kRecordHeaderSize, 0);
        image[at + layout::kC] = record.c;
        image[at + layout::kH] = record.h;
        image[at + layout::kR] = record.r;
        image[at + layout::kN] = record.n;
        PutLE16(image, at + layout::kSectorCount,
                record.sector_count.value_or(static_cast<std::uint16_t>(records.size())));
        PutLE16(image, at + layout::kDataSize,
                record.data_size.value_or(static_cast<std::uint16_t>(record.data.size())));
        image.insert(image.end(), record.data.begin(), record.data.end());
      }
    }
    // The header is finished last, once the disk's length is known.
    for (const auto& [track, entry] : disk.track_entries) {
      PutLE32(image, start + layout::TrackEntry(track), entry);
    }
    PutLE32(image, start + layout::kDiskSize,
            disk.disk_size.value_or(static_cast<std::uint32_t>(image.size() - start)));
  }
  return image;
}

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  }
  return bytes;
}

void PutLE16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  bytes.at(at) = static_cast<std::uint8_t>(value);
  bytes.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
}

void PutLE32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  PutLE16(bytes, at, value & 0xFFFF);
  PutLE16(bytes, at + 2, value >> 16);
}

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    return false;
  }
  // An empty vector's data() may be null, which fwrite must not be given even for 0 bytes.
  const bool written =
      bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    return bytes;
  }
  std::uint8_t chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  std::fclose(file);
  return bytes;
}

}  // namespace d88test
