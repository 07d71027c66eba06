// Loading units: one unit of a byte or a 16-bit word, 16 bytes at once on SSE2 (load16, byteMask),
// and the comparison of 32 units with their neighbours that finds where runs start and end. The
// packer scans with them; the unpacker's SSE2 copies and tabled ends load with them.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

// SSE2 is part of every x86-64 processor; elsewhere the portable loops below are used. Building
// with -DRAVLIN_PORTABLE_SCAN selects them on x86-64 too, to test them there.
#if defined(__SSE2__) && !defined(RAVLIN_PORTABLE_SCAN)
#include <emmintrin.h>
#define RAVLIN_SSE2 1
#endif

namespace ravlin::detail {

// Unit `index` of `units` bytes of unit size U: a byte, or a 16-bit word stored low byte first.
template <int U>
inline std::uint32_t unitAt(const std::uint8_t* units, std::uint64_t index) {
  if constexpr (U == 1) {
    return units[index];
  } else {
    const std::uint8_t* unit = units + 2 * index;
    return static_cast<std::uint32_t>(unit[0]) | static_cast<std::uint32_t>(unit[1]) << 8;
  }
}

// Bit t is set when unit t equals unit t + 1, for t = 0 .. 31 units from `units`, without vector
// registers: 8 bytes at a time in a 64-bit word on little-endian processors, else one unit at a
// time. Reads the 33 units from `units`.
template <int U>
inline std::uint32_t equalNeighboursScalar(const std::uint8_t* units) {
  std::uint32_t mask = 0;
  if constexpr (std::endian::native == std::endian::little) {
    // Per lane of U bytes: the top bit of each lane that is zero in x, and then those bits
    // gathered into the top of the word by one multiply (no two products overlap there).
    constexpr int kLaneBits = 8 * U;
    constexpr std::uint64_t kLow = U == 1 ? 0x7F7F7F7F7F7F7F7Full : 0x7FFF7FFF7FFF7FFFull;
    constexpr std::uint64_t kGather = U == 1 ? 0x0102040810204080ull : 0x1000200040008000ull;
    constexpr int kLanes = 64 / kLaneBits;
    for (int word = 0; word < 32 / kLanes; ++word) {
      std::uint64_t here;
      std::uint64_t next;
      std::memcpy(&here, units + 8 * word, 8);
      std::memcpy(&next, units + 8 * word + U, 8);
      const std::uint64_t x = here ^ next;
      const std::uint64_t zero = ~(((x & kLow) + kLow) | x | kLow);
      const auto lanes =
          static_cast<std::uint32_t>(((zero >> (kLaneBits - 1)) * kGather) >> (64 - kLanes));
      mask |= lanes << (word * kLanes);
    }
  } else {
    for (std::uint32_t t = 0; t < 32; ++t) {
      if (unitAt<U>(units, t) == unitAt<U>(units, t + 1)) mask |= 1u << t;
    }
  }
  return mask;
}

#if defined(RAVLIN_SSE2)

// The same as equalNeighboursScalar, 16 bytes at a time. Reads up to 31 bytes more.
template <int U>
inline std::uint32_t equalNeighbours(const std::uint8_t* units);

inline __m128i load16(const std::uint8_t* bytes) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}

inline std::uint32_t byteMask(__m128i lanes) {
  return static_cast<std::uint32_t>(_mm_movemask_epi8(lanes));
}

template <>
inline std::uint32_t equalNeighbours<1>(const std::uint8_t* units) {
  const std::uint32_t low = byteMask(_mm_cmpeq_epi8(load16(units), load16(units + 1)));
  const std::uint32_t high = byteMask(_mm_cmpeq_epi8(load16(units + 16), load16(units + 17)));
  return low | high << 16;
}

template <>
inline std::uint32_t equalNeighbours<2>(const std::uint8_t* units) {
  const auto equal8 = [units](int offset) {
    return _mm_cmpeq_epi16(load16(units + offset), load16(units + offset + 2));
  };
  // Packing two word masks to bytes gives one mask byte per unit.
  const std::uint32_t low = byteMask(_mm_packs_epi16(equal8(0), equal8(16)));
  const std::uint32_t high = byteMask(_mm_packs_epi16(equal8(32), equal8(48)));
  return low | high << 16;
}

#endif

inline std::uint32_t trailingZeros64(std::uint64_t nonZero) {
  return static_cast<std::uint32_t>(__builtin_ctzll(nonZero));
}

}  // namespace ravlin::detail
