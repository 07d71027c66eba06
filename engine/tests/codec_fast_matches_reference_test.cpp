// The fast codec against the literal one on many generated inputs: the same output, the same
// progress calls in the same order and the same failure, for both methods; and with
// Reporting::kChanges the same bar with the repeats left out. Streamed in chunks, cut in every way
// tried, a run gives exactly what it gives on the whole input. All of it on every processor path
// that the machine has.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "codec_support.h"
#include "forced_path.h"
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

// Exactly `lead` bytes of whole blocks, if a short literal and repeats can make them.
std::optional<Bytes> blocksOf(std::size_t lead, const Bytes& repeat, int unitBytes) {
  for (std::size_t units = 0; units <= 3; ++units) {
    const std::size_t literalBytes = units == 0 ? 0 : 1 + units * unitBytes;
    if (literalBytes > lead || (lead - literalBytes) % repeat.size() != 0) continue;
    Bytes bytes;
    if (units > 0) bytes.push_back(static_cast<std::uint8_t>(units));
    bytes.resize(literalBytes, 0x30);
    return bytes + times(static_cast<int>((lead - literalBytes) / repeat.size()), repeat);
  }
  return std::nullopt;
}

// Streams that put a literal of every length class, and an end marker, at every offset of a
// 64-byte window and of the next: the fast unpacker's window edges, where a block ends on them,
// before them or past them, with stretches of short blocks on either side; streams whose
// windows write as much as a window may write whole, and a byte more; and long literals that cut
// groups of windows short.
std::vector<Input> windowEdgeStreams(int unitBytes) {
  const Bytes repeat = unitBytes == 1 ? hex("82 41") : hex("82 41 00");
  const Bytes shortBlocks = times(80, repeat + (unitBytes == 1 ? hex("01 45") : hex("01 45 00")));
  std::vector<Input> inputs;
  for (std::size_t lead = 0; lead < 130; ++lead) {
    const std::optional<Bytes> before = blocksOf(lead, repeat, unitBytes);
    if (!before) continue;
    const std::string at = " at " + std::to_string(lead);
    inputs.push_back({"end marker" + at, *before + hex("00") + shortBlocks});
    for (const int units : {1, 31, 32, 33, 62, 63, 64, 126, 127}) {
      Bytes literal = {static_cast<std::uint8_t>(units)};
      for (int k = 0; k < units * unitBytes; ++k) literal.push_back(static_cast<std::uint8_t>(k));
      inputs.push_back({"literal of " + std::to_string(units) + at,
                        *before + literal + shortBlocks + hex("00")});
    }
  }
  // Byte-unit windows of 32 repeats that each write exactly 64 to 256 bytes: the edges of the
  // chunks a window is written in, and of what it may write whole. 100 KiB of them, so that a
  // percent of the stream spans groups of windows.
  if (unitBytes == 1) {
    for (const int windowBytes : {64, 128, 129, 192, 193, 255, 256}) {
      Bytes stream;
      for (int block = 0; block < 1600 * 32; ++block) {
        const int units = windowBytes / 32 + (block % 32 < windowBytes % 32 ? 1 : 0);
        stream.push_back(static_cast<std::uint8_t>(0x80 | units));
        stream.push_back(static_cast<std::uint8_t>(block));
      }
      inputs.push_back(
          {"windows of " + std::to_string(windowBytes) + " bytes", stream + hex("00")});
    }
    // Long literals that no window can end, each past about 1 KiB of short blocks. Where the
    // stops for progress fall shifts where groups of windows start, so that each stream cuts
    // groups short after every number of windows, 0 to 7 (counted in an instrumented build).
    Bytes literal = {127};
    for (int k = 0; k < 127; ++k) literal.push_back(static_cast<std::uint8_t>(k));
    for (const int shortBlockPairs : {232, 280, 312}) {
      const Bytes period = literal + times(shortBlockPairs, hex("82 41 01 45"));
      inputs.push_back({"long literals every " + std::to_string(period.size()) + " bytes",
                        times(100 * 1024 / static_cast<int>(period.size()), period) + hex("00")});
    }
  }
  return inputs;
}

