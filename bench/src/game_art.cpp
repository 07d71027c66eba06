// Decodes pictures with QImage: PNG and XPM readers are built into Qt's GUI library.
#include "game_art.h"

#include <QImage>
#include <QString>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

namespace ravlin::bench {

namespace {

// Opaque pixels with transparent ones made black, so that a pixel's colour alone says what it is.
QImage opaque(const QImage& picture) {
  QImage pixels = picture.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < pixels.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(pixels.scanLine(y));
    for (int x = 0; x < pixels.width(); ++x) {
      row[x] = qAlpha(row[x]) == 0 ? qRgb(0, 0, 0) : (row[x] | 0xFF000000u);
    }
  }
  return pixels.convertToFormat(QImage::Format_RGB32);
}

void appendIndexed(const QImage& picture, const QImage& pixels, std::vector<std::uint8_t>& out) {
  // A picture stored with a palette keeps its indexes, as the artist saved them.
  const QImage indexed =
      picture.format() == QImage::Format_Indexed8
          ? picture
          : pixels.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
  const auto width = static_cast<std::size_t>(indexed.width());
  for (int y = 0; y < indexed.height(); ++y) {
    const uchar* row = indexed.constScanLine(y);
    out.insert(out.end(), row, row + width);
  }
}

void appendRgb555(const QImage& pixels, std::vector<std::uint8_t>& out) {
  const QImage words = pixels.convertToFormat(QImage::Format_RGB555);
  for (int y = 0; y < words.height(); ++y) {
    const auto* row = reinterpret_cast<const std::uint16_t*>(words.constScanLine(y));
    for (int x = 0; x < words.width(); ++x) {
      out.push_back(static_cast<std::uint8_t>(row[x] & 0xFF));
      out.push_back(static_cast<std::uint8_t>(row[x] >> 8));
    }
  }
}

}  // namespace

GameArt decodeGameArt(const std::string& folder) {
  GameArt art;
  std::vector<std::filesystem::path> paths;
  std::error_code error;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
    const auto extension = entry.path().extension();
    if (entry.is_regular_file() && (extension == ".png" || extension == ".xpm")) {
      paths.push_back(entry.path());
    }
  }
  std::sort(paths.begin(), paths.end());
  for (const auto& path : paths) {
    const QImage picture(QString::fromStdString(path.string()));
    if (picture.isNull()) throw std::runtime_error("cannot decode " + path.string());
    const QImage pixels = opaque(picture);
    appendIndexed(picture, pixels, art.indexed);
    appendRgb555(pixels, art.rgb555);
    ++art.pictures;
  }
  return art;
}

}  // namespace ravlin::bench
