// The files the tool must cut from the sample image, byte for byte.
#ifndef TESTING_EXPECTED_FILES_H
#define TESTING_EXPECTED_FILES_H

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "testing/sample_image.h"

namespace d88test {

// Where every file lies, written out again here so that a slip in the tool's own table shows.
struct Expected {
  const char* name;
  int disk, track, r, skip, length;
};
// clang-format off
inline constexpr Expected kExpected[] = {
    {"DEMO",   0, 80, 2,    0,  8448}, {"MUS000", 0, 72, 2,    0, 1014},
    {"MUS001", 0, 72, 2, 1014,  1192}, {"MUS002", 0, 72, 4,  158,  881},
    {"MUS003", 0, 72, 5,   15,  1541}, {"PROG",   2,  8, 1,    0, 28360},
    {"DRIVER", 2, 63, 4,    0,  2048}, {"MUS200", 2, 74, 4,    0,  614},
    {"MUS201", 2, 74, 4,  614,   573}, {"MUS203", 2, 74, 4, 1327,  475},
    {"MUS205", 2, 74, 4, 1802,   475}, {"MUS206", 2, 74, 4, 2277,  659},
    {"MUS300", 3, 40, 1,    0,  1024}, {"MUS301", 3, 40, 1, 1024,  902},
    {"MUS302", 3, 40, 1, 1926,   401}, {"MUS303", 3, 40, 1, 2327,  711},
    {"MUS304", 3, 40, 1, 3038,   976}, {"MUS305", 3, 40, 1, 4014,  635},
    {"MUS306", 3, 40, 1, 4709,   981}, {"MUS307", 3, 40, 1, 5690,  710},
};
// clang-format on

/// The entry named `name`; every caller names one of the table's files.
inline const Expected& Entry(const std::string& name) {
  return *std::find_if(std::begin(kExpected), std::end(kExpected),
                       [&](const Expected& e) { return name == e.name; });
}

// The sample image's sectors in run order: 5 sectors a track, so sector k of a run starting at
// (track, r) is linear sector track * 5 + r - 1 + k. `delivered` bytes come from the image and
// the rest of the run reads as zeros.
inline Bytes ExpectedContent(const Expected& e, int delivered = -1) {
  const int total = e.skip + e.length;
  if (delivered < 0) delivered = total;
  Bytes run;
  for (int linear = e.track * 5 + e.r - 1; static_cast<int>(run.size()) < delivered; ++linear) {
    const Bytes data = SampleSectorData(e.disk, linear / 5, linear % 5 + 1);
    run.insert(run.end(), data.begin(), data.end());
  }
  run.resize(static_cast<std::size_t>(delivered));
  run.resize(static_cast<std::size_t>(total), 0);
  return Bytes(run.begin() + e.skip, run.end());
}

}  // namespace d88test

#endif  // TESTING_EXPECTED_FILES_H