// Long streams of short blocks, some with empty repeats or long literals among them, where a
// 64-byte window writes from a few bytes to a few hundred: the fast unpacker writes windows whole
// or block by block, in groups, and hands blocks it cannot end to its caller.
std::vector<Input> shortBlockStreams(int unitBytes) {
  datagen::Random random(7);
  std::vector<Input> inputs;
  for (int k = 0; k < 30; ++k) {
    const int longest = 2 + (k % 10) * 4;
    const int repeatTenths = k % 2 == 0 ? 5 : 9;
    const int oddPerMille = (k % 3 == 0) ? 0 : (k % 3 == 1) ? 3 : 30;
    Bytes bytes;
    while (bytes.size() < 100000) {
      const int pick = random.between(1, 1000);
      bool repeat = pick % 10 < repeatTenths;
      int units = random.between(1, longest);
      if (pick <= oddPerMille) {
        repeat = pick % 2 == 0;
        units = repeat ? 0 : random.between(40, 127);
      }
      bytes.push_back(static_cast<std::uint8_t>(units | (repeat ? 0x80 : 0)));
      for (int byte = 0; byte < (repeat ? 1 : units) * unitBytes; ++byte) {
        bytes.push_back(static_cast<std::uint8_t>(random.below(256)));
      }
    }
    bytes.push_back(0);
    inputs.push_back({"short blocks " + std::to_string(k), bytes});
  }
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
      if (changes.calls[k].starts_with("setBarCaption")) {
        ASSERT_GE(k, 1u);
        ASSERT_EQ(changes.calls[k - 1], "processEvents");
        ASSERT_TRUE(changes.calls[k + 1].starts_with("setBarWidth"));
      }
    }
  }
}

// Chunk sizes that cut an input; the chunks after the last size, if any, are one with the rest.
struct Chunking {
  std::string name;
  std::vector<std::size_t> sizes;
};

// Byte by byte, three random cuttings (with empty chunks, chunks shorter and longer than the
// codec's carry, and long ones), and for short inputs a cut at every position.
std::vector<Chunking> chunkingsOf(std::size_t size, std::uint64_t seed) {
  std::vector<Chunking> chunkings = {{"bytewise", std::vector<std::size_t>(size, 1)}};
  datagen::Random random(seed);
  for (const std::uint64_t shortest : {8, 800, 3000}) {
    Chunking chunking{"random below " + std::to_string(shortest), {}};
    for (std::size_t left = size; left > 0;) {
      const std::size_t chunk = std::min<std::size_t>(
          left, random.below(5) == 0 ? random.below(20000) : random.below(shortest));
      chunking.sizes.push_back(chunk);
      left -= chunk;
    }
    chunkings.push_back(chunking);
  }
  if (size <= 600) {
    for (std::size_t cut = 0; cut <= size; ++cut) {
      chunkings.push_back({"cut at " + std::to_string(cut), {cut}});
    }
  }
  return chunkings;
}

// Bytes of `stream` up to and including its end marker, or all of them when it has none.
std::size_t bytesToEndMarker(Method method, const Bytes& stream) {
  const reference::Walk walk = reference::walkOf(method, stream);
  return walk.endMarker ? static_cast<std::size_t>(walk.blocksEnd()) + 1 : stream.size();
}

struct Streamed {
  Outcome outcome;
  std::size_t taken = 0;  // unpacking: bytes that write() took, summed
};

