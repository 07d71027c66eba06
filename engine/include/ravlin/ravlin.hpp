// libravlin for C++: a header-only layer over the C interface of ravlin/ravlin.h, whose comments
// say what every call guarantees. Errors become ravlin::api::Error exceptions carrying the C
// error code; contexts are RAII classes; buffers are spans and vectors. Needs C++20.
//
//   #include <ravlin/ravlin.hpp>
//   namespace rv = ravlin::api;
//   const std::vector<std::uint8_t> packed = rv::pack(rv::Method::kI, pixels);
//   const std::vector<std::uint8_t> pixelsAgain = rv::unpack(rv::Method::kI, packed);
//
//   rv::Packer packer(rv::Method::kII);           // streaming: pieces of any size
//   packer.onProgress([](std::uint64_t done, std::uint64_t total) { ... }, inputSize);
//   std::vector<std::uint8_t> out;
//   while (... a piece ...) packer.write(piece, out);  // appends what is ready
//   packer.finish(out);
//
// Only the C functions cross the library boundary; everything here is compiled into the caller.
// A progress callback may throw: the stream stops and the exception comes out of the call that
// reported the progress. Thread safety is that of the C interface: one context per thread.
#pragma once

#if __cplusplus < 202002L
#error "ravlin/ravlin.hpp needs C++20 (-std=c++20); C callers include ravlin/ravlin.h"
#endif

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

#include "ravlin/ravlin.h"

namespace ravlin::api {

enum class Method {
  kI = RAVLIN_METHOD_I,   // byte units
  kII = RAVLIN_METHOD_II  // 16-bit little-endian word units
};

class Error : public std::runtime_error {
 public:
  explicit Error(ravlin_error code) : std::runtime_error(ravlin_error_name(code)), code_(code) {}
  ravlin_error code() const noexcept { return code_; }

 private:
  ravlin_error code_;
};

inline void check(ravlin_error code) {
  if (code != RAVLIN_OK) throw Error(code);
}

inline ravlin_method toC(Method method) noexcept {
  return static_cast<ravlin_method>(method);
}

inline std::size_t packBound(Method method, std::size_t inputSize) noexcept {
  return ravlin_pack_bound(toC(method), inputSize);
}

// Packs `input` into `output` and returns the stream's size; Error(RAVLIN_ERROR_OUTPUT_FULL)
// when it does not fit.
inline std::size_t pack(Method method, std::span<const std::uint8_t> input,
                        std::span<std::uint8_t> output) {
  std::size_t size = 0;
  check(ravlin_pack(toC(method), input.data(), input.size(), output.data(), output.size(), &size));
  return size;
}

inline std::vector<std::uint8_t> pack(Method method, std::span<const std::uint8_t> input) {
  std::vector<std::uint8_t> output(packBound(method, input.size()));
  output.resize(pack(method, input, output));
  return output;
}

// Unpacks `input` into `output` and returns the output's size; Error(RAVLIN_ERROR_OUTPUT_FULL)
// when it does not fit.
inline std::size_t unpack(Method method, std::span<const std::uint8_t> input,
                          std::span<std::uint8_t> output) {
  std::size_t size = 0;
  check(
      ravlin_unpack(toC(method), input.data(), input.size(), output.data(), output.size(), &size));
  return size;
}

namespace detail {

template <typename Context>
struct StreamCalls;

template <>
struct StreamCalls<ravlin_packer> {
  static constexpr auto create = ravlin_packer_create;
  static constexpr auto free = ravlin_packer_free;
  static constexpr auto setProgress = ravlin_packer_set_progress;
  static constexpr auto write = ravlin_packer_write;
  static constexpr auto finish = ravlin_packer_finish;
  static constexpr auto pending = ravlin_packer_pending;
};

template <>
struct StreamCalls<ravlin_unpacker> {
  static constexpr auto create = ravlin_unpacker_create;
  static constexpr auto free = ravlin_unpacker_free;
  static constexpr auto setProgress = ravlin_unpacker_set_progress;
  static constexpr auto write = ravlin_unpacker_write;
  static constexpr auto finish = ravlin_unpacker_finish;
  static constexpr auto pending = ravlin_unpacker_pending;
};

// The callback of a stream, at an address that stays put when the stream moves, with the
// exception it threw, kept until the stream's call returns.
struct Progress {
  std::function<void(std::uint64_t done, std::uint64_t total)> callback;
  std::exception_ptr thrown;

