// The benchmarks of one data set. Every throughput counts bytes of unpacked data, so the figures
// of a packer and of the compressor it is compared with measure the same work.
#include "codec_benchmarks.h"

#include <benchmark/benchmark.h>
#include <lz4.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ravlin/engine.h"
#include "ravlin/reference.h"

namespace ravlin::bench {

namespace {

using Bytes = std::vector<std::uint8_t>;

// What the runs of one data set share, prepared once before any of them.
struct Prepared {
  const DataSet* set = nullptr;
  Bytes lz4;
  Bytes packed[2];  // by method: [0] method I, [1] method II
  BlockStats blocks[2];
  std::string inputPath;
  std::string packedPath[2];
};

constexpr Method kMethods[] = {Method::kI, Method::kII};

int index(Method method) {
  return method == Method::kI ? 0 : 1;
}
const char* methodName(Method method) {
  return method == Method::kI ? "I" : "II";
}

// The blocks of a stream as the literal unpacker reads them, end marker excluded: what the
// per-block costs of the engine are measured against, and what tells short real blocks from
// friendly generated ones.
BlockStats statsOf(const reference::Walk& walk) {
  BlockStats stats;
  for (const reference::Block& block : walk.blocks) {
    const std::size_t units = block.control & 0x7Fu;
    if (block.control >= 0x80) {
      ++stats.repeats;
      stats.repeatUnits += units;
    } else {
      ++stats.literals;
      stats.literalUnits += units;
    }
  }
  return stats;
}

// What `walk-I`/`walk-II` time: the block chain of a well-formed stream walked with nothing
// written, from one control byte to the next, the least that any unpacker taking blocks in order
// spends per block. Its counts are checked against statsOf() once after the timed runs.
BlockStats timedWalk(const Bytes& stream, Method method) {
  BlockStats stats;
  const std::size_t unit = static_cast<std::size_t>(unitSize(method));
  for (std::size_t at = 0; at < stream.size() && stream[at] != 0;) {
    const std::uint8_t control = stream[at];
    if (control >= 0x80) {
      ++stats.repeats;
      stats.repeatUnits += control & 0x7F;
      at += 1 + unit;
    } else {
      ++stats.literals;
      stats.literalUnits += control;
      at += 1 + control * unit;
    }
  }
  return stats;
}

// Where each block of a stream starts and where its units go in the output. Given these,
// `place-I`/`place-II` time writing the blocks alone: one 16-byte load and store per block, less
// than any unpacker that writes block by block does, whatever way it finds the blocks.
struct BlockPlaces {
  std::vector<std::uint32_t> starts;
  std::vector<std::uint32_t> outputs;
  std::size_t outputBytes = 0;
};

BlockPlaces placesOf(const reference::Walk& walk) {
  BlockPlaces places;
  std::int64_t streamAt = 0;
  for (const reference::Block& block : walk.blocks) {
    places.starts.push_back(static_cast<std::uint32_t>(streamAt));
    places.outputs.push_back(static_cast<std::uint32_t>(places.outputBytes));
    streamAt = block.streamEnd;
    places.outputBytes = static_cast<std::size_t>(block.outputEnd);
  }
  return places;
}

Bytes toBytes(const ByteBuffer& buffer) {
  return {buffer.data(), buffer.data() + buffer.size()};
}

void writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  if (!file.flush()) throw std::runtime_error("cannot write " + path);
}

Bytes compressLz4(const Bytes& input) {
  Bytes out(static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(input.size()))));
  const int size = LZ4_compress_default(
      reinterpret_cast<const char*>(input.data()), reinterpret_cast<char*>(out.data()),
      static_cast<int>(input.size()), static_cast<int>(out.size()));
  if (size <= 0) throw std::runtime_error("LZ4 cannot compress");
  out.resize(static_cast<std::size_t>(size));
  return out;
}

