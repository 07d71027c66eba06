// Which processor path the codec's fast loops take, and how to cap it.
//
// Every path gives the same streams, output, errors and progress calls; they differ only in speed.
// A packer or unpacker takes its path when it is made: the best that this build and the processor
// have, capped by the environment variable RAVLIN_SIMD (as glibc's tunables cap its own choice)
// and by capSimdPath().
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace ravlin::detail {

// In order of the processors that have them: each needs the ones before it.
enum class SimdPath {
  kScalar,  // portable loops, one unit at a time where it matters
  kSse2,    // x86-64-v1: 16-byte loads and stores
  kAvx2,    // x86-64-v3: block starts listed with 16-byte shuffles, 32-byte stores
  kAvx512,  // AVX-512 VBMI: windows of 64 bytes built with byte permutes
};

inline constexpr SimdPath kAllSimdPaths[] = {SimdPath::kScalar, SimdPath::kSse2, SimdPath::kAvx2,
                                             SimdPath::kAvx512};

// The packer's comparisons are a small part of its time: every vector path packs with SSE2's.
inline constexpr SimdPath kWidestPackerPath = SimdPath::kSse2;

// "scalar", "sse2", "avx2" or "avx512": the values RAVLIN_SIMD takes.
std::string_view simdPathName(SimdPath path);
// The path named `name`, or nothing for a name that is none of them.
std::optional<SimdPath> simdPathNamed(std::string_view name);

// The best path that both this build and the processor have.
SimdPath processorSimdPath();
// The paths this machine can run, scalar first: what tests and benchmarks go through.
std::span<const SimdPath> supportedSimdPaths();

// The path that packers and unpackers made from now on take. Throws std::invalid_argument, naming
// the valid values, when RAVLIN_SIMD is set to anything else.
SimdPath simdPath();
// Caps the path of packers and unpackers made from now on, below RAVLIN_SIMD's cap, or lifts that
// cap (nullopt). For tests and benchmarks, which run every path in one process.
void capSimdPath(std::optional<SimdPath> cap);

// Counts a pass of a fast loop through the code of `path` (a stretch of stream unpacked, a stretch
// of input packed), so that a test can tell that the path it forced ran. A relaxed add per pass
// of thousands of bytes: no cost worth measuring.
void countFastPass(SimdPath path);
std::uint64_t fastPasses(SimdPath path);

}  // namespace ravlin::detail
