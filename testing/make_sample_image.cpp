// Writes the sample image to the path given as the only argument.
#include <cstdio>

#include "testing/sample_image.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: make_sample_image OUTPUT.d88\n", stderr);
    return 1;
  }
  if (!d88test::WriteBytes(argv[1], d88test::BuildSampleImage())) {
    std::fprintf(stderr, "make_sample_image: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
