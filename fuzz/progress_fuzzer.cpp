// The progress of all four runs on arbitrary bytes: after every block the calls come as events,
// caption, width; the percentages follow the formula for the block and stay in order; a host
// that asks only for changes sees the same sequence without repeats, ending on the same value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "ravlin/engine.h"
#include "ravlin/reference.h"

using namespace ravlin;

namespace {

struct Update {
  std::int64_t percentage;
  int width;
  bool operator==(const Update&) const = default;
};

Update parseUpdate(const std::string& caption, int width) {
  RAVLIN_FUZZ_CHECK(caption.size() >= 2 && caption.back() == '%');
  const std::string digits = caption.substr(0, caption.size() - 1);
  RAVLIN_FUZZ_CHECK(std::to_string(std::atoll(digits.c_str())) == digits);
  const std::int64_t percentage = std::atoll(digits.c_str());
  RAVLIN_FUZZ_CHECK(width == 2 * std::llabs(percentage));
  return {percentage, width};
}

// The updates of a host that hears of every block: exact triples of events, caption, width.
std::vector<Update> everyBlockUpdates(const std::vector<fuzz::HostCall>& calls) {
  RAVLIN_FUZZ_CHECK(calls.size() % 3 == 0);
  std::vector<Update> updates;
  for (std::size_t i = 0; i < calls.size(); i += 3) {
    RAVLIN_FUZZ_CHECK(calls[i].kind == fuzz::HostCall::kEvents);
    RAVLIN_FUZZ_CHECK(calls[i + 1].kind == fuzz::HostCall::kCaption);
    RAVLIN_FUZZ_CHECK(calls[i + 2].kind == fuzz::HostCall::kWidth);
    updates.push_back(parseUpdate(calls[i + 1].caption, calls[i + 2].width));
  }
  return updates;
}

// The updates of a host that hears only of changes: any number of events, and every caption
// and width pair right after an events call.
std::vector<Update> changeUpdates(const std::vector<fuzz::HostCall>& calls) {
  std::vector<Update> updates;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].kind == fuzz::HostCall::kEvents) continue;
    RAVLIN_FUZZ_CHECK(calls[i].kind == fuzz::HostCall::kCaption && i + 1 < calls.size());
    RAVLIN_FUZZ_CHECK(i > 0 && calls[i - 1].kind == fuzz::HostCall::kEvents);
    RAVLIN_FUZZ_CHECK(calls[i + 1].kind == fuzz::HostCall::kWidth);
    updates.push_back(parseUpdate(calls[i].caption, calls[i + 1].width));
    ++i;
  }
  return updates;
}

std::vector<Update> withoutRepeats(const std::vector<Update>& updates) {
  std::vector<Update> result;
  for (const Update& update : updates) {
    if (result.empty() || !(result.back() == update)) result.push_back(update);
  }
  return result;
}

Update update(std::int64_t percentage) {
  return {percentage, static_cast<int>(2 * std::llabs(percentage))};
}

// Runs `method` over `input` with both kinds of host; returns the every-block updates after
// checking that the changes-only host heard the same without repeats and got the same output.
template <typename Run>
std::vector<Update> runBoth(Run run, std::string& error, std::vector<std::uint8_t>& output) {
  fuzz::RecordingHost every(Reporting::kEveryBlock);
  fuzz::RecordingHost changes(Reporting::kChanges);
  ByteBuffer out;
  ByteBuffer changesOut;
  error = fuzz::errorOf([&] { run(out, every); });
  RAVLIN_FUZZ_CHECK(fuzz::errorOf([&] { run(changesOut, changes); }) == error);
  output = fuzz::bytesOf(out);
  RAVLIN_FUZZ_CHECK(fuzz::bytesOf(changesOut) == output);
  const std::vector<Update> updates = everyBlockUpdates(every.calls);
  RAVLIN_FUZZ_CHECK(changeUpdates(changes.calls) == withoutRepeats(updates));
  return updates;
}

void checkUnpacking(Method method, std::span<const std::uint8_t> stream) {
  std::string error;
  std::vector<std::uint8_t> output;
  const std::vector<Update> updates = runBoth(
      [&](ByteBuffer& out, Host& host) { unpack(method, stream, out, host); }, error, output);

  const fuzz::PlainDecoding blocks =
      fuzz::plainDecode(static_cast<std::size_t>(unitSize(method)), stream);
  const auto size = static_cast<std::int64_t>(stream.size());
  std::vector<Update> expected;
  for (const std::int64_t position : blocks.blockEnds) {
    expected.push_back(update(position * 100 / (size - 1)));
  }
  RAVLIN_FUZZ_CHECK(updates == expected);
  for (std::size_t i = 1; i < updates.size(); ++i) {
    RAVLIN_FUZZ_CHECK(updates[i - 1].percentage <= updates[i].percentage);
  }
}

void checkPacking(Method method, std::span<const std::uint8_t> input) {
  std::string error;
  std::vector<std::uint8_t> stream;
  const std::vector<Update> updates =
      runBoth([&](ByteBuffer& out, Host& host) { pack(method, input, out, host); }, error, stream);

  fuzz::RecordingHost literalHost;
  ByteBuffer literal;
  RAVLIN_FUZZ_CHECK(fuzz::errorOf([&] { reference::pack(method, input, literal, literalHost); }) ==
                    error);
  RAVLIN_FUZZ_CHECK(updates == everyBlockUpdates(literalHost.calls));
  for (std::size_t i = 1; i < updates.size(); ++i) {
    RAVLIN_FUZZ_CHECK(updates[i - 1].percentage >= updates[i].percentage);
  }
  if (!error.empty()) return;

  // Every scan block but the last is one block of the stream, so its update is the formula on
  // that block's end; the last one may still grow by a unit, or be followed by one more block.
  const std::int64_t unitBytes = unitSize(method);
  const fuzz::PlainDecoding blocks = fuzz::plainDecode(static_cast<std::size_t>(unitBytes), stream);
  const std::vector<std::int64_t>& ends = blocks.blockEnds;
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  for (const Method method : {Method::kI, Method::kII}) {
    checkUnpacking(method, bytes);
    checkPacking(method, bytes);
  }
  return 0;
}
