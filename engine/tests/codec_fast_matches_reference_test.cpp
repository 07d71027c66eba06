// The fast codec against the literal one on many generated inputs: the same output, the same
// progress calls in the same order and the same failure, for both methods; and with
// Reporting::kChanges the same bar with the repeats left out.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "codec_support.h"
#include "ravlin/datagen.h"

namespace ravlin::testing {
namespace {

struct Input {
  std::string name;
  Bytes bytes;
};

std::string methodName(Method method) {
  return method == Method::kI ? "I" : "II";
}

// Every byte string over {0, 1} up to `maxLength`: all short block sequences and final steps.
std::vector<Input> allBinaryStrings(int maxLength) {
  std::vector<Input> inputs;
  for (int length = 0; length <= maxLength; ++length) {
    for (unsigned bits = 0; bits < (1u << length); ++bits) {
      Bytes bytes;
      for (int k = 0; k < length; ++k) bytes.push_back(static_cast<std::uint8_t>(bits >> k & 1));
      inputs.push_back({"binary " + std::to_string(length) + "/" + std::to_string(bits), bytes});
    }
  }
  return inputs;
}

// Data made of runs and literal stretches whose lengths sit at the block limits, over small and
// full alphabets, at sizes that put every kind of block at the end.
std::vector<Input> shapedInputs(int unitBytes) {
  const std::vector<int> limits = {1, 2, 3, 126, 127, 128, 129, 254, 255, 256};
  const std::vector<int> shortLengths = {1, 2, 3, 4, 7, 16, 31, 32, 33};
  std::vector<Input> inputs;
  for (const int alphabet : {1, 2, 3, 256}) {
    for (const auto& lengths : {limits, shortLengths}) {
      for (std::uint64_t seed = 1; seed <= 6; ++seed) {
        datagen::Shape shape;
        shape.unitSize = unitBytes;
        shape.alphabet = alphabet;
        shape.runLengths = lengths;
        shape.literalLengths = lengths;
        // The last seed's inputs run over many of the fast packer's words of 64 units.
        const std::size_t units = seed == 6 ? 9001 : 150 + seed * 331 + (seed % 2);
        inputs.push_back({"shaped alphabet " + std::to_string(alphabet) + " seed " +
                              std::to_string(seed) + (lengths == limits ? " limits" : " short"),
                          datagen::shaped(shape, units, seed)});
      }
    }
  }
  return inputs;
}

std::vector<Input> graphicsInputs() {
  std::vector<Input> inputs;
  for (std::size_t size = 0; size < 300; size += 7) {
    inputs.push_back({"sprite " + std::to_string(size), datagen::spriteBytes(size, size)});
    inputs.push_back({"image " + std::to_string(size), datagen::imageWords(size, size)});
  }
  // Larger than the fast loops' reach and than one event stride.
  inputs.push_back({"sprite 150000", datagen::spriteBytes(150000, 7)});
  inputs.push_back({"image 150000", datagen::imageWords(150000, 7)});
  return inputs;
}

std::vector<Input> packInputs(Method method) {
  std::vector<Input> inputs = allBinaryStrings(method == Method::kI ? 12 : 13);
  for (Input& input : shapedInputs(unitSize(method))) inputs.push_back(std::move(input));
  for (Input& input : graphicsInputs()) inputs.push_back(std::move(input));
  // The longest streams a packer can make: a literal of one byte before every pair (method I),
  // literals of 127 words throughout (method II).
  inputs.push_back({"longest stream", method == Method::kI ? times(20000, hex("41 42 42"))
                                                           : times(20000, hex("01 00 02 00"))});
  if (method == Method::kII) {
    // An odd last byte after any content: the run ends reading half a unit.
    for (const Input& input : shapedInputs(2))
      inputs.push_back({input.name + " odd", input.bytes + hex("5A")});
  }
  return inputs;
}

// Streams: what the packers make, every cut of some of them, and random bytes.
std::vector<Input> unpackInputs() {
  std::vector<Input> inputs;
  QuietHost quiet;
  for (const Method method : {Method::kI, Method::kII}) {
    for (const Input& input : shapedInputs(unitSize(method))) {
      ByteBuffer stream;
      pack(method, input.bytes, stream, quiet);
      inputs.push_back(
          {"packed " + input.name, Bytes(stream.bytes().begin(), stream.bytes().end())});
    }
  }
  const Bytes whole = inputs[7].bytes;
  for (std::size_t cut = 0; cut < std::min<std::size_t>(whole.size(), 700); ++cut) {
    inputs.push_back({"cut " + std::to_string(cut),
                      Bytes(whole.begin(), whole.begin() + static_cast<long>(cut))});
  }
  datagen::Random random(42);
  for (int k = 0; k < 300; ++k) {
    Bytes bytes(random.below(2000));
    // Few end markers, so that random streams run long.
    for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(1 + random.below(255));
    if (k % 3 == 0 && !bytes.empty()) bytes[random.below(bytes.size())] = 0;
    inputs.push_back({"random " + std::to_string(k), bytes});
  }
  for (int first = 0; first < 256; ++first) {
    inputs.push_back(
        {"two bytes " + std::to_string(first), {static_cast<std::uint8_t>(first), 0x5A}});
    inputs.push_back({"one byte " + std::to_string(first), {static_cast<std::uint8_t>(first)}});
  }
  for (Input& input : allBinaryStrings(10)) inputs.push_back(std::move(input));
  return inputs;
}

std::vector<Bar> withoutRepeats(const std::vector<Bar>& bars) {
  std::vector<Bar> result;
  for (const Bar& bar : bars) {
    if (result.empty() || !(result.back() == bar)) result.push_back(bar);
  }
  return result;
}

void expectSameRuns(CodecCall fast, CodecCall reference, Method method,
                    const std::vector<Input>& inputs) {
  for (const Input& input : inputs) {
    SCOPED_TRACE("method " + methodName(method) + ", " + input.name);
    const Outcome expected = run(reference, method, input.bytes);
    const Outcome every = run(fast, method, input.bytes, Reporting::kEveryBlock);
    ASSERT_EQ(every.output, expected.output);
    ASSERT_EQ(every.error, expected.error);
    ASSERT_EQ(every.calls, expected.calls);

    const Outcome changes = run(fast, method, input.bytes, Reporting::kChanges);
    ASSERT_EQ(changes.output, expected.output);
    ASSERT_EQ(changes.error, expected.error);
    ASSERT_EQ(changes.bars, withoutRepeats(expected.bars));
    // Every update still comes as the three calls in their order.
    for (std::size_t k = 0; k < changes.calls.size(); ++k) {
      if (changes.calls[k].starts_with("SetBarCaption")) {
        ASSERT_GE(k, 1u);
        ASSERT_EQ(changes.calls[k - 1], "ProcessEvents");
        ASSERT_TRUE(changes.calls[k + 1].starts_with("SetBarWidth"));
      }
    }
  }
}

TEST(FastCodec, PacksLikeTheReference) {
  for (const Method method : {Method::kI, Method::kII}) {
    expectSameRuns(&ravlin::pack, &reference::pack, method, packInputs(method));
  }
}

TEST(FastCodec, UnpacksLikeTheReference) {
  const std::vector<Input> inputs = unpackInputs();
  for (const Method method : {Method::kI, Method::kII}) {
    expectSameRuns(&ravlin::unpack, &reference::unpack, method, inputs);
  }
}

TEST(FastCodec, RoundTripsBothMethods) {
  for (const Method method : {Method::kI, Method::kII}) {
    for (const Input& input : packInputs(method)) {
      if (input.bytes.size() < 2u * unitSize(method) ||
          input.bytes.size() % unitSize(method) != 0) {
        continue;
      }
      SCOPED_TRACE("method " + methodName(method) + ", " + input.name);
      QuietHost quiet;
      ByteBuffer stream;
      ByteBuffer back;
      pack(method, input.bytes, stream, quiet);
      unpack(method, stream.bytes(), back, quiet);
      ASSERT_EQ(Bytes(back.bytes().begin(), back.bytes().end()), input.bytes);
    }
  }
}

// A host that fails on its k-th bar update.
class FailingHost : public RecordingHost {
 public:
  explicit FailingHost(std::size_t failAt) : failAt_(failAt) {}
  void SetBarWidth(int width) override {
    RecordingHost::SetBarWidth(width);
    if (bars.size() == failAt_) throw std::runtime_error("host failed");
  }

