// Pixel-exact pen drawing on an off-screen image.
#include "Raster.h"

#include <algorithm>
#include <cstdlib>

namespace {

int sign(int value) {
  return (value > 0) - (value < 0);
}

}  // namespace

void drawLine(QImage& image, QPoint from, QPoint to, TColor color) {
  const int dx = to.x() - from.x();
  const int dy = to.y() - from.y();
  Q_ASSERT(dx == 0 || dy == 0 || std::abs(dx) == std::abs(dy));
  const int steps = std::max(std::abs(dx), std::abs(dy));
  const QPoint step(sign(dx), sign(dy));
  const QRgb rgb = toQRgb(color);
  QPoint p = from;
  for (int i = 0; i < steps; ++i, p += step) {
    if (image.rect().contains(p)) image.setPixel(p, rgb);
  }
}

void drawPolyline(QImage& image, std::initializer_list<QPoint> points, TColor color) {
  const QPoint* previous = nullptr;
  for (const QPoint& point : points) {
    if (previous != nullptr) drawLine(image, *previous, point, color);
    previous = &point;
  }
}

void drawFrame(QImage& image, int left, int top, int right, int bottom, TColor color) {
  if (right <= left || bottom <= top) return;
  const QRgb rgb = toQRgb(color);
  const QRect clip = image.rect();
  auto put = [&](int x, int y) {
    if (clip.contains(x, y)) image.setPixel(x, y, rgb);
  };
  for (int x = left; x < right; ++x) {
    put(x, top);
    put(x, bottom - 1);
  }
  for (int y = top; y < bottom; ++y) {
    put(left, y);
    put(right - 1, y);
  }
}

QFontMetrics imageFontMetrics(const QFont& font) {
  static const QImage probe(1, 1, QImage::Format_RGB32);
  return QFontMetrics(font, &probe);
}
