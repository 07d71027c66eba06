// RAVLIN_SIMD caps the processor path that the codec takes; any other value is refused with the
// valid ones named.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>

#include "codec_support.h"
#include "forced_path.h"
#include "ravlin/datagen.h"

namespace ravlin::testing {
namespace {

using detail::SimdPath;

// Windows' C runtime has _putenv_s, where an empty value removes the variable.
class SimdVariable {
 public:
#ifdef _WIN32
  explicit SimdVariable(const char* value) { _putenv_s("RAVLIN_SIMD", value); }
  ~SimdVariable() { _putenv_s("RAVLIN_SIMD", ""); }
#else
  explicit SimdVariable(const char* value) { setenv("RAVLIN_SIMD", value, 1); }
  ~SimdVariable() { unsetenv("RAVLIN_SIMD"); }
#endif
};

// The paths whose fast loops a pack and an unpack of sprite data ran through.
std::vector<SimdPath> pathsThatRan() {
  std::uint64_t before[std::size(detail::kAllSimdPaths)];
  for (const SimdPath path : detail::kAllSimdPaths) before[int(path)] = detail::fastPasses(path);
  const Bytes sprite = datagen::spriteBytes(200000, 5);
  QuietHost quiet;
  ByteBuffer stream;
  ByteBuffer back;
  pack(Method::kI, sprite, stream, quiet);
  unpack(Method::kI, stream.bytes(), back, quiet);
  EXPECT_EQ(Bytes(back.bytes().begin(), back.bytes().end()), sprite);
  std::vector<SimdPath> ran;
  for (const SimdPath path : detail::kAllSimdPaths) {
    if (detail::fastPasses(path) > before[int(path)]) ran.push_back(path);
  }
  return ran;
}

TEST(SimdPath, TheVariableCapsThePathTaken) {
  const SimdPath best = detail::processorSimdPath();
  const auto capped = [best](SimdPath cap) { return std::min(cap, best); };
  // What each value makes the unpacker run: its own code, and the plain loop after long blocks;
  // the packer runs the SSE2 comparisons on every vector path.
  const struct {
    const char* value;
    SimdPath unpacker;
  } cases[] = {{"scalar", SimdPath::kScalar},
               {"sse2", capped(SimdPath::kSse2)},
               {"avx2", capped(SimdPath::kAvx2)},
               {"avx512", capped(SimdPath::kAvx512)},
               {"", best}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("RAVLIN_SIMD=") + c.value);
    const SimdVariable variable(c.value);
    EXPECT_EQ(detail::simdPath(), c.unpacker);
    const std::vector<SimdPath> ran = pathsThatRan();
    EXPECT_EQ(ran.back(), c.unpacker);
    EXPECT_EQ(ran.front(), c.unpacker == SimdPath::kScalar ? SimdPath::kScalar : SimdPath::kSse2);
  }
}

TEST(SimdPath, AnUnknownValueNamesTheValidOnes) {
  for (const char* value : {"neon", "AVX2", "sse", "avx2 "}) {
    SCOPED_TRACE(value);
    const SimdVariable variable(value);
    QuietHost quiet;
    try {
      Unpacker unpacker(Method::kI, quiet, std::nullopt);
      FAIL() << "accepted";
    } catch (const std::invalid_argument& error) {
      EXPECT_EQ(std::string(error.what()), std::string("RAVLIN_SIMD=") + value +
                                               " is not a processor path; use avx512, avx2, "
                                               "sse2 or scalar");
    }
    EXPECT_THROW(Packer(Method::kII, quiet, std::nullopt), std::invalid_argument);
  }
}

}  // namespace
}  // namespace ravlin::testing
