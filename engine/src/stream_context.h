// The state behind the C interface's packer and unpacker: the engine's Packer or Unpacker fed in
// bounded pieces, with the output that did not fit in the caller's room kept for the next call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <variant>

#include "ravlin/byte_buffer.h"
#include "ravlin/codec.h"
#include "ravlin/host.h"
#include "ravlin/ravlin.h"

namespace ravlin::detail {

// An error of the C interface that the engine has no kind for, thrown inside the library and
// turned into its code at the boundary.
struct InterfaceError {
  ravlin_error code;
};

// The code of the exception being handled; for use in a catch block only.
ravlin_error currentError() noexcept;

class StreamContext {
 public:
  enum class Direction { kPacking, kUnpacking };

  // Empty inputs pack to a stream of their own, as every input has one.
  StreamContext(Direction direction, Method method);
  // The engine holds on to host_: a context stays where it was made.
  StreamContext(const StreamContext&) = delete;
  StreamContext& operator=(const StreamContext&) = delete;

  void setProgress(ravlin_progress_fn callback, void* user, std::uint64_t total) noexcept;
  // What ravlin_packer_write() and ravlin_unpacker_write() promise; the arguments are valid.
  ravlin_error write(ravlin_in& in, ravlin_out& out) noexcept;
  ravlin_error finish(ravlin_out& out) noexcept;
  std::size_t pending() const noexcept { return pending_.size() - pendingStart_; }
  bool ended() const noexcept;

 private:
  class CallerSink;

  // Runs `step` and turns what it throws into the context's lasting error.
  template <typename Step>
  ravlin_error run(ravlin_out& out, Step step) noexcept;
  std::size_t pieceFor(const ravlin_out& out) const noexcept;
  // Hands the engine one piece of input; returns the bytes it took.
  std::size_t take(std::span<const std::uint8_t> piece, OutputSink& sink);
  void drain(ravlin_out& out) noexcept;
  void reportProgress(bool last);

  QuietHost host_;
  std::variant<Packer, Unpacker> codec_;
  // Input handed to the engine at once, at least: it bounds the output that can wait here when
  // the caller's room is full (the densest stream unpacks to 84 times its size), and it is the
  // step of the progress reports.
  std::size_t pieceBytes_;
  ByteBuffer pending_;
  std::size_t pendingStart_ = 0;  // bytes of pending_ already given out
  std::uint64_t taken_ = 0;
  bool finished_ = false;
  ravlin_error failure_ = RAVLIN_OK;

  ravlin_progress_fn progress_ = nullptr;
  void* progressUser_ = nullptr;
  std::uint64_t progressTotal_ = 0;
  std::uint64_t nextReportAt_ = 0;
};

}  // namespace ravlin::detail