// Packs and unpacks once with each codec and insists on getting the input back.
std::shared_ptr<Prepared> prepare(const DataSet& set, const std::filesystem::path& scratchFolder) {
  auto prepared = std::make_shared<Prepared>();
  prepared->set = &set;
  const std::string fail = "round trip failed on " + set.name + ": ";

  prepared->lz4 = compressLz4(set.bytes);
  Bytes back(set.bytes.size());
  const int got = LZ4_decompress_safe(
      reinterpret_cast<const char*>(prepared->lz4.data()), reinterpret_cast<char*>(back.data()),
      static_cast<int>(prepared->lz4.size()), static_cast<int>(back.size()));
  if (got != static_cast<int>(back.size()) || back != set.bytes)
    throw std::runtime_error(fail + "LZ4");

  prepared->inputPath = (scratchFolder / (set.name + ".bin")).string();
  writeFile(prepared->inputPath, set.bytes);
  QuietHost quiet;
  for (Method method : kMethods) {
    ByteBuffer packed;
    ByteBuffer unpacked;
    pack(method, set.bytes, packed, quiet);
    unpack(method, packed.bytes(), unpacked, quiet);
    if (toBytes(unpacked) != set.bytes)
      throw std::runtime_error(fail + "method " + methodName(method));
    const int i = index(method);
    prepared->packed[i] = toBytes(packed);
    prepared->blocks[i] = statsOf(reference::walkOf(method, prepared->packed[i]));
    prepared->packedPath[i] =
        (scratchFolder / (set.name + ".pack" + std::to_string(i + 1))).string();
    writeFile(prepared->packedPath[i], prepared->packed[i]);
  }
  return prepared;
}

void reportThroughput(benchmark::State& state, const DataSet& set, std::size_t packedSize,
                      const BlockStats& blocks = {}) {
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(set.bytes.size()));
  state.counters["packed"] = static_cast<double>(packedSize);
  state.counters["packed%"] =
      100.0 * static_cast<double>(packedSize) / static_cast<double>(set.bytes.size());
  if (blocks.literals + blocks.repeats != 0) {
    state.counters["literals"] = static_cast<double>(blocks.literals);
    state.counters["repeats"] = static_cast<double>(blocks.repeats);
    state.counters["literalUnits"] = static_cast<double>(blocks.literalUnits);
    state.counters["repeatUnits"] = static_cast<double>(blocks.repeatUnits);
  }
}

template <class Run>
void add(const Prepared& prepared, const std::string& operation, Run run) {
  const std::string name = prepared.set->name + "/" + operation;
  benchmark::RegisterBenchmark(name.c_str(), std::move(run))->Unit(benchmark::kMillisecond);
}

void addReferences(const std::shared_ptr<Prepared>& p) {
  add(*p, "memcpy", [p](benchmark::State& state) {
    const Bytes& input = p->set->bytes;
    Bytes out(input.size());
    for (auto _ : state) {
      std::memcpy(out.data(), input.data(), input.size());
      benchmark::DoNotOptimize(out.data());
      benchmark::ClobberMemory();
    }
    reportThroughput(state, *p->set, input.size());
  });
  add(*p, "lz4-compress", [p](benchmark::State& state) {
    const Bytes& input = p->set->bytes;
    Bytes out(static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(input.size()))));
    for (auto _ : state) {
      int size = LZ4_compress_default(reinterpret_cast<const char*>(input.data()),
                                      reinterpret_cast<char*>(out.data()),
                                      static_cast<int>(input.size()), static_cast<int>(out.size()));
      benchmark::DoNotOptimize(size);
    }
    reportThroughput(state, *p->set, p->lz4.size());
  });
  add(*p, "lz4-decompress", [p](benchmark::State& state) {
    Bytes out(p->set->bytes.size());
    for (auto _ : state) {
      int size = LZ4_decompress_safe(reinterpret_cast<const char*>(p->lz4.data()),
                                     reinterpret_cast<char*>(out.data()),
                                     static_cast<int>(p->lz4.size()), static_cast<int>(out.size()));
      benchmark::DoNotOptimize(size);
    }
    reportThroughput(state, *p->set, p->lz4.size());
  });
}

// Packs the data set (or unpacks its stream) on memory with `method`, forced to `path` when one
// is given. The result is checked once after the timed runs.
template <bool kPacking>
void addCodecRun(const std::shared_ptr<Prepared>& p, Method method, const std::string& operation,
                 std::optional<detail::SimdPath> path) {
  const int i = index(method);
  add(*p, operation, [p, method, i, path](benchmark::State& state) {
    const Bytes& input = kPacking ? p->set->bytes : p->packed[i];
    const Bytes& expected = kPacking ? p->packed[i] : p->set->bytes;
    ByteBuffer out;
    QuietHost quiet;
    if (path) detail::capSimdPath(*path);
    for (auto _ : state) {
      if constexpr (kPacking) {
        pack(method, input, out, quiet);
      } else {
        unpack(method, input, out, quiet);
      }
      benchmark::DoNotOptimize(out.data());
    }
    if (path) detail::capSimdPath(std::nullopt);
    if (toBytes(out) != expected) state.SkipWithError(kPacking ? "wrong stream" : "wrong output");
    reportThroughput(state, *p->set, p->packed[i].size(), p->blocks[i]);
  });
}

