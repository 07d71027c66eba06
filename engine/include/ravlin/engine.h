// Ravlin's packing engine: a plain run-length code for raw graphics data.
//
// The packed stream is a sequence of blocks closed by an end marker, with no header:
//   0x00          end marker; reading stops
//   0x01..0x7F    literal block: that many units follow, copied as they are
//   0x80..0xFF    repeat block: one unit follows, standing for (control & 0x7F) units
// A unit is one byte (method I) or one 16-bit little-endian word (method II). The packers write
// repeat blocks of 2..127 units and literal blocks of 1..127 units, greedily, and end every stream
// with 0x00. The unpackers accept any control byte and a stream that ends after a whole block.
//
// Progress: after every block a run calls host.ProcessEvents(), host.SetBarCaption("N%") and
// host.SetBarWidth(2 * |N|), where N is
//   unpacking: (P * 100) / (S - 1)   P bytes of the stream read so far, S its size;
//   packing:   100 - (L * 100) / S   L bytes of stream written so far, S the input's size,
// in 64-bit integer arithmetic truncating toward zero. No update follows the end marker nor the
// packer's last one or two units. A host asking for Reporting::kChanges hears only of changes.
//
// Errors are IoError exceptions. After a failure the output buffer holds what the run appended
// before it, and the bar keeps its last update.
//
// Usage, on memory:
//   ravlin::ByteBuffer out;
//   ravlin::QuietHost quiet;
//   ravlin::pack(ravlin::Method::kI, input, out, quiet);
// On files, with the process-wide state (packers divide by the size of the file as opened):
//   ravlin::Engine engine;              // owns the output buffer and the current input path
//   engine.PackI(host);                 // reads host.InputPath(), leaves the stream in
//   engine.outputBuffer().bytes();      // ... the output buffer
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "ravlin/byte_buffer.h"
#include "ravlin/file_system.h"
#include "ravlin/host.h"
#include "ravlin/io_error.h"

namespace ravlin {

enum class Method {
  kI,   // byte units, for 1..8 bits per pixel
  kII,  // 16-bit little-endian word units, for 15 bits per pixel
};

// Size in bytes of one unit of `method`.
constexpr int unitSize(Method method) { return method == Method::kI ? 1 : 2; }

// Packs `input` into `out` (emptied first). Needs at least two units; a shorter input throws
// IoError(kReadBeyondEnd), as does a method II input whose size is odd, when its last byte is met.
void pack(Method method, std::span<const std::uint8_t> input, ByteBuffer& out, Host& host);

// Unpacks `stream` into `out` (emptied first). Throws IoError(kReadBeyondEnd) when the stream is
// empty or ends inside a block; `out` then holds the units decoded before that point.
void unpack(Method method, std::span<const std::uint8_t> stream, ByteBuffer& out, Host& host);

// The four file routines and the state they share: the output buffer, the current input path and
// the input size. Each routine takes its input path from the host, records it as the current
// input path, reads the file and leaves its result in the output buffer (emptied first).
class Engine {
 public:
  explicit Engine(FileSystem& fs = FileSystem::system()) : fs_(fs) {}

  void PackI(Host& host);
  void PackII(Host& host);
  void UnpackI(Host& host);
  void UnpackII(Host& host);

  // Takes the size of the file at host.InputPath() without opening it and stores it as the input
  // size; a file that cannot be found gives 0. Returns the stored size.
  std::int64_t GetInputSize(Host& host);

  const ByteBuffer& outputBuffer() const noexcept { return outputBuffer_; }
  const std::string& currentInputPath() const noexcept { return currentInputPath_; }
  std::int64_t inputSize() const noexcept { return inputSize_; }

 private:
  void run(Method method, bool packing, Host& host);

  FileSystem& fs_;
  ByteBuffer outputBuffer_;
  ByteBuffer input_;
  std::string currentInputPath_;
  std::int64_t inputSize_ = 0;
};

}  // namespace ravlin
