// Printing the rows of -l.
#include "stream_table.h"

#include <cerrno>
#include <cstdio>

#include "messages.h"

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

}  // namespace ravlin::cli
