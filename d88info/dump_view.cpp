#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <string>

#include "d88info/views.h"
#include "d88info/words.h"

namespace d88info {

namespace {

constexpr std::size_t kBytesPerLine = 16;

// `size` bytes at `data`, which stand at file offset `offset`, as `hexdump -C` shows them: the
// offset, 16 bytes in hex in two groups of 8, the printable ASCII of each between bars; a line
// that repeats the one before stands as "*" until one differs; the end offset last.
void HexDump(const std::uint8_t* data, std::size_t size, std::int64_t offset, Output& out) {
  if (size == 0) return;
  bool starred = false;
  for (std::size_t at = 0; at < size; at += kBytesPerLine) {
    const std::size_t length = size - at < kBytesPerLine ? size - at : kBytesPerLine;
    if (at > 0 && length == kBytesPerLine &&
        std::equal(data + at, data + at + kBytesPerLine, data + at - kBytesPerLine)) {
      if (!starred) out.Line("*");
      starred = true;
      continue;
    }
    starred = false;
    std::string line = Format("%08" PRIx64 " ", static_cast<std::uint64_t>(offset) + at);
    std::string ascii;
    for (std::size_t i = 0; i < kBytesPerLine; ++i) {
      if (i % 8 == 0) line += ' ';
      if (i < length) {
        const std::uint8_t byte = data[at + i];
        line += Format("%02x ", byte);
        ascii += byte >= 0x20 && byte <= 0x7E ? static_cast<char>(byte) : '.';
      } else {
        line += "   ";
      }
    }
    out.Line(line + " |" + ascii + "|");
  }
  out.Line(Format("%08" PRIx64, static_cast<std::uint64_t>(offset) + size));
}

}  // namespace

bool WriteDump(const Model& model, std::int32_t disk_index, std::int32_t track_index, Output& out) {
  if (disk_index < 0 || disk_index >= model.disk_count) return false;
  const Disk& disk = model.disks[static_cast<std::size_t>(disk_index)];
  if (!disk.readable || track_index < 0 ||
      track_index >= static_cast<std::int32_t>(disk.tracks.size())) {
    return false;
  }
  const Track& track = disk.tracks[static_cast<std::size_t>(track_index)];
  const std::string where = Format("disk %d track %d", disk.index, track.index);
  if (track.first < 0 || track.state == TrackState::kOldHeaderBytes) {
    out.Line(where + ": " + DescribeLayout(disk, track));
    return true;
  }
  out.Line(Format("%s: %" PRId64 " record%s from file offset 0x%08" PRIx64, where.c_str(),
                  static_cast<std::int64_t>(track.own), track.own == 1 ? "" : "s",
                  static_cast<std::uint64_t>(track.offset)));
  std::int32_t at = track.first;
  for (std::int64_t i = 0; i < track.own; ++i) {
    const Record& record = disk.records[static_cast<std::size_t>(at)];
    const RecordHeader& h = record.header;
    std::string line = Format("record %" PRId64 ": %s at file offset 0x%08" PRIx64
                              ", count %u, density 0x%02x, deleted 0x%02x, "
                              "status 0x%02x, data size %u",
                              static_cast<std::int64_t>(i + 1), SectorId(h).c_str(),
                              static_cast<std::uint64_t>(h.offset), h.sector_count, h.density,
                              h.deleted, h.status, h.data_size);
    if (h.data_held < h.data_size) line += Format(", of which the disk holds %d", h.data_held);
    out.Line(line);
    const auto data = model.data.find({disk.index, at});
    if (data != model.data.end())
      HexDump(data->second.data(), data->second.size(), h.offset + 16, out);
    at = record.next;
  }
  if (track.walk > track.own) {
    out.Line(Format("a read of the track runs on past them through %" PRId64
                    " more record%s (--records "
                    "lists them)",
                    static_cast<std::int64_t>(track.walk - track.own),
                    track.walk - track.own == 1 ? "" : "s"));
  }
  return true;
}

}  // namespace d88info
