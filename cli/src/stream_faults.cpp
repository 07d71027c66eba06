// The faults of a stream's end, worded for the command line.
#include "stream_faults.h"

#include <algorithm>

namespace ravlin::cli {

void StreamEnd::addTrailing(std::span<const std::uint8_t> bytes) {
  trailingBytes += bytes.size();
  trailingAllZero = trailingAllZero &&
                    std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

void StreamEnd::addUnreadTrailing(std::uint64_t bytes) {
  if (bytes == 0) return;
  trailingBytes += bytes;
  trailingAllZero = false;
}

std::string emptyStreamMessage() {
  return "is empty: a stream holds at least its end marker";
}

std::string cutInsideBlockMessage(Method method) {
  return std::string("the stream ends inside a block (cut short, or not a method ") +
         (method == Method::kI ? "I" : "II") + " stream)";
}

std::string noEndMarkerMessage() {
  return "no end marker: the stream may be cut short";
}

std::string trailingDataMessage(std::uint64_t bytes, const std::string& fit) {
  std::string text =
      std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes") + " after the end marker ignored";
  if (!fit.empty()) text += "; " + fit;
  return text;
}

std::string missingEndMessage(const SurveyResult& result, Method method) {
  if (result.streamBytes == 0) return emptyStreamMessage();
  if (result.cutInsideBlock) return cutInsideBlockMessage(method);
  return noEndMarkerMessage();
}

std::string methodFitVerdict(const SurveyResult& one, const SurveyResult& two) {
  if (one.valid() && two.valid()) return "the stream is valid for both methods; give -m 1 or -m 2";
  if (one.valid()) return "the stream is valid for method I only; give -m 1";
  if (two.valid()) return "the stream is valid for method II only; give -m 2";
  return "it is not a whole stream of either method";
}

}  // namespace ravlin::cli
