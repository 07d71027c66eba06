// Checks shared by the fuzz targets that look at progress: the calls a run makes to its host,
// read back as percentages, and what a host that hears only of changes must get.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "ravlin/byte_buffer.h"
#include "ravlin/host.h"

namespace ravlin::fuzz {

struct Update {
  std::int64_t percentage;
  int width;
  bool operator==(const Update&) const = default;
};

inline Update parseUpdate(const std::string& caption, int width) {
  RAVLIN_FUZZ_CHECK(caption.size() >= 2 && caption.back() == '%');
  const std::string digits = caption.substr(0, caption.size() - 1);
  RAVLIN_FUZZ_CHECK(std::to_string(std::atoll(digits.c_str())) == digits);
  const std::int64_t percentage = std::atoll(digits.c_str());
  RAVLIN_FUZZ_CHECK(width == 2 * std::llabs(percentage));
  return {percentage, width};
}

inline bool isEventsCall(const std::string& call) { return call == "processEvents"; }
inline bool isCaptionCall(const std::string& call) { return call.starts_with("setBarCaption "); }
inline bool isWidthCall(const std::string& call) { return call.starts_with("setBarWidth "); }

// Every caption the host got, with the width that followed it, read back as a percentage.
inline std::vector<Update> barUpdates(const RecordingHost& host) {
  std::vector<Update> updates;
  for (const testing::Bar& bar : host.bars) updates.push_back(parseUpdate(bar.caption, bar.width));
  return updates;
}

// The updates of a host that hears of every block: exact triples of events, caption, width.
inline std::vector<Update> everyBlockUpdates(const RecordingHost& host) {
  const std::vector<std::string>& calls = host.calls;
  RAVLIN_FUZZ_CHECK(calls.size() == 3 * host.bars.size());
  for (std::size_t i = 0; i < calls.size(); i += 3) {
    RAVLIN_FUZZ_CHECK(isEventsCall(calls[i]));
    RAVLIN_FUZZ_CHECK(isCaptionCall(calls[i + 1]));
    RAVLIN_FUZZ_CHECK(isWidthCall(calls[i + 2]));
  }
  return barUpdates(host);
}

// The updates of a host that hears only of changes: any number of events, and every caption
// and width pair right after an events call.
inline std::vector<Update> changeUpdates(const RecordingHost& host) {
  const std::vector<std::string>& calls = host.calls;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (isEventsCall(calls[i])) continue;
    RAVLIN_FUZZ_CHECK(isCaptionCall(calls[i]) && i + 1 < calls.size());
    RAVLIN_FUZZ_CHECK(i > 0 && isEventsCall(calls[i - 1]));
    RAVLIN_FUZZ_CHECK(isWidthCall(calls[i + 1]));
    ++i;
  }
  return barUpdates(host);
}

inline std::vector<Update> withoutRepeats(const std::vector<Update>& updates) {
  std::vector<Update> result;
  for (const Update& update : updates) {
    if (result.empty() || !(result.back() == update)) result.push_back(update);
  }
  return result;
}

inline Update update(std::int64_t percentage) {
  return {percentage, static_cast<int>(2 * std::llabs(percentage))};
}

// Input bytes one block may take: a control byte and up to 127 units of two bytes.
inline constexpr std::int64_t kMaxBlockInput = 1 + 127 * 2;

struct Runs {
  std::vector<Update> updates;  // of the host that hears of every block
  std::string error;
  std::vector<std::uint8_t> output;
  std::int64_t changesEvents = 0;  // processEvents() calls of the host that hears of changes
};

// Runs `run` with both kinds of host, checking that the changes-only host heard the same
// updates without repeats and got the same output and error.
template <typename Run>
Runs runBoth(Run run) {
  RecordingHost every(Reporting::kEveryBlock);
  RecordingHost changes(Reporting::kChanges);
  ByteBuffer out;
  ByteBuffer changesOut;
  Runs runs;
  runs.error = thrownMessage([&] { run(out, every); });
  RAVLIN_FUZZ_CHECK(thrownMessage([&] { run(changesOut, changes); }) == runs.error);
  runs.output = bytesOf(out);
  RAVLIN_FUZZ_CHECK(bytesOf(changesOut) == runs.output);
  runs.updates = everyBlockUpdates(every);
  RAVLIN_FUZZ_CHECK(changeUpdates(changes) == withoutRepeats(runs.updates));
  runs.changesEvents = std::count_if(changes.calls.begin(), changes.calls.end(), isEventsCall);
  return runs;
}

// Events are due once kEventStrideBytes of input have passed, at the end of the next block.
inline void checkEventsKeepUp(std::int64_t events, std::int64_t inputDone) {
  RAVLIN_FUZZ_CHECK(events >= inputDone / (kEventStrideBytes + kMaxBlockInput));
}

}  // namespace ravlin::fuzz
