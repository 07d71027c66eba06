// Helpers shared by the controls' tests: colours written as the controls write them, and pixels.
#pragma once

#include <QImage>
#include <QString>
#include <QtTest>
#include <cstdint>

// Reads a pixel back as 0x00BBGGRR, independently of the library's own conversion.
inline std::uint32_t pixelBgr(const QImage& image, int x, int y) {
  const QRgb rgb = image.pixel(x, y);
  return static_cast<std::uint32_t>(qRed(rgb)) | static_cast<std::uint32_t>(qGreen(rgb)) << 8 |
         static_cast<std::uint32_t>(qBlue(rgb)) << 16;
}

inline QString hexColor(std::uint32_t color) {
  return QStringLiteral("0x") + QString::number(color, 16).rightJustified(6, u'0').toUpper();
}

// Compares one pixel with a 0x00BBGGRR value and names the place on failure.
#define COMPARE_PIXEL(image, x, y, expected)                                  \
  do {                                                                        \
    const std::uint32_t actualPixel = pixelBgr((image), (x), (y));            \
    if (actualPixel != static_cast<std::uint32_t>(expected))                  \
      QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) is %3, expected %4")    \
                           .arg(x)                                            \
                           .arg(y)                                            \
                           .arg(hexColor(actualPixel), hexColor(expected)))); \
  } while (false)
