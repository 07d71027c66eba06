// How an unpacked or surveyed stream ends, and the words ravlin-cli has for what is wrong with it.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "ravlin/codec.h"
#include "ravlin/survey.h"

namespace ravlin::cli {

// What an unpack run found at the end of its stream.
struct StreamEnd {
  bool endMarker = false;
  std::uint64_t streamBytes = 0;  // up to and including the end marker
  std::uint64_t trailingBytes = 0;
  bool trailingAllZero = true;

  void addTrailing(std::span<const std::uint8_t> bytes);
  // Trailing bytes known from the file's size but not read; they may be anything.
  void addUnreadTrailing(std::uint64_t bytes);
  // Bytes after the end marker that are more than padding (isEndPadding).
  bool hasTrailingData() const {
    return trailingBytes > 0 && !isEndPadding(streamBytes, trailingBytes, trailingAllZero);
  }
};

std::string emptyStreamMessage();
std::string cutInsideBlockMessage(Method method);
std::string noEndMarkerMessage();
// `fit` says which method the stream would suit, when that is known.
std::string trailingDataMessage(std::uint64_t bytes, const std::string& fit);

// What is wrong with a surveyed stream that has no end marker: it is empty, cut inside a block, or
// only lacks the marker.
std::string missingEndMessage(const SurveyResult& result, Method method);

// Which of the two methods a stream is whole under: "the stream is valid for method II only;
// give -m 2", or "it is not a whole stream of either method".
std::string methodFitVerdict(const SurveyResult& one, const SurveyResult& two);

}  // namespace ravlin::cli
