// Worked examples of the packed stream, run on the literal and the fast codec alike:
// streams, bar updates (caption and width, in order), failures and what survives them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec_support.h"

namespace ravlin::testing {
namespace {

constexpr const char* kBeyondEnd = "Read beyond end of file";

struct Example {
  const char* name;
  Method method;
  Bytes input;
  Bytes output;
  std::vector<Bar> bars;
  std::string error;
};

class CodecExamples : public ::testing::TestWithParam<Codec> {
 protected:
  void check(CodecCall call, const std::vector<Example>& examples) {
    for (const Example& example : examples) {
      SCOPED_TRACE(example.name);
      const Outcome outcome = run(call, example.method, example.input);
      EXPECT_EQ(outcome.output, example.output);
      EXPECT_EQ(outcome.bars, example.bars);
      EXPECT_EQ(outcome.error, example.error);
    }
  }
};

const Bytes k41 = hex("41");
const Bytes kWord = hex("41 11");

TEST_P(CodecExamples, UnpacksStreams) {
  check(
      GetParam().unpack,
      {
          {"empty stream", Method::kI, {}, {}, {}, kBeyondEnd},
          {"end marker alone", Method::kI, hex("00"), {}, {}, ""},
          {"literal control alone", Method::kI, hex("01"), {}, {}, kBeyondEnd},
          {"repeat control alone", Method::kI, hex("85"), {}, {}, kBeyondEnd},
          {"literal", Method::kI, hex("03 41 42 43 00"), hex("41 42 43"), {{"100%", 200}}, ""},
          {"repeat", Method::kI, hex("85 5A 00"), times(5, hex("5A")), {{"100%", 200}}, ""},
          {"repeat of zero units", Method::kI, hex("80 5A 00"), {}, {{"100%", 200}}, ""},
          {"two blocks",
           Method::kI,
           hex("83 61 02 62 63 00"),
           hex("61 61 61 62 63"),
           {{"40%", 80}, {"100%", 200}},
           ""},
          {"bytes after the end marker",
           Method::kI,
           hex("82 51 00 6A 75 6E 6B"),
           hex("51 51"),
           {{"33%", 66}},
           ""},
          {"no end marker", Method::kI, hex("01 41"), k41, {{"200%", 400}}, ""},
          {"cut inside a literal", Method::kI, hex("02 41"), k41, {}, kBeyondEnd},
          {"words", Method::kII, hex("02 34 12 78 56 00"), hex("34 12 78 56"), {{"100%", 200}}, ""},
          {"repeated word",
           Method::kII,
           hex("83 34 12 00"),
           times(3, hex("34 12")),
           {{"100%", 200}},
           ""},
          {"half a word", Method::kII, hex("83 34"), {}, {}, kBeyondEnd},
          {"repeat without its word after a block",
           Method::kII,
           hex("01 34 12 99"),
           hex("34 12"),
           {{"100%", 200}},
           kBeyondEnd},
          {"method I stream read as words",
           Method::kII,
           hex("83 61 02 62 63 00"),
           times(3, hex("61 02")) + hex("63 00"),
           {{"60%", 120}},
           kBeyondEnd},
      });
}

TEST_P(CodecExamples, UnpackedStreamWithoutEndMarkerEndsAtHundred) {
  const Outcome outcome = run(GetParam().unpack, Method::kI, times(100, hex("81 09")));
  EXPECT_EQ(outcome.output, times(100, hex("09")));
  ASSERT_EQ(outcome.bars.size(), 100u);
  EXPECT_EQ(outcome.bars.front(), (Bar{"1%", 2}));
  EXPECT_EQ(outcome.bars.back(), (Bar{"100%", 200}));
  EXPECT_EQ(outcome.error, "");
}

TEST_P(CodecExamples, PacksBytes) {
  check(GetParam().pack,
        {
            {"empty input", Method::kI, {}, {}, {}, kBeyondEnd},
            {"one byte", Method::kI, k41, {}, {}, kBeyondEnd},
            {"pair", Method::kI, hex("41 41"), hex("82 41 00"), {{"0%", 0}}, ""},
            {"two different", Method::kI, hex("41 42"), hex("02 41 42 00"), {{"0%", 0}}, ""},
            {"run, last differs",
             Method::kI,
             hex("41 41 41 42"),
             hex("83 41 01 42 00"),
             {{"50%", 100}},
             ""},
            {"literal of one before a run",
             Method::kI,
             hex("41 42 42 42"),
             hex("01 41 83 42 00"),
             {{"50%", 100}, {"0%", 0}},
             ""},
            {"pair before a last pair of differing",
             Method::kI,
             hex("41 41 42 43"),
             hex("82 41 02 42 43 00"),
             {{"50%", 100}, {"0%", 0}},
             ""},
            {"pair between literals",
             Method::kI,
             hex("41 42 42 43"),
             hex("01 41 82 42 01 43 00"),
             {{"50%", 100}, {"0%", 0}},
             ""},
            {"literal before a last pair",
             Method::kI,
             hex("41 42 43 43"),
             hex("02 41 42 82 43 00"),
             {{"25%", 50}},
             ""},
            {"longer literal before a last pair",
             Method::kI,
             hex("41 42 43 44 45 45"),
             hex("04 41 42 43 44 82 45 00"),
             {{"17%", 34}},
             ""},
            {"stream longer than the input",
             Method::kI,
             hex("41 42 43 44 45 45 43 43"),
             hex("04 41 42 43 44 82 45 82 43 00"),
             {{"38%", 76}, {"13%", 26}, {"-12%", 24}},
             ""},
            {"127 equal, then one",
             Method::kI,
             times(127, k41) + hex("42"),
             hex("FF 41 01 42 00"),
             {{"99%", 198}},
             ""},
            {"127 equal", Method::kI, times(127, k41), hex("FF 41 00"), {{"99%", 198}}, ""},
            {"128 equal", Method::kI, times(128, k41), hex("FF 41 01 41 00"), {{"99%", 198}}, ""},
            {"130 equal",
             Method::kI,
             times(130, k41),
             hex("FF 41 83 41 00"),
             {{"99%", 198}, {"97%", 194}},
             ""},
            {"254 equal",
             Method::kI,
             times(254, k41),
             hex("FF 41 FF 41 00"),
             {{"100%", 200}, {"99%", 198}},
             ""},
            {"255 equal",
             Method::kI,
             times(255, k41),
             hex("FF 41 FF 41 01 41 00"),
             {{"100%", 200}, {"99%", 198}},
             ""},
            {"256 equal",
             Method::kI,
             times(256, k41),
             hex("FF 41 FF 41 82 41 00"),
             {{"100%", 200}, {"99%", 198}, {"98%", 196}},
             ""},
            {"300 equal",
             Method::kI,
             times(300, k41),
             hex("FF 41 FF 41 AE 41 00"),
             {{"100%", 200}, {"99%", 198}, {"98%", 196}},
             ""},
            {"128 equal, then a pair",
             Method::kI,
             times(128, k41) + hex("42 42"),
             hex("FF 41 01 41 82 42 00"),
             {{"99%", 198}, {"97%", 194}},
             ""},
            {"126 different, then a pair",
             Method::kI,
             counting(1, 126) + hex("F0 F0"),
             hex("7E") + counting(1, 126) + hex("82 F0 00"),
             {{"1%", 2}},
             ""},
            {"127 different",
             Method::kI,
             counting(1, 127),
             hex("7F") + counting(1, 127) + hex("00"),
             {{"0%", 0}},
             ""},
            {"128 different",
             Method::kI,
             counting(1, 128),
             hex("7F") + counting(1, 127) + hex("01 80 00"),
             {{"0%", 0}},
             ""},
            {"129 different",
             Method::kI,
             counting(1, 129),
             hex("7F") + counting(1, 127) + hex("02 80 81 00"),
             {{"1%", 2}},
             ""},
            {"130 different",
             Method::kI,
             counting(1, 130),
             hex("7F") + counting(1, 127) + hex("03 80 81 82 00"),
             {{"2%", 4}, {"0%", 0}},
             ""},
        });
}

TEST_P(CodecExamples, PacksWords) {
  check(GetParam().pack,
        {
            {"empty input", Method::kII, {}, {}, {}, kBeyondEnd},
            {"one word", Method::kII, kWord, {}, {}, kBeyondEnd},
            {"pair", Method::kII, hex("41 11 41 11"), hex("82 41 11 00"), {{"25%", 50}}, ""},
            {"two different",
             Method::kII,
             hex("41 11 42 22"),
             hex("02 41 11 42 22 00"),
             {{"25%", 50}},
             ""},
            {"equal low bytes differ",
             Method::kII,
             hex("41 01 41 02 41 02 41 03"),
             hex("01 41 01 82 41 02 01 41 03 00"),
             {{"63%", 126}, {"25%", 50}},
             ""},
            {"equal high bytes differ",
             Method::kII,
             hex("01 41 02 41 02 41 02 41"),
             hex("01 01 41 83 02 41 00"),
             {{"63%", 126}, {"25%", 50}},
             ""},
            {"last pair is a block of its own",
             Method::kII,
             hex("41 11 42 22 43 33 44 44 45 55 45 55"),
             hex("04 41 11 42 22 43 33 44 44 82 45 55 00"),
             {{"25%", 50}, {"0%", 0}},
             ""},
            {"127 equal", Method::kII, times(127, kWord), hex("FF 41 11 00"), {{"99%", 198}}, ""},
            {"128 equal",
             Method::kII,
             times(128, kWord),
             hex("FF 41 11 01 41 11 00"),
             {{"99%", 198}},
             ""},
            {"127 equal, then one",
             Method::kII,
             times(127, kWord) + hex("42 22"),
             hex("FF 41 11 01 42 22 00"),
             {{"99%", 198}},
             ""},
            {"256 equal",
             Method::kII,
             times(256, kWord),
             hex("FF 41 11 FF 41 11 82 41 11 00"),
             {{"100%", 200}, {"99%", 198}, {"99%", 198}},
             ""},
            {"127 different",
             Method::kII,
             counting(1, 127, 2),
             hex("7F") + counting(1, 127, 2) + hex("00"),
             {{"1%", 2}},
             ""},
            {"128 different",
             Method::kII,
             counting(1, 128, 2),
             hex("7F") + counting(1, 127, 2) + hex("01 80 80 00"),
             {{"1%", 2}},
             ""},
            {"129 different",
             Method::kII,
             counting(1, 129, 2),
             hex("7F") + counting(1, 127, 2) + hex("02 80 80 81 81 00"),
             {{"2%", 4}},
             ""},
            // An odd last byte is read as half a unit; the block in progress stays in the buffer.
            {"odd size after a pair",
             Method::kII,
             hex("41 11 41 11 41"),
             hex("82 41 11"),
             {},
             kBeyondEnd},
            {"odd size after two different",
             Method::kII,
             hex("41 11 42 22 43"),
             hex("01 41 11"),
             {},
             kBeyondEnd},
            {"odd size after a whole block",
             Method::kII,
             hex("41 11 41 11 42 22 07"),
             hex("82 41 11"),
             {{"58%", 116}},
             kBeyondEnd},
        });
}

// A last pair that follows a literal stretch of any length makes the stream end in a repeat of 2.
TEST_P(CodecExamples, LastPairAfterLiteralStretchEndsAsRepeat) {
  for (const Method method : {Method::kI, Method::kII}) {
    const int width = unitSize(method);
    for (int stretch = 1; stretch <= 127; ++stretch) {
      SCOPED_TRACE(stretch);
      const Bytes last = times(width, hex("F0"));
      const Outcome outcome =
          run(GetParam().pack, method, counting(1, stretch, width) + last + last);
      const Bytes ending = hex("82") + last + hex("00");
      ASSERT_GE(outcome.output.size(), ending.size());
      EXPECT_EQ(
          Bytes(outcome.output.end() - static_cast<long>(ending.size()), outcome.output.end()),
          ending);
    }
  }
}

TEST_P(CodecExamples, PackingForgetsEarlierRuns) {
  const Bytes input = hex("41 42 43 43 43 44");
  ByteBuffer out;
  QuietHost quiet;
  GetParam().pack(Method::kI, counting(1, 200), out, quiet);
  GetParam().pack(Method::kI, input, out, quiet);
  const Bytes again(out.bytes().begin(), out.bytes().end());
  EXPECT_EQ(again, run(GetParam().pack, Method::kI, input).output);
  EXPECT_EQ(again, hex("02 41 42 83 43 01 44 00"));
}

INSTANTIATE_TEST_SUITE_P(, CodecExamples, ::testing::Values(kReferenceCodec, kFastCodec),
                         [](const auto& codec) { return std::string(codec.param.name); });

}  // namespace
}  // namespace ravlin::testing
