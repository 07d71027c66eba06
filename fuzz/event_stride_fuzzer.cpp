// Runs longer than the event stride, built by repeating the fuzzer's input: a host that hears
// only of changes must still be asked to process events at least once per kEventStrideBytes,
// and get the updates (without repeats), the output and the error that a host hearing of every
// block gets. Short inputs never get that far. Packing is where it matters: a stream that grows
// slowly changes the percentage seldom, while unpacking changes it every hundredth of the stream.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz_support.h"
#include "progress_checks.h"
#include "ravlin/codec.h"
#include "ravlin/reference.h"

using namespace ravlin;

namespace {

std::vector<std::uint8_t> repeatedTo(std::span<const std::uint8_t> piece, std::int64_t size) {
  std::vector<std::uint8_t> bytes;
  while (static_cast<std::int64_t>(bytes.size()) < size) {
    bytes.insert(bytes.end(), piece.begin(), piece.end());
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::span<const std::uint8_t> piece(data, size);
  // Long enough that a few updates cannot stand in for the events due in between.
  const std::vector<std::uint8_t> input = repeatedTo(piece, kEventStrideBytes * 9 / 2);
  const std::vector<std::uint8_t> stream = repeatedTo(piece, kEventStrideBytes * 5 / 4);
  fuzz::onEveryPathAndMethod([&](Method method) {
    const fuzz::Runs packed =
        fuzz::runBoth([&](ByteBuffer& out, Host& host) { pack(method, input, out, host); });
    if (packed.error.empty()) {
      fuzz::checkEventsKeepUp(packed.changesEvents, static_cast<std::int64_t>(input.size()));
    }

    const fuzz::Runs unpacked =
        fuzz::runBoth([&](ByteBuffer& out, Host& host) { unpack(method, stream, out, host); });
    ByteBuffer literal;
    QuietHost quiet;
    reference::Walk walk;
    const std::string literalError = fuzz::thrownMessage(
        [&] { reference::unpackWalking(method, stream, literal, quiet, walk); });
    RAVLIN_FUZZ_CHECK(unpacked.error == literalError);
    RAVLIN_FUZZ_CHECK(unpacked.output == fuzz::bytesOf(literal));
    fuzz::checkEventsKeepUp(unpacked.changesEvents, walk.blocksEnd());
  });
  return 0;
}
