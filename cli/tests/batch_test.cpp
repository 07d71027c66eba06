// Tests of the batch pieces that the end-to-end runs cannot reach: the verification and the
// naming of outputs beside the input or in a chosen folder.
#include "batch.h"

#include <gtest/gtest.h>

#include "cli_test_support.h"
#include "ravlin/datagen.h"

namespace ravlin::cli {
namespace {

std::span<const std::uint8_t> bytesOf(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(Verify, AcceptsOnlyAStreamThatUnpacksToTheInputExactly) {
  const std::string data = testing::toString(datagen::spriteBytes(4000, 9));
  const std::string stream = testing::enginePack(Method::kI, data);
  ASSERT_TRUE(unpacksTo(Method::kI, bytesOf(stream), bytesOf(data)));

  std::string flipped = stream;
  flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x01);
  const std::string cut = stream.substr(0, stream.size() - 2);
  struct Case {
    const char* what;
    Method method;
    std::string stream;
    std::string original;
  };
  for (const Case& c :
       {Case{"one bit changed", Method::kI, flipped, data},
        Case{"cut inside a block", Method::kI, cut, data},
        Case{"other method", Method::kII, stream, data},
        Case{"input one byte longer", Method::kI, stream, data + "x"},
        Case{"input one byte shorter", Method::kI, stream, data.substr(0, data.size() - 1)},
        Case{"empty stream", Method::kI, "", ""}}) {
    EXPECT_FALSE(unpacksTo(c.method, bytesOf(c.stream), bytesOf(c.original))) << c.what;
  }
}

TEST(DefaultOutputPath, BesideTheInputOrInTheFolder) {
  struct Case {
    std::string input;
    std::optional<std::string> folder;
    std::string expected;
  };
  for (const Case& c : {Case{"font.bin", std::nullopt, "font.pack1"},
                        Case{"gfx/map.bins.bin", std::nullopt, "gfx/map.bins.pack1"},
                        Case{"/abs/gfx/tiles", std::nullopt, "/abs/gfx/tiles.pack1"},
                        Case{"/logo.bin", std::nullopt, "/logo.pack1"},
                        Case{"gfx.d/.bin", std::nullopt, "gfx.d/.bin.pack1"},
                        Case{"gfx/font.bin", std::string("out"), "out/font.pack1"},
                        Case{"font.bin", std::string("out//"), "out/font.pack1"},
                        Case{"font.bin", std::string("/"), "/font.pack1"}}) {
    EXPECT_EQ(defaultOutputPath(c.input, c.folder, ".pack1"), c.expected) << c.input;
  }
}

}  // namespace
}  // namespace ravlin::cli
