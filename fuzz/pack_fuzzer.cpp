// Both packers on arbitrary bytes: the stream equals the literal packer's, is well formed, and
// unpacks back to the input; inputs the literal packer refuses fail the same way. Handed over in
// the chunks the fuzz input asks for, the input packs to the same stream or error.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_support.h"
#include "ravlin/codec.h"
#include "ravlin/reference.h"

using namespace ravlin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Cutting cutting = fuzz::cuttingOf({data, size});
  const std::span<const std::uint8_t> input = cutting.bytes;
  fuzz::onEveryPathAndMethod([&](Method method) {
    ByteBuffer stream;
    ByteBuffer literal;
    ByteBuffer chunked;
    QuietHost quiet;
    const std::string error = fuzz::thrownMessage([&] { pack(method, input, stream, quiet); });
    const std::string literalError =
        fuzz::thrownMessage([&] { reference::pack(method, input, literal, quiet); });
    RAVLIN_FUZZ_CHECK(error == literalError);
    RAVLIN_FUZZ_CHECK(fuzz::bytesOf(stream) == fuzz::bytesOf(literal));
    RAVLIN_FUZZ_CHECK(fuzz::runChunked(true, method, cutting, chunked, quiet) == error);
    RAVLIN_FUZZ_CHECK(fuzz::bytesOf(chunked) == fuzz::bytesOf(stream));
    if (!error.empty()) return;

    // Only the block sizes a packer writes, and an end marker as the last byte.
    const reference::Walk walk = reference::walkOf(method, stream.bytes());
    RAVLIN_FUZZ_CHECK(walk.endMarker);
    RAVLIN_FUZZ_CHECK(static_cast<std::size_t>(walk.blocksEnd()) + 1 == stream.size());
    for (const reference::Block& block : walk.blocks) {
      RAVLIN_FUZZ_CHECK(block.control != 0x80 && block.control != 0x81);
    }

    ByteBuffer back;
    const std::string backError =
        fuzz::thrownMessage([&] { unpack(method, stream.bytes(), back, quiet); });
    RAVLIN_FUZZ_CHECK(backError.empty());
    RAVLIN_FUZZ_CHECK(fuzz::bytesOf(back) == std::vector<std::uint8_t>(input.begin(), input.end()));
  });
  return 0;
}
