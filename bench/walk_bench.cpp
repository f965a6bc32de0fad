// Times what dskpick asks of the reader (every table entry's run of sectors, read as the tool
// reads them, without writing files) on each image given, against a floor: the same records
// walked the same number of times in memory, so that only the cost of file input differs.
// Uses nothing but the reader's public interface, so it also builds against earlier readers.
//
// Usage: walk_bench [--runs N] IMAGE...
// Prints per image the median time of the reader and of the floor over N runs (default 5).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "d88/d88_image.h"
#include "common/cut_table.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint8_t g_run[400 * 1024];

// dskpick's reading: every disk selected in turn, and the runs of its table entries read.
std::int64_t ReadWithReader(const char* path) {
  static D88Image reader;
  if (!reader.Open(path)) return -1;
  reader.SetSectorRange(1, 5);
  std::int64_t total = 0;
  for (std::int32_t disk = 0; disk < reader.GetDiskCount(); ++disk) {
    reader.SelectDisk(disk);
    for (const CutEntry& e : kCutTable) {
      if (e.disk == disk) {
        total += reader.ReadSectors(e.track, e.c, e.h, e.r, e.n, g_run, e.skip + e.length);
      }
    }
  }
  return total;
}

std::uint32_t Le16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The floor: the same walk over the image held in memory, by the rules the reader follows.
class MemoryImage {
 public:
  explicit MemoryImage(const Bytes& bytes) : bytes_(bytes) {
    std::size_t offset = 0;
    while (disks_.size() < 64 && offset + 688 <= bytes_.size()) {
      disks_.push_back(offset);
      offset += Le32(&bytes_[offset + 0x1C]);
    }
  }

  std::int64_t ReadTable() {
    std::int64_t total = 0;
    for (std::size_t disk = 0; disk < disks_.size(); ++disk) {
      disk_ = disks_[disk];
      for (const CutEntry& e : kCutTable) {
        if (e.disk == static_cast<std::int32_t>(disk)) total += ReadRun(e);
      }
    }
    return total;
  }

 private:
  std::int32_t ReadSector(int track, int c, int h, int r, int n, std::uint8_t* dest, int max) {
    const std::uint32_t entry = Le32(&bytes_[disk_ + 0x20 + 4 * static_cast<std::size_t>(track)]);
    if (entry == 0 || entry > Le32(&bytes_[disk_ + 0x1C])) return 0;
    std::size_t at = disk_ + entry;
    for (std::uint32_t i = 0; at + 16 <= bytes_.size(); ++i) {
      const std::uint8_t* header = &bytes_[at];
      const std::uint32_t count = Le16(header + 4), size = Le16(header + 14);
      if (count == 0) return 0;
      if (header[0] == c && header[1] == h && header[2] == r && header[3] == n) {
        const std::size_t length =
            std::min<std::size_t>({size, static_cast<std::size_t>(max), bytes_.size() - (at + 16)});
        std::memcpy(dest, header + 16, length);
        return static_cast<std::int32_t>(length);
      }
      if (i + 1 == count) return 0;
      at += 16 + size;
    }
    return 0;
  }

  std::int32_t ReadRun(const CutEntry& e) {
    int track = e.track, c = e.c, h = e.h, r = e.r;
    const std::int32_t total = e.skip + e.length, size = 128 << e.n;
    std::int32_t done = 0;
    while (done < total) {
      const std::int32_t chunk = std::min(total - done, size);
      if (ReadSector(track, c, h, r, e.n, g_run + done, chunk) < chunk) return done;
      done += chunk;
      if (r == 5) {
        ++track;
        c += h;
        h ^= 1;
        r = 1;
      } else {
        ++r;
      }
    }
    return done;
  }

  const Bytes& bytes_;
  std::vector<std::size_t> disks_;
  std::size_t disk_ = 0;
};

template <typename Work>
double Milliseconds(Work work, std::int64_t* result) {
  const auto start = std::chrono::steady_clock::now();
  *result = work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  int first = 1;
  if (argc > 2 && std::strcmp(argv[1], "--runs") == 0) {
    runs = std::max(1, std::atoi(argv[2]));
    first = 3;
  }
  if (first >= argc) {
    std::fputs("usage: walk_bench [--runs N] IMAGE...\n", stderr);
    return 1;
  }
  std::printf("%-22s %12s %12s %8s\n", "image", "reader ms", "floor ms", "ratio");
  for (int i = first; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    MemoryImage memory(bytes);
    std::vector<double> reader_ms, floor_ms;
    std::int64_t from_file = 0, from_memory = 0;
    // Side by side, run for run, so that both see the same machine.
    for (int run = 0; run < runs; ++run) {
      reader_ms.push_back(Milliseconds([&] { return ReadWithReader(argv[i]); }, &from_file));
      floor_ms.push_back(Milliseconds([&] { return memory.ReadTable(); }, &from_memory));
    }
    if (from_file != from_memory) {
      std::fprintf(stderr, "walk_bench: %s: the reader read %lld bytes, the floor %lld\n", argv[i],
                   static_cast<long long>(from_file), static_cast<long long>(from_memory));
      return 1;
    }
    const char* name = std::strrchr(argv[i], '/');
    std::printf("%-22s %12.2f %12.2f %8.1f\n", name != nullptr ? name + 1 : argv[i],
                Median(reader_ms), Median(floor_ms), Median(reader_ms) / Median(floor_ms));
  }
  return 0;
}
