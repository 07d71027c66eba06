// The limits that keep the unpacker's wide loads and stores inside their buffers, and the check
// that the windows keep them.
//
// The fast loops load and store whole registers past a block's own bytes. They stay inside the
// caller's buffers because every block that starts in a fast stretch has kBlockReach bytes of
// stream and kBlockRoom bytes of output room from its start; each wide loop states what it needs
// of these with a static_assert, and RAVLIN_FAST_LOOP_ASSERT checks the stretch at the entry and
// exit of a window decoder in debug and sanitizer builds.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>

namespace ravlin::detail {

// The most that any fast loop reads past a block's last byte, or writes past its last unit.
constexpr std::size_t kOverreach = 64;

// The longest block: control byte and 127 units.
template <int U>
constexpr std::size_t kLongestBlock = 1 + 127 * U;
// Stream bytes a block may read in a fast loop: the longest block and the overread.
template <int U>
constexpr std::size_t kBlockReach = kLongestBlock<U> + kOverreach;
// Output room a block may write in a fast loop: 127 units and the overwrite.
template <int U>
constexpr std::size_t kBlockRoom = 127 * U + kOverreach;

// A block takes at least 2 stream bytes and writes at most 127 units: the output of the blocks
// that start in `streamBytes` bytes.
template <int U>
constexpr std::size_t mostOutput(std::size_t streamBytes) {
  return (streamBytes + 1) / 2 * 127 * U;
}

[[noreturn]] inline void fastLoopCheckFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: fast loop limit broken: %s\n", file, line, condition);
  std::abort();
}

}  // namespace ravlin::detail

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RAVLIN_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define RAVLIN_SANITIZED 1
#endif

#if !defined(NDEBUG) || defined(RAVLIN_SANITIZED)
#define RAVLIN_FAST_LOOP_ASSERT(condition) \
  ((condition) ? void(0) : ::ravlin::detail::fastLoopCheckFailed(#condition, __FILE__, __LINE__))
#else
// Not evaluated, but the names in it count as used.
#define RAVLIN_FAST_LOOP_ASSERT(condition) static_cast<void>(sizeof((condition) ? 1 : 0))
#endif
