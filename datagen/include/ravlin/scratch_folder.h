// Test support shared by tests and benchmarks: a fresh folder under the system's temporary folder,
// removed with its contents.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace ravlin::testing {

class ScratchFolder {
 public:
  ScratchFolder() {
#ifdef _WIN32
    // Windows has no mkdtemp: a random name that create_directory finds free does the same.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      const std::filesystem::path candidate =
          std::filesystem::temp_directory_path() / ("ravlin-test-" + std::to_string(random()));
      if (std::filesystem::create_directory(candidate)) path_ = candidate.string();
    }
    if (path_.empty()) throw std::runtime_error("no free scratch folder name");
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "ravlin-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
#endif
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

  std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    const std::string full = file(name);
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + full);
    return full;
  }

  std::vector<std::uint8_t> read(const std::string& name) const {
    std::ifstream in(file(name), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file(name));
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  // Names of the entries in the folder, hidden ones included.
  std::set<std::string> names() const {
    std::set<std::string> result;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      result.insert(entry.path().filename().string());
    }
    return result;
  }

 private:
  std::string path_;
};

}  // namespace ravlin::testing
