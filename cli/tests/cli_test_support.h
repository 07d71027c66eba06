// Helpers shared by the command-line tests: a scratch folder, file contents and the engine's own
// streams to compare the program's output with.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "ravlin/engine.h"

namespace ravlin::cli::testing {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  // The names in the folder, sorted (hidden ones included).
  std::vector<std::string> names() const;

 private:
  std::filesystem::path path_;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);

std::string toString(const std::vector<std::uint8_t>& bytes);
// What the engine makes of `bytes` in this process; throws IoError as the engine does.
std::string enginePack(Method method, const std::string& bytes);
std::string engineUnpack(Method method, const std::string& stream);

}  // namespace ravlin::cli::testing
