// An asset tool built on the installed engine: packs a file read in pieces through the streaming
// packer, names the output by the engine's rule, checks that unpacking gives the file back, and
// writes the packed stream.
// Usage: ravlin-consumer 1|2 INPUT OUTPUT_FOLDER
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <ravlin/codec.h>
#include <ravlin/naming.h>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: ravlin-consumer 1|2 INPUT OUTPUT_FOLDER\n");
    return 2;
  }
  const ravlin::Method method =
      std::string_view(argv[1]) == "2" ? ravlin::Method::kII : ravlin::Method::kI;
  std::ifstream in(argv[2], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "ravlin-consumer: %s: cannot open\n", argv[2]);
    return 1;
  }
  try {
    ravlin::QuietHost host;
    ravlin::ByteBuffer packed;
    ravlin::BufferSink sink(packed);
    ravlin::Packer packer(method, host, std::nullopt);
    std::vector<std::uint8_t> input;
    std::vector<char> piece(4093);  // an odd size, so that pieces split method II's words
    while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(piece.data());
      const std::span<const std::uint8_t> chunk(bytes, static_cast<std::size_t>(in.gcount()));
      packer.write(chunk, sink);
      input.insert(input.end(), chunk.begin(), chunk.end());
    }
    packer.finish(sink);

    ravlin::ByteBuffer unpacked;
    ravlin::unpack(method, packed.bytes(), unpacked, host);
    if (!std::ranges::equal(unpacked.bytes(), input)) {
      std::fprintf(stderr, "ravlin-consumer: the round trip changed the data\n");
      return 1;
    }
    const std::string output =
        ravlin::outputPath(argv[3], argv[2], ravlin::outputSuffix(method, /*packing=*/true));
    std::ofstream out(output, std::ios::binary);
    out.write(reinterpret_cast<const char*>(packed.data()),
              static_cast<std::streamsize>(packed.size()));
    std::printf("%s\n", output.c_str());
    return out ? 0 : 1;
  } catch (const ravlin::IoError& error) {
    // Caught by its type across the library boundary.
    std::fprintf(stderr, "ravlin-consumer: %s: %s\n", argv[2], error.what());
    return 1;
  }
}
