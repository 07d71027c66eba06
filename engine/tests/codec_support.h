// Test support: byte strings written as hex, and one call that runs a codec and keeps everything
// a run leaves behind (output, bar updates, error message).
#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ravlin/byte_buffer.h"
#include "ravlin/codec.h"
#include "ravlin/reference.h"
#include "recording_host.h"

namespace ravlin::testing {

using Bytes = std::vector<std::uint8_t>;

// "83 61 02" -> {0x83, 0x61, 0x02}.
inline Bytes hex(std::string_view text) {
  Bytes bytes;
  int pending = -1;
  for (const char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (digit < 0) continue;
    if (pending < 0) {
      pending = digit;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(pending * 16 + digit));
      pending = -1;
    }
  }
  return bytes;
}

inline Bytes operator+(Bytes left, const Bytes& right) {
  left.insert(left.end(), right.begin(), right.end());
  return left;
}

// `count` copies of `unit`.
inline Bytes times(int count, const Bytes& unit) {
  Bytes bytes;
  for (int k = 0; k < count; ++k) bytes.insert(bytes.end(), unit.begin(), unit.end());
  return bytes;
}

// The bytes first, first + 1, ..., last, each `width` times (width 2 gives words 0101, 0202, ...).
inline Bytes counting(int first, int last, int width = 1) {
  Bytes bytes;
  for (int value = first; value <= last; ++value) {
    for (int k = 0; k < width; ++k) bytes.push_back(static_cast<std::uint8_t>(value));
  }
  return bytes;
}

using CodecCall = void (*)(Method, std::span<const std::uint8_t>, ByteBuffer&, Host&);

struct Codec {
  const char* name;
  CodecCall pack;
  CodecCall unpack;
};

inline void PrintTo(const Codec& codec, std::ostream* os) { *os << codec.name; }

inline const Codec kReferenceCodec{"reference", &reference::pack, &reference::unpack};
inline const Codec kFastCodec{"fast", &ravlin::pack, &ravlin::unpack};

// What a run leaves: the output buffer, the host's record and the error message, if any.
struct Outcome {
  Bytes output;
  std::vector<Bar> bars;
  std::vector<std::string> calls;
  std::string error;
};

inline Outcome run(CodecCall call, Method method, const Bytes& input,
                   Reporting reporting = Reporting::kEveryBlock) {
  ByteBuffer out;
  // Something from an earlier run, which the run must not keep.
  out.append(0xEE);
  RecordingHost host(reporting);
  Outcome outcome;
  try {
    call(method, input, out, host);
  } catch (const IoError& error) {
    outcome.error = error.what();
  }
  outcome.output.assign(out.bytes().begin(), out.bytes().end());
  outcome.bars = host.bars;
  outcome.calls = host.calls;
  return outcome;
}

}  // namespace ravlin::testing
