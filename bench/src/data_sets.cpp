// Builds the benchmark data sets; the console fonts are read through zlib, the game art through Qt.
#include "data_sets.h"

#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <stdexcept>

#include "game_art.h"
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
  const std::size_t evenSize = size & ~std::size_t{1};
  std::vector<DataSet> sets;
  sets.push_back({"sprite", false, datagen::spriteBytes(evenSize, 1)});
  sets.push_back({"image15", true, datagen::imageWords(size, 2)});
  sets.push_back({"short", false, datagen::shortBlocks(evenSize, 3)});
  const auto missing = [](const std::string& what, const char* folder, const char* package) {
    std::cerr << "ravlin-bench: nothing in " << folder << " (install the Debian package " << package
              << "); skipping " << what << "\n";
  };
  auto fonts = readConsoleFonts(kConsoleFontFolder);
  if (fonts.empty()) {
    missing("the fonts data set", kConsoleFontFolder, "kbd");
  } else {
    if (fonts.size() % 2 != 0) fonts.pop_back();
    sets.push_back({"fonts", false, std::move(fonts)});
  }
  const struct {
    const char* name;
    const char* folder;
    const char* package;
  } art[] = {{"penguins", kPenguinFolder, "xpenguins"},
             {"breakout", kBreakoutFolder, "lbreakout2-data"}};
  for (const auto& source : art) {
    GameArt pixels = decodeGameArt(source.folder);
    if (pixels.pictures == 0) {
      const std::string name = source.name;
      missing("the data sets " + name + "8 and " + name + "15", source.folder, source.package);
      continue;
    }
    if (pixels.indexed.size() % 2 != 0) pixels.indexed.pop_back();
    sets.push_back({std::string(source.name) + "8", false, std::move(pixels.indexed)});
    sets.push_back({std::string(source.name) + "15", true, std::move(pixels.rgb555)});
  }
  return sets;
}

}  // namespace ravlin::bench