// Packs or unpacks `input` cut by `chunking` through Packer or Unpacker into a BufferSink.
Streamed runStreaming(bool packing, Method method, const Bytes& input, const Chunking& chunking,
                      Reporting reporting, std::optional<std::uint64_t> size) {
  ByteBuffer out;
  BufferSink sink(out);
  RecordingHost host(reporting);
  Streamed streamed;
  // Each chunk in a buffer of its own, so that a read past a chunk's end shows under the address
  // sanitizer.
  std::vector<Bytes> chunks;
  std::size_t offset = 0;
  for (const std::size_t chunk : chunking.sizes) {
    chunks.emplace_back(input.begin() + static_cast<long>(offset),
                        input.begin() + static_cast<long>(offset + chunk));
    offset += chunk;
  }
  chunks.emplace_back(input.begin() + static_cast<long>(offset), input.end());
  try {
    if (packing) {
      Packer packer(method, host, size);
      for (const Bytes& chunk : chunks) packer.write(chunk, sink);
      packer.finish(sink);
    } else {
      Unpacker unpacker(method, host, size);
      for (const Bytes& chunk : chunks) streamed.taken += unpacker.write(chunk, sink);
      if (unpacker.endMarkerSeen()) {
        EXPECT_EQ(unpacker.streamBytesRead(), streamed.taken);
      }
      unpacker.finish(sink);
    }
  } catch (const IoError& error) {
    streamed.outcome.error = error.what();
  }
  streamed.outcome.output.assign(out.bytes().begin(), out.bytes().end());
  streamed.outcome.bars = host.bars;
  streamed.outcome.calls = host.calls;
  return streamed;
}

std::vector<std::string> eventsOnly(const std::vector<std::string>& calls) {
  std::vector<std::string> events;
  std::copy_if(calls.begin(), calls.end(), std::back_inserter(events),
               [](const std::string& call) { return call == "processEvents"; });
  return events;
}

void expectSameStreamedRuns(bool packing, Method method, const std::vector<Input>& inputs) {
  const CodecCall fast = packing ? &ravlin::pack : &ravlin::unpack;
  const CodecCall literal = packing ? &reference::pack : &reference::unpack;
  std::uint64_t seed = 1;
  for (const Input& input : inputs) {
    const Outcome expected = run(literal, method, input.bytes);
    const Outcome changes = run(fast, method, input.bytes, Reporting::kChanges);
    for (const Chunking& chunking : chunkingsOf(input.bytes.size(), seed++)) {
      SCOPED_TRACE("method " + methodName(method) + ", " + input.name + ", " + chunking.name);
      const Streamed every = runStreaming(packing, method, input.bytes, chunking,
                                          Reporting::kEveryBlock, input.bytes.size());
      ASSERT_EQ(every.outcome.output, expected.output);
      ASSERT_EQ(every.outcome.error, expected.error);
      ASSERT_EQ(every.outcome.calls, expected.calls);
      const Streamed changed = runStreaming(packing, method, input.bytes, chunking,
                                            Reporting::kChanges, input.bytes.size());
      ASSERT_EQ(changed.outcome.output, changes.output);
      ASSERT_EQ(changed.outcome.error, changes.error);
      ASSERT_EQ(changed.outcome.calls, changes.calls);
      if (!packing) {
        ASSERT_EQ(every.taken, bytesToEndMarker(method, input.bytes));
      }
    }
    // Without the size there is no percentage: only the event calls are left.
    SCOPED_TRACE("method " + methodName(method) + ", " + input.name + ", size unknown");
    const Streamed unsized = runStreaming(packing, method, input.bytes, chunkingsOf(0, seed)[0],
                                          Reporting::kEveryBlock, std::nullopt);
    ASSERT_EQ(unsized.outcome.output, expected.output);
    ASSERT_EQ(unsized.outcome.error, expected.error);
    ASSERT_EQ(unsized.outcome.calls, eventsOnly(expected.calls));
  }
}

