// Console output of Google Benchmark, followed by a table of MB/s and ratios to LZ4 per data set.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "data_sets.h"

namespace ravlin::bench {

// Prints the usual console report, then a Markdown summary: per data set and method the MB/s of
// unpacked data of every operation (the median over the repetitions), the ratio of the engine's
// speed to LZ4's in the same direction, and whether each target is met.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  // Colours the console report only when it goes to a terminal. `clockGHz` turns nanoseconds
  // per block into cycles; negative leaves them out.
  SummaryReporter(const std::vector<DataSet>& sets, bool colour, double clockGHz);

  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

 private:
  struct Target {
    std::string name;
    bool wordUnits;
    std::size_t size;
  };
  struct Figures {
    std::vector<double> rates;  // bytes per second of every repetition
    double median = -1;         // the median reported by Google Benchmark, when it computed one
    double packed = 0;
    BlockStats blocks;  // of the stream, for the engine's runs
    std::string error;
  };

  // MB/s of "<set>/<operation>", or a negative value when it did not run.
  double megabytesPerSecond(const std::string& name) const;
  double packedPercent(const std::string& name) const;
  // Nanoseconds per block of "<set>/<operation>", or a negative value.
  double nanosecondsPerBlock(const std::string& name, std::size_t size) const;
  void printPathTable(std::ostream& out) const;
  int printTargets(std::ostream& out) const;

  std::vector<Target> targets_;
  std::map<std::string, Figures> figures_;
  long long repetitions_ = 1;
  double clockGHz_;
};

}  // namespace ravlin::bench
