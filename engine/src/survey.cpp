// Walking a packed stream's blocks without unpacking them.
#include "ravlin/survey.h"

#include <algorithm>

namespace ravlin {

void StreamSurvey::write(std::span<const std::uint8_t> chunk) {
  std::size_t at = 0;
  while (at < chunk.size()) {
    if (result_.endMarker) {
      const auto rest = chunk.subspan(at);
      result_.trailingBytes += rest.size();
      trailingAllZero_ = trailingAllZero_ && std::all_of(rest.begin(), rest.end(),
                                                         [](std::uint8_t b) { return b == 0; });
      return;
    }
    if (pendingBytes_ > 0) {
      const std::uint64_t taken = std::min<std::uint64_t>(pendingBytes_, chunk.size() - at);
      pendingBytes_ -= taken;
      at += static_cast<std::size_t>(taken);
      result_.streamBytes += taken;
      if (pendingBytes_ == 0) result_.unpackedBytes += pendingUnpacked_;
      continue;
    }
    const std::uint8_t control = chunk[at++];
    ++result_.streamBytes;
    if (control == 0) {
      result_.endMarker = true;
      continue;
    }
    ++result_.blocks;
    const std::uint64_t units = control & 0x7Fu;
    const bool repeat = (control & 0x80u) != 0;
    pendingUnpacked_ = units * unitBytes_;
    pendingBytes_ = repeat ? unitBytes_ : units * unitBytes_;
  }
}

SurveyResult StreamSurvey::finish() const {
  SurveyResult result = result_;
  result.cutInsideBlock = pendingBytes_ > 0;
  result.trailingPadding =
      isEndPadding(result.streamBytes, result.trailingBytes, trailingAllZero_);
  return result;
}

}  // namespace ravlin
