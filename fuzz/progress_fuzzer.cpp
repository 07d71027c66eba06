// The progress of all four runs on arbitrary bytes: after every block the calls come as events,
// caption, width; the percentages follow the formula for the block and stay in order; a host
// that asks only for changes sees the same sequence without repeats, ending on the same value.
// Handed over in the chunks the fuzz input asks for, every run makes exactly the same calls.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "progress_checks.h"
#include "ravlin/codec.h"
#include "ravlin/reference.h"

using namespace ravlin;

namespace {

using namespace ravlin::fuzz;

void checkUnpacking(Method method, std::span<const std::uint8_t> stream) {
  const Runs runs =
      runBoth([&](ByteBuffer& out, Host& host) { unpack(method, stream, out, host); });

  const reference::Walk walk = reference::walkOf(method, stream);
  const auto size = static_cast<std::int64_t>(stream.size());
  std::vector<Update> expected;
  for (const reference::Block& block : walk.blocks) {
    expected.push_back(update(block.streamEnd * 100 / (size - 1)));
  }
  RAVLIN_FUZZ_CHECK(runs.updates == expected);
  for (std::size_t i = 1; i < runs.updates.size(); ++i) {
    RAVLIN_FUZZ_CHECK(runs.updates[i - 1].percentage <= runs.updates[i].percentage);
  }
  checkEventsKeepUp(runs.changesEvents, walk.blocksEnd());
}

void checkPacking(Method method, std::span<const std::uint8_t> input) {
  const Runs runs = runBoth([&](ByteBuffer& out, Host& host) { pack(method, input, out, host); });
  const std::vector<Update>& updates = runs.updates;

  fuzz::RecordingHost literalHost;
  ByteBuffer literal;
  RAVLIN_FUZZ_CHECK(thrownMessage([&] { reference::pack(method, input, literal, literalHost); }) ==
                    runs.error);
  RAVLIN_FUZZ_CHECK(updates == everyBlockUpdates(literalHost));
  for (std::size_t i = 1; i < updates.size(); ++i) {
    RAVLIN_FUZZ_CHECK(updates[i - 1].percentage >= updates[i].percentage);
  }
  if (!runs.error.empty()) return;
  checkEventsKeepUp(runs.changesEvents, static_cast<std::int64_t>(input.size()));

  // Every scan block but the last is one block of the stream, so its update is the formula on
  // that block's end; the last one may still grow by a unit, or be followed by one more block.
  const std::int64_t unitBytes = unitSize(method);
  std::vector<std::int64_t> ends;
  for (const reference::Block& block : reference::walkOf(method, runs.output).blocks) {
    ends.push_back(block.streamEnd);
  }
  const auto size = static_cast<std::int64_t>(input.size());
  RAVLIN_FUZZ_CHECK(!updates.empty());
  RAVLIN_FUZZ_CHECK(updates.size() == ends.size() || updates.size() + 1 == ends.size());
  const std::size_t last = updates.size() - 1;
  for (std::size_t i = 0; i < last; ++i) {
    RAVLIN_FUZZ_CHECK(updates[i] == update(100 - ends[i] * 100 / size));
  }
  RAVLIN_FUZZ_CHECK(updates[last] == update(100 - ends[last] * 100 / size) ||
                    updates[last] == update(100 - (ends[last] - unitBytes) * 100 / size));
}

// The calls, output and error of a whole run and of the chunked one, for both kinds of host.
void checkChunking(bool packing, Method method, const Cutting& cutting) {
  for (const Reporting reporting : {Reporting::kEveryBlock, Reporting::kChanges}) {
    RecordingHost wholeHost(reporting);
    RecordingHost chunkedHost(reporting);
    ByteBuffer whole;
    ByteBuffer chunked;
    const std::string error = thrownMessage([&] {
      if (packing) {
        pack(method, cutting.bytes, whole, wholeHost);
      } else {
        unpack(method, cutting.bytes, whole, wholeHost);
      }
    });
    RAVLIN_FUZZ_CHECK(runChunked(packing, method, cutting, chunked, chunkedHost) == error);
    RAVLIN_FUZZ_CHECK(bytesOf(chunked) == bytesOf(whole));
    RAVLIN_FUZZ_CHECK(chunkedHost.calls == wholeHost.calls);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Cutting cutting = cuttingOf({data, size});
  onEveryPathAndMethod([&](Method method) {
    checkUnpacking(method, cutting.bytes);
    checkPacking(method, cutting.bytes);
    checkChunking(false, method, cutting);
    checkChunking(true, method, cutting);
  });
  return 0;
}
