// Output file naming shared by the window and the command line.
#include "ravlin/naming.h"

namespace ravlin {

std::string_view outputSuffix(Method method, bool packing) {
  if (packing) return method == Method::kI ? ".pack1" : ".pack2";
  return method == Method::kI ? ".unpack1" : ".unpack2";
}

std::string outputBaseName(std::string_view inputPath) {
#ifdef _WIN32
  constexpr std::string_view kNameStarts = "\\/:";
#else
  constexpr std::string_view kNameStarts = "/";
#endif
  const std::size_t cut = inputPath.find_last_of(kNameStarts);
  std::string_view name = cut == std::string_view::npos ? inputPath : inputPath.substr(cut + 1);
  // Dots that open the name (".hidden", "..x") belong to it: an extension needs a name before it.
  const std::size_t dot = name.rfind('.');
  const std::size_t firstNonDot = name.find_first_not_of('.');
  if (dot != std::string_view::npos && firstNonDot < dot) name = name.substr(0, dot);
  return std::string(name);
}

std::string outputPath(std::string_view folder, std::string_view inputPath,
                       std::string_view suffix) {
  std::string path(folder);
  path += kPathSeparator;
  path += outputBaseName(inputPath);
  path += suffix;
  return path;
}

}  // namespace ravlin
