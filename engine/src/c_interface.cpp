// The library's C interface (ravlin/ravlin.h) over the engine. Every entry point checks its
// arguments and catches every exception: nothing of C++ crosses the boundary.
#include <cstring>
#include <limits>
#include <memory>
#include <optional>

#include "ravlin/io_error.h"
#include "ravlin/ravlin.h"
#include "stream_context.h"

using ravlin::IoErrorKind;
using ravlin::Method;
using ravlin::detail::StreamContext;

struct ravlin_packer {
  StreamContext context;
};

struct ravlin_unpacker {
  StreamContext context;
};

namespace {

// The number a caller passed as an enumeration. A C caller may pass any int, and in C++ an enum
// object holding a value outside its enumerators' range must not be read as the enum.
template <typename Enum>
int numberOf(const Enum& value) {
  static_assert(sizeof(Enum) == sizeof(int));
  int number = 0;
  std::memcpy(&number, &value, sizeof number);
  return number;
}

std::optional<Method> methodOf(const ravlin_method& method) {
  switch (numberOf(method)) {
    case RAVLIN_METHOD_I:
      return Method::kI;
    case RAVLIN_METHOD_II:
      return Method::kII;
  }
  return std::nullopt;
}

template <typename Context>
ravlin_error create(Context** context, std::optional<Method> engineMethod,
                    StreamContext::Direction direction) {
  if (context == nullptr) return RAVLIN_ERROR_INVALID_ARGUMENT;
  *context = nullptr;
  if (!engineMethod) return RAVLIN_ERROR_INVALID_ARGUMENT;
  try {
    *context = new Context{StreamContext(direction, *engineMethod)};
    return RAVLIN_OK;
  } catch (...) {
    return ravlin::detail::currentError();
  }
}

bool valid(const ravlin_in* in) {
  return in != nullptr && in->pos <= in->size && (in->src != nullptr || in->size == 0);
}

bool valid(const ravlin_out* out) {
  return out != nullptr && out->pos <= out->size && (out->dst != nullptr || out->size == 0);
}

ravlin_error write(StreamContext* context, ravlin_in* in, ravlin_out* out) {
  if (context == nullptr || !valid(in) || !valid(out)) return RAVLIN_ERROR_INVALID_ARGUMENT;
  return context->write(*in, *out);
}

ravlin_error finish(StreamContext* context, ravlin_out* out) {
  if (context == nullptr || !valid(out)) return RAVLIN_ERROR_INVALID_ARGUMENT;
  return context->finish(*out);
}

// A one-shot call is a stream with the whole input and all of the caller's room, that fails once
// output waits for room; it stops there, so an output too large costs no more than a piece.
ravlin_error oneShot(StreamContext::Direction direction, std::optional<Method> engineMethod,
                     const void* src, std::size_t srcSize, void* dst, std::size_t dstCapacity,
                     std::size_t* dstSize) {
  if (dstSize == nullptr) return RAVLIN_ERROR_INVALID_ARGUMENT;
  *dstSize = 0;
  ravlin_in in{src, srcSize, 0};
  ravlin_out out{dst, dstCapacity, 0};
  if (!engineMethod || !valid(&in) || !valid(&out)) return RAVLIN_ERROR_INVALID_ARGUMENT;
  std::optional<StreamContext> context;
  try {
    context.emplace(direction, *engineMethod);
  } catch (...) {
    return ravlin::detail::currentError();
  }
  ravlin_error error = context->write(in, out);
  if (error == RAVLIN_OK && context->pending() == 0) error = context->finish(out);
  if (error == RAVLIN_OK && context->pending() > 0) error = RAVLIN_ERROR_OUTPUT_FULL;
  *dstSize = out.pos;
  return error;
}

}  // namespace

