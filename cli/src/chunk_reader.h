// Reading an input chunk by chunk, the next chunk on a worker thread while the caller works on
// this one.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "input_source.h"
#include "worker_thread.h"

namespace ravlin::cli {

// The two chunks a ChunkReader reads into, kept across inputs: left uninitialised, so that a small
// input touches only what it fills.
class ChunkMemory {
 public:
  static constexpr std::size_t kChunkBytes = std::size_t{256} << 10;
  ChunkMemory() : bytes_(new std::uint8_t[2 * kChunkBytes]) {}
  std::span<std::uint8_t> chunk(int index) {
    return {bytes_.get() + index * kChunkBytes, kChunkBytes};
  }

 private:
  std::unique_ptr<std::uint8_t[]> bytes_;
};

class ChunkReader {
 public:
  ChunkReader(InputSource& input, ChunkMemory& memory) : input_(input), memory_(memory) {}

  // The next chunk of the input, empty at its end; valid until the next call. Throws what reading
  // threw. After a full chunk, the one after it is read ahead; an input that fits one chunk is
  // read on the caller's thread alone.
  std::span<const std::uint8_t> next();

 private:
  InputSource& input_;
  ChunkMemory& memory_;
  int current_ = 0;
  bool aheadPending_ = false;
  std::size_t aheadBytes_ = 0;
  WorkerThread reader_;  // last, so that a read ahead is done before the rest goes
};

}  // namespace ravlin::cli
