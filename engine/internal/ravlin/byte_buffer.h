// A growable byte array: the engine's output buffer, and the output that a C interface stream
// holds while the caller's room is full.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace ravlin {

// Grows geometrically; running out of memory throws IoError(IoErrorKind::kOutOfMemory) and leaves
// the bytes already appended in place. Move-only.
class ByteBuffer {
 public:
  ByteBuffer() = default;
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;
  ByteBuffer(ByteBuffer&& other) noexcept;
  ByteBuffer& operator=(ByteBuffer&& other) noexcept;
  ~ByteBuffer();

  const std::uint8_t* data() const noexcept { return data_; }
  std::uint8_t* data() noexcept { return data_; }
  std::size_t size() const noexcept { return size_; }
  std::size_t capacity() const noexcept { return capacity_; }
  bool empty() const noexcept { return size_ == 0; }
  std::span<const std::uint8_t> bytes() const noexcept { return {data_, size_}; }

  // Empties the buffer; keeps its memory for the next run.
  void clear() noexcept { size_ = 0; }
  // Makes room for at least `extra` more bytes beyond size().
  void reserve(std::size_t extra);
  void append(const std::uint8_t* bytes, std::size_t count);
  void append(std::uint8_t byte);
  // Sets the size to `newSize` (<= capacity()), after the caller wrote past size() into the room
  // that reserve() made.
  void commit(std::size_t newSize) noexcept { size_ = newSize; }

 private:
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace ravlin
