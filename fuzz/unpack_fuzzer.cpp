// Both unpackers on arbitrary bytes: no crash, the same bytes or error as the literal unpacker,
// and never more than 127 units of output per 2 bytes of input; the same again with the stream
// handed over in the chunks the fuzz input asks for.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_support.h"
#include "ravlin/codec.h"
#include "ravlin/reference.h"

using namespace ravlin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Cutting cutting = fuzz::cuttingOf({data, size});
  const std::span<const std::uint8_t> stream = cutting.bytes;
  fuzz::onEveryPathAndMethod([&](Method method) {
    const auto unitBytes = static_cast<std::size_t>(unitSize(method));
    QuietHost quiet;
    ByteBuffer literal;
    const std::string literalError =
        fuzz::thrownMessage([&] { reference::unpack(method, stream, literal, quiet); });

    ByteBuffer out;
    const std::string error = fuzz::thrownMessage([&] { unpack(method, stream, out, quiet); });
    RAVLIN_FUZZ_CHECK(error == literalError);
    RAVLIN_FUZZ_CHECK(fuzz::bytesOf(out) == fuzz::bytesOf(literal));
    RAVLIN_FUZZ_CHECK(out.size() / unitBytes * 2 <= 127 * stream.size());

    ByteBuffer chunked;
    RAVLIN_FUZZ_CHECK(fuzz::runChunked(false, method, cutting, chunked, quiet) == error);
    RAVLIN_FUZZ_CHECK(fuzz::bytesOf(chunked) == fuzz::bytesOf(literal));
  });
  return 0;
}
