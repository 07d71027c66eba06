// Checks that the generated data has the shape the tests and benchmarks rely on.
#include "ravlin/datagen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>

namespace ravlin::datagen {
namespace {

// The units of `bytes` (1 or 2 bytes each, little-endian).
std::vector<unsigned> unitsOf(const std::vector<std::uint8_t>& bytes, int unitSize) {
  std::vector<unsigned> units;
  for (std::size_t i = 0; i + static_cast<std::size_t>(unitSize) <= bytes.size();
       i += static_cast<std::size_t>(unitSize)) {
    units.push_back(unitSize == 1 ? bytes[i] : bytes[i] | (unsigned{bytes[i + 1]} << 8));
  }
  return units;
}

// Lengths of the maximal stretches of equal units, in order.
std::vector<int> maximalRuns(const std::vector<unsigned>& units) {
  std::vector<int> runs;
  for (std::size_t i = 0; i < units.size();) {
    std::size_t j = i;
    while (j < units.size() && units[j] == units[i]) ++j;
    runs.push_back(static_cast<int>(j - i));
    i = j;
  }
  return runs;
}

TEST(Datagen, SameSeedSameBytesOtherSeedOtherBytes) {
  const Shape shape{1, 3, {2, 5}, {1, 4}};
  EXPECT_EQ(spriteBytes(5000, 7), spriteBytes(5000, 7));
  EXPECT_NE(spriteBytes(5000, 7), spriteBytes(5000, 8));
  EXPECT_EQ(imageWords(5000, 7), imageWords(5000, 7));
  EXPECT_NE(imageWords(5000, 7), imageWords(5000, 8));
  EXPECT_EQ(shaped(shape, 5000, 7), shaped(shape, 5000, 7));
  EXPECT_NE(shaped(shape, 5000, 7), shaped(shape, 5000, 8));
}

TEST(Datagen, SpriteBytesAreShortRunsAndLiteralsFromAFewColours) {
  for (std::size_t size : {0u, 1u, 2u, 999u, 100000u}) {
    const auto bytes = spriteBytes(size, size);
    ASSERT_EQ(bytes.size(), size);
    const auto runs = maximalRuns(unitsOf(bytes, 1));
    EXPECT_LE(std::set<std::uint8_t>(bytes.begin(), bytes.end()).size(), 12u);
    if (size < 100000) continue;
    EXPECT_LE(*std::max_element(runs.begin(), runs.end()), 40);
    const auto literals = std::count(runs.begin(), runs.end(), 1);
    EXPECT_GT(literals, 0);
    EXPECT_LT(literals, static_cast<long>(runs.size()));
  }
}

TEST(Datagen, ImageWordsAreEvenSizedFifteenBitWordsWithRunsAndNoise) {
  for (std::size_t size : {0u, 1u, 7u, 1000u, 200001u}) {
    const auto bytes = imageWords(size, 3);
    ASSERT_EQ(bytes.size(), size & ~std::size_t{1});
    for (std::size_t i = 1; i < bytes.size(); i += 2) ASSERT_EQ(bytes[i] & 0x80, 0) << i;
  }
  const auto runs = maximalRuns(unitsOf(imageWords(200000, 3), 2));
  EXPECT_GT(std::count(runs.begin(), runs.end(), 1), 1000);
  EXPECT_GT(*std::max_element(runs.begin(), runs.end()), 127);
}

TEST(Datagen, ShapedRunsKeepTheirDrawnLengthsAndLiteralsChangeEveryUnit) {
  const std::vector<Shape> shapes{
      {1, 2, {2, 127, 128}, {1, 127}},
      {1, 3, {126, 254, 255, 256}, {2, 128}},
      {1, 256, {2}, {1, 2, 126, 127}},
      {2, 2, {127, 128}, {1, 127}},
      {2, 65536, {3, 254}, {128, 255}},
      {1, 5, {}, {7}},
      {1, 256, {40}, {}},
      {2, 1000, {0, 9}, {0, 3}},
  };
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(::testing::Message()
                 << "unit " << shape.unitSize << " alphabet " << shape.alphabet);
    const std::size_t units = 20000;
    const auto bytes = shaped(shape, units, 11);
    ASSERT_EQ(bytes.size(), units * static_cast<std::size_t>(shape.unitSize));
    const auto values = unitsOf(bytes, shape.unitSize);
    EXPECT_LE(std::set<unsigned>(values.begin(), values.end()).size(),
              static_cast<std::size_t>(shape.alphabet));
    auto runs = maximalRuns(values);
    runs.pop_back();  // the last run may be cut short at the end
    std::set<int> allowed(shape.runLengths.begin(), shape.runLengths.end());
    if (!shape.literalLengths.empty()) allowed.insert(1);
    for (int run : runs) ASSERT_TRUE(allowed.count(run)) << "run of " << run;
    for (int length : shape.runLengths) {
      if (length > 1) {
        EXPECT_TRUE(std::count(runs.begin(), runs.end(), length)) << length;
      }
    }
  }
}

TEST(Datagen, ShortBlocksPackIntoLiteralsOfOneToSixAndRepeatsOfTwoToSix) {
  const auto bytes = shortBlocks(100000, 5);
  ASSERT_EQ(bytes.size(), 100000u);
  auto runs = maximalRuns(unitsOf(bytes, 1));
  runs.pop_back();  // the last run may be cut short at the end
  // The packer's blocks: a run of two or more is a repeat block, single units in a row a literal.
  std::vector<int> literals;
  std::vector<int> repeats;
  for (std::size_t i = 0; i < runs.size();) {
    if (runs[i] > 1) {
      repeats.push_back(runs[i++]);
      continue;
    }
    int length = 0;
    for (; i < runs.size() && runs[i] == 1; ++i) ++length;
    literals.push_back(length);
  }
  const auto within = [](const std::vector<int>& lengths, int low, int high) {
    return std::all_of(lengths.begin(), lengths.end(),
                       [=](int n) { return n >= low && n <= high; });
  };
  EXPECT_TRUE(within(literals, 1, 6));
  EXPECT_TRUE(within(repeats, 2, 6));
  const double literalShare =
      static_cast<double>(literals.size()) / static_cast<double>(literals.size() + repeats.size());
  EXPECT_NEAR(literalShare, 0.4, 0.03);
}

TEST(Datagen, ShapedWithOneValueIsOneRun) {
  for (int unitSize : {1, 2}) {
    const auto values = unitsOf(shaped({unitSize, 1, {3}, {5}}, 1000, 2), unitSize);
    ASSERT_EQ(values.size(), 1000u);
    EXPECT_EQ(maximalRuns(values), std::vector<int>{1000});
  }
}

TEST(Datagen, ShapedRejectsShapesItCannotMake) {
  const std::vector<Shape> bad{{3, 2, {2}, {1}},     {1, 0, {2}, {1}}, {1, 257, {2}, {1}},
                               {2, 65537, {2}, {1}}, {1, 2, {}, {}},   {1, 2, {0}, {0, -1}}};
  for (const Shape& shape : bad) EXPECT_THROW(shaped(shape, 10, 1), std::invalid_argument);
}

}  // namespace
}  // namespace ravlin::datagen
