// The growable byte array behind the output buffer and the input buffer.
#include "ravlin/byte_buffer.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "ravlin/io_error.h"

namespace ravlin {

namespace {

// No allocation can be larger than the address space a pointer difference can span.
constexpr std::size_t kMaxCapacity = static_cast<std::size_t>(PTRDIFF_MAX);

}  // namespace

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

ByteBuffer::~ByteBuffer() {
  std::free(data_);
}

void ByteBuffer::reserve(std::size_t extra) {
  if (capacity_ - size_ >= extra) return;
  if (extra > kMaxCapacity - size_) throw IoError(IoErrorKind::kOutOfMemory);
  const std::size_t needed = size_ + extra;
  // Doubling keeps appends one unit at a time linear; realloc keeps the bytes when it fails.
  std::size_t grown = capacity_ < kMaxCapacity / 2 ? capacity_ * 2 : kMaxCapacity;
  if (grown < 256) grown = 256;
  std::size_t newCapacity = grown > needed ? grown : needed;
  void* moved = std::realloc(data_, newCapacity);
  if (moved == nullptr && newCapacity > needed) {
    // The doubled size may not fit where the size asked for still does.
    newCapacity = needed;
    moved = std::realloc(data_, newCapacity);
  }
  if (moved == nullptr) throw IoError(IoErrorKind::kOutOfMemory);
  data_ = static_cast<std::uint8_t*>(moved);
  capacity_ = newCapacity;
}

void ByteBuffer::append(const std::uint8_t* bytes, std::size_t count) {
  if (count == 0) return;
  reserve(count);
  std::memcpy(data_ + size_, bytes, count);
  size_ += count;
}

void ByteBuffer::append(std::uint8_t byte) {
  if (size_ == capacity_) reserve(1);
  data_[size_++] = byte;
}

}  // namespace ravlin
