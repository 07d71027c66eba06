// Both unpackers on arbitrary bytes: no crash, the same bytes or error as a plain decoder, and
// never more than 127 units of output per 2 bytes of input.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_support.h"
#include "ravlin/codec.h"

using namespace ravlin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> stream(data, size);
  for (const Method method : {Method::kI, Method::kII}) {
    const auto unitBytes = static_cast<std::size_t>(unitSize(method));
    const fuzz::PlainDecoding expected = fuzz::plainDecode(unitBytes, stream);

    ByteBuffer out;
    QuietHost quiet;
    const std::string error = fuzz::errorOf([&] { unpack(method, stream, out, quiet); });
    RAVLIN_FUZZ_CHECK(error == (expected.truncated ? "Read beyond end of file" : ""));
    RAVLIN_FUZZ_CHECK(fuzz::bytesOf(out) == expected.bytes);
    RAVLIN_FUZZ_CHECK(out.size() / unitBytes * 2 <= 127 * size);
  }
  return 0;
}
