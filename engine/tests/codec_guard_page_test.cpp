// The fast loops' wide loads and stores stay inside their buffers: a stream or an input that ends
// right before a page that may not be touched, or starts right after one, and output room that
// ends right before one, on every processor path and at every offset modulo 64.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <span>
#include <string>

#include "codec_support.h"
#include "forced_path.h"
#include "ravlin/datagen.h"

namespace ravlin::testing {
namespace {

// Pages of memory between two pages that fault on any access.
class GuardedPages {
 public:
  explicit GuardedPages(std::size_t bytes)
      : page_(static_cast<std::size_t>(sysconf(_SC_PAGESIZE))),
        inner_((bytes + page_ - 1) / page_ * page_) {
    void* mapped = mmap(nullptr, inner_ + 2 * page_, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::runtime_error("mmap failed");
    base_ = static_cast<std::uint8_t*>(mapped);
    if (mprotect(base_, page_, PROT_NONE) != 0 ||
        mprotect(base_ + page_ + inner_, page_, PROT_NONE) != 0) {
      throw std::runtime_error("mprotect failed");
    }
  }
  ~GuardedPages() { munmap(base_, inner_ + 2 * page_); }
  GuardedPages(const GuardedPages&) = delete;
  GuardedPages& operator=(const GuardedPages&) = delete;

  // `bytes` copied to end right before the upper guard page, or to start right after the lower.
  std::span<const std::uint8_t> place(const Bytes& bytes, bool atEnd) {
    std::uint8_t* at = atEnd ? end() - bytes.size() : base_ + page_;
    if (!bytes.empty()) std::memcpy(at, bytes.data(), bytes.size());
    return {at, bytes.size()};
  }
  std::uint8_t* end() { return base_ + page_ + inner_; }
  std::size_t size() const { return inner_; }

 private:
  std::size_t page_;
  std::size_t inner_;
  std::uint8_t* base_;
};

// Gives room that ends right before a guard page, and keeps what is committed.
class GuardedSink final : public OutputSink {
 public:
  explicit GuardedSink(GuardedPages& pages) : pages_(pages) {}
  std::span<std::uint8_t> room(std::size_t minBytes) override {
    if (minBytes > pages_.size()) throw std::runtime_error("more room asked than guarded");
    room_ = pages_.end() - minBytes;
    return {room_, minBytes};
  }
  void commit(std::size_t bytes) override { output.insert(output.end(), room_, room_ + bytes); }

  Bytes output;

 private:
  GuardedPages& pages_;
  std::uint8_t* room_ = nullptr;
};

// The first `count` bytes of a stream of whole blocks of unit size U: one literal, and a repeat.
Bytes blocksOfSize(std::size_t count, int unitBytes) {
  Bytes bytes;
  if (unitBytes == 2 && count % 2 == 0) {
    bytes = hex("82 41 00");
    count -= 3;
  }
  bytes.push_back(static_cast<std::uint8_t>((count - 1) / static_cast<std::size_t>(unitBytes)));
  for (std::size_t k = 1; k < count; ++k) bytes.push_back(static_cast<std::uint8_t>(k * 7));
  return bytes;
}

Outcome runGuarded(bool packing, Method method, std::span<const std::uint8_t> input,
                   GuardedPages& roomPages) {
  GuardedSink sink(roomPages);
  RecordingHost host(Reporting::kChanges);
  Outcome outcome;
  try {
    if (packing) {
      Packer packer(method, host, input.size());
      packer.write(input, sink);
      packer.finish(sink);
    } else {
      Unpacker unpacker(method, host, input.size());
      unpacker.write(input, sink);
      unpacker.finish(sink);
    }
  } catch (const IoError& error) {
    outcome.error = error.what();
  }
  outcome.output = sink.output;
  outcome.calls = host.calls;
  return outcome;
}

TEST(GuardPages, EveryPathStaysInsideItsBuffers) {
  GuardedPages inputPages(1 << 20);
  GuardedPages roomPages(4 << 20);
  for (const Method method : {Method::kI, Method::kII}) {
    const int unitBytes = unitSize(method);
    // Short blocks, long literals and long runs; a stream that ends after its last block and one
    // that ends in its end marker.
    const Bytes data =
        (method == Method::kI ? datagen::spriteBytes(20000, 3) : datagen::imageWords(20000, 3)) +
        counting(0, 250, unitBytes) + Bytes(3000, 0x41);
    ByteBuffer packed;
    QuietHost quiet;
    pack(method, data, packed, quiet);
    const Bytes stream(packed.bytes().begin(), packed.bytes().end());
    for (const detail::SimdPath path : detail::supportedSimdPaths()) {
      const ForcedPath forced(path);
      for (std::size_t offset = 0; offset < 64; ++offset) {
        const Bytes prefixed = blocksOfSize(64 + offset, unitBytes) + stream;
        const Bytes withoutMarker(prefixed.begin(), prefixed.end() - 1);
        const Bytes input(data.begin(), data.end() - static_cast<long>(offset));
        for (const bool atEnd : {true, false}) {
          SCOPED_TRACE("method " + std::to_string(unitBytes) + ", path " + pathName(path) +
                       ", offset " + std::to_string(offset) + (atEnd ? ", at the end" : ""));
          for (const Bytes* unpacking : {&prefixed, &withoutMarker}) {
            const Outcome expected =
                run(&reference::unpack, method, *unpacking, Reporting::kChanges);
            const Outcome got =
                runGuarded(false, method, inputPages.place(*unpacking, atEnd), roomPages);
            ASSERT_EQ(got.output, expected.output);
            ASSERT_EQ(got.error, expected.error);
          }
          const Outcome expected = run(&reference::pack, method, input, Reporting::kChanges);
          const Outcome got = runGuarded(true, method, inputPages.place(input, atEnd), roomPages);
          ASSERT_EQ(got.output, expected.output);
          ASSERT_EQ(got.error, expected.error);
        }
      }
    }
  }
}

}  // namespace
}  // namespace ravlin::testing
