// Helpers shared by the command-line tests.
#include "cli_test_support.h"

#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <span>
#include <stdexcept>

#include "ravlin/byte_buffer.h"
#include "ravlin/host.h"

namespace ravlin::cli::testing {

ScratchFolder::ScratchFolder() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "ravlin-cli-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> ScratchFolder::names() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool fileExists(const std::string& path) {
  return std::filesystem::exists(path);
}

std::string toString(const std::vector<std::uint8_t>& bytes) {
  return {bytes.begin(), bytes.end()};
}

namespace {

std::string run(bool packing, Method method, const std::string& bytes) {
  const std::span<const std::uint8_t> input(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                            bytes.size());
  ByteBuffer out;
  QuietHost quiet;
  if (packing) {
    pack(method, input, out, quiet);
  } else {
    unpack(method, input, out, quiet);
  }
  return {reinterpret_cast<const char*>(out.data()), out.size()};
}

}  // namespace

std::string enginePack(Method method, const std::string& bytes) {
  return run(true, method, bytes);
}
std::string engineUnpack(Method method, const std::string& stream) {
  return run(false, method, stream);
}

}  // namespace ravlin::cli::testing
