// Registers the benchmarks of one data set: memcpy, LZ4 and the engine, on memory and on files.
#pragma once

#include <filesystem>
#include <span>
#include <string>

#include "data_sets.h"
#include "simd_path.h"

namespace ravlin::bench {

// The processor paths timed: every one the machine has, up to the cap of RAVLIN_SIMD.
std::span<const detail::SimdPath> timedPaths();

// The operation that times `direction` ("pack" or "unpack") with `method` ("I" or "II") forced to
// `path`: "pack-I-sse2", or "pack-I" for the best path timed, which the main table shows.
std::string pathOperation(const std::string& direction, const std::string& method,
                          detail::SimdPath path);

// Registers "<set>/<operation>" benchmarks for `set`, which must outlive them; the suiting method
// on every timed path. Packs the data once
// with every codec, checks each round trip (std::runtime_error when one fails) and writes the
// files the file runs read into `scratchFolder`.
void registerBenchmarks(const DataSet& set, const std::filesystem::path& scratchFolder);

}  // namespace ravlin::bench