  static int report(std::uint64_t done, std::uint64_t total, void* user) noexcept {
    auto* progress = static_cast<Progress*>(user);
    try {
      progress->callback(done, total);
      return 0;
    } catch (...) {
      progress->thrown = std::current_exception();
      return 1;
    }
  }
};

// A packer or an unpacker: the C context, owned.
template <typename Context>
class Stream {
  using Calls = StreamCalls<Context>;

 public:
  explicit Stream(Method method) { check(Calls::create(&context_, toC(method))); }
  ~Stream() { Calls::free(context_); }
  Stream(Stream&& other) noexcept
      : context_(std::exchange(other.context_, nullptr)),
        progress_(std::move(other.progress_)),
        room_(std::move(other.room_)) {}
  Stream& operator=(Stream&& other) noexcept {
    std::swap(context_, other.context_);
    std::swap(progress_, other.progress_);
    std::swap(room_, other.room_);
    return *this;
  }

  // Calls `callback` with the input bytes taken so far and `total`; before the first write.
  void onProgress(std::function<void(std::uint64_t, std::uint64_t)> callback,
                  std::uint64_t total = RAVLIN_SIZE_UNKNOWN) {
    progress_ = std::make_unique<Progress>(Progress{std::move(callback), nullptr});
    Calls::setProgress(context_, &Progress::report, progress_.get(), total);
  }

  // The C calls, with errors as exceptions.
  void write(ravlin_in& in, ravlin_out& out) { call(Calls::write(context_, &in, &out)); }
  void finish(ravlin_out& out) { call(Calls::finish(context_, &out)); }
  std::size_t pending() const noexcept { return Calls::pending(context_); }

  // Takes `input` (an unpacker stops after the end marker) and appends the output to `output`;
  // returns the input bytes taken.
  std::size_t write(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& output) {
    ravlin_in in{input.data(), input.size(), 0};
    do {
      appendFrom(output, [&](ravlin_out& out) { write(in, out); });
    } while ((in.pos < in.size && !ended()) || pending() > 0);
    return in.pos;
  }

  // Ends the input and appends the rest of the output to `output`.
  void finish(std::vector<std::uint8_t>& output) {
    do {
      appendFrom(output, [&](ravlin_out& out) { finish(out); });
    } while (pending() > 0);
  }

 protected:
  bool ended() const noexcept {
    if constexpr (std::is_same_v<Context, ravlin_unpacker>) {
      return ravlin_unpacker_ended(context_) != 0;
    } else {
      return false;
    }
  }

 private:
  // Runs `step` on a room of its own and appends what it wrote, also when it throws.
  template <typename Step>
  void appendFrom(std::vector<std::uint8_t>& output, Step step) {
    room_.resize(std::size_t{64} << 10);
    ravlin_out out{room_.data(), room_.size(), 0};
    const auto keep = [&] { output.insert(output.end(), room_.data(), room_.data() + out.pos); };
    try {
      step(out);
    } catch (...) {
      keep();
      throw;
    }
    keep();
  }

  void call(ravlin_error code) {
    if (code == RAVLIN_ERROR_STOPPED && progress_ && progress_->thrown) {
      std::rethrow_exception(std::exchange(progress_->thrown, nullptr));
    }
    check(code);
  }

  Context* context_ = nullptr;
  std::unique_ptr<Progress> progress_;
  std::vector<std::uint8_t> room_;
};

}  // namespace detail

class Packer : public detail::Stream<ravlin_packer> {
 public:
  using Stream::Stream;
};

class Unpacker : public detail::Stream<ravlin_unpacker> {
 public:
  using Stream::Stream;
  // Whether the end marker has been taken.
  using Stream::ended;
};

// Unpacks `input` whatever its output's size, taking the output in pieces.
inline std::vector<std::uint8_t> unpack(Method method, std::span<const std::uint8_t> input) {
  std::vector<std::uint8_t> output;
  Unpacker unpacker(method);
  unpacker.write(input, output);
  unpacker.finish(output);
  return output;
}

}  // namespace ravlin::api
