// Builds the benchmark data sets; the console fonts are read through zlib.
#include "data_sets.h"

#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <stdexcept>

#include "ravlin/datagen.h"

namespace ravlin::bench {

namespace {

void appendGzipFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out) {
  gzFile file = gzopen(path.c_str(), "rb");
  if (file == nullptr) throw std::runtime_error("cannot open " + path.string());
  std::uint8_t chunk[64 * 1024];
  int got = 0;
  while ((got = gzread(file, chunk, sizeof chunk)) > 0) {
    out.insert(out.end(), chunk, chunk + got);
  }
  gzclose(file);
  if (got < 0) throw std::runtime_error("cannot unzip " + path.string());
}

}  // namespace

std::vector<std::uint8_t> readConsoleFonts(const std::string& folder) {
  std::vector<std::filesystem::path> fonts;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (name.find(".psf") != std::string::npos && name.ends_with(".gz")) {
      fonts.push_back(entry.path());
    }
  }
  std::sort(fonts.begin(), fonts.end());
  std::vector<std::uint8_t> bytes;
  for (const auto& font : fonts) appendGzipFile(font, bytes);
  return bytes;
}

std::vector<DataSet> loadDataSets(std::size_t size) {
  std::vector<DataSet> sets;
  sets.push_back({"sprite", false, 2.0, datagen::spriteBytes(size & ~std::size_t{1}, 1)});
  sets.push_back({"image15", true, 1.0, datagen::imageWords(size, 2)});
  auto fonts = readConsoleFonts(kConsoleFontFolder);
  if (fonts.empty()) {
    std::cerr << "ravlin-bench: no console fonts in " << kConsoleFontFolder
              << " (install the Debian package kbd); skipping the fonts data set\n";
  } else {
    if (fonts.size() % 2 != 0) fonts.pop_back();
    sets.push_back({"fonts", false, 1.0, std::move(fonts)});
  }
  return sets;
}

}  // namespace ravlin::bench
