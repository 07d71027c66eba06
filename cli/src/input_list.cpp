// Opening up folders under -r and dropping paths named twice.
#include "input_list.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

namespace ravlin::cli {

namespace fs = std::filesystem;

namespace {

bool isFolder(const std::string& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

void addFilesBelow(const std::string& folder, bool packing, InputList& list) {
  std::vector<std::string> found;
  std::error_code error;
  fs::recursive_directory_iterator it(folder, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::error_code statusError;
    if (!it->is_regular_file(statusError) || it->is_symlink(statusError)) continue;
    const std::string path = it->path().string();
    if (hasPackedSuffix(path) != packing) found.push_back(path);
  }
  if (error) list.unreadableFolders.push_back(folder + ": " + error.message());
  std::sort(found.begin(), found.end());
  list.paths.insert(list.paths.end(), found.begin(), found.end());
}

}  // namespace

bool hasPackedSuffix(const std::string& path) {
  return path.ends_with(".pack1") || path.ends_with(".pack2");
}

InputList collectInputs(const Options& options) {
  InputList expanded;
  for (const std::string& path : options.inputs) {
    if (options.recursive && path != kStdioName && isFolder(path)) {
      addFilesBelow(path, options.packing, expanded);
    } else {
      expanded.paths.push_back(path);
    }
  }
  InputList result;
  result.unreadableFolders = std::move(expanded.unreadableFolders);
  std::set<std::string> seen;
  for (std::string& path : expanded.paths) {
    const std::string key = path == kStdioName ? path : fs::path(path).lexically_normal().string();
    if (seen.insert(key).second) {
      result.paths.push_back(std::move(path));
    } else {
      result.repeated.push_back(std::move(path));
    }
  }
  return result;
}

}  // namespace ravlin::cli
