// The window decoder of each processor path: what the unpacker runs between its blocks taken one
// by one, and how near the stop a window decoder still pays.
#pragma once

#include <cstddef>
#include <cstdint>

#include "block_windows.h"
#include "byte_unit_windows.h"
#include "end_table.h"
#include "lane_windows.h"
#include "simd_path.h"

namespace ravlin::detail {

// Whether `kPath` decodes units of U bytes in windows; the others run the plain loop alone. Word
// units have longer blocks in bytes, whose kinds the plain loop mostly guesses right: on SSE2 the
// tabled ends and on AVX2 the listing timed slower than the plain loop on the 15-bit sets.
template <SimdPath kPath, int U>
constexpr bool kHasWindows =
#if defined(RAVLIN_BLOCK_WINDOWS)
    kPath == SimdPath::kAvx512 || (kPath == SimdPath::kAvx2 && U == 1) ||
#endif
#if defined(RAVLIN_SSE2)
    (kPath == SimdPath::kSse2 && U == 1) ||
#endif
    false;

// Stream bytes before the stop from which the windows go on after a block that they ended.
template <SimdPath kPath>
constexpr std::ptrdiff_t kWindowStretchBytes = kPath == SimdPath::kAvx512 ? 64
                                               : kPath == SimdPath::kAvx2 ? 32
                                                                          : 16;

// Decodes blocks from `block` in windows, as decodeWindows does, with the same guarantees from
// the caller: every block that starts before `stop` has its reach of stream and its room.
template <SimdPath kPath, int U>
const std::uint8_t* decodeWindowsOn(const std::uint8_t* block, const std::uint8_t* stop,
                                    std::uint8_t*& out, bool& cannotEnd) {
#if defined(RAVLIN_BLOCK_WINDOWS)
  if constexpr (kPath == SimdPath::kAvx512) {
    if constexpr (U == 1) return decodeByteUnitWindows(block, stop, out, cannotEnd);
    return decodeWindows<U>(block, stop, out, cannotEnd);
  }
  if constexpr (kPath == SimdPath::kAvx2 && U == 1) {
    return decodeLaneWindows(block, stop, out, cannotEnd);
  }
#endif
#if defined(RAVLIN_SSE2)
  if constexpr (kPath == SimdPath::kSse2 && U == 1) {
    return decodeChained(block, stop, out, cannotEnd);
  }
#endif
  cannotEnd = true;
  static_cast<void>(stop);
  static_cast<void>(out);
  return block;
}

}  // namespace ravlin::detail
