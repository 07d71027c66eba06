// The engine's output sinks of ravlin-cli: one that passes a run's output on to an Output through a
// fixed buffer, and one that checks, while packing, that the stream unpacks back to the input.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "output.h"
#include "ravlin/codec.h"

namespace ravlin::cli {

class PackCheck;

// Collects a run's output in a buffer of kBufferBytes and writes it to `output` whenever the run
// needs more room than is left, and on flush().
class OutputStage final : public OutputSink {
 public:
  static constexpr std::size_t kBufferBytes = std::size_t{256} << 10;

  // `check`, when given, sees every committed byte at once.
  explicit OutputStage(Output& output, PackCheck* check = nullptr);

  std::span<std::uint8_t> room(std::size_t minBytes) override;
  void commit(std::size_t bytes) override;
  void flush();
  std::uint64_t bytesOut() const { return total_; }

 private:
  Output& output_;
  PackCheck* check_;
  std::unique_ptr<std::uint8_t[]> buffer_;  // left uninitialised: a small run touches little
  std::size_t capacity_ = kBufferBytes;
  std::size_t used_ = 0;
  std::uint8_t* lastRoom_ = nullptr;
  std::uint64_t total_ = 0;
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
