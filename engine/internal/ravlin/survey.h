// A look at a packed stream without unpacking it: its blocks, what they unpack to, and how it ends.
//
//   ravlin::StreamSurvey survey(ravlin::Method::kI);
//   while (/* chunks */) survey.write(chunk);
//   const ravlin::SurveyResult result = survey.finish();
//   if (!result.valid()) ...  // cut inside a block, no end marker, or data after it
#pragma once

#include <cstdint>
#include <span>

#include "ravlin/codec.h"

namespace ravlin {

// Whether the bytes after a stream's end marker only pad it: one to three zero bytes that round the
// whole up to a multiple of 4 bytes, as streams stored in ROM images often are. Such padding is
// not data; anything else after the marker is.
constexpr bool isEndPadding(std::uint64_t streamBytes, std::uint64_t trailingBytes,
                            bool trailingAllZero) {
  return trailingAllZero && trailingBytes > 0 && trailingBytes < 4 &&
         (streamBytes + trailingBytes) % 4 == 0;
}

struct SurveyResult {
  std::uint64_t blocks = 0;          // blocks before the end marker (the marker not counted)
  std::uint64_t unpackedBytes = 0;   // what the whole blocks unpack to
  std::uint64_t streamBytes = 0;     // bytes up to and including the end marker
  std::uint64_t trailingBytes = 0;   // bytes after the end marker
  bool trailingPadding = false;      // those bytes only pad the stream (isEndPadding)
  bool endMarker = false;            // the stream has its end marker
  bool cutInsideBlock = false;       // the stream ends inside a block

  // What the packers write: whole blocks closed by the end marker with nothing after it but
  // padding.
  bool valid() const {
    return endMarker && !cutInsideBlock && (trailingBytes == 0 || trailingPadding);
  }
};

// Walks a stream given in chunks of any size, with the block rules of the unpackers.
class StreamSurvey {
 public:
  explicit StreamSurvey(Method method) : unitBytes_(static_cast<std::uint64_t>(unitSize(method))) {}

  void write(std::span<const std::uint8_t> chunk);
  SurveyResult finish() const;

 private:
  std::uint64_t unitBytes_;
  std::uint64_t pendingBytes_ = 0;     // bytes still to come of the block being read
  std::uint64_t pendingUnpacked_ = 0;  // what that block unpacks to, counted once it is whole
  bool trailingAllZero_ = true;
  SurveyResult result_;
};

}  // namespace ravlin