// Every test below runs on each processor path that the machine has, up to the widest that has
// code of its own, and fails when a path did not run its own fast loop.
class EveryPath : public ::testing::Test {
 protected:
  template <class Body>
  void onEveryPath(Body body, detail::SimdPath widest = detail::SimdPath::kAvx512) {
    for (const detail::SimdPath path : detail::supportedSimdPaths()) {
      if (path > widest) break;
      SCOPED_TRACE("path " + pathName(path));
      const ForcedPath forced(path);
      const std::uint64_t before = detail::fastPasses(path);
      body();
      EXPECT_GT(detail::fastPasses(path), before) << pathName(path) << " did not run";
    }
  }
};

TEST_F(EveryPath, PacksInChunksLikeTheReference) {
  onEveryPath(
      [] {
        for (const Method method : {Method::kI, Method::kII}) {
          expectSameStreamedRuns(true, method, packInputs(method));
        }
      },
      detail::kWidestPackerPath);
}

TEST_F(EveryPath, UnpacksInChunksLikeTheReference) {
  const std::vector<Input> inputs = unpackInputs();
  onEveryPath([&] {
    for (const Method method : {Method::kI, Method::kII}) {
      expectSameStreamedRuns(false, method, inputs);
    }
  });
}

// A pipe into the command line: no size, so no percentage and long stretches between event calls,
// in which the windows run up to the ends of chunks of any size.
void unpacksPipedShortBlocksLikeTheReference() {
  for (const Method method : {Method::kI, Method::kII}) {
    std::uint64_t seed = 1;
    for (const Input& input : shortBlockStreams(unitSize(method))) {
      const Outcome expected = run(&reference::unpack, method, input.bytes);
      const std::vector<Chunking> chunkings = chunkingsOf(input.bytes.size(), seed++);
      // The first cutting, byte by byte, leaves no chunk long enough for the windows.
      for (auto chunking = chunkings.begin() + 1; chunking != chunkings.end(); ++chunking) {
        SCOPED_TRACE("method " + methodName(method) + ", " + input.name + ", " + chunking->name);
        const Streamed piped =
            runStreaming(false, method, input.bytes, *chunking, Reporting::kChanges, std::nullopt);
        ASSERT_EQ(piped.outcome.output, expected.output);
        ASSERT_EQ(piped.outcome.error, expected.error);
      }
    }
  }
}

TEST_F(EveryPath, UnpacksPipedShortBlocksLikeTheReference) {
  onEveryPath(&unpacksPipedShortBlocksLikeTheReference);
}

TEST_F(EveryPath, PacksLikeTheReference) {
  onEveryPath(
      [] {
        for (const Method method : {Method::kI, Method::kII}) {
          expectSameRuns(&ravlin::pack, &reference::pack, method, packInputs(method));
        }
      },
      detail::kWidestPackerPath);
}

// Whole unpack runs of every input, of the window edge streams and of the short block streams,
// against the reference.
void expectUnpacksLikeTheReference() {
  const std::vector<Input> inputs = unpackInputs();
  for (const Method method : {Method::kI, Method::kII}) {
    expectSameRuns(&ravlin::unpack, &reference::unpack, method, inputs);
    expectSameRuns(&ravlin::unpack, &reference::unpack, method,
                   windowEdgeStreams(unitSize(method)));
    expectSameRuns(&ravlin::unpack, &reference::unpack, method,
                   shortBlockStreams(unitSize(method)));
  }
}

TEST_F(EveryPath, UnpacksLikeTheReference) {
  onEveryPath(&expectUnpacksLikeTheReference);
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
  void setBarWidth(int width) override {
    RecordingHost::setBarWidth(width);
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
    EXPECT_GE(std::count(packed.calls.begin(), packed.calls.end(), "processEvents"),
              static_cast<long>(strides));
    const Outcome unpacked = run(&ravlin::unpack, method, packed.output, Reporting::kChanges);
    EXPECT_GE(
        std::count(unpacked.calls.begin(), unpacked.calls.end(), "processEvents"),
        static_cast<long>(packed.output.size() / static_cast<std::size_t>(kEventStrideBytes)));
    EXPECT_EQ(unpacked.output, flat);
  }
}

}  // namespace
}  // namespace ravlin::testing
