// Tests of the batch pieces that the end-to-end runs cannot reach: the check of a stream as it is
// packed, and the naming of outputs beside the input or in a chosen folder.
#include "output_target.h"

#include <gtest/gtest.h>

#include "cli_test_support.h"
#include "ravlin/datagen.h"
#include "sinks.h"

namespace ravlin::cli {
namespace {

std::span<const std::uint8_t> bytesOf(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Feeds the check the input, then the stream, in pieces of `piece` bytes. (A packer's stream
// always lags its input, so the input is never late.)
bool checks(Method method, const std::string& stream, const std::string& original,
            std::size_t piece) {
  PackCheck check(method);
  for (std::size_t at = 0; at < original.size(); at += piece) {
    check.input(bytesOf(original.substr(at, piece)));
  }
  for (std::size_t at = 0; at < stream.size(); at += piece) {
    check.stream(bytesOf(stream.substr(at, piece)));
  }
  return check.finish();
}

TEST(PackCheck, AcceptsOnlyAStreamThatUnpacksToTheInputExactly) {
  const std::string data = testing::toString(datagen::spriteBytes(40000, 9));
  const std::string stream = testing::enginePack(Method::kI, data);
  for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{65536}}) {
    ASSERT_TRUE(checks(Method::kI, stream, data, piece)) << piece;
  }

  std::string flipped = stream;
  flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x01);
  const struct {
    const char* what;
    Method method;
    std::string stream;
    std::string original;
  } cases[] = {
      {"one bit changed", Method::kI, flipped, data},
      {"cut inside a block", Method::kI, stream.substr(0, stream.size() - 2), data},
      {"no end marker", Method::kI, stream.substr(0, stream.size() - 1), data},
      {"bytes after the marker", Method::kI, stream + "x", data},
      {"other method", Method::kII, stream, data},
      {"input one byte longer", Method::kI, stream, data + "x"},
      {"input one byte shorter", Method::kI, stream, data.substr(0, data.size() - 1)},
      {"empty stream", Method::kI, "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(checks(c.method, c.stream, c.original, 1000)) << c.what;
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
