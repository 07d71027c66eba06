// Opening up folders under -r and dropping paths named twice.
#include "input_list.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "platform.h"
#include "ravlin/atomic_file.h"

namespace ravlin::cli {

namespace fs = std::filesystem;

namespace {

bool isFolder(const std::string& path) {
  std::error_code error;
  return fs::is_directory(platform::pathOf(path), error);
}

// Why -r does not take an entry that is not a folder, or null when it does.
const char* reasonToSkip(const fs::directory_entry& entry, fs::file_type type, bool packing) {
  switch (type) {
    case fs::file_type::regular:
      break;
    case fs::file_type::symlink:
      return "a symbolic link; links are not followed";
    case fs::file_type::fifo:
      return "a FIFO";
    case fs::file_type::socket:
      return "a socket";
    case fs::file_type::block:
    case fs::file_type::character:
      return "a device";
    default:
      return "not a regular file";
  }
  const std::string path = platform::utf8Of(entry.path());
  if (isAtomicFileTemporary(platform::utf8Of(entry.path().filename()))) {
    return "the temporary file of an interrupted run";
  }
  if (hasPackedSuffix(path) == packing) {
    return packing ? "already packed (.pack1 or .pack2)" : "not packed (no .pack1 or .pack2)";
  }
  return nullptr;
}

void addFilesBelow(const std::string& folder, bool packing, InputList& list) {
  std::vector<std::string> found;
  std::vector<SkippedFile> skipped;
  std::error_code error;
  fs::recursive_directory_iterator it(platform::pathOf(folder), error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::error_code typeError;
    const fs::file_type type = it->symlink_status(typeError).type();
    if (type == fs::file_type::directory) continue;  // gone into
    if (const char* reason = reasonToSkip(*it, type, packing)) {
      skipped.push_back({platform::utf8Of(it->path()), reason});
    } else {
      found.push_back(platform::utf8Of(it->path()));
    }
  }
  if (error) list.unreadableFolders.push_back(folder + ": " + error.message());
  std::sort(found.begin(), found.end());
  std::sort(skipped.begin(), skipped.end(),
            [](const SkippedFile& a, const SkippedFile& b) { return a.path < b.path; });
  list.paths.insert(list.paths.end(), found.begin(), found.end());
  list.skipped.insert(list.skipped.end(), skipped.begin(), skipped.end());
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
  result.skipped = std::move(expanded.skipped);
  std::set<std::string> seen;
  for (std::string& path : expanded.paths) {
    const std::string key = path == kStdioName ? path : platform::utf8Of(platform::pathOf(path).lexically_normal());
    if (seen.insert(key).second) {
      result.paths.push_back(std::move(path));
    } else {
      result.repeated.push_back(std::move(path));
    }
  }
  return result;
}

}  // namespace ravlin::cli
