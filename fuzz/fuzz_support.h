// Shared pieces of the fuzz targets: a failing check, a plain decoder of the packed stream that
// shares no code with the engine, and a host that records every call a run makes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "ravlin/byte_buffer.h"
#include "ravlin/host.h"
#include "ravlin/io_error.h"

namespace ravlin::fuzz {

// Aborts, so that libFuzzer keeps the input as a crash, with the failed condition in its log.
#define RAVLIN_FUZZ_CHECK(condition)                                                     \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

struct PlainDecoding {
  std::vector<std::uint8_t> bytes;
  bool truncated = false;  // empty, or ends inside a block
  // Stream position after each block completed before the end (the end marker is no block).
  std::vector<std::int64_t> blockEnds;
  // Control byte of each completed block.
  std::vector<std::uint8_t> controls;
};

// Decodes `stream` with units of `unitBytes` bytes, one block at a time, as plainly as it can be.
inline PlainDecoding plainDecode(std::size_t unitBytes, std::span<const std::uint8_t> stream) {
  PlainDecoding d;
  if (stream.empty()) {
    d.truncated = true;
    return d;
  }
  std::size_t p = 0;
  while (p < stream.size()) {
    const std::uint8_t control = stream[p++];
    if (control == 0) break;
    const std::size_t count = control & 0x7Fu;
    const bool repeat = (control & 0x80u) != 0;
    const std::size_t unitsToRead = repeat ? 1 : count;
    for (std::size_t i = 0; i < unitsToRead; ++i) {
      if (stream.size() - p < unitBytes) {
        d.truncated = true;
        return d;
      }
      const std::size_t copies = repeat ? count : 1;
      for (std::size_t c = 0; c < copies; ++c) {
        d.bytes.insert(d.bytes.end(), stream.begin() + static_cast<std::ptrdiff_t>(p),
                       stream.begin() + static_cast<std::ptrdiff_t>(p + unitBytes));
      }
      p += unitBytes;
    }
    d.blockEnds.push_back(static_cast<std::int64_t>(p));
    d.controls.push_back(control);
  }
  return d;
}

struct HostCall {
  enum Kind { kEvents, kCaption, kWidth } kind;
  std::string caption;
  int width = 0;
  bool operator==(const HostCall&) const = default;
};

class RecordingHost final : public Host {
 public:
  explicit RecordingHost(Reporting reporting = Reporting::kEveryBlock) : reporting_(reporting) {}
  std::string InputPath() override { return {}; }
  void ProcessEvents() override { calls.push_back({HostCall::kEvents, {}, 0}); }
  void SetBarCaption(const std::string& caption) override {
    calls.push_back({HostCall::kCaption, caption, 0});
  }
  void SetBarWidth(int width) override { calls.push_back({HostCall::kWidth, {}, width}); }
  Reporting reporting() const override { return reporting_; }

  std::vector<HostCall> calls;

 private:
  Reporting reporting_;
};

inline std::vector<std::uint8_t> bytesOf(const ByteBuffer& buffer) {
  return {buffer.data(), buffer.data() + buffer.size()};
}

// Runs `call`; returns the IoError's message, or "" when it returned normally.
template <typename Call>
std::string errorOf(Call&& call) {
  try {
    call();
  } catch (const IoError& error) {
    return error.what();
  }
  return {};
}

}  // namespace ravlin::fuzz
