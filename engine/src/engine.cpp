// The four file routines and the state they share: output buffer, current input path, input size.
#include "ravlin/engine.h"

#include <memory>

#include "ravlin/io_error.h"

namespace ravlin {

namespace {

// The input is read in pieces of this size into one buffer: memory stays the same whatever the
// file's size, and no single read keeps the window from its events for long.
constexpr std::size_t kReadBytes = std::size_t{1} << 20;

}  // namespace

void Engine::PackI(Host& host) {
  run(Method::kI, true, host);
}
void Engine::PackII(Host& host) {
  run(Method::kII, true, host);
}
void Engine::UnpackI(Host& host) {
  run(Method::kI, false, host);
}
void Engine::UnpackII(Host& host) {
  run(Method::kII, false, host);
}

std::int64_t Engine::GetInputSize(Host& host) {
  const std::int64_t size = fs_.sizeOf(host.inputPath());
  inputSize_ = size < 0 ? 0 : size;
  return inputSize_;
}

void Engine::run(Method method, bool packing, Host& host) {
  outputBuffer_.clear();
  currentInputPath_ = host.inputPath();
  RegularFileReader input(fs_, currentInputPath_);
  const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(kReadBytes);
  std::uint64_t bytesRead = 0;
  const auto readPiece = [&] {
    const std::size_t n = input.read(buffer.get(), kReadBytes);
    bytesRead += n;
    return std::span<const std::uint8_t>(buffer.get(), n);
  };
  // A file that ends before the size it had when it was opened has shrunk while it was read:
  // what was read of it is neither the old file nor the new one, and must not pass for either.
  const auto failIfCutShort = [&] {
    if (bytesRead < input.size()) throw IoError(IoErrorKind::kReadBeyondEnd);
  };
  BufferSink sink(outputBuffer_);
  if (packing) {
    // Packers divide by the size of the file as opened.
    inputSize_ = static_cast<std::int64_t>(input.size());
    Packer packer(method, host, input.size());
    for (auto piece = readPiece(); !piece.empty(); piece = readPiece()) packer.write(piece, sink);
    input.close();
    failIfCutShort();
    packer.finish(sink);
  } else {
    Unpacker unpacker(method, host, input.size());
    // Reading stops at the end marker.
    while (!unpacker.endMarkerSeen()) {
      const auto piece = readPiece();
      if (piece.empty()) break;
      unpacker.write(piece, sink);
    }
    input.close();
    // A stream cut inside a block fails here, after the whole units it still holds.
    unpacker.finish(sink);
    // A file cut between two blocks would otherwise pass for a stream without an end marker.
    if (!unpacker.endMarkerSeen()) failIfCutShort();
  }
}

}  // namespace ravlin
