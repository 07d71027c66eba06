// How an output file is named: the input's base name followed by the suffix of the direction and
// method, in the folder the user chose. Shared by the window's save step and the command line.
#pragma once

#include <string>
#include <string_view>

#include "ravlin/codec.h"

namespace ravlin {

// The path separator of the platform ('/' on POSIX, '\\' on Windows).
inline constexpr char kPathSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

// ".pack1", ".pack2", ".unpack1" or ".unpack2".
std::string_view outputSuffix(Method method, bool packing);

// The input's file name (after its last separator; on Windows also after a drive's ':') with only
// its final extension removed: "map.bins.bin" gives "map.bins", "tiles" stays "tiles". A leading dot
// does not start an extension: ".hidden" stays ".hidden", ".hidden.bin" gives ".hidden". Removing
// only the last extension keeps "a.bin.bin" and "a.bin" from naming the same output.
std::string outputBaseName(std::string_view inputPath);

// folder + separator + base name of `inputPath` + suffix, joined with nothing added or removed.
std::string outputPath(std::string_view folder, std::string_view inputPath,
                       std::string_view suffix);

}  // namespace ravlin