extern "C" {

unsigned ravlin_version_number(void) noexcept {
  return RAVLIN_VERSION_NUMBER;
}

const char* ravlin_version_string(void) noexcept {
  return RAVLIN_VERSION_STRING;
}

const char* ravlin_error_name(ravlin_error error) noexcept {
  switch (numberOf(error)) {
    case RAVLIN_OK:
      return "No error";
    case RAVLIN_ERROR_READ_BEYOND_END:
      return ravlin::ioErrorName(IoErrorKind::kReadBeyondEnd);
    case RAVLIN_ERROR_OUT_OF_MEMORY:
      return ravlin::ioErrorName(IoErrorKind::kOutOfMemory);
    case RAVLIN_ERROR_OUTPUT_FULL:
      return "Output buffer too small";
    case RAVLIN_ERROR_INVALID_ARGUMENT:
      return "Invalid argument";
    case RAVLIN_ERROR_STREAM_FINISHED:
      return "Stream already finished";
    case RAVLIN_ERROR_STOPPED:
      return "Stopped by the progress callback";
    case RAVLIN_ERROR_INTERNAL:
      return "Internal error";
  }
  return "Unknown error";
}

// Method I: a literal of one unit costs a byte more than its unit and, but for the last block,
// comes before a repeat of two or more units, which costs no more than its units: at worst 4
// bytes for 3. Method II: a literal of L words costs one byte more than them and, unless it is
// 127 words long or the last block, comes before a repeat, which saves at least one: at worst
// 255 bytes for 254. Each has the last block's byte and the end marker on top.
size_t ravlin_pack_bound(ravlin_method method, size_t src_size) noexcept {
  const std::optional<Method> engineMethod = methodOf(method);
  if (!engineMethod) return 0;
  const std::size_t extra = *engineMethod == Method::kI ? src_size / 3 + 2 : src_size / 254 + 2;
  if (src_size > std::numeric_limits<std::size_t>::max() - extra) return 0;
  return src_size + extra;
}

ravlin_error ravlin_pack(ravlin_method method, const void* src, size_t src_size, void* dst,
                         size_t dst_capacity, size_t* dst_size) noexcept {
  return oneShot(StreamContext::Direction::kPacking, methodOf(method), src, src_size, dst,
                 dst_capacity, dst_size);
}

ravlin_error ravlin_unpack(ravlin_method method, const void* src, size_t src_size, void* dst,
                           size_t dst_capacity, size_t* dst_size) noexcept {
  return oneShot(StreamContext::Direction::kUnpacking, methodOf(method), src, src_size, dst,
                 dst_capacity, dst_size);
}

ravlin_error ravlin_packer_create(ravlin_packer** packer, ravlin_method method) noexcept {
  return create(packer, methodOf(method), StreamContext::Direction::kPacking);
}

void ravlin_packer_free(ravlin_packer* packer) noexcept {
  delete packer;
}

void ravlin_packer_set_progress(ravlin_packer* packer, ravlin_progress_fn callback, void* user,
                                uint64_t total) noexcept {
  if (packer != nullptr) packer->context.setProgress(callback, user, total);
}

ravlin_error ravlin_packer_write(ravlin_packer* packer, ravlin_in* in, ravlin_out* out) noexcept {
  return write(packer != nullptr ? &packer->context : nullptr, in, out);
}

ravlin_error ravlin_packer_finish(ravlin_packer* packer, ravlin_out* out) noexcept {
  return finish(packer != nullptr ? &packer->context : nullptr, out);
}

size_t ravlin_packer_pending(const ravlin_packer* packer) noexcept {
  return packer != nullptr ? packer->context.pending() : 0;
}

ravlin_error ravlin_unpacker_create(ravlin_unpacker** unpacker, ravlin_method method) noexcept {
  return create(unpacker, methodOf(method), StreamContext::Direction::kUnpacking);
}

void ravlin_unpacker_free(ravlin_unpacker* unpacker) noexcept {
  delete unpacker;
}

void ravlin_unpacker_set_progress(ravlin_unpacker* unpacker, ravlin_progress_fn callback,
                                  void* user, uint64_t total) noexcept {
  if (unpacker != nullptr) unpacker->context.setProgress(callback, user, total);
}

ravlin_error ravlin_unpacker_write(ravlin_unpacker* unpacker, ravlin_in* in,
                                   ravlin_out* out) noexcept {
  return write(unpacker != nullptr ? &unpacker->context : nullptr, in, out);
}

ravlin_error ravlin_unpacker_finish(ravlin_unpacker* unpacker, ravlin_out* out) noexcept {
  return finish(unpacker != nullptr ? &unpacker->context : nullptr, out);
}

size_t ravlin_unpacker_pending(const ravlin_unpacker* unpacker) noexcept {
  return unpacker != nullptr ? unpacker->context.pending() : 0;
}

int ravlin_unpacker_ended(const ravlin_unpacker* unpacker) noexcept {
  return unpacker != nullptr && unpacker->context.ended() ? 1 : 0;
}

}  // extern "C"
