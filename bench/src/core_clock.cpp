#include "core_clock.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

namespace ravlin::bench {

double measureCoreClockGHz() {
#if defined(__x86_64__)
  constexpr std::uint64_t kLoops = 1'000'000;
  constexpr int kAddsPerLoop = 100;  // the loop's own counting runs beside the chain
  double best = -1;
  for (int run = 0; run < 7; ++run) {
    std::uint64_t chain = 0;
    const auto start = std::chrono::steady_clock::now();
    for (std::uint64_t loop = 0; loop < kLoops; ++loop) {
      asm volatile(".rept 100\n\taddq $1, %0\n\t.endr" : "+r"(chain));
    }
    const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
    best = std::max(best, static_cast<double>(kLoops * kAddsPerLoop) / taken.count() / 1e9);
  }
  return best;
#else
  return -1;
#endif
}

}  // namespace ravlin::bench
