// The data the benchmarks run on: generated sprite bytes and image words, and real console fonts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ravlin::bench {

struct DataSet {
  std::string name;
  // Whether the data is made of 16-bit words: method II suits it, else method I does. The targets
  // are checked on the method that suits the data.
  bool wordUnits = false;
  // How many times LZ4's speed the suiting method must reach in both directions.
  double targetRatio = 1.0;
  // An even number of bytes, so that both methods take all of it.
  std::vector<std::uint8_t> bytes;
};

// Where the kbd package keeps its gzip-compressed PC Screen Fonts.
inline constexpr const char* kConsoleFontFolder = "/usr/share/consolefonts";

// The unzipped *.psf*.gz files of `folder`, concatenated in name order; empty when there are none.
// Throws std::runtime_error when a file cannot be read.
std::vector<std::uint8_t> readConsoleFonts(const std::string& folder);

// The sprite and image data sets of `size` bytes each, and the console fonts when kbd is installed
// (a note on stderr says so when it is not).
std::vector<DataSet> loadDataSets(std::size_t size);

}  // namespace ravlin::bench
