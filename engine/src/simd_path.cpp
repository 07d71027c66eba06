#include "simd_path.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "unit_loads.h"

namespace ravlin::detail {

namespace {

constexpr int kPathCount = 4;

int indexOf(SimdPath path) {
  return static_cast<int>(path);
}

SimdPath detectProcessorPath() {
#if defined(RAVLIN_SSE2) && defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  // These also ask whether the system saves the wide registers.
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
      __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vbmi") &&
      __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("popcnt")) {
    return SimdPath::kAvx512;
  }
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt")) return SimdPath::kAvx2;
  return SimdPath::kSse2;
#elif defined(RAVLIN_SSE2)
  return SimdPath::kSse2;
#else
  return SimdPath::kScalar;
#endif
}

std::atomic<int> testCap{kPathCount - 1};
std::atomic<std::uint64_t> passes[kPathCount];

}  // namespace

std::string_view simdPathName(SimdPath path) {
  switch (path) {
    case SimdPath::kScalar:
      return "scalar";
    case SimdPath::kSse2:
      return "sse2";
    case SimdPath::kAvx2:
      return "avx2";
    case SimdPath::kAvx512:
      return "avx512";
  }
  return "?";
}

std::optional<SimdPath> simdPathNamed(std::string_view name) {
  for (const SimdPath path : kAllSimdPaths) {
    if (simdPathName(path) == name) return path;
  }
  return std::nullopt;
}

SimdPath processorSimdPath() {
  static const SimdPath path = detectProcessorPath();
  return path;
}

std::span<const SimdPath> supportedSimdPaths() {
  return std::span(kAllSimdPaths).first(static_cast<std::size_t>(indexOf(processorSimdPath())) + 1);
}

SimdPath simdPath() {
  int cap = testCap.load(std::memory_order_relaxed);
  // Read at every engine made, so that a program may set it before its first run, and tests
  // after theirs.
  if (const char* value = std::getenv("RAVLIN_SIMD"); value != nullptr && *value != '\0') {
    const std::optional<SimdPath> named = simdPathNamed(value);
    if (!named) {
      throw std::invalid_argument("RAVLIN_SIMD=" + std::string(value) +
                                  " is not a processor path; use avx512, avx2, sse2 or scalar");
    }
    cap = std::min(cap, indexOf(*named));
  }
  return static_cast<SimdPath>(std::min(cap, indexOf(processorSimdPath())));
}

void capSimdPath(std::optional<SimdPath> cap) {
  testCap.store(cap ? indexOf(*cap) : kPathCount - 1, std::memory_order_relaxed);
}

void countFastPass(SimdPath path) {
  passes[indexOf(path)].fetch_add(1, std::memory_order_relaxed);
}

std::uint64_t fastPasses(SimdPath path) {
  return passes[indexOf(path)].load(std::memory_order_relaxed);
}

}  // namespace ravlin::detail
