// The header-only C++ layer: errors as exceptions with their codes, vectors that grow to any
// output, a throwing progress callback that stops the stream and comes out as it was thrown.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "ravlin/datagen.h"
#include "ravlin/ravlin.hpp"

namespace {

namespace rv = ravlin::api;
using Bytes = std::vector<std::uint8_t>;

TEST(CppLayerTest, VectorsRoundTripWhateverTheOutputSize) {
  // Unpacks to 84 times its size, through many rooms of the layer's.
  const Bytes dense(1 << 20, 0);
  const Bytes sprite = ravlin::datagen::spriteBytes(300000, 7);
  for (const Bytes& data : {dense, sprite}) {
    const Bytes packed = rv::pack(rv::Method::kII, data);
    EXPECT_LE(packed.size(), rv::packBound(rv::Method::kII, data.size()));
    EXPECT_EQ(rv::unpack(rv::Method::kII, packed), data);
  }
}

TEST(CppLayerTest, ErrorsCarryTheirCodeAndMessage) {
  const Bytes cut = {0x02, 0x41};
  Bytes output(16);
  try {
    rv::unpack(rv::Method::kI, cut, output);
    FAIL() << "a cut stream unpacked";
  } catch (const rv::Error& error) {
    EXPECT_EQ(error.code(), RAVLIN_ERROR_READ_BEYOND_END);
    EXPECT_STREQ(error.what(), "Read beyond end of file");
  }
  const Bytes data(100, 0x11);
  EXPECT_THROW(rv::pack(rv::Method::kI, data, std::span(output).first(2)), rv::Error);
}

TEST(CppLayerTest, AThrowingProgressCallbackStopsTheStream) {
  rv::Packer packer(rv::Method::kI);
  int calls = 0;
  packer.onProgress([&](std::uint64_t, std::uint64_t) {
    ++calls;
    throw std::domain_error("enough");
  });
  const Bytes data = ravlin::datagen::spriteBytes(1 << 20, 8);
  Bytes packed;
  EXPECT_THROW(packer.write(data, packed), std::domain_error);
  EXPECT_EQ(calls, 1);
  EXPECT_THROW(packer.finish(packed), rv::Error);
}

}  // namespace
