// Printing the rows of -l, and listing a stream on its own.
#include "stream_table.h"

#include <cerrno>
#include <cstdio>

#include "messages.h"
#include "method_detection.h"
#include "stream_faults.h"

namespace ravlin::cli {

void StreamTable::print(Method method, const SurveyResult& result, const std::string& name) {
  if (!headerShown_) {
    std::printf("%-6s %14s %14s %7s %12s %4s %9s  %s\n", "method", "packed", "unpacked", "ratio",
                "blocks", "end", "trailing", "name");
    headerShown_ = true;
  }
  const std::uint64_t packed = result.streamBytes + result.trailingBytes;
  char ratio[16] = "-";
  if (result.unpackedBytes > 0) {
    std::snprintf(ratio, sizeof ratio, "%.1f%%",
                  static_cast<double>(packed) * 100.0 / static_cast<double>(result.unpackedBytes));
  }
  std::printf("%-6s %14llu %14llu %7s %12llu %4s %9llu  %s%s\n", method == Method::kI ? "I" : "II",
              static_cast<unsigned long long>(packed),
              static_cast<unsigned long long>(result.unpackedBytes), ratio,
              static_cast<unsigned long long>(result.blocks), result.endMarker ? "yes" : "no",
              static_cast<unsigned long long>(result.trailingBytes), name.c_str(),
              result.cutInsideBlock ? "  (ends inside a block)" : "");
  if (std::fflush(stdout) != 0) throw Failure::ofSystem(errno, "stdout");
}

void StreamTable::list(InputSource& input, Method method, std::span<std::uint8_t> chunk) {
  const SurveyResult result = surveyStream(input, method, chunk);
  print(method, result, input.name());
  if (result.valid()) return;
  if (!result.endMarker) throw Failure(input.name(), missingEndMessage(result, method));
  throw Failure(input.name(), trailingDataMessage(result.trailingBytes, methodFit(input, chunk)));
}

}  // namespace ravlin::cli