void addMemoryRuns(const std::shared_ptr<Prepared>& p, Method method) {
  const int i = index(method);
  addCodecRun<true>(p, method, std::string("pack-") + methodName(method), std::nullopt);
  add(*p, std::string("walk-") + methodName(method), [p, method, i](benchmark::State& state) {
    for (auto _ : state) {
      BlockStats stats = timedWalk(p->packed[i], method);
      benchmark::DoNotOptimize(stats);
    }
    if (!(timedWalk(p->packed[i], method) == p->blocks[i])) state.SkipWithError("wrong blocks");
    reportThroughput(state, *p->set, p->packed[i].size(), p->blocks[i]);
  });
  add(*p, std::string("place-") + methodName(method), [p, method, i](benchmark::State& state) {
    const BlockPlaces places = placesOf(reference::walkOf(method, p->packed[i]));
    Bytes stream = p->packed[i];
    stream.resize(stream.size() + 16);
    Bytes out(places.outputBytes + 16);
    for (auto _ : state) {
      for (std::size_t k = 0; k < places.starts.size(); ++k) {
        std::memcpy(out.data() + places.outputs[k], stream.data() + places.starts[k] + 1, 16);
      }
      benchmark::DoNotOptimize(out.data());
      benchmark::ClobberMemory();
    }
    reportThroughput(state, *p->set, p->packed[i].size(), p->blocks[i]);
  });
  addCodecRun<false>(p, method, std::string("unpack-") + methodName(method), std::nullopt);
}

// The routines on files, through the engine's process-wide state: each run opens and reads the
// file, then works on it. The result is checked once after the timed runs.
void addFileRuns(const std::shared_ptr<Prepared>& p, Method method) {
  const int i = index(method);
  add(*p, std::string("file-pack-") + methodName(method), [p, method, i](benchmark::State& state) {
    Engine engine;
    QuietHost host(p->inputPath);
    const auto routine = method == Method::kI ? &Engine::PackI : &Engine::PackII;
    for (auto _ : state) (engine.*routine)(host);
    if (toBytes(engine.outputBuffer()) != p->packed[i]) state.SkipWithError("wrong stream");
    reportThroughput(state, *p->set, p->packed[i].size(), p->blocks[i]);
  });
  add(*p, std::string("file-unpack-") + methodName(method),
      [p, method, i](benchmark::State& state) {
        Engine engine;
        QuietHost host(p->packedPath[i]);
        const auto routine = method == Method::kI ? &Engine::UnpackI : &Engine::UnpackII;
        for (auto _ : state) (engine.*routine)(host);
        if (toBytes(engine.outputBuffer()) != p->set->bytes) state.SkipWithError("wrong output");
        reportThroughput(state, *p->set, p->packed[i].size(), p->blocks[i]);
      });
}

// Packing and unpacking on memory with the method that suits the data, forced to each path below
// the best, which addMemoryRuns times.
void addPathRuns(const std::shared_ptr<Prepared>& p) {
  const Method method = p->set->wordUnits ? Method::kII : Method::kI;
  for (const detail::SimdPath path : timedPaths().first(timedPaths().size() - 1)) {
    addCodecRun<true>(p, method, pathOperation("pack", methodName(method), path), path);
    addCodecRun<false>(p, method, pathOperation("unpack", methodName(method), path), path);
  }
}

}  // namespace

std::span<const detail::SimdPath> timedPaths() {
  const auto supported = detail::supportedSimdPaths();
  return supported.first(static_cast<std::size_t>(detail::simdPath()) + 1);
}

std::string pathOperation(const std::string& direction, const std::string& method,
                          detail::SimdPath path) {
  const std::string operation = direction + "-" + method;
  if (path == timedPaths().back()) return operation;
  return operation + "-" + std::string(detail::simdPathName(path));
}

void registerBenchmarks(const DataSet& set, const std::filesystem::path& scratchFolder) {
  const auto prepared = prepare(set, scratchFolder);
  addReferences(prepared);
  for (Method method : kMethods) addMemoryRuns(prepared, method);
  addPathRuns(prepared);
  for (Method method : kMethods) addFileRuns(prepared, method);
}

}  // namespace ravlin::bench
