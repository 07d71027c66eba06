// Shared pieces of the fuzz targets: a failing check, the engine tests' host that records every
// call a run makes, and runs of the streaming codec with the input cut as the fuzz input says, on
// every processor path and with both methods. What a run should give comes from the literal codec
// (reference.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "ravlin/byte_buffer.h"
#include "ravlin/codec.h"
#include "ravlin/host.h"
#include "recording_host.h"
#include "simd_path.h"
#include "thrown_message.h"

namespace ravlin::fuzz {

// Aborts, so that libFuzzer keeps the input as a crash, with the failed condition in its log.
#define RAVLIN_FUZZ_CHECK(condition)                                                     \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

// Runs `check` on each processor path that the machine has, so that every fuzz input goes through
// every fast loop.
template <typename Check>
void onEveryPath(Check&& check) {
  for (const detail::SimdPath path : detail::supportedSimdPaths()) {
    detail::capSimdPath(path);
    check();
  }
  detail::capSimdPath(std::nullopt);
}

// Runs `check(method)` with both methods on each processor path that the machine has.
template <typename Check>
void onEveryPathAndMethod(Check&& check) {
  onEveryPath([&] {
    for (const Method method : {Method::kI, Method::kII}) check(method);
  });
}

using ravlin::testing::thrownMessage;

// The engine tests' recorder: every call a run makes, in order, and every caption with its width.
using RecordingHost = ravlin::testing::RecordingHost;

inline std::vector<std::uint8_t> bytesOf(const ByteBuffer& buffer) {
  return {buffer.data(), buffer.data() + buffer.size()};
}

// A fuzz input read as the bytes to work on followed by how to cut them: the last byte gives a
// count (0 to 15) of one-byte chunk sizes that stand before it, so that the fuzzer learns cuts as
// it learns contents. A size byte b stands for b bytes below 128 and (b - 128) * 64 above; the
// sizes are used in turn until the bytes run out, and zero sizes give empty chunks.
struct Cutting {
  std::span<const std::uint8_t> bytes;
  std::vector<std::span<const std::uint8_t>> chunks;
};

inline Cutting cuttingOf(std::span<const std::uint8_t> input) {
  std::vector<std::size_t> sizes;
  std::size_t total = 0;
  if (!input.empty()) {
    const std::size_t count = std::min<std::size_t>(input.back() % 16u, input.size() - 1);
    for (std::size_t k = 0; k < count; ++k) {
      const std::size_t b = input[input.size() - 2 - k];
      sizes.push_back(b < 128 ? b : (b - 128) * 64);
      total += sizes.back();
    }
    input = input.first(input.size() - 1 - count);
  }
  Cutting cutting{input, {}};
  for (std::size_t offset = 0, k = 0; offset < input.size(); ++k) {
    // Sizes that are all zero would never end: the rest is then one chunk.
    const std::size_t left = input.size() - offset;
    const std::size_t size = total == 0 ? left : std::min(left, sizes[k % sizes.size()]);
    cutting.chunks.push_back(input.subspan(offset, size));
    offset += size;
  }
  return cutting;
}

// Packs or unpacks the chunks through Packer or Unpacker into `out`; returns the IoError's
// message, or "" when the run ended normally.
inline std::string runChunked(bool packing, Method method, const Cutting& cutting, ByteBuffer& out,
                              Host& host) {
  BufferSink sink(out);
  return thrownMessage([&] {
    if (packing) {
      Packer packer(method, host, cutting.bytes.size());
      for (const auto chunk : cutting.chunks) packer.write(chunk, sink);
      packer.finish(sink);
    } else {
      Unpacker unpacker(method, host, cutting.bytes.size());
      for (const auto chunk : cutting.chunks) unpacker.write(chunk, sink);
      unpacker.finish(sink);
    }
  });
}

}  // namespace ravlin::fuzz
