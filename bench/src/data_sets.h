// The data the benchmarks run on: generated sprite bytes, image words and short blocks, real
// console fonts and real game art.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "simd_path.h"

namespace ravlin::bench {

struct DataSet {
  std::string name;
  // Whether the data is made of 16-bit words: method II suits it, else method I does. The targets
  // are checked on the method that suits the data.
  bool wordUnits = false;
  // An even number of bytes, so that both methods take all of it.
  std::vector<std::uint8_t> bytes;
};

// The blocks of a packed stream: how many of each kind and how many units they stand for.
struct BlockStats {
  std::size_t literals = 0;
  std::size_t repeats = 0;
  std::size_t literalUnits = 0;
  std::size_t repeatUnits = 0;
  bool operator==(const BlockStats&) const = default;
};

// How many times LZ4's speed the suiting method must reach on every data set, on every
// processor path: packing over LZ4_compress_default, unpacking over LZ4_decompress_safe (0: none).
inline constexpr double kPackTarget = 2.0;
inline constexpr double unpackTarget(detail::SimdPath path) {
  switch (path) {
    case detail::SimdPath::kAvx512:
      return 2.0;
    case detail::SimdPath::kAvx2:
      return 1.5;
    case detail::SimdPath::kSse2:
      return 1.0;
    case detail::SimdPath::kScalar:
      return 0;
  }
  return 0;
}

// Where the kbd package keeps its gzip-compressed PC Screen Fonts.
inline constexpr const char* kConsoleFontFolder = "/usr/share/consolefonts";
// The sprites of the xpenguins package: animation frames of small figures on a transparent ground.
inline constexpr const char* kPenguinFolder = "/usr/share/xpenguins/themes";
// The graphics of the lbreakout2-data package: backgrounds, bricks, frames, fonts and explosions.
inline constexpr const char* kBreakoutFolder = "/usr/share/games/lbreakout2/gfx";

// The unzipped *.psf*.gz files of `folder`, concatenated in name order; empty when there are none.
// Throws std::runtime_error when a file cannot be read.
std::vector<std::uint8_t> readConsoleFonts(const std::string& folder);

// The generated sets of `size` bytes each, then the real ones whose packages are installed (a note
// on stderr names each package that is missing).
std::vector<DataSet> loadDataSets(std::size_t size);

}  // namespace ravlin::bench
