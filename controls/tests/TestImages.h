// Helpers shared by the controls' tests: colours written as the controls write them, and pixels.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
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

// `face` with `text` drawn over it as plain text in `color` (0x00BBGGRR): centred in `cell`, or,
// for a cell of no width, from its top-left corner on. How a control's caption should look.
inline QImage withText(QImage face, const QFont& font, const QString& text, QRect cell,
                       std::uint32_t color) {
  QPainter painter(&face);
  painter.setFont(font);
  painter.setPen(QColor(int(color & 0xFF), int(color >> 8 & 0xFF), int(color >> 16 & 0xFF)));
  if (cell.width() == 0) {
    painter.drawText(cell.topLeft() + QPoint(0, QFontMetrics(font, &face).ascent()), text);
  } else {
    painter.drawText(cell, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, text);
  }
  return face;
}

// The pixels in which two images of one size differ.
inline QList<QPoint> differences(const QImage& a, const QImage& b) {
  QList<QPoint> points;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      if (a.pixel(x, y) != b.pixel(x, y)) points.append({x, y});
    }
  }
  return points;
}
