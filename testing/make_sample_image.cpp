// Writes the sample image to the path given; with --damaged, the sample damaged as the README
// shows it: a deleted mark on sector 36/0/2/3 of disk 0, a data CRC error on 40/0/3/3, and the
// last 500 bytes cut off.
#include <cstdio>
#include <cstring>

#include "testing/d88_layout.h"
#include "testing/sample_image.h"

int main(int argc, char** argv) {
  const bool damaged = argc == 3 && std::strcmp(argv[1], "--damaged") == 0;
  if (argc != 2 && !damaged) {
    std::fputs("usage: make_sample_image [--damaged] OUTPUT.d88\n", stderr);
    return 1;
  }
  d88test::Layout layout;
  d88test::Bytes image = d88test::BuildSampleImage(&layout);
  if (damaged) {
    namespace L = d88test::layout;
    image[layout.record_offsets[d88test::SampleRecordIndex(0, 72, 2)] + L::kDeleted] = 0x10;
    image[layout.record_offsets[d88test::SampleRecordIndex(0, 80, 3)] + L::kStatus] = 0xB0;
    image.resize(image.size() - 500);
  }
  const char* path = argv[argc - 1];
  if (!d88test::WriteBytes(path, image)) {
    std::fprintf(stderr, "make_sample_image: cannot write %s\n", path);
    return 1;
  }
  return 0;
}
