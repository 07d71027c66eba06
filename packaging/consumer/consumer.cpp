// An asset tool in C++ built on the installed library: packs a file read in pieces through the
// streaming packer into OUTPUT_FOLDER/NAME.pack1 or .pack2 (NAME: the input's name without its
// extension), checks that unpacking gives the file back, and prints the output path.
// Usage: ravlin-consumer 1|2 INPUT OUTPUT_FOLDER
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include <ravlin/ravlin.hpp>

int main(int argc, char** argv) {
  if (argc != 4 || (std::string_view(argv[1]) != "1" && std::string_view(argv[1]) != "2")) {
    std::fprintf(stderr, "usage: ravlin-consumer 1|2 INPUT OUTPUT_FOLDER\n");
    return 2;
  }
  namespace rv = ravlin::api;
  const rv::Method method = std::string_view(argv[1]) == "1" ? rv::Method::kI : rv::Method::kII;
  std::ifstream in(argv[2], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "ravlin-consumer: %s: cannot open\n", argv[2]);
    return 1;
  }
  try {
    rv::Packer packer(method);
    std::vector<std::uint8_t> input;
    std::vector<std::uint8_t> packed;
    std::vector<char> piece(4093);  // an odd size, so that pieces split method II's words
    while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(piece.data());
      const std::span<const std::uint8_t> chunk(bytes, static_cast<std::size_t>(in.gcount()));
      packer.write(chunk, packed);
      input.insert(input.end(), chunk.begin(), chunk.end());
    }
    packer.finish(packed);

    if (rv::unpack(method, packed) != input) {
      std::fprintf(stderr, "ravlin-consumer: the round trip changed the data\n");
      return 1;
    }
    const std::filesystem::path output =
        std::filesystem::path(argv[3]) /
        (std::filesystem::path(argv[2]).stem().string() + ".pack" + argv[1]);
    std::ofstream out(output, std::ios::binary);
    out.write(reinterpret_cast<const char*>(packed.data()),
              static_cast<std::streamsize>(packed.size()));
    std::printf("%s\n", output.string().c_str());
    return out ? 0 : 1;
  } catch (const rv::Error& error) {
    // The C error code, as an exception of the header-only layer.
    std::fprintf(stderr, "ravlin-consumer: %s: %s (code %d)\n", argv[2], error.what(),
                 static_cast<int>(error.code()));
    return 1;
  }
}
