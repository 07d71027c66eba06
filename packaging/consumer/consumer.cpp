// Packs a file with the installed engine, checks that unpacking gives the file back, and writes
// the packed stream: what an asset tool built on the library does.
// Usage: ravlin-consumer 1|2 INPUT OUTPUT
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#include <ravlin/engine.h>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: ravlin-consumer 1|2 INPUT OUTPUT\n");
    return 2;
  }
  const ravlin::Method method = std::string_view(argv[1]) == "2" ? ravlin::Method::kII
                                                                 : ravlin::Method::kI;
  std::ifstream in(argv[2], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "ravlin-consumer: %s: cannot open\n", argv[2]);
    return 1;
  }
  const std::vector<std::uint8_t> input{std::istreambuf_iterator<char>(in), {}};
  try {
    ravlin::QuietHost host;
    ravlin::ByteBuffer packed;
    ravlin::pack(method, input, packed, host);
    ravlin::ByteBuffer unpacked;
    ravlin::unpack(method, packed.bytes(), unpacked, host);
    if (!std::ranges::equal(unpacked.bytes(), input)) {
      std::fprintf(stderr, "ravlin-consumer: the round trip changed the data\n");
      return 1;
    }
    std::ofstream out(argv[3], std::ios::binary);
    out.write(reinterpret_cast<const char*>(packed.data()),
              static_cast<std::streamsize>(packed.size()));
    std::printf("%zu bytes packed to %zu\n", input.size(), packed.size());
    return out ? 0 : 1;
  } catch (const ravlin::IoError& error) {
    // A library exception caught by its type in the caller: the type information crosses over.
    std::fprintf(stderr, "ravlin-consumer: %s: %s\n", argv[2], error.what());
    return 1;
  }
}
