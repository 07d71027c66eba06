// The engine's output sinks of ravlin-cli: one that passes a run's output on to an Output through a
// fixed buffer, and one that checks, while packing, that the stream unpacks back to the input.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "worker_thread.h"
#include "output.h"
#include "ravlin/codec.h"

namespace ravlin::cli {

class PackCheck;

// Collects a run's output in buffers of kBufferBytes. A full buffer is written to `output` on a
// thread of its own while the run fills the other one; flush() returns once everything is written.
class OutputStage final : public OutputSink {
 public:
  static constexpr std::size_t kBufferBytes = std::size_t{1} << 20;

  // `check`, when given, sees every committed byte at once.
  explicit OutputStage(Output& output, PackCheck* check = nullptr);

  std::span<std::uint8_t> room(std::size_t minBytes) override;
  void commit(std::size_t bytes) override;
  // Writes what is collected and waits for every write; throws what a write threw.
  void flush();
  std::uint64_t bytesOut() const { return total_; }

 private:
  struct Buffer {
    std::unique_ptr<std::uint8_t[]> bytes;  // left uninitialised: a small run touches little
    std::size_t capacity = 0;
    void reserve(std::size_t minBytes);
  };

  // Hands the filled buffer to the writer and takes the other one.
  void handOff();

  PackCheck* check_;
  Output& output_;
  Buffer filling_;
  Buffer written_;  // the one the writer has, allocated only when an output fills a first buffer
  std::size_t used_ = 0;
  std::uint8_t* lastRoom_ = nullptr;
  std::uint64_t total_ = 0;
  WorkerThread writer_;  // last, so that it is done with the buffers before they go
};

// Unpacks a stream as it is written and holds it against the input that was packed. The input
// waits in a queue only until its units come back out, so the queue stays about as small as the
// packer's look-ahead and the memory stays bounded for any input size.
class PackCheck {
 public:
  explicit PackCheck(Method method);
  ~PackCheck();

  // Input bytes, in the order they are handed to the packer; before the packer gets them.
  void input(std::span<const std::uint8_t> bytes);
  // Stream bytes, in the order the packer writes them.
  void stream(std::span<const std::uint8_t> bytes);
  // True when the stream ended with its marker and unpacked to exactly the input.
  bool finish();

 private:
  class Comparison;
  std::unique_ptr<Comparison> comparison_;
  QuietHost quiet_;
  Unpacker unpacker_;
  bool failed_ = false;
};

}  // namespace ravlin::cli
