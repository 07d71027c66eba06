// TColor, the controls' colour value 0x00BBGGRR, and the one place where it becomes a Qt colour.
#pragma once

#include <QColor>
#include <QRgb>
#include <cstdint>

// Red is the lowest byte, green the second, blue the third; the top byte is unused.
using TColor = std::uint32_t;

// Qt stores 0xAARRGGBB, so red and blue trade places; the result is opaque.
constexpr QRgb toQRgb(TColor color) {
  return 0xFF000000u | ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}

inline QColor toQColor(TColor color) {
  return QColor::fromRgb(toQRgb(color));
}
