// Both unpackers on arbitrary bytes: no crash, the same bytes or error as a plain decoder, and
// never more than 127 units of output per 2 bytes of input; the same again with the stream handed
// over in the chunks the fuzz input asks for.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_support.h"
#include "ravlin/codec.h"

using namespace ravlin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Cutting cutting = fuzz::cuttingOf({data, size});
  const std::span<const std::uint8_t> stream = cutting.bytes;
  fuzz::onEveryPath([&] {
    for (const Method method : {Method::kI, Method::kII}) {
      const auto unitBytes = static_cast<std::size_t>(unitSize(method));
      const fuzz::PlainDecoding expected = fuzz::plainDecode(unitBytes, stream);

      ByteBuffer out;
      QuietHost quiet;
      const std::string error = fuzz::errorOf([&] { unpack(method, stream, out, quiet); });
      RAVLIN_FUZZ_CHECK(error == (expected.truncated ? "Read beyond end of file" : ""));
      RAVLIN_FUZZ_CHECK(fuzz::bytesOf(out) == expected.bytes);
      RAVLIN_FUZZ_CHECK(out.size() / unitBytes * 2 <= 127 * stream.size());

      ByteBuffer chunked;
      RAVLIN_FUZZ_CHECK(fuzz::runChunked(false, method, cutting, chunked, quiet) == error);
      RAVLIN_FUZZ_CHECK(fuzz::bytesOf(chunked) == expected.bytes);
    }
  });
  return 0;
}
