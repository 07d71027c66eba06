// The library's C interface: capacities that are never passed, streams that give the one-shot
// result however input and output are cut, error codes and names, progress.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "codec_support.h"
#include "ravlin/datagen.h"
#include "ravlin/ravlin.h"
#include "ravlin/ravlin.hpp"

namespace ravlin::testing {
namespace {

struct Result {
  ravlin_error error = RAVLIN_OK;
  Bytes output;
  bool operator==(const Result&) const = default;
};

void PrintTo(const Result& result, std::ostream* os) {
  *os << ravlin_error_name(result.error) << ", " << result.output.size() << " bytes";
}

using OneShot = ravlin_error (*)(ravlin_method, const void*, size_t, void*, size_t, size_t*);

// A one-shot call into a buffer of exactly `capacity` bytes, so that the sanitizers see any write
// past it.
Result oneShot(OneShot call, ravlin_method method, const Bytes& input, std::size_t capacity) {
  const auto dst = std::make_unique<std::uint8_t[]>(capacity);
  std::size_t size = std::numeric_limits<std::size_t>::max();
  const ravlin_error error = call(method, input.data(), input.size(), dst.get(), capacity, &size);
  EXPECT_LE(size, capacity);
  return {error, Bytes(dst.get(), dst.get() + std::min(size, capacity))};
}

// Room for any output of `input`: a stream unpacks to at most 127 units per 2 stream bytes.
std::size_t ample(const Bytes& input) {
  return input.size() * 128 + 16;
}

struct Report {
  std::uint64_t done;
  std::uint64_t total;
};

int record(std::uint64_t done, std::uint64_t total, void* user) {
  static_cast<std::vector<Report>*>(user)->push_back({done, total});
  return 0;
}

// A whole run through a context: the input in pieces that end at `cuts` (and at its end), each
// call given `room` bytes of output; progress reports go to `reports`, when given.
template <typename Context>
Result streamed(ravlin_method method, const Bytes& input, const std::vector<std::size_t>& cuts,
                std::size_t room, std::vector<Report>* reports = nullptr) {
  using Calls = api::detail::StreamCalls<Context>;
  Context* context = nullptr;
  EXPECT_EQ(Calls::create(&context, method), RAVLIN_OK);
  if (reports != nullptr) Calls::setProgress(context, &record, reports, input.size());
  const auto ended = [&] {
    if constexpr (std::is_same_v<Context, ravlin_unpacker>) return ravlin_unpacker_ended(context);
    return 0;
  };
  Result result;
  const auto buffer = std::make_unique<std::uint8_t[]>(room);
  const auto callWithRoom = [&](auto call) {
    ravlin_out out{buffer.get(), room, 0};
    result.error = call(out);
    result.output.insert(result.output.end(), buffer.get(), buffer.get() + out.pos);
  };
  std::size_t start = 0;
  for (std::size_t k = 0; k <= cuts.size() && result.error == RAVLIN_OK && !ended(); ++k) {
    const std::size_t end = k < cuts.size() ? cuts[k] : input.size();
    ravlin_in in{input.data() + start, end - start, 0};
    do {
      callWithRoom([&](ravlin_out& out) { return Calls::write(context, &in, &out); });
    } while (result.error == RAVLIN_OK && in.pos < in.size && !ended());
    start = end;
  }
  while (result.error == RAVLIN_OK) {
    callWithRoom([&](ravlin_out& out) { return Calls::finish(context, &out); });
    if (Calls::pending(context) == 0) break;
  }
  Calls::free(context);
  return result;
}

std::vector<std::size_t> everyNth(std::size_t size, std::size_t piece) {
  std::vector<std::size_t> cuts;
  for (std::size_t at = piece; at < size; at += piece) cuts.push_back(at);
  return cuts;
}

constexpr ravlin_method kMethods[] = {RAVLIN_METHOD_I, RAVLIN_METHOD_II};

struct Sample {
  const char* name;
  Bytes data;
};

// Inputs to pack, all of even size so that both methods take them.
std::vector<Sample> packInputs() {
  return {
      {"empty", {}},
      {"one word", hex("41 42")},
      {"two units", hex("41 41")},
      {"sprite", datagen::spriteBytes(20000, 1)},
      {"image words", datagen::imageWords(20000, 2)},
      {"short blocks", datagen::shortBlocks(20000, 3)},
      {"long runs and literals", times(300, hex("11")) + counting(0, 255, 2) + counting(1, 200)}};
}

TEST(CInterfaceTest, OneShotPacksAsTheEngineAndUnpacksBack) {
  for (const ravlin_method method : kMethods) {
    for (const auto& [name, data] : packInputs()) {
      SCOPED_TRACE(std::string(name) + ", method " + std::to_string(method));
      const Result packed =
          oneShot(ravlin_pack, method, data, ravlin_pack_bound(method, data.size()));
      ASSERT_EQ(packed.error, RAVLIN_OK);
      if (data.size() >= 4) {
        const Method engineMethod = method == RAVLIN_METHOD_I ? Method::kI : Method::kII;
        EXPECT_EQ(packed.output, run(&reference::pack, engineMethod, data).output);
      }
      EXPECT_EQ(oneShot(ravlin_unpack, method, packed.output, data.size()),
                (Result{RAVLIN_OK, data}));
    }
  }
  // Inputs too short for the engine's file routines still have their stream.
  EXPECT_EQ(oneShot(ravlin_pack, RAVLIN_METHOD_I, {}, 1), (Result{RAVLIN_OK, hex("00")}));
  EXPECT_EQ(oneShot(ravlin_pack, RAVLIN_METHOD_II, hex("34 12"), 4),
            (Result{RAVLIN_OK, hex("01 34 12 00")}));
}

// One byte short of the output fails with the first bytes of the output in place, and nothing
// written past the capacity (the buffer has exactly that size).
TEST(CInterfaceTest, OutputOneByteOverTheCapacityIsAnError) {
  for (const ravlin_method method : kMethods) {
    for (const auto& [name, data] : packInputs()) {
      SCOPED_TRACE(std::string(name) + ", method " + std::to_string(method));
      const Bytes stream =
          oneShot(ravlin_pack, method, data, ravlin_pack_bound(method, 1 << 16)).output;
      for (const auto& [call, input, output] : {std::tuple{OneShot{ravlin_pack}, data, stream},
                                                std::tuple{OneShot{ravlin_unpack}, stream, data}}) {
        if (output.empty()) continue;
        const Result full = oneShot(call, method, input, output.size() - 1);
        EXPECT_EQ(full.error, RAVLIN_ERROR_OUTPUT_FULL);
        EXPECT_EQ(full.output, Bytes(output.begin(), output.end() - 1));
        EXPECT_EQ(oneShot(call, method, input, output.size()), (Result{RAVLIN_OK, output}));
      }
    }
  }
}

// The densest method II stream, 3 bytes for 254: 255 KB of it would unpack to 21 MB, the
// capacity ends the run at 1 MB.
TEST(CInterfaceTest, CapacityLimitsADenseStream) {
  const Bytes stream = times(85000, hex("FF 5A A5"));
  const Result result = oneShot(ravlin_unpack, RAVLIN_METHOD_II, stream, 1 << 20);
  EXPECT_EQ(result.error, RAVLIN_ERROR_OUTPUT_FULL);
  EXPECT_EQ(result.output, times(1 << 19, hex("5A A5")));
}

// Every input of up to 9 units over three values (method I) or two (method II), and long inputs
// of the worst patterns, pack within the bound.
TEST(CInterfaceTest, PackBoundHoldsForTheWorstInputs) {
  std::vector<Bytes> inputs = {
      times(20000, hex("61 61 62")), times(200, counting(1, 127) + hex("01")),
      times(200, counting(0, 126, 2) + hex("01 01 01 01 02 02")), times(200, counting(0, 127, 2))};
  for (const ravlin_method method : kMethods) {
    const int unit = method == RAVLIN_METHOD_I ? 1 : 2;
    const int values = method == RAVLIN_METHOD_I ? 3 : 2;
    for (int units = 0, count = 1; units <= 9; ++units, count *= values) {
      for (int code = 0; code < count; ++code) {
        Bytes input;
        for (int k = 0, rest = code; k < units; ++k, rest /= values) {
          input.insert(input.end(), static_cast<std::size_t>(unit),
                       static_cast<std::uint8_t>(rest % values));
        }
        inputs.push_back(input);
      }
    }
  }
  for (const ravlin_method method : kMethods) {
    for (const Bytes& input : inputs) {
      if (method == RAVLIN_METHOD_II && input.size() % 2 != 0) continue;
      const Result packed =
          oneShot(ravlin_pack, method, input, ravlin_pack_bound(method, input.size()));
      ASSERT_EQ(packed.error, RAVLIN_OK) << input.size() << " bytes, method " << method;
    }
  }
  EXPECT_EQ(ravlin_pack_bound(static_cast<ravlin_method>(3), 10), 0u);
  EXPECT_EQ(ravlin_pack_bound(RAVLIN_METHOD_I, std::numeric_limits<std::size_t>::max() - 5), 0u);
}

// Streams give the one-shot result (output and error) however the input is cut and whatever room
// each call has: every cut point of a short input, then many piece and room sizes.
TEST(CInterfaceTest, StreamsMatchOneShotCallsAtEveryCut) {
  struct Case {
    const char* name;
    bool packing;
    ravlin_method method;
    Bytes input;
  };
  const Bytes sprite = datagen::spriteBytes(3000, 4);
  const Bytes words = datagen::imageWords(3000, 5);
  const std::vector<Case> cases = {
      {"pack sprite", true, RAVLIN_METHOD_I, sprite},
      {"pack words", true, RAVLIN_METHOD_II, words},
      {"pack odd size", true, RAVLIN_METHOD_II, hex("01 02 03 04 04 05")},
      {"unpack sprite", false, RAVLIN_METHOD_I,
       oneShot(ravlin_pack, RAVLIN_METHOD_I, sprite, 8000).output + hex("12 34")},
      {"unpack words", false, RAVLIN_METHOD_II,
       oneShot(ravlin_pack, RAVLIN_METHOD_II, words, 8000).output},
      {"unpack cut literal", false, RAVLIN_METHOD_II, hex("83 34 12 05 01 02 03 04 05")},
      {"unpack without marker", false, RAVLIN_METHOD_I, hex("83 61 02 62 63")},
      {"unpack empty", false, RAVLIN_METHOD_I, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const OneShot call = c.packing ? ravlin_pack : ravlin_unpack;
    const Result expected = oneShot(call, c.method, c.input, ample(c.input));
    const auto stream = [&](const std::vector<std::size_t>& cuts, std::size_t room) {
      return c.packing ? streamed<ravlin_packer>(c.method, c.input, cuts, room)
                       : streamed<ravlin_unpacker>(c.method, c.input, cuts, room);
    };
    for (std::size_t cut = 0; cut <= c.input.size(); ++cut) {
      ASSERT_EQ(stream({cut}, 4096), expected) << "cut at " << cut;
    }
    for (const std::size_t piece : {1, 2, 3, 127, 449, 1000}) {
      for (const std::size_t room : {1, 2, 7, 255, 65536}) {
        ASSERT_EQ(stream(everyNth(c.input.size(), piece), room), expected)
            << "pieces of " << piece << ", room " << room;
      }
    }
  }
}

// An unpacker takes no byte past the end marker.
TEST(CInterfaceTest, UnpackerStopsAfterTheEndMarker) {
  ravlin_unpacker* unpacker = nullptr;
  ASSERT_EQ(ravlin_unpacker_create(&unpacker, RAVLIN_METHOD_I), RAVLIN_OK);
  const Bytes stream = hex("82 51 00 6A 75");
  std::uint8_t buffer[8];
  ravlin_in in{stream.data(), stream.size(), 0};
  ravlin_out out{buffer, sizeof buffer, 0};
  EXPECT_EQ(ravlin_unpacker_write(unpacker, &in, &out), RAVLIN_OK);
  EXPECT_EQ(in.pos, 3u);
  EXPECT_EQ(ravlin_unpacker_ended(unpacker), 1);
  EXPECT_EQ(Bytes(buffer, buffer + out.pos), hex("51 51"));
  ravlin_unpacker_free(unpacker);
}

// Progress climbs to the total in steps of a piece, for both directions.
TEST(CInterfaceTest, ProgressClimbsToTheTotal) {
  const Bytes data = datagen::spriteBytes((3 << 20) + 123, 6);
  const Bytes stream = oneShot(ravlin_pack, RAVLIN_METHOD_I, data, ample(data)).output;
  for (const bool packing : {true, false}) {
    SCOPED_TRACE(packing ? "packing" : "unpacking");
    const Bytes& input = packing ? data : stream;
    const std::vector<std::size_t> cuts = everyNth(input.size(), 100000);
    std::vector<Report> reports;
    const Result result =
        packing ? streamed<ravlin_packer>(RAVLIN_METHOD_I, input, cuts, 1 << 16, &reports)
                : streamed<ravlin_unpacker>(RAVLIN_METHOD_I, input, cuts, 1 << 16, &reports);
    EXPECT_EQ(result, (Result{RAVLIN_OK, packing ? stream : data}));
    ASSERT_GE(reports.size(), 4u);
    for (std::size_t k = 0; k < reports.size(); ++k) {
      EXPECT_EQ(reports[k].total, input.size());
      if (k > 0) {
        EXPECT_GE(reports[k].done, reports[k - 1].done);
      }
    }
    EXPECT_EQ(reports.back().done, input.size());
  }
}

// A callback that asks to stop ends the stream for good; so does an error.
TEST(CInterfaceTest, ErrorsLast) {
  ravlin_packer* packer = nullptr;
  ASSERT_EQ(ravlin_packer_create(&packer, RAVLIN_METHOD_I), RAVLIN_OK);
  ravlin_packer_set_progress(
      packer, [](std::uint64_t, std::uint64_t, void*) { return 1; }, nullptr, RAVLIN_SIZE_UNKNOWN);
  const Bytes data(1 << 20, 0x11);
  std::vector<std::uint8_t> out(1 << 16);
  ravlin_in in{data.data(), data.size(), 0};
  ravlin_out room{out.data(), out.size(), 0};
  EXPECT_EQ(ravlin_packer_write(packer, &in, &room), RAVLIN_ERROR_STOPPED);
  EXPECT_LT(in.pos, in.size);
  EXPECT_EQ(ravlin_packer_write(packer, &in, &room), RAVLIN_ERROR_STOPPED);
  EXPECT_EQ(ravlin_packer_finish(packer, &room), RAVLIN_ERROR_STOPPED);
  EXPECT_EQ(ravlin_packer_pending(packer), 0u);
  ravlin_packer_free(packer);

  ravlin_unpacker* unpacker = nullptr;
  ASSERT_EQ(ravlin_unpacker_create(&unpacker, RAVLIN_METHOD_I), RAVLIN_OK);
  room.pos = 0;
  EXPECT_EQ(ravlin_unpacker_finish(unpacker, &room), RAVLIN_ERROR_READ_BEYOND_END);
  EXPECT_EQ(ravlin_unpacker_write(unpacker, &in, &room), RAVLIN_ERROR_READ_BEYOND_END);
  ravlin_unpacker_free(unpacker);

  ASSERT_EQ(ravlin_packer_create(&packer, RAVLIN_METHOD_II), RAVLIN_OK);
  EXPECT_EQ(ravlin_packer_finish(packer, &room), RAVLIN_OK);
  EXPECT_EQ(ravlin_packer_write(packer, &in, &room), RAVLIN_ERROR_STREAM_FINISHED);
  ravlin_packer_free(packer);
}

TEST(CInterfaceTest, InvalidArgumentsAreRefused) {
  std::uint8_t byte = 0;
  std::size_t size = 0;
  ravlin_packer* packer = nullptr;
  const auto bad = static_cast<ravlin_method>(0);
  EXPECT_EQ(ravlin_pack(bad, &byte, 1, &byte, 1, &size), RAVLIN_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(ravlin_pack(RAVLIN_METHOD_I, nullptr, 1, &byte, 1, &size),
            RAVLIN_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(ravlin_unpack(RAVLIN_METHOD_I, &byte, 1, nullptr, 1, &size),
            RAVLIN_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(ravlin_unpack(RAVLIN_METHOD_I, &byte, 1, &byte, 1, nullptr),
            RAVLIN_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(ravlin_packer_create(&packer, bad), RAVLIN_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(packer, nullptr);
  ASSERT_EQ(ravlin_packer_create(&packer, RAVLIN_METHOD_I), RAVLIN_OK);
  ravlin_in in{&byte, 1, 2};
  ravlin_out out{&byte, 1, 0};
  EXPECT_EQ(ravlin_packer_write(packer, &in, &out), RAVLIN_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(ravlin_packer_write(packer, nullptr, &out), RAVLIN_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(ravlin_packer_finish(nullptr, &out), RAVLIN_ERROR_INVALID_ARGUMENT);
  ravlin_packer_free(packer);
}

// The engine's messages come through unchanged.
TEST(CInterfaceTest, ErrorNames) {
  const std::pair<int, std::string> names[] = {
      {RAVLIN_OK, "No error"},
      {RAVLIN_ERROR_READ_BEYOND_END, ioErrorMessage(IoErrorKind::kReadBeyondEnd)},
      {RAVLIN_ERROR_OUT_OF_MEMORY, ioErrorMessage(IoErrorKind::kOutOfMemory)},
      {RAVLIN_ERROR_OUTPUT_FULL, "Output buffer too small"},
      {RAVLIN_ERROR_INVALID_ARGUMENT, "Invalid argument"},
      {RAVLIN_ERROR_STREAM_FINISHED, "Stream already finished"},
      {RAVLIN_ERROR_STOPPED, "Stopped by the progress callback"},
      {RAVLIN_ERROR_INTERNAL, "Internal error"},
  };
  for (const auto& [code, name] : names) {
    EXPECT_EQ(ravlin_error_name(static_cast<ravlin_error>(code)), name);
  }
  EXPECT_EQ(ravlin_error_name(RAVLIN_ERROR_READ_BEYOND_END),
            std::string("Read beyond end of file"));
}

TEST(CInterfaceTest, VersionOfTheLibraryIsTheHeaders) {
  EXPECT_EQ(ravlin_version_number(), static_cast<unsigned>(RAVLIN_VERSION_NUMBER));
  EXPECT_EQ(ravlin_version_string(), std::to_string(RAVLIN_VERSION_MAJOR) + "." +
                                         std::to_string(RAVLIN_VERSION_MINOR) + "." +
                                         std::to_string(RAVLIN_VERSION_RELEASE));
}

}  // namespace
}  // namespace ravlin::testing
