// The output buffer: growth that keeps what was appended, and a clear error when memory runs out.
#include "ravlin/byte_buffer.h"

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <set>
#include <vector>

#include "ravlin/io_error.h"

namespace ravlin {
namespace {

std::vector<std::uint8_t> contents(const ByteBuffer& buffer) {
  return {buffer.bytes().begin(), buffer.bytes().end()};
}

TEST(ByteBuffer, OneByteAppendsKeepTheirOrderAndGrowGeometrically) {
  ByteBuffer buffer;
  std::vector<std::uint8_t> expected;
  std::set<std::size_t> capacities;
  for (int k = 0; k < 1'000'000; ++k) {
    const auto byte = static_cast<std::uint8_t>(k * 7);
    buffer.append(byte);
    expected.push_back(byte);
    capacities.insert(buffer.capacity());
  }
  EXPECT_EQ(contents(buffer), expected);
  // Growing by a constant step would take thousands of reallocations here.
  EXPECT_LE(capacities.size(), 20u);
}

TEST(ByteBuffer, ReserveMakesRoomThatCommitTakes) {
  ByteBuffer buffer;
  buffer.append(reinterpret_cast<const std::uint8_t*>("ab"), 2);
  buffer.reserve(1000);
  ASSERT_GE(buffer.capacity() - buffer.size(), 1000u);
  // A small buffer takes small memory: thousands of small files are packed one after another.
  EXPECT_LT(buffer.capacity(), 64u << 10);
  buffer.data()[2] = 'c';
  buffer.commit(3);
  EXPECT_EQ(contents(buffer), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
}

TEST(ByteBuffer, ClearKeepsTheMemoryForTheNextRun) {
  ByteBuffer buffer;
  buffer.reserve(5000);
  const std::size_t capacity = buffer.capacity();
  buffer.append(1);
  buffer.clear();
  EXPECT_TRUE(buffer.empty());
  EXPECT_EQ(buffer.capacity(), capacity);
}

TEST(ByteBuffer, MoveHandsOverTheBytes) {
  ByteBuffer source;
  source.append(reinterpret_cast<const std::uint8_t*>("xyz"), 3);
  ByteBuffer target(std::move(source));
  EXPECT_EQ(contents(target), (std::vector<std::uint8_t>{'x', 'y', 'z'}));
  EXPECT_TRUE(source.empty());  // NOLINT(bugprone-use-after-move): moved-from state is defined
  source = std::move(target);
  EXPECT_EQ(source.size(), 3u);
  EXPECT_EQ(target.capacity(), 0u);  // NOLINT(bugprone-use-after-move)
}

// Buffers of 2 MiB and more live in memory of another kind than small ones: growing from one to
// the other, growing a large one, and handing large ones over must keep every byte.
TEST(ByteBuffer, GrowthAcrossLargeSizesKeepsTheBytes) {
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  const std::vector<std::size_t> stepsTable[] = {
      {100, 2 * kMiB - 101, 1, 3 * kMiB},         // up to exactly 2 MiB, then past it
      {3 * kMiB + 7, 5 * kMiB, 1},                // large from the first reserve
      {kMiB, kMiB, kMiB, kMiB, kMiB, 13 * kMiB},  // many growths of a large buffer
  };
  for (const auto& steps : stepsTable) {
    ByteBuffer buffer;
    std::vector<std::uint8_t> expected;
    for (const std::size_t step : steps) {
      std::vector<std::uint8_t> chunk(step);
      for (std::size_t k = 0; k < step; ++k) {
        chunk[k] = static_cast<std::uint8_t>((expected.size() + k) * 131 / 7);
      }
      buffer.append(chunk.data(), chunk.size());
      expected.insert(expected.end(), chunk.begin(), chunk.end());
      ASSERT_GE(buffer.capacity(), buffer.size());
    }
    ASSERT_EQ(contents(buffer), expected);
    ByteBuffer other;
    other.reserve(4 * kMiB);
    other = std::move(buffer);
    EXPECT_EQ(contents(other), expected);
    // The room reserve() makes past the size is writable up to the capacity.
    other.reserve(kMiB);
    other.data()[other.capacity() - 1] = 1;
    other.commit(other.capacity());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), other.data()));
  }
}

// A large buffer that cannot grow where it is, because the addresses after it are taken, moves
// with every byte.
TEST(ByteBuffer, GrowthThatMustMoveKeepsTheBytes) {
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  ByteBuffer buffer;
  std::vector<std::uint8_t> expected(6 * kMiB);
  for (std::size_t k = 0; k < expected.size(); ++k)
    expected[k] = static_cast<std::uint8_t>(k * 7 / 5);
  buffer.append(expected.data(), expected.size());
  void* const end = buffer.data() + buffer.capacity();
  void* const blocker =
      ::mmap(end, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
  const std::uint8_t* const before = buffer.data();
  buffer.reserve(buffer.capacity() + 64 * kMiB);
  if (blocker == end) {
    EXPECT_NE(buffer.data(), before);
    ::munmap(blocker, 4096);
  }
  EXPECT_EQ(contents(buffer), expected);
}

// Sizes that no allocation can satisfy fail before asking the allocator.
TEST(ByteBuffer, ImpossibleGrowthIsOutOfMemoryAndKeepsTheBytes) {
  const std::size_t impossible[] = {std::numeric_limits<std::size_t>::max(),
                                    std::numeric_limits<std::size_t>::max() - 1,
                                    static_cast<std::size_t>(PTRDIFF_MAX)};
  for (const std::size_t extra : impossible) {
    SCOPED_TRACE(extra);
    ByteBuffer buffer;
    buffer.append(reinterpret_cast<const std::uint8_t*>("keep"), 4);
    try {
      buffer.reserve(extra);
      ADD_FAILURE() << "no error";
    } catch (const IoError& error) {
      EXPECT_EQ(error.kind(), IoErrorKind::kOutOfMemory);
      EXPECT_STREQ(error.what(), "Out of memory");
    }
    EXPECT_THROW(buffer.append(buffer.data(), extra), IoError);
    EXPECT_EQ(contents(buffer), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
  }
}

}  // namespace
}  // namespace ravlin
