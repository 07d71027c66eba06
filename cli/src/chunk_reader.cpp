#include "chunk_reader.h"

namespace ravlin::cli {

std::span<const std::uint8_t> ChunkReader::next() {
  std::size_t bytes = 0;
  if (aheadPending_) {
    reader_.wait();
    aheadPending_ = false;
    current_ = 1 - current_;
    bytes = aheadBytes_;
  } else {
    bytes = input_.read(memory_.chunk(current_));
  }
  if (bytes == ChunkMemory::kChunkBytes) {
    reader_.start([this, ahead = memory_.chunk(1 - current_)] { aheadBytes_ = input_.read(ahead); });
    aheadPending_ = true;
  }
  return memory_.chunk(current_).first(bytes);
}

}  // namespace ravlin::cli
