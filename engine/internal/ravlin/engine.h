// The four file routines of the window and the process-wide state they share: the output buffer,
// the current input path and the input size.
//
// Each routine takes its input path from the host, records it as the current input path, opens
// the file (only a regular file: a folder, FIFO or device is refused at once, without blocking, as
// "File access denied"), reads it in chunks of a fixed size and leaves its result in the output
// buffer (emptied first). The stream and the progress are those of ravlin/codec.h, with the file's
// size as S. A file that yields fewer bytes than the size it had when it was opened (it shrank
// while it was read) fails with "Read beyond end of file", unless an unpacker has already met the
// end marker.
//
// Usage:
//   ravlin::Engine engine;              // owns the output buffer and the current input path
//   engine.PackI(host);                 // reads host.inputPath(), leaves the stream in
//   engine.outputBuffer().bytes();      // ... the output buffer
#pragma once

#include <cstdint>
#include <string>

#include "ravlin/byte_buffer.h"
#include "ravlin/codec.h"
#include "ravlin/file_system.h"
#include "ravlin/host.h"

namespace ravlin {

class Engine {
 public:
  explicit Engine(FileSystem& fs = FileSystem::system()) : fs_(fs) {}

  void PackI(Host& host);
  void PackII(Host& host);
  void UnpackI(Host& host);
  void UnpackII(Host& host);

  // Takes the size of the file at host.inputPath() without opening it and stores it as the input
  // size; a file that cannot be found gives 0. Returns the stored size.
  std::int64_t GetInputSize(Host& host);

  const ByteBuffer& outputBuffer() const noexcept { return outputBuffer_; }
  const std::string& currentInputPath() const noexcept { return currentInputPath_; }
  std::int64_t inputSize() const noexcept { return inputSize_; }

 private:
  void run(Method method, bool packing, Host& host);

  FileSystem& fs_;
  ByteBuffer outputBuffer_;
  std::string currentInputPath_;
  std::int64_t inputSize_ = 0;
};

}  // namespace ravlin
