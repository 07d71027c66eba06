// Splitting a POSIX path into its folder and its last name, shared by the file layer's pieces.
#pragma once

#include <string>
#include <string_view>

namespace ravlin::detail {

// `path` without trailing slashes ("a/b//" gives "a/b"); the root stays "/".
inline std::string_view trimTrailingSlashes(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return path;
}

// The folder that holds `path`: "." for a bare name, "/" for a name in the root.
inline std::string parentFolder(std::string_view path) {
  path = trimTrailingSlashes(path);
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(trimTrailingSlashes(path.substr(0, slash)));
}

// The last name of `path` ("a/b" gives "b"); empty for the root or an empty path.
inline std::string_view lastName(std::string_view path) {
  path = trimTrailingSlashes(path);
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace ravlin::detail
