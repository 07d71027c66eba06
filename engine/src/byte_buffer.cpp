// The growable byte array behind the engine's output buffer and the C interface's pending output.
#include "ravlin/byte_buffer.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "ravlin/io_error.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

// Large buffers live in their own 2 MiB-aligned mappings advised for transparent huge pages: a
// whole file read into 4 KiB pages costs one page fault per 4 KiB, which for tens of MiB takes
// longer than packing them. Sanitized builds keep every buffer on the heap, where the sanitizer
// sees writes past the end.
#if defined(__linux__) && defined(MADV_HUGEPAGE)
#define RAVLIN_HUGE_PAGES 1
#if defined(__SANITIZE_ADDRESS__)
#undef RAVLIN_HUGE_PAGES
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#undef RAVLIN_HUGE_PAGES
#endif
#endif
#endif

namespace ravlin {

namespace {

// No allocation can be larger than the address space a pointer difference can span.
constexpr std::size_t kMaxCapacity = static_cast<std::size_t>(PTRDIFF_MAX);

#ifdef RAVLIN_HUGE_PAGES

// The size of a huge page on x86-64 and of the usual arm64 configuration. A capacity of this or
// more is always a whole number of huge pages held in a mapping of its own; a smaller one is on the
// heap. The capacity alone therefore tells how the memory is to be released.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

bool isMapped(std::size_t capacity) {
  return capacity >= kHugePage;
}

// Rounds a large capacity up to whole huge pages; the caller has checked that the result stays in
// range.
std::size_t wholeHugePages(std::size_t bytes) {
  if (!isMapped(bytes)) return bytes;
  return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

// A private anonymous mapping of `bytes` (whole huge pages) that starts on a huge-page boundary,
// or nullptr.
void* mapAligned(std::size_t bytes) {
  // Mapping one huge page more leaves room to cut an aligned stretch out of it.
  const std::size_t span = bytes + kHugePage;
  void* raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + kHugePage - 1) & ~(std::uintptr_t{kHugePage} - 1);
  const std::size_t head = aligned - start;
  if (head > 0) ::munmap(raw, head);
  if (span - head > bytes) ::munmap(reinterpret_cast<void*>(aligned + bytes), span - head - bytes);
  // Only advice: without huge pages the mapping works as well, just with more page faults.
  ::madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(aligned);
}

void release(std::uint8_t* data, std::size_t capacity) {
  if (isMapped(capacity)) {
    ::munmap(data, capacity);
  } else {
    std::free(data);
  }
}

// Moves the buffer into room for `capacity` bytes, keeping `size` bytes; false leaves it as it
// was.
bool resize(std::uint8_t*& data, std::size_t size, std::size_t& capacity, std::size_t newCapacity) {
  if (!isMapped(newCapacity)) {
    void* moved = std::realloc(data, newCapacity);
    if (moved == nullptr) return false;
    data = static_cast<std::uint8_t*>(moved);
    capacity = newCapacity;
    return true;
  }
  // Growing in place, when the addresses after the mapping are free, copies nothing and keeps the
  // alignment and the advice.
  if (isMapped(capacity) && ::mremap(data, capacity, newCapacity, 0) != MAP_FAILED) {
    capacity = newCapacity;
    return true;
  }
  void* fresh = mapAligned(newCapacity);
  if (fresh == nullptr) return false;
  if (!isMapped(capacity)) {
    if (size > 0) std::memcpy(fresh, data, size);
    release(data, capacity);
  } else if (::mremap(data, capacity, newCapacity, MREMAP_MAYMOVE | MREMAP_FIXED, fresh) !=
             MAP_FAILED) {
    // The kernel moved the pages onto the fresh aligned range: no byte was copied, so growing a
    // buffer of gigabytes takes no longer than growing a small one.
    ::madvise(fresh, newCapacity, MADV_HUGEPAGE);
  } else {
    // The old mapping is as it was; the range meant for it may already be gone.
    ::munmap(fresh, newCapacity);
    return false;
  }
  data = static_cast<std::uint8_t*>(fresh);
  capacity = newCapacity;
  return true;
}

#else

std::size_t wholeHugePages(std::size_t bytes) {
  return bytes;
}

void release(std::uint8_t* data, std::size_t) {
  std::free(data);
}

bool resize(std::uint8_t*& data, std::size_t, std::size_t& capacity, std::size_t newCapacity) {
  void* moved = std::realloc(data, newCapacity);
  if (moved == nullptr) return false;
  data = static_cast<std::uint8_t*>(moved);
  capacity = newCapacity;
  return true;
}

#endif

}  // namespace

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
  if (this != &other) {
    release(data_, capacity_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

ByteBuffer::~ByteBuffer() {
  release(data_, capacity_);
}

void ByteBuffer::reserve(std::size_t extra) {
  if (capacity_ - size_ >= extra) return;
  // The margin leaves room to round a large capacity up to whole huge pages.
  constexpr std::size_t kLimit = kMaxCapacity - (std::size_t{2} << 20);
  if (extra > kLimit - size_) throw IoError(IoErrorKind::kOutOfMemory);
  const std::size_t needed = size_ + extra;
  // Doubling keeps appends one unit at a time linear; a failed resize keeps the bytes.
  std::size_t grown = capacity_ < kLimit / 2 ? capacity_ * 2 : kLimit;
  if (grown < 256) grown = 256;
  const std::size_t wanted = wholeHugePages(grown > needed ? grown : needed);
  const std::size_t least = wholeHugePages(needed);
  // The doubled size may not fit where the size asked for still does.
  if (!resize(data_, size_, capacity_, wanted) &&
      (wanted == least || !resize(data_, size_, capacity_, least))) {
    throw IoError(IoErrorKind::kOutOfMemory);
  }
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
