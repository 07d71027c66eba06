// ravlin-bench: runs every benchmark, then prints the summary of MB/s and ratios to LZ4. With
// --write-data-sets DIR it writes each data set to DIR/<name>.bin instead, for whole-process
// timings of the command-line tool on the same data.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "codec_benchmarks.h"
#include "core_clock.h"
#include "data_sets.h"
#include "ravlin/scratch_folder.h"
#include "summary_reporter.h"

namespace {

constexpr std::size_t kDataSetBytes = 8 << 20;

// Writes every data set to `folder`/<name>.bin, creating the folder; false after printing why
// when a file cannot be written.
bool writeDataSets(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  for (const auto& set : ravlin::bench::loadDataSets(kDataSetBytes)) {
    const auto path = folder / (set.name + ".bin");
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(set.bytes.data()),
               static_cast<std::streamsize>(set.bytes.size()));
    if (!file.flush()) {
      std::cerr << "ravlin-bench: cannot write " << path.string() << "\n";
      return false;
    }
    std::cout << path.string() << " " << set.bytes.size() << "\n";
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == "--write-data-sets") {
    if (argc != 3) {
      std::cerr << "usage: ravlin-bench --write-data-sets DIR\n";
      return 2;
    }
    try {
      return writeDataSets(argv[2]) ? 0 : 1;
    } catch (const std::exception& error) {
      std::cerr << "ravlin-bench: " << error.what() << "\n";
      return 1;
    }
  }
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
    ravlin::bench::SummaryReporter reporter(sets, isatty(STDOUT_FILENO) != 0,
                                            ravlin::bench::measureCoreClockGHz());
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
  } catch (const std::exception& error) {
    std::cerr << "ravlin-bench: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
