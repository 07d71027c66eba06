// Deterministic generators of graphics-like data for tests, benchmarks and fuzzer seeds.
//
// Every generator gives the same bytes for the same arguments on every platform: it draws from
// its own splitmix64 sequence, never from std::rand or a std distribution.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ravlin::datagen {

// A small, fast, portable pseudo-random sequence (splitmix64).
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}

  std::uint64_t next() noexcept;
  // A value in [0, bound); bound must be > 0.
  std::uint64_t below(std::uint64_t bound) noexcept { return next() % bound; }
  // A value in [low, high].
  int between(int low, int high) noexcept {
    return low + static_cast<int>(below(static_cast<std::uint64_t>(high - low) + 1));
  }

 private:
  std::uint64_t state_;
};

// Sprite-like 8-bit data: runs of 2 to 40 equal bytes between literal stretches of 1 to 8 bytes
// that each differ from their neighbour, all drawn from a palette of a few colours.
std::vector<std::uint8_t> spriteBytes(std::size_t size, std::uint64_t seed);

// 15-bit image-like pixels as little-endian words with the top bit clear: flat areas, gradients
// and noisy stretches of 5-5-5 colour. `size` is rounded down to an even number of bytes.
std::vector<std::uint8_t> imageWords(std::size_t size, std::uint64_t seed);

// The shape of data made of alternating runs and literal stretches.
struct Shape {
  int unitSize = 1;                 // bytes per unit: 1, or 2 (little-endian words)
  int alphabet = 256;               // distinct unit values in use: 1 .. 256^unitSize
  std::vector<int> runLengths;      // a run's length is drawn from these; empty: no runs
  std::vector<int> literalLengths;  // a literal stretch's length is drawn from these; empty: none
};

// `units` units (units * unitSize bytes) of alternating runs of equal units and literal stretches
// in which every unit differs from the one before it, starting with a run. Lengths are drawn
// uniformly from the shape's lists (zero-length entries add nothing); a run's unit differs from
// the unit before it, so runs keep their drawn length. With an alphabet of one value there are
// only runs. Throws std::invalid_argument for a unit size other than 1 or 2, an alphabet outside
// 1 .. 256^unitSize, or two empty length lists.
std::vector<std::uint8_t> shaped(const Shape& shape, std::size_t units, std::uint64_t seed);

// `size` bytes that the packers cut into short blocks only, as flat textures and small sprites
// give: literal blocks of 1 to 6 bytes and repeat blocks of 2 to 6, about 40% of the blocks
// literal and 60% repeat, from 16 colours.
std::vector<std::uint8_t> shortBlocks(std::size_t size, std::uint64_t seed);

}  // namespace ravlin::datagen
