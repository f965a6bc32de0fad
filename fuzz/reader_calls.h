// The reader fuzzer's input, shared by the fuzzer and the seed generator so that the two cannot
// drift apart. An input is read with clang's FuzzedDataProvider: the image's length (from the
// end), the image (from the front), then reader calls, each an opcode and its arguments (from
// the end), until the input is used up. CallScript writes such inputs.
#ifndef FUZZ_READER_CALLS_H
#define FUZZ_READER_CALLS_H

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <iterator>
#include <limits>
#include <vector>

namespace d88fuzz {

// An input runs out in zero bytes, which pick the first call: one that asks nothing of the
// operating system, so that such inputs stay fast; opening, which asks the most, comes last.
enum class ReaderCall : std::uint8_t {
  kSetSectorRange,  // first, last
  kSelectDisk,      // index
  kReadSector,      // track, c, h, r, n, buffer size
  kReadSectors,     // track, c, h, r, n, buffer size
  kListSectorIds,   // track, buffer size
  kClose,           // Open(nullptr)
  kOpenMissing,     // Open a path that does not exist
  kOpen,            // Open the image again
  kMaxValue = kOpen,
};

inline constexpr std::uint32_t kMaxImageSize = 1u << 20;
// The edges of every argument's range, one pick away.
inline constexpr std::int32_t kEdges[] = {std::numeric_limits<std::int32_t>::min(),
                                          std::numeric_limits<std::int32_t>::max(),
                                          -1,
                                          163,
                                          164,
                                          256,
                                          23,
                                          24};
inline constexpr std::int32_t kMinBufferSize = -2;
inline constexpr std::int32_t kMaxBufferSize = 16383;

/// An argument: mostly a byte's value, sometimes an edge.
inline std::int32_t DrawArgument(FuzzedDataProvider& input) {
  return input.ConsumeBool() ? input.PickValueInArray(kEdges)
                             : input.ConsumeIntegralInRange<std::int32_t>(0, 255);
}

/// A buffer size, every destination buffer being exactly that large; below 0 now and then.
inline std::int32_t DrawBufferSize(FuzzedDataProvider& input) {
  return input.ConsumeIntegralInRange<std::int32_t>(kMinBufferSize, kMaxBufferSize);
}

/// Writes inputs that FuzzedDataProvider reads back as the given image and calls.
class CallScript {
 public:
  CallScript& Call(ReaderCall call) {
    return Integral(static_cast<std::uint64_t>(call),
                    static_cast<std::uint64_t>(ReaderCall::kMaxValue));
  }
  CallScript& Argument(std::int32_t value) {
    if (value >= 0 && value <= 255) {
      Integral(0, 255);  // ConsumeBool: false
      return Integral(static_cast<std::uint64_t>(value), 255);
    }
    Integral(1, 255);  // ConsumeBool: true
    for (std::uint64_t i = 0; i < std::size(kEdges); ++i) {
      if (kEdges[i] == value) return Integral(i, std::size(kEdges) - 1);
    }
    return Integral(0, std::size(kEdges) - 1);
  }
  CallScript& BufferSize(std::int32_t size) {
    return Integral(static_cast<std::uint64_t>(size - kMinBufferSize),
                    static_cast<std::uint64_t>(kMaxBufferSize - kMinBufferSize));
  }
  /// The input: the image in front, then what the calls consume from the end.
  std::vector<std::uint8_t> Build(const std::vector<std::uint8_t>& image) const {
    CallScript length;
    length.Integral(image.size(), kMaxImageSize);
    std::vector<std::uint8_t> input = image;
    input.insert(input.end(), tail_.rbegin(), tail_.rend());
    input.insert(input.end(), length.tail_.rbegin(), length.tail_.rend());
    return input;
  }

 private:
  // ConsumeIntegralInRange(0, range) takes as many bytes as the range needs from the end of
  // the input, the first taken being the most significant.
  CallScript& Integral(std::uint64_t value, std::uint64_t range) {
    int bytes = 0;
    while (bytes < 8 && (range >> (8 * bytes)) > 0) ++bytes;
    for (int i = bytes - 1; i >= 0; --i) {
      tail_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    return *this;
  }

  std::vector<std::uint8_t> tail_;
};

}  // namespace d88fuzz

#endif  // FUZZ_READER_CALLS_H
