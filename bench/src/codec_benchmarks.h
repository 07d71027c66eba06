// Registers the benchmarks of one data set: memcpy, LZ4 and the engine, on memory and on files.
#pragma once

#include <filesystem>

#include "data_sets.h"

namespace ravlin::bench {

// Registers "<set>/<operation>" benchmarks for `set`, which must outlive them. Packs the data once
// with every codec, checks each round trip (std::runtime_error when one fails) and writes the
// files the file runs read into `scratchFolder`.
void registerBenchmarks(const DataSet& set, const std::filesystem::path& scratchFolder);

}  // namespace ravlin::bench
