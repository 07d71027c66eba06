// The inputs of a run: the named paths, with folders opened up under -r and a path named twice
// taken once.
#pragma once

#include <string>
#include <vector>

#include "options.h"

namespace ravlin::cli {

// A file in a folder that -r does not take, and why.
struct SkippedFile {
  std::string path;
  const char* reason;
};

struct InputList {
  std::vector<std::string> paths;
  std::vector<std::string> repeated;  // paths dropped because the same path came before
  std::vector<std::string> unreadableFolders;  // with the message why, "PATH: MESSAGE"
  std::vector<SkippedFile> skipped;            // under -r, in name order
};

// Under -r a folder stands for the regular files below it (symbolic links are not followed), in
// name order: when packing those without a ".pack1"/".pack2" suffix, when unpacking those with one.
// The temporary files of outputs that a killed run left behind are skipped too.
// Two paths count as the same when they are equal once "." and ".." are worked out ("a.bin" and
// "./a.bin"); links and other names of a file are different paths and keep their own outputs.
InputList collectInputs(const Options& options);

// Whether `path` ends in ".pack1" or ".pack2".
bool hasPackedSuffix(const std::string& path);

}  // namespace ravlin::cli
