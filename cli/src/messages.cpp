// Failure texts: strerror()'s words, and a look along the path for the part that is at fault.
#include "messages.h"

#include <limits.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform.h"

namespace ravlin::cli {

namespace {

// The folders on the way to `path`, from the outermost: "a/b/c" gives "a", "a/b".
std::vector<std::string> foldersOnTheWay(const std::string& path) {
  std::vector<std::string> folders;
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    if (path[slash - 1] != '/') folders.push_back(path.substr(0, slash));
  }
  return folders;
}

// Why a path could not be reached, found by looking at each folder on the way.
std::string missingFolderHint(const std::string& path) {
  for (const std::string& folder : foldersOnTheWay(path)) {
    platform::FileStatus info;
    if (const int err = platform::statusOf(folder, info); err != 0) {
      if (err == ENOENT) return " (folder '" + folder + "' does not exist)";
      return {};
    }
    if (info.kind != platform::FileKind::kDirectory) return " ('" + folder + "' is a file, not a folder)";
  }
  // A folder that was asked for by name but is something else.
  platform::FileStatus info;
  if (platform::statusOf(path, info) == 0 && info.kind != platform::FileKind::kDirectory) {
    return " (it is a file, not a folder)";
  }
  return {};
}

// Where the symbolic link `path` points, counted from the link's own folder; empty when `path` is
// no link.
std::string linkTarget(const std::string& path) {
  const std::string target = platform::linkText(path);
  if (target.empty()) return {};
  const std::size_t slash = path.rfind('/');
  if (target.starts_with('/') || slash == std::string::npos) return target;
  return path.substr(0, slash + 1) + target;
}

// A missing file behind a dangling link is looked for along the link's target.
std::string missingFileHint(const std::string& path) {
  std::string hint = missingFolderHint(path);
  if (!hint.empty()) return hint;
  const std::string target = linkTarget(path);
  if (target.empty()) return {};
  hint = missingFolderHint(target);
  return " (a link to '" + target + "'" + (hint.empty() ? ")" : "; " + hint.substr(2));
}

std::string longestNameHint(const std::string& path) {
  std::size_t longest = 0;
  for (std::size_t start = 0; start <= path.size();) {
    const std::size_t slash = std::min(path.find('/', start), path.size());
    longest = std::max(longest, slash - start);
    start = slash + 1;
  }
  if (longest > platform::kLongestName) {
    return " (a name of " + std::to_string(longest) + " bytes; at most " +
           std::to_string(platform::kLongestName) + " are allowed)";
  }
  return " (a path of " + std::to_string(path.size()) + " bytes)";
}

}  // namespace

std::string systemErrorText(int err, const std::string& path) {
  std::string text = std::strerror(err);
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      text += missingFileHint(path);
      break;
    case ENAMETOOLONG:
      text += longestNameHint(path);
      break;
    case ELOOP:
      text += " (the symbolic links on the way form a loop)";
      break;
    default:
      break;
  }
  return text;
}

Failure Failure::ofSystem(int err, const std::string& path) {
  return {path, systemErrorText(err, path)};
}

void printError(std::string_view subject, std::string_view message) {
  std::fprintf(stderr, "ravlin-cli: %.*s: %.*s\n", static_cast<int>(subject.size()), subject.data(),
               static_cast<int>(message.size()), message.data());
}

}  // namespace ravlin::cli
