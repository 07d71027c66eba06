#include "block_windows.h"

#include <atomic>

namespace ravlin::detail {

namespace {

bool processorHasBlockWindows() {
#if defined(RAVLIN_BLOCK_WINDOWS)
  // These also ask whether the system saves the wide registers.
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vbmi") &&
         __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("popcnt");
#else
  return false;
#endif
}

std::atomic<bool> wanted{true};

}  // namespace

bool blockWindowsInUse() {
  static const bool available = processorHasBlockWindows();
  return available && wanted.load(std::memory_order_relaxed);
}

void useBlockWindows(bool on) {
  wanted.store(on, std::memory_order_relaxed);
}

}  // namespace ravlin::detail
