// The C interface's streams: bounded pieces in, output straight into the caller's room while it
// lasts, the rest kept until the caller has room again.
#include "stream_context.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "ravlin/io_error.h"

namespace ravlin::detail {

namespace {

constexpr std::size_t kPackPieceBytes = std::size_t{256} << 10;
constexpr std::size_t kUnpackPieceBytes = std::size_t{16} << 10;
// Output bytes of a stream byte at most: method II's repeat blocks, 254 for 3.
constexpr std::size_t kDensestUnpacking = 85;

std::uint8_t* bytesAt(void* base, std::size_t offset) {
  return static_cast<std::uint8_t*>(base) + offset;
}

}  // namespace

ravlin_error currentError() noexcept {
  try {
    throw;
  } catch (const InterfaceError& error) {
    return error.code;
  } catch (const IoError& error) {
    switch (error.kind()) {
      case IoErrorKind::kReadBeyondEnd:
        return RAVLIN_ERROR_READ_BEYOND_END;
      case IoErrorKind::kOutOfMemory:
        return RAVLIN_ERROR_OUT_OF_MEMORY;
      // The codec on memory opens no files: these would be faults of the library.
      case IoErrorKind::kFileNotFound:
      case IoErrorKind::kInvalidFilename:
      case IoErrorKind::kTooManyOpenFiles:
      case IoErrorKind::kAccessDenied:
      case IoErrorKind::kDiskFull:
      case IoErrorKind::kOther:
        break;
    }
    return RAVLIN_ERROR_INTERNAL;
  } catch (const std::bad_alloc&) {
    return RAVLIN_ERROR_OUT_OF_MEMORY;
  } catch (...) {
    return RAVLIN_ERROR_INTERNAL;
  }
}

// Gives the engine the caller's room as long as no output waits before it (so the order of the
// bytes is kept) and the room is as large as the engine asks; else the pending buffer.
class StreamContext::CallerSink final : public OutputSink {
 public:
  CallerSink(StreamContext& context, ravlin_out& out) : context_(context), out_(out) {}

  std::span<std::uint8_t> room(std::size_t minBytes) override {
    ByteBuffer& pending = context_.pending_;
    direct_ = context_.pending() == 0 && out_.size - out_.pos >= minBytes;
    if (direct_) return {bytesAt(out_.dst, out_.pos), out_.size - out_.pos};
    pending.reserve(minBytes);
    return {pending.data() + pending.size(), pending.capacity() - pending.size()};
  }

  void commit(std::size_t bytes) override {
    if (direct_) {
      out_.pos += bytes;
    } else {
      context_.pending_.commit(context_.pending_.size() + bytes);
    }
  }

 private:
  StreamContext& context_;
  ravlin_out& out_;
  bool direct_ = false;
};

StreamContext::StreamContext(Direction direction, Method method)
    : codec_(direction == Direction::kPacking
                 ? std::variant<Packer, Unpacker>(std::in_place_type<Packer>, method, host_,
                                                  std::nullopt, ShortInput::kPack)
                 : std::variant<Packer, Unpacker>(std::in_place_type<Unpacker>, method, host_,
                                                  std::nullopt)),
      pieceBytes_(direction == Direction::kPacking ? kPackPieceBytes : kUnpackPieceBytes),
      nextReportAt_(pieceBytes_) {}

void StreamContext::setProgress(ravlin_progress_fn callback, void* user,
                                std::uint64_t total) noexcept {
  progress_ = callback;
  progressUser_ = user;
  progressTotal_ = total;
}

bool StreamContext::ended() const noexcept {
  const auto* unpacker = std::get_if<Unpacker>(&codec_);
  return unpacker != nullptr && unpacker->endMarkerSeen();
}

// A failure is reported once the output made before it has been given out, so that the caller
// gets the same output and error whatever room its calls have.
template <typename Step>
ravlin_error StreamContext::run(ravlin_out& out, Step step) noexcept {
  if (failure_ == RAVLIN_OK) {
    try {
      step();
      return RAVLIN_OK;
    } catch (...) {
      failure_ = currentError();
    }
  }
  drain(out);
  return pending() > 0 ? RAVLIN_OK : failure_;
}

ravlin_error StreamContext::write(ravlin_in& in, ravlin_out& out) noexcept {
  if (finished_ && failure_ == RAVLIN_OK) return RAVLIN_ERROR_STREAM_FINISHED;
  return run(out, [&] {
    drain(out);
    while (pending() == 0 && in.pos < in.size && !ended()) {
      const std::size_t piece = std::min(in.size - in.pos, pieceFor(out));
      CallerSink sink(*this, out);
      in.pos += take({static_cast<const std::uint8_t*>(in.src) + in.pos, piece}, sink);
      drain(out);
      reportProgress(/*last=*/false);
    }
  });
}

ravlin_error StreamContext::finish(ravlin_out& out) noexcept {
  return run(out, [&] {
    drain(out);
    if (finished_) return;
    finished_ = true;
    CallerSink sink(*this, out);
    if (auto* packer = std::get_if<Packer>(&codec_)) {
      packer->finish(sink);
    } else {
      std::get<Unpacker>(codec_).finish(sink);
    }
    drain(out);
    reportProgress(/*last=*/true);
  });
}

// Unpacking, a piece whose output all fits in the caller's room leaves nothing waiting however
// large it is, and larger pieces measured faster (fewer starts of the engine's fast loop).
std::size_t StreamContext::pieceFor(const ravlin_out& out) const noexcept {
  if (std::holds_alternative<Packer>(codec_)) return pieceBytes_;
  return std::max(pieceBytes_, (out.size - out.pos) / kDensestUnpacking);
}

std::size_t StreamContext::take(std::span<const std::uint8_t> piece, OutputSink& sink) {
  std::size_t taken = piece.size();
  if (auto* packer = std::get_if<Packer>(&codec_)) {
    packer->write(piece, sink);
  } else {
    taken = std::get<Unpacker>(codec_).write(piece, sink);
  }
  taken_ += taken;
  return taken;
}

void StreamContext::drain(ravlin_out& out) noexcept {
  const std::size_t bytes = std::min(pending(), out.size - out.pos);
  if (bytes == 0) return;
  std::memcpy(bytesAt(out.dst, out.pos), pending_.data() + pendingStart_, bytes);
  out.pos += bytes;
  pendingStart_ += bytes;
  if (pending() == 0) {
    pending_.clear();
    pendingStart_ = 0;
  }
}

void StreamContext::reportProgress(bool last) {
  if (progress_ == nullptr || (!last && taken_ < nextReportAt_)) return;
  nextReportAt_ = taken_ + pieceBytes_;
  if (progress_(taken_, progressTotal_, progressUser_) != 0) {
    throw InterfaceError{RAVLIN_ERROR_STOPPED};
  }
}

}  // namespace ravlin::detail
