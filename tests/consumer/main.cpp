// Prints each disk of an image with the number of sector IDs of its track 0: a small program
// of someone else's that uses the installed reader.
#include <cstdint>
#include <cstdio>

#include "d88/d88_image.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: d88_consumer IMAGE\n", stderr);
    return 1;
  }
  static D88Image image;
  if (!image.Open(argv[1])) {
    std::fprintf(stderr, "d88_consumer: cannot open %s\n", argv[1]);
    return 1;
  }
  static std::uint8_t ids[4 * 256];
  for (std::int32_t disk = 0; disk < image.GetDiskCount(); ++disk) {
    image.SelectDisk(disk);
    std::printf("disk %d \"%s\": %d sectors on track 0\n", static_cast<int>(disk),
                image.GetDiskName(),
                static_cast<int>(image.ListSectorIds(0, ids, sizeof ids) / 4));
  }
  return 0;
}
