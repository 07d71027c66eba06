// Graphics-like test data: sprite bytes, 15-bit image words and shaped runs and literal stretches.
#include "ravlin/datagen.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace ravlin::datagen {

std::uint64_t Random::next() noexcept {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

namespace {

// Picks an index in [0, count) other than `previous` (any index when previous is negative).
// count must be at least 2 when previous is a valid index.
int pickOther(Random& rng, int count, int previous) {
  if (previous < 0) return static_cast<int>(rng.below(static_cast<std::uint64_t>(count)));
  int index = static_cast<int>(rng.below(static_cast<std::uint64_t>(count - 1)));
  return index >= previous ? index + 1 : index;
}

struct Rgb {
  int r, g, b;
};

int clampChannel(int value) {
  return std::clamp(value, 0, 31);
}

Rgb randomColour(Random& rng) {
  return {rng.between(0, 31), rng.between(0, 31), rng.between(0, 31)};
}

void appendWord(std::vector<std::uint8_t>& out, unsigned word) {
  out.push_back(static_cast<std::uint8_t>(word & 0xFF));
  out.push_back(static_cast<std::uint8_t>(word >> 8));
}

void appendPixel(std::vector<std::uint8_t>& out, Rgb c) {
  appendWord(out, static_cast<unsigned>(c.r | (c.g << 5) | (c.b << 10)));
}

// A small nudge of one channel by one step: the noise of a scanned or dithered picture.
Rgb speck(Random& rng, Rgb c) {
  int delta = rng.below(2) == 0 ? -1 : 1;
  switch (rng.below(3)) {
    case 0:
      c.r = clampChannel(c.r + delta);
      break;
    case 1:
      c.g = clampChannel(c.g + delta);
      break;
    default:
      c.b = clampChannel(c.b + delta);
      break;
  }
  return c;
}

}  // namespace

std::vector<std::uint8_t> spriteBytes(std::size_t size, std::uint64_t seed) {
  Random rng(seed);
  // Colour 0 is the transparent background most sprites are framed in.
  std::vector<std::uint8_t> palette{0};
  int colours = rng.between(4, 12);
  while (static_cast<int>(palette.size()) < colours) {
    auto colour = static_cast<std::uint8_t>(rng.between(1, 255));
    if (std::find(palette.begin(), palette.end(), colour) == palette.end()) {
      palette.push_back(colour);
    }
  }
  const int count = static_cast<int>(palette.size());

  std::vector<std::uint8_t> out;
  out.reserve(size);
  int previous = -1;
  auto put = [&](int index, int times) {
    for (int i = 0; i < times && out.size() < size; ++i) out.push_back(palette[index]);
    previous = index;
  };
  while (out.size() < size) {
    put(pickOther(rng, count, previous), rng.between(2, 40));
    if (rng.below(3) != 0) {
      int stretch = rng.between(1, 8);
      for (int i = 0; i < stretch; ++i) put(pickOther(rng, count, previous), 1);
    }
  }
  return out;
}

std::vector<std::uint8_t> imageWords(std::size_t size, std::uint64_t seed) {
  Random rng(seed);
  const std::size_t bytes = size & ~std::size_t{1};
  std::vector<std::uint8_t> out;
  out.reserve(bytes);
  Rgb colour = randomColour(rng);
  while (out.size() < bytes) {
    const auto kind = rng.below(10);
    if (kind < 4) {
      // A flat area, clean or now and then specked with noise.
      const int length = rng.between(16, 2048);
      const std::uint64_t speckEvery = rng.below(2) == 0 ? 0 : 32;
      if (rng.below(2) == 0) colour = randomColour(rng);
      for (int i = 0; i < length && out.size() < bytes; ++i) {
        const bool specked = speckEvery != 0 && rng.below(speckEvery) == 0;
        appendPixel(out, specked ? speck(rng, colour) : colour);
      }
    } else if (kind < 7) {
      // A gradient towards a new colour: slow slopes give short runs of equal pixels.
      const int length = rng.between(8, 256);
      const Rgb from = colour;
      const Rgb to = randomColour(rng);
      for (int i = 0; i < length && out.size() < bytes; ++i) {
        colour = {from.r + (to.r - from.r) * i / length, from.g + (to.g - from.g) * i / length,
                  from.b + (to.b - from.b) * i / length};
        appendPixel(out, colour);
      }
    } else {
      // A textured stretch: about half the pixels nudged off the base colour.
      const int length = rng.between(8, 256);
      for (int i = 0; i < length && out.size() < bytes; ++i) {
        appendPixel(out, rng.below(2) == 0 ? speck(rng, colour) : colour);
      }
    }
  }
  return out;
}

std::vector<std::uint8_t> shaped(const Shape& shape, std::size_t units, std::uint64_t seed) {
  if (shape.unitSize != 1 && shape.unitSize != 2) {
    throw std::invalid_argument("datagen::shaped: unit size must be 1 or 2");
  }
  const int maxAlphabet = shape.unitSize == 1 ? 256 : 65536;
  if (shape.alphabet < 1 || shape.alphabet > maxAlphabet) {
    throw std::invalid_argument("datagen::shaped: alphabet out of range");
  }
  auto positive = [](const std::vector<int>& lengths) {
    return std::any_of(lengths.begin(), lengths.end(), [](int n) { return n > 0; });
  };
  if (!positive(shape.runLengths) && !positive(shape.literalLengths)) {
    throw std::invalid_argument("datagen::shaped: no positive run or literal length");
  }

  Random rng(seed);
  // The alphabet: `alphabet` distinct unit values, picked by a partial shuffle.
  std::vector<unsigned> values(static_cast<std::size_t>(maxAlphabet));
  std::iota(values.begin(), values.end(), 0u);
  for (int i = 0; i < shape.alphabet; ++i) {
    auto j = static_cast<std::size_t>(rng.between(i, maxAlphabet - 1));
    std::swap(values[static_cast<std::size_t>(i)], values[j]);
  }

  std::vector<std::uint8_t> out;
  out.reserve(units * static_cast<std::size_t>(shape.unitSize));
  std::size_t produced = 0;
  int previous = -1;
  auto put = [&](int index) {
    unsigned value = values[static_cast<std::size_t>(index)];
    if (shape.unitSize == 1) {
      out.push_back(static_cast<std::uint8_t>(value));
    } else {
      appendWord(out, value);
    }
    ++produced;
    previous = index;
  };
  auto draw = [&](const std::vector<int>& lengths) {
    return lengths[static_cast<std::size_t>(rng.below(lengths.size()))];
  };
  auto next = [&] { return pickOther(rng, shape.alphabet, previous); };

  if (shape.alphabet == 1) {
    // One value leaves no room for literal stretches: the data is one long run.
    while (produced < units) put(0);
    return out;
  }
  while (produced < units) {
    if (!shape.runLengths.empty()) {
      const int length = draw(shape.runLengths);
      if (length > 0) {
        const int index = next();
        for (int i = 0; i < length && produced < units; ++i) put(index);
      }
    }
    if (!shape.literalLengths.empty()) {
      const int length = draw(shape.literalLengths);
      for (int i = 0; i < length && produced < units; ++i) put(next());
    }
  }
  return out;
}

std::vector<std::uint8_t> shortBlocks(std::size_t size, std::uint64_t seed) {
  // Every run is followed by a literal stretch two times in three (the zero lengths leave it out,
  // so that two runs of different colours meet): 2 literal blocks for every 3 repeat blocks.
  const Shape shape{1, 16, {2, 3, 4, 5, 6}, {0, 0, 0, 1, 2, 3, 4, 5, 6}};
  return shaped(shape, size, seed);
}

}  // namespace ravlin::datagen
