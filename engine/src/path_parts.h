// Splitting a path into its folder and its last name, shared by the file layer's pieces. POSIX
// paths separate with '/'; Windows paths take '\' as well and may start with a drive ("C:").
#pragma once

#include <string>
#include <string_view>

namespace ravlin::detail {

#ifdef _WIN32
inline constexpr bool kWindowsPaths = true;
inline constexpr char kSeparator = '\\';
#else
inline constexpr bool kWindowsPaths = false;
inline constexpr char kSeparator = '/';
#endif

inline bool isSeparator(char c) {
  return c == '/' || (kWindowsPaths && c == '\\');
}

// The length of the drive at the start of `path` ("C:" gives 2), 0 where there is none.
inline std::size_t driveLength(std::string_view path) {
  if (!kWindowsPaths || path.size() < 2 || path[1] != ':') return 0;
  const char letter = path[0];
  return (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z') ? 2 : 0;
}

// `path` without trailing separators ("a/b//" gives "a/b"); the root stays "/" (or "C:\").
inline std::string_view trimTrailingSlashes(std::string_view path) {
  const std::size_t root = driveLength(path) + 1;
  while (path.size() > root && isSeparator(path.back())) path.remove_suffix(1);
  return path;
}

// Where the last separator of `path` is, or npos.
inline std::size_t lastSeparator(std::string_view path) {
  for (std::size_t i = path.size(); i > driveLength(path); --i) {
    if (isSeparator(path[i - 1])) return i - 1;
  }
  return std::string_view::npos;
}

// The folder that holds `path`: "." for a bare name, "/" for a name in the root ("C:\" for one
// in the root of drive C, "C:" for a bare name on drive C).
inline std::string parentFolder(std::string_view path) {
  path = trimTrailingSlashes(path);
  const std::size_t drive = driveLength(path);
  const std::size_t slash = lastSeparator(path);
  if (slash == std::string_view::npos) return drive > 0 ? std::string(path.substr(0, drive)) : ".";
  if (slash == drive) return std::string(path.substr(0, drive + 1));
  return std::string(trimTrailingSlashes(path.substr(0, slash)));
}

// `name` inside `folder`. A bare drive ("C:") takes the name at once: "C:name" is in that drive's
// current folder, where "C:\name" would be in its root.
inline std::string childPath(std::string folder, std::string_view name) {
  if (folder.empty() || driveLength(folder) != folder.size()) folder += kSeparator;
  folder += name;
  return folder;
}

// The last name of `path` ("a/b" gives "b"); empty for the root or an empty path.
inline std::string_view lastName(std::string_view path) {
  path = trimTrailingSlashes(path);
  const std::size_t slash = lastSeparator(path);
  if (slash != std::string_view::npos) return path.substr(slash + 1);
  return path.substr(driveLength(path));
}

}  // namespace ravlin::detail
