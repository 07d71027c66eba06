// Collects the throughput of every run and prints the summary table after the last one.
#include "summary_reporter.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <utility>

#include "codec_benchmarks.h"

namespace ravlin::bench {

namespace {

double median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string format(const char* pattern, double value) {
  if (value < 0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

}  // namespace

SummaryReporter::SummaryReporter(const std::vector<DataSet>& sets, bool colour, double clockGHz)
    : ConsoleReporter(colour ? OO_ColorTabular : OO_Tabular), clockGHz_(clockGHz) {
  for (const DataSet& set : sets) {
    targets_.push_back({set.name, set.wordUnits, set.bytes.size()});
  }
}

void SummaryReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    Figures& figures = figures_[run.run_name.function_name];
    if (run.error_occurred) {
      figures.error = run.error_message;
      continue;
    }
    const auto rate = run.counters.find("bytes_per_second");
    const auto packed = run.counters.find("packed");
    if (rate == run.counters.end() || packed == run.counters.end()) continue;
    repetitions_ = std::max<long long>(repetitions_, run.repetitions);
    // The other aggregates (mean, spread) are no figures of their own.
    if (run.run_type == Run::RT_Iteration) {
      figures.rates.push_back(rate->second.value);
    } else if (run.aggregate_name == "median") {
      figures.median = rate->second.value;
    } else {
      continue;
    }
    figures.packed = packed->second.value;
    const auto count = [&run](const char* counter) {
      const auto found = run.counters.find(counter);
      return found == run.counters.end() ? 0 : static_cast<std::size_t>(found->second.value);
    };
    figures.blocks = {count("literals"), count("repeats"), count("literalUnits"),
                      count("repeatUnits")};
  }
}

double SummaryReporter::megabytesPerSecond(const std::string& name) const {
  const auto found = figures_.find(name);
  if (found == figures_.end() || !found->second.error.empty()) return -1;
  const Figures& figures = found->second;
  const double rate = figures.median >= 0 ? figures.median : median(figures.rates);
  return rate < 0 ? -1 : rate / 1e6;
}

double SummaryReporter::packedPercent(const std::string& name) const {
  const auto found = figures_.find(name);
  for (const Target& target : targets_) {
    if (found != figures_.end() && name.starts_with(target.name + "/")) {
      return 100.0 * found->second.packed / static_cast<double>(target.size);
    }
  }
  return -1;
}

double SummaryReporter::nanosecondsPerBlock(const std::string& name, std::size_t size) const {
  const double speed = megabytesPerSecond(name);
  const auto found = figures_.find(name);
  if (speed <= 0 || found == figures_.end()) return -1;
  const std::size_t blocks = found->second.blocks.literals + found->second.blocks.repeats;
  if (blocks == 0) return -1;
  return static_cast<double>(size) / (speed * 1e6) / static_cast<double>(blocks) * 1e9;
}

void SummaryReporter::Finalize() {
  ConsoleReporter::Finalize();
  std::ostream& out = GetOutputStream();
  out << "\n## Summary: MB/s of unpacked data (1 MB = 10^6 bytes), median of " << repetitions_
      << (repetitions_ == 1 ? " run" : " runs")
      << "; x LZ4 = the engine's speed over LZ4's in the same direction\n\n"
      << "| data set | size | method | packed | LZ4 packed | memcpy | LZ4 compress | LZ4 "
         "decompress "
         "| pack | unpack | pack x LZ4 | unpack x LZ4 | file pack | file unpack |\n"
      << "|---|---:|:-:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
  for (const Target& target : targets_) {
    const std::string set = target.name + "/";
    const double compress = megabytesPerSecond(set + "lz4-compress");
    const double decompress = megabytesPerSecond(set + "lz4-decompress");
    for (const char* method : {"I", "II"}) {
      const double pack = megabytesPerSecond(set + "pack-" + method);
      const double unpack = megabytesPerSecond(set + "unpack-" + method);
      out << "| " << target.name << " | "
          << format("%.1f MiB", static_cast<double>(target.size) / (1 << 20)) << " | " << method
          << " | " << format("%.1f%%", packedPercent(set + "pack-" + method)) << " | "
          << format("%.1f%%", packedPercent(set + "lz4-compress")) << " | "
          << format("%.0f", megabytesPerSecond(set + "memcpy")) << " | " << format("%.0f", compress)
          << " | " << format("%.0f", decompress) << " | " << format("%.0f", pack) << " | "
          << format("%.0f", unpack) << " | "
          << format("%.2f", pack < 0 || compress <= 0 ? -1 : pack / compress) << " | "
          << format("%.2f", unpack < 0 || decompress <= 0 ? -1 : unpack / decompress) << " | "
          << format("%.0f", megabytesPerSecond(set + "file-pack-" + method)) << " | "
          << format("%.0f", megabytesPerSecond(set + "file-unpack-" + method)) << " |\n";
    }
  }
  for (const auto& [name, figures] : figures_) {
    if (!figures.error.empty()) out << "\n" << name << " failed: " << figures.error << "\n";
  }
  printPathTable(out);
  const int missed = printTargets(out);
  out << (missed == 0 ? "All targets met.\n" : std::to_string(missed) + " target(s) missed.\n");
}

// Per data set, the suiting method's speed over LZ4's on every timed path, as a Markdown table.
void SummaryReporter::printPathTable(std::ostream& out) const {
  const auto paths = timedPaths();
  out << "\n## Per processor path: the method that suits the data, speed over LZ4's\n\n"
      << "| data set | method | LZ4 compress | LZ4 decompress |";
  for (const char* direction : {"pack", "unpack"}) {
    for (const detail::SimdPath path : paths) {
      out << " " << direction << " " << detail::simdPathName(path) << " |";
    }
  }
  out << "\n|---|:-:|---:|---:|";
  for (std::size_t k = 0; k < 2 * paths.size(); ++k) out << "---:|";
  out << "\n";
  for (const Target& target : targets_) {
    const std::string set = target.name + "/";
    const std::string method = target.wordUnits ? "II" : "I";
    const double compress = megabytesPerSecond(set + "lz4-compress");
    const double decompress = megabytesPerSecond(set + "lz4-decompress");
    out << "| " << target.name << " | " << method << " | " << format("%.0f", compress) << " | "
        << format("%.0f", decompress) << " |";
    for (const auto& [direction, reference] :
         {std::pair{"pack", compress}, {"unpack", decompress}}) {
      for (const detail::SimdPath path : paths) {
        const double mine = megabytesPerSecond(set + pathOperation(direction, method, path));
        out << " " << format("%.2f", mine < 0 || reference <= 0 ? -1 : mine / reference) << " |";
      }
    }
    out << "\n";
  }
}

// Per data set, for the method that suits it, on memory: its blocks, then per path the targets
// and cycles per block; returns the number of targets missed.
int SummaryReporter::printTargets(std::ostream& out) const {
  out << "\nTargets (the method that suits the data, on memory, per processor path):\n";
  int missed = 0;
  for (const Target& target : targets_) {
    const std::string set = target.name + "/";
    const std::string method = target.wordUnits ? "II" : "I";
    const auto found = figures_.find(set + "pack-" + method);
    const BlockStats stats = found == figures_.end() ? BlockStats{} : found->second.blocks;
    const auto blocks = static_cast<double>(stats.literals + stats.repeats);
    const auto share = [blocks](std::size_t count) {
      return blocks == 0 ? -1 : 100.0 * static_cast<double>(count) / blocks;
    };
    const auto mean = [](std::size_t units, std::size_t count) {
      return count == 0 ? -1 : static_cast<double>(units) / static_cast<double>(count);
    };
    const double packed = found == figures_.end() ? 0 : found->second.packed;
    const auto perBlock = [blocks](double bytes) { return blocks < 1 ? -1 : bytes / blocks; };
    const auto cycles = [this](double ns) {
      return ns < 0 || clockGHz_ <= 0 ? -1 : ns * clockGHz_;
    };
    out << "  " << target.name << ", method " << method << ": "
        << format("%.0f", blocks < 1 ? -1 : blocks) << " blocks of "
        << format("%.1f", perBlock(packed)) << " stream bytes and "
        << format("%.1f", perBlock(static_cast<double>(target.size)))
        << " bytes out on average: " << format("%.0f", share(stats.literals)) << "% literals of "
        << format("%.1f", mean(stats.literalUnits, stats.literals)) << " units, "
        << format("%.0f", share(stats.repeats)) << "% repeats of "
        << format("%.1f", mean(stats.repeatUnits, stats.repeats)) << " units\n";
    out << "    cycles per block at " << format("%.2f", clockGHz_)
        << " GHz: walking the blocks alone "
        << format("%.1f", cycles(nanosecondsPerBlock(set + "walk-" + method, target.size)))
        << ", writing them alone "
        << format("%.1f", cycles(nanosecondsPerBlock(set + "place-" + method, target.size)))
        << "\n";
    for (const detail::SimdPath path : timedPaths()) {
      out << "    " << detail::simdPathName(path) << ":";
      const struct {
        const char* direction;
        const char* reference;
        double target;
      } directions[] = {{"pack", "lz4-compress", kPackTarget},
                        {"unpack", "lz4-decompress", unpackTarget(path)}};
      for (const auto& direction : directions) {
        const double mine =
            megabytesPerSecond(set + pathOperation(direction.direction, method, path));
        const double theirs = megabytesPerSecond(set + direction.reference);
        const double ratio = mine < 0 || theirs <= 0 ? -1 : mine / theirs;
        out << " " << direction.direction << " " << format("%.2f", ratio) << "x";
        if (direction.target <= 0) {
          out << " (no target);";
          continue;
        }
        const bool met = ratio >= direction.target;
        missed += met ? 0 : 1;
        out << " (needs " << format("%.1f", direction.target) << "x) " << (met ? "met" : "MISSED")
            << ";";
      }
      // What the unpack target allows per block, against what this path takes.
      const double decompress = megabytesPerSecond(set + "lz4-decompress");
      const double allowed =
          decompress <= 0 || unpackTarget(path) <= 0 || blocks < 1
              ? -1
              : static_cast<double>(target.size) * 1e3 / (unpackTarget(path) * decompress) / blocks;
      out << " cycles per block unpacking "
          << format("%.1f", cycles(nanosecondsPerBlock(set + pathOperation("unpack", method, path),
                                                       target.size)))
          << ", the target allows " << format("%.1f", cycles(allowed)) << "\n";
    }
  }
  return missed;
}

}  // namespace ravlin::bench
