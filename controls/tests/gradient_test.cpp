// Tests of the shared gradient fill and of the pixel-exact line drawing under it.
#include <QtTest>

#include "Gradient.h"
#include "Raster.h"
#include "TestImages.h"

class GradientTest : public QObject {
  Q_OBJECT

 private slots:
  void verticalRows_data();
  void verticalRows();
  void horizontalColumnsFollowWidth();
  void diagonalLeavesColumnZero();
  void emptyImageDrawsNothing();
  void lineLeavesOutEndPointAndClips();
  void frameOutline();
};

// Fills a w x h image (previously black) from `from` to `to` going down.
static QImage vertical(int w, int h, TColor from, TColor to) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::black);
  paintGradient(image, from, to, GradientDirection::Vertical);
  return image;
}

void GradientTest::verticalRows_data() {
  QTest::addColumn<int>("height");
  QTest::addColumn<uint>("from");
  QTest::addColumn<uint>("to");
  QTest::addColumn<int>("row");
  QTest::addColumn<uint>("expected");
  // The normal set of csNeoSky on a 25-pixel button.
  QTest::newRow("neoSky row 0") << 25 << 0xFFEEDDu << 0xFFB66Cu << 0 << 0xFFEEDDu;
  QTest::newRow("neoSky row 1") << 25 << 0xFFEEDDu << 0xFFB66Cu << 1 << 0xFFECD8u;
  QTest::newRow("neoSky row 12") << 25 << 0xFFEEDDu << 0xFFB66Cu << 12 << 0xFFD3A7u;
  QTest::newRow("neoSky row 24") << 25 << 0xFFEEDDu << 0xFFB66Cu << 24 << 0xFFB871u;
  // Exact halves go to the even neighbour, in each channel.
  QTest::newRow("red 0 to 1, half to 0") << 2 << 0x000000u << 0x000001u << 1 << 0x000000u;
  QTest::newRow("green 0 to 3, 1.5 to 2") << 2 << 0x000000u << 0x000300u << 1 << 0x000200u;
  QTest::newRow("blue 0 to 3, 1.5 to 2") << 2 << 0x000000u << 0x030000u << 1 << 0x020000u;
  // The running sum drifts off the exact half: 128.50000000000003 and 129.49999999999997.
  QTest::newRow("running sum above a half") << 6 << 0x0000FFu << 0x000002u << 3 << 0x000081u;
  QTest::newRow("running sum below a half") << 6 << 0x0000FFu << 0x000004u << 3 << 0x000081u;
}

void GradientTest::verticalRows() {
  QFETCH(int, height);
  QFETCH(uint, from);
  QFETCH(uint, to);
  QFETCH(int, row);
  QFETCH(uint, expected);
  const QImage image = vertical(7, height, from, to);
  for (int x = 0; x < image.width(); ++x) COMPARE_PIXEL(image, x, row, expected);
}

void GradientTest::horizontalColumnsFollowWidth() {
  // n = W = 4, red 0 to 8: columns 0, 2, 4, 6; rows all alike.
  QImage image(4, 3, QImage::Format_RGB32);
  image.fill(Qt::black);
  paintGradient(image, 0x000000, 0x000008, GradientDirection::Horizontal);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) COMPARE_PIXEL(image, x, y, static_cast<uint>(2 * x));
  }
}

void GradientTest::diagonalLeavesColumnZero() {
  // n = W + H = 8; line i covers the pixels with x + y = i and x > 0.
  QImage image(5, 3, QImage::Format_RGB32);
  image.fill(qRgb(1, 2, 3));
  paintGradient(image, 0x000000, 0x000010, GradientDirection::Diagonal);
  for (int y = 0; y < 3; ++y) {
    COMPARE_PIXEL(image, 0, y, 0x030201u);
    for (int x = 1; x < 5; ++x) COMPARE_PIXEL(image, x, y, static_cast<uint>(2 * (x + y)));
  }
}

void GradientTest::emptyImageDrawsNothing() {
  QImage empty;
  for (auto direction :
       {GradientDirection::Horizontal, GradientDirection::Vertical, GradientDirection::Diagonal})
    paintGradient(empty, 0xFFFFFF, 0x000000, direction);
  QVERIFY(empty.isNull());
}

void GradientTest::lineLeavesOutEndPointAndClips() {
  QImage image(4, 4, QImage::Format_RGB32);
  image.fill(Qt::black);
  drawLine(image, {3, 0}, {0, 3}, 0xFFFFFF);   // up-right to down-left, (0, 3) left out
  drawLine(image, {-2, 2}, {9, 2}, 0x0000FF);  // clipped on both sides
  drawLine(image, {1, 1}, {1, 1}, 0x00FF00);   // nothing
  COMPARE_PIXEL(image, 3, 0, 0xFFFFFFu);
  COMPARE_PIXEL(image, 2, 1, 0xFFFFFFu);
  COMPARE_PIXEL(image, 1, 2, 0x0000FFu);
  COMPARE_PIXEL(image, 0, 3, 0x000000u);
  COMPARE_PIXEL(image, 1, 1, 0x000000u);
  for (int x = 0; x < 4; ++x) COMPARE_PIXEL(image, x, 2, 0x0000FFu);
}

void GradientTest::frameOutline() {
  QImage image(6, 5, QImage::Format_RGB32);
  image.fill(Qt::black);
  drawFrame(image, 1, 1, 5, 4, 0x00FF00);  // pixels 1..4 x 1..3
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 6; ++x) {
      const bool onOutline =
          (x == 1 || x == 4 || y == 1 || y == 3) && x >= 1 && x <= 4 && y >= 1 && y <= 3;
      COMPARE_PIXEL(image, x, y, onOutline ? 0x00FF00u : 0u);
    }
  }
}

QTEST_APPLESS_MAIN(GradientTest)
#include "gradient_test.moc"
