// Builds D88 images in memory, for tests and for the sample image.
#ifndef TESTING_D88_BUILDER_H
#define TESTING_D88_BUILDER_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace d88test {

using Bytes = std::vector<std::uint8_t>;

/// One sector record. The header fields that are left empty come out right: the sector count
/// is the number of records in the track and the data size is the length of `data`.
struct Record {
  std::uint8_t c = 0, h = 0, r = 0, n = 0;
  std::vector<std::uint8_t> data;
  std::optional<std::uint16_t> sector_count;
  std::optional<std::uint16_t> data_size;
};

/// A record of the given ID and data, its other fields left to the builder.
Record MakeRecord(std::uint8_t c, std::uint8_t h, std::uint8_t r, std::uint8_t n,
                  std::vector<std::uint8_t> data);
/// `record` with its sector-count field set to `count`.
Record WithCount(Record record, std::uint16_t count);
/// `record` with its data-size field set to `size`, whatever data it holds.
Record WithDataSize(Record record, std::uint16_t size);

/// Where the builder put things, as file offsets.
struct Layout {
  std::vector<std::size_t> disk_offsets;
  std::vector<std::size_t> record_offsets;  // every record header of every disk, in file order
};

class D88Builder {
 public:
  /// Starts a new disk; the calls that follow add to it. Every byte of `name` is written, up to
  /// 27: bytes past the 16 of the name field stand in the bytes the format leaves alone.
  D88Builder& AddDisk(const std::string& name = "", std::uint8_t media_type = 0);
  /// Adds a record of the given ID and data to `track` of the current disk.
  D88Builder& AddSector(int track, std::uint8_t c, std::uint8_t h, std::uint8_t r, std::uint8_t n,
                        std::vector<std::uint8_t> data);
  D88Builder& AddRecord(int track, Record record);
  /// Overrides the current disk's size field; otherwise it is the disk's true length.
  D88Builder& SetDiskSize(std::uint32_t size);
  /// Overrides one track table entry of the current disk; otherwise the track's true offset.
  D88Builder& SetTrackEntry(int track, std::uint32_t entry);

  std::vector<std::uint8_t> Build(Layout* layout = nullptr) const;

 private:
  struct Disk {
    std::string name;
    std::uint8_t media_type = 0;
    std::map<int, std::vector<Record>> tracks;
    std::optional<std::uint32_t> disk_size;
    std::map<int, std::uint32_t> track_entries;
  };
  Disk& Current();

  std::vector<Disk> disks_;
};

/// `size` bytes that differ from sector to sector: byte i is (seed + i * 7) mod 256, seeded
/// so that a byte shows which sector it came from.
std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed = 0);

void PutLE16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value);
void PutLE32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value);

/// Writes `bytes` to `path`; false when that fails.
bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
/// The whole content of `path`; empty when it cannot be read.
std::vector<std::uint8_t> ReadBytes(const std::string& path);

}  // namespace d88test

#endif  // TESTING_D88_BUILDER_H
