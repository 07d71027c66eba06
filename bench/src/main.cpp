// ravlin-bench: runs every benchmark, then prints the summary of MB/s and ratios to LZ4.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "codec_benchmarks.h"
#include "data_sets.h"
#include "ravlin/scratch_folder.h"
#include "summary_reporter.h"

namespace {

constexpr std::size_t kDataSetBytes = 8 << 20;

}  // namespace

int main(int argc, char** argv) {
  // Defaults for two noisy shared cores: every figure is the median of several repetitions,
  // interleaved so that a burst of load from elsewhere hits all operations alike. Flags given on
  // the command line come later and win.
  std::vector<std::string> defaults{"--benchmark_repetitions=5", "--benchmark_min_time=0.2",
                                    "--benchmark_enable_random_interleaving=true",
                                    "--benchmark_report_aggregates_only=true"};
  std::vector<char*> args{argv[0]};
  for (std::string& flag : defaults) args.push_back(flag.data());
  for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

  try {
    const ravlin::testing::ScratchFolder scratch;  // the files the file runs read
    const auto sets = ravlin::bench::loadDataSets(kDataSetBytes);
    for (const auto& set : sets) ravlin::bench::registerBenchmarks(set, scratch.path());
    ravlin::bench::SummaryReporter reporter(sets, isatty(STDOUT_FILENO) != 0);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
  } catch (const std::exception& error) {
    std::cerr << "ravlin-bench: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
