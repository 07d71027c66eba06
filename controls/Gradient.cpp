// The two-colour linear gradient shared by the gradient panel and the gradient button.
#include "Gradient.h"

#include <algorithm>
#include <array>
#include <cfenv>
#include <cmath>

#include "Raster.h"

namespace {

std::array<double, 3> channels(TColor color) {
  return {static_cast<double>(color & 0xFFu), static_cast<double>((color >> 8) & 0xFFu),
          static_cast<double>((color >> 16) & 0xFFu)};
}

// std::nearbyint rounds in the current mode; the default mode sends halves to the even
// neighbour, which is the rounding the gradient needs.
TColor roundedColor(const std::array<double, 3>& value) {
  TColor color = 0;
  for (int c = 2; c >= 0; --c) {
    const long rounded = std::lround(std::nearbyint(value[static_cast<std::size_t>(c)]));
    color = (color << 8) | static_cast<TColor>(std::clamp(rounded, 0L, 255L));
  }
  return color;
}

}  // namespace

void paintGradient(QImage& image, TColor from, TColor to, GradientDirection direction) {
  const int w = image.width();
  const int h = image.height();
  const int n = direction == GradientDirection::Horizontal ? w
                : direction == GradientDirection::Vertical ? h
                                                           : w + h;
  if (n <= 0) return;

  const int savedRounding = std::fegetround();
  std::fesetround(FE_TONEAREST);
  std::array<double, 3> value = channels(from);
  const std::array<double, 3> target = channels(to);
  std::array<double, 3> step{};
  for (std::size_t c = 0; c < 3; ++c) step[c] = (target[c] - value[c]) / n;

  for (int i = 0; i <= n; ++i) {
    const TColor color = roundedColor(value);
    switch (direction) {
      case GradientDirection::Horizontal:
        drawLine(image, {i, 0}, {i, h}, color);
        break;
      case GradientDirection::Vertical:
        drawLine(image, {0, i}, {w, i}, color);
        break;
      case GradientDirection::Diagonal:
        drawLine(image, {i, 0}, {0, i}, color);
        break;
    }
    for (std::size_t c = 0; c < 3; ++c) value[c] += step[c];
  }
  std::fesetround(savedRounding);
}