 private:
  std::size_t failAt_;
};

Bytes outputWhenHostFails(CodecCall call, Method method, const Bytes& input, std::size_t failAt) {
  FailingHost host(failAt);
  ByteBuffer out;
  EXPECT_THROW(call(method, input, out, host), std::runtime_error);
  return {out.bytes().begin(), out.bytes().end()};
}

// Whatever ends a run, the output buffer holds what the run produced up to that point.
TEST(FastCodec, HostFailureKeepsTheOutputSoFar) {
  const Bytes sprite = datagen::spriteBytes(20000, 3);
  QuietHost quiet;
  for (const Method method : {Method::kI, Method::kII}) {
    ByteBuffer stream;
    pack(method, sprite, stream, quiet);
    const Bytes packed(stream.bytes().begin(), stream.bytes().end());
    for (const std::size_t failAt : {1u, 2u, 100u, 1000u}) {
      SCOPED_TRACE(methodName(method) + " update " + std::to_string(failAt));
      EXPECT_EQ(outputWhenHostFails(&ravlin::pack, method, sprite, failAt),
                outputWhenHostFails(&reference::pack, method, sprite, failAt));
      EXPECT_EQ(outputWhenHostFails(&ravlin::unpack, method, packed, failAt),
                outputWhenHostFails(&reference::unpack, method, packed, failAt));
    }
  }
}

// With few bar changes over a long input, the window still gets to process its events.
TEST(FastCodec, ProcessesEventsAtLeastOncePerStrideWhenReportingChanges) {
  const std::size_t size = 1 << 20;
  const Bytes flat(size, 0x41);
  const std::size_t strides = size / static_cast<std::size_t>(kEventStrideBytes);
  for (const Method method : {Method::kI, Method::kII}) {
    SCOPED_TRACE(methodName(method));
    const Outcome packed = run(&ravlin::pack, method, flat, Reporting::kChanges);
    EXPECT_GE(std::count(packed.calls.begin(), packed.calls.end(), "ProcessEvents"),
              static_cast<long>(strides));
    const Outcome unpacked = run(&ravlin::unpack, method, packed.output, Reporting::kChanges);
    EXPECT_GE(
        std::count(unpacked.calls.begin(), unpacked.calls.end(), "ProcessEvents"),
        static_cast<long>(packed.output.size() / static_cast<std::size_t>(kEventStrideBytes)));
    EXPECT_EQ(unpacked.output, flat);
  }
}

}  // namespace
}  // namespace ravlin::testing
