// Ravlin's codec: a plain run-length code for raw graphics data, on memory or streamed in chunks.
//
// The packed stream is a sequence of blocks closed by an end marker, with no header:
//   0x00          end marker; reading stops
//   0x01..0x7F    literal block: that many units follow, copied as they are
//   0x80..0xFF    repeat block: one unit follows, standing for (control & 0x7F) units
// A unit is one byte (method I) or one 16-bit little-endian word (method II). The packers write
// repeat blocks of 2..127 units and literal blocks of 1..127 units, greedily, and end every stream
// with 0x00. The unpackers accept any control byte and a stream that ends after a whole block.
//
// Progress: after every block a run calls host.processEvents(), host.setBarCaption("N%") and
// host.setBarWidth(2 * |N|), where N is
//   unpacking: (P * 100) / (S - 1)   P bytes of the stream read so far, S its size;
//   packing:   100 - (L * 100) / S   L bytes of stream written so far, S the input's size,
// in 64-bit integer arithmetic truncating toward zero. No update follows the end marker nor the
// packer's last one or two units. A host asking for Reporting::kChanges hears only of changes,
// and of processEvents() once every kEventStrideBytes of input. When S is not known (a pipe) a
// run shows no percentage: it only calls processEvents(), after every block or once per stride.
//
// Errors are IoError exceptions. After a failure the output holds what the run produced before
// it, and the bar keeps its last update.
//
// Usage, on memory:
//   ravlin::ByteBuffer out;
//   ravlin::QuietHost quiet;
//   ravlin::pack(ravlin::Method::kI, input, out, quiet);
// Streaming, with the input in pieces of any size (say, reads from a pipe):
//   ravlin::BufferSink sink(out);
//   ravlin::Packer packer(ravlin::Method::kI, quiet, std::nullopt);
//   while (... a piece ...) packer.write(piece, sink);
//   packer.finish(sink);
// However the input is cut into pieces, the output, the errors and the host calls are the same as
// for the whole input in one piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "ravlin/byte_buffer.h"
#include "ravlin/host.h"
#include "ravlin/io_error.h"

namespace ravlin {

enum class Method {
  kI,   // byte units, for 1..8 bits per pixel
  kII,  // 16-bit little-endian word units, for 15 bits per pixel
};

// Size in bytes of one unit of `method`.
constexpr int unitSize(Method method) {
  return method == Method::kI ? 1 : 2;
}

// Where a streaming run writes: it asks for room, writes into it, then says how much it used.
// Everything committed is final output; a run commits before every call to its Host, so that the
// output is up to date whenever a host (or an error) ends the run.
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  // At least `minBytes` bytes of room, valid until the next call on the sink. May throw IoError.
  virtual std::span<std::uint8_t> room(std::size_t minBytes) = 0;
  // The first `bytes` bytes of the last room() are output. May throw IoError.
  virtual void commit(std::size_t bytes) = 0;
};

// Appends to a ByteBuffer, which the run writes into directly. The buffer is not emptied first.
class BufferSink final : public OutputSink {
 public:
  explicit BufferSink(ByteBuffer& buffer) : buffer_(buffer) {}
  std::span<std::uint8_t> room(std::size_t minBytes) override {
    buffer_.reserve(minBytes);
    return {buffer_.data() + buffer_.size(), buffer_.capacity() - buffer_.size()};
  }
  void commit(std::size_t bytes) override { buffer_.commit(buffer_.size() + bytes); }

 private:
  ByteBuffer& buffer_;
};

// What a packer does with an input of fewer than two units, which the scan cannot start on.
enum class ShortInput {
  kRefuse,  // IoError(kReadBeyondEnd), like every file routine
  kPack,    // 0 units give "00", 1 unit u gives "01 u 00": every input has a stream
};

// Packs an input handed over in chunks. Blocks are written as soon as they are certain; the last
// few hundred units wait for finish(), which knows where the input ends.
class Packer {
 public:
  // `inputBytes`: the input's size, the divisor of the percentage; std::nullopt when unknown.
  Packer(Method method, Host& host, std::optional<std::uint64_t> inputBytes,
         ShortInput shortInput = ShortInput::kRefuse);
  ~Packer();
  Packer(Packer&&) noexcept;
  Packer& operator=(Packer&&) noexcept;

  // The next `chunk` of the input, of any size, including 0. May throw what the sink or the host
  // throws.
  void write(std::span<const std::uint8_t> chunk, OutputSink& sink);
  // The end of the input: the last blocks and the end marker. An input of fewer than two units,
  // or a method II input that ends in half a unit, throws IoError(kReadBeyondEnd) at the block
  // where it runs out (unless ShortInput::kPack applies), after committing what came before.
  void finish(OutputSink& sink);

  class Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// Unpacks a stream handed over in chunks; output is written block by block.
class Unpacker {
 public:
  // `streamBytes`: the stream's size, for the percentage; std::nullopt when unknown.
  Unpacker(Method method, Host& host, std::optional<std::uint64_t> streamBytes);
  ~Unpacker();
  Unpacker(Unpacker&&) noexcept;
  Unpacker& operator=(Unpacker&&) noexcept;

  // Returns how many bytes of `chunk` it took: all of them until the end marker is met, then only
  // up to and including the marker (the rest are trailing bytes the caller may count or report).
  std::size_t write(std::span<const std::uint8_t> chunk, OutputSink& sink);
  // The end of the stream: IoError(kReadBeyondEnd) for an empty stream or one that ends inside a
  // block (the whole units present of a cut literal block are output first); a stream that ends
  // after a whole block without an end marker ends normally.
  void finish(OutputSink& sink);
  bool endMarkerSeen() const;
  // Stream bytes taken in whole blocks, the end marker included.
  std::uint64_t streamBytesRead() const;

  class Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// Packs `input` into `out` (emptied first), dividing the percentage by input.size(). Needs at
// least two units; a shorter input throws IoError(kReadBeyondEnd), as does a method II input whose
// size is odd, when its last byte is met.
void pack(Method method, std::span<const std::uint8_t> input, ByteBuffer& out, Host& host);

// Unpacks `stream` into `out` (emptied first). Throws IoError(kReadBeyondEnd) when the stream is
// empty or ends inside a block; `out` then holds the units decoded before that point.
void unpack(Method method, std::span<const std::uint8_t> stream, ByteBuffer& out, Host& host);

}  // namespace ravlin
