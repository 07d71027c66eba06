// Tests of the gradient button's face: gradient rows, border, 3-D edge, focus rectangle, glyph
// and caption places, the Down shift and the colour set each look uses.
#include <QtTest>

#include "ButtonFaceLayout.h"
#include "TXiButton.h"
#include "TestImages.h"

using namespace XiButton;

class ButtonPaintTest : public QObject {
  Q_OBJECT

 private slots:
  void gradientRows();
  void borderAndEdge();
  void focusRectangle();
  void flatFaceAndNoEdge();
  void disabledSetByOwnFlagOnly();
  void glyphAndDownShift();
  void captionInk_data();
  void captionInk();
  void ampersandUnderlines();
  void facePlaces_data();
  void facePlaces();
  void captionCellFromMetrics();
  void degenerateSizes();
  void paintCopiesRender();
};

namespace {

// csNeoSky normal set.
constexpr uint kSkyBorder = 0xB35900;
constexpr uint kSkyLight = 0xFFECD9;
constexpr uint kSkyDark = 0xFFA851;
constexpr uint kSkyFocus = 0xFFA953;

void focus(TXiButton& button) {
  QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
  QCoreApplication::sendEvent(&button, &focusIn);
}

QImage solidGlyph(int w, int h, QRgb key, QRgb body) {
  QImage glyph(w, h, QImage::Format_RGB32);
  glyph.fill(body);
  glyph.setPixel(0, 0, key);
  return glyph;
}

}  // namespace

void ButtonPaintTest::gradientRows() {
  TXiButton button;
  button.setColorScheme(csNeoSky);
  button.setCtl3D(false);
  const QImage face = button.render();
  QCOMPARE(face.size(), QSize(75, 25));
  COMPARE_PIXEL(face, 37, 1, 0xFFECD8u);
  COMPARE_PIXEL(face, 1, 12, 0xFFD3A7u);
  COMPARE_PIXEL(face, 73, 12, 0xFFD3A7u);
  COMPARE_PIXEL(face, 37, 23, 0xFFBA75u);
  // The Over set has its own gradient, 0xFFEBD7 to 0xFFA346: row 12 is (145.4, 200.44, 255).
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QCoreApplication::sendEvent(&button, &enter);
  QCOMPARE(button.DrawState(), dsOver);
  COMPARE_PIXEL(button.render(), 37, 12, 0xFFC891u);
}

void ButtonPaintTest::borderAndEdge() {
  TXiButton button;
  button.setColorScheme(csNeoSky);
  const QImage face = button.render();
  for (int y = 0; y < 25; ++y) {
    COMPARE_PIXEL(face, 0, y, kSkyBorder);
    COMPARE_PIXEL(face, 74, y, kSkyBorder);
  }
  for (int x = 0; x < 75; ++x) {
    COMPARE_PIXEL(face, x, 0, kSkyBorder);
    COMPARE_PIXEL(face, x, 24, kSkyBorder);
  }
  for (int y = 1; y <= 23; ++y) COMPARE_PIXEL(face, 1, y, kSkyLight);
  for (int x = 1; x <= 72; ++x) COMPARE_PIXEL(face, x, 1, kSkyLight);
  for (int y = 1; y <= 22; ++y) COMPARE_PIXEL(face, 73, y, kSkyDark);
  for (int x = 2; x <= 73; ++x) COMPARE_PIXEL(face, x, 23, kSkyDark);
  COMPARE_PIXEL(face, 73, 1, kSkyDark);   // inner top-right corner
  COMPARE_PIXEL(face, 1, 23, kSkyLight);  // inner bottom-left corner
  COMPARE_PIXEL(face, 2, 2, 0xFFEAD4u);   // gradient row 2 inside the edge
}

void ButtonPaintTest::focusRectangle() {
  TXiButton button;
  button.setColorScheme(csNeoSky);
  const QImage before = button.render();
  focus(button);
  QVERIFY(button.HasFocus());
  const QImage face = button.render();
  for (int y = 3; y <= 21; ++y) {
    COMPARE_PIXEL(face, 3, y, kSkyFocus);
    COMPARE_PIXEL(face, 71, y, kSkyFocus);
  }
  for (int x = 3; x <= 71; ++x) {
    COMPARE_PIXEL(face, x, 3, kSkyFocus);
    COMPARE_PIXEL(face, x, 21, kSkyFocus);
  }
  // Everything else is as without the focus.
  for (int y = 0; y < 25; ++y) {
    for (int x = 0; x < 75; ++x) {
      const bool onRect =
          (x == 3 || x == 71 || y == 3 || y == 21) && x >= 3 && x <= 71 && y >= 3 && y <= 21;
      if (!onRect) QCOMPARE(face.pixel(x, y), before.pixel(x, y));
    }
  }
  // It is drawn in the Down look too.
  QTest::keyPress(&button, Qt::Key_Space);
  QCOMPARE(button.DrawState(), dsDown);
  COMPARE_PIXEL(button.render(), 3, 12, kSkyFocus);
}

void ButtonPaintTest::flatFaceAndNoEdge() {
  TXiButton button;
  button.setColorScheme(csNeoSky);
  button.setGradient(false);
  button.setCtl3D(false);
  const QImage face = button.render();
  for (int y = 1; y <= 23; ++y) {
    COMPARE_PIXEL(face, 1, y, 0xFFEEDDu);
    COMPARE_PIXEL(face, 73, y, 0xFFEEDDu);
  }
  COMPARE_PIXEL(face, 0, 12, kSkyBorder);
  // A flat scheme turns the gradient off by itself.
  button.setColorScheme(csSky);
  COMPARE_PIXEL(button.render(), 37, 20, 0xFFE0C1u);
}

void ButtonPaintTest::disabledSetByOwnFlagOnly() {
  QWidget page;
  auto* button = new TXiButton(&page);
  button->setColorScheme(csNeoSky);
  button->setCtl3D(false);
  button->setEnabled(false);
  QImage face = button->render();
  COMPARE_PIXEL(face, 0, 12, 0x808080u);
  COMPARE_PIXEL(face, 37, 1, 0xEFEFEFu);  // 0xEE + 17 / 25
  button->setEnabled(true);
  page.setEnabled(false);
  QVERIFY(!button->isEnabled());
  face = button->render();
  COMPARE_PIXEL(face, 0, 12, kSkyBorder);
  COMPARE_PIXEL(face, 37, 1, 0xFFECD8u);
  // The Disabled set wins over any state.
  page.setEnabled(true);
  QTest::keyPress(button, Qt::Key_Space);
  QCOMPARE(button->DrawState(), dsDown);
  button->setEnabled(false);
  COMPARE_PIXEL(button->render(), 0, 12, 0x808080u);
}

void ButtonPaintTest::glyphAndDownShift() {
  TXiButton button;
  button.setColorScheme(csNeoSky);
  button.setGradient(false);
  const QRgb red = qRgb(255, 0, 0);
  button.setGlyph(solidGlyph(6, 4, qRgb(255, 255, 255), red));
  // No caption: the glyph sits at tx - GW div 2 = 37 - 3, (H - GH) div 2 = 10.
  QImage face = button.render();
  COMPARE_PIXEL(face, 34, 10, 0xFFEEDDu);  // the key colour is transparent
  COMPARE_PIXEL(face, 35, 10, 0x0000FFu);
  COMPARE_PIXEL(face, 39, 13, 0x0000FFu);
  COMPARE_PIXEL(face, 40, 13, 0xFFEEDDu);
  COMPARE_PIXEL(face, 39, 14, 0xFFEEDDu);
  button.setTransparentGlyph(false);
  COMPARE_PIXEL(button.render(), 34, 10, 0xFFFFFFu);

  QTest::keyPress(&button, Qt::Key_Space);
  face = button.render();
  COMPARE_PIXEL(face, 35, 11, 0xFFFFFFu);  // the glyph moved one pixel right and down
  COMPARE_PIXEL(face, 40, 14, 0x0000FFu);
  COMPARE_PIXEL(face, 34, 10, 0xFFB366u);  // Down face
  // The button keeps its own copy of the glyph.
  QImage source = solidGlyph(2, 2, red, red);
  button.setGlyph(source);
  source.fill(Qt::green);
  QCOMPARE(button.Glyph().pixel(1, 1), red);
}

// A plain white face, so that the caption's ink can be compared with text drawn on its own; each
// look gets a text colour of its own.
static void makePlainFace(TXiButton& button) {
  button.setGradient(false);
  for (const int set : {kNormalSet, kOverSet, kDownSet, kDisabledSet}) {
    button.SetColorByIndex(set + crFace, 0xFFFFFF);
  }
  button.setColorText(0x0000A0);
  button.setOverColorText(0x00A000);
  button.setDownColorText(0xA00000);
  button.setDisabledColorText(0x808080);
}

// The caption is drawn centred in the button, in its look's text colour, one pixel right and
// down in the Down look.
void ButtonPaintTest::captionInk_data() {
  QTest::addColumn<int>("look");  // a TDrawState, or -1 for a disabled button
  QTest::addColumn<uint>("textColour");
  QTest::addColumn<int>("shift");
  QTest::newRow("normal") << int(dsNormal) << 0x0000A0u << 0;
  QTest::newRow("over") << int(dsOver) << 0x00A000u << 0;
  QTest::newRow("down") << int(dsDown) << 0xA00000u << 1;
  QTest::newRow("disabled") << -1 << 0x808080u << 0;
}

void ButtonPaintTest::captionInk() {
  QFETCH(int, look);
  const QString caption = QStringLiteral("Start (II)");
  QFETCH(uint, textColour);
  QFETCH(int, shift);
  TXiButton button;
  makePlainFace(button);
  if (look == dsOver) {
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&button, &enter);
  }
  if (look == dsDown) QTest::keyPress(&button, Qt::Key_Space);
  if (look < 0) button.setEnabled(false);
  const QImage bare = button.render();
  button.setCaption(caption);
  const QImage probe(1, 1, QImage::Format_RGB32);
  const QFontMetrics metrics(button.font(), &probe);
  const int tw = metrics.horizontalAdvance(caption);
  const int th = metrics.height();
  const QRect cell((75 - tw) / 2 + shift, (25 - th) / 2 + shift, tw, th);
  QCOMPARE(button.render(), withText(bare, button.font(), caption, cell, textColour));
}

// "&" is not drawn: the character after it is underlined instead.
void ButtonPaintTest::ampersandUnderlines() {
  TXiButton button;
  makePlainFace(button);
  const QImage bare = button.render();
  button.setCaption(QStringLiteral("Br&owse"));
  const QList<QPoint> ink = differences(button.render(), bare);
  QVERIFY(!ink.isEmpty());
  QRect box;
  for (const QPoint& p : ink) box |= QRect(p, QSize(1, 1));
  const QImage probe(1, 1, QImage::Format_RGB32);
  const QFontMetrics metrics(button.font(), &probe);
  // As wide as "Browse", not as the raw caption with its ampersand.
  QVERIFY2(box.width() <= metrics.horizontalAdvance(QStringLiteral("Browse")) + 1,
           qPrintable(QString::number(box.width())));
  // Below the baseline ("Browse" has no descenders) only the line under the "o".
  const int baseline = (25 - metrics.height()) / 2 + metrics.ascent();
  const int oLeft = box.left() + metrics.horizontalAdvance(QStringLiteral("Br"));
  const int oRight = oLeft + metrics.horizontalAdvance(u'o');
  int underline = 0;
  for (const QPoint& p : ink) {
    if (p.y() <= baseline) continue;
    ++underline;
    QVERIFY2(p.y() == box.bottom() && p.x() >= oLeft - 1 && p.x() <= oRight + 1,
             qPrintable(QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y())));
  }
  QVERIFY(underline >= 3);
}

void ButtonPaintTest::facePlaces_data() {
  QTest::addColumn<int>("layout");
  QTest::addColumn<QSize>("glyph");
  QTest::addColumn<int>("spacing");
  QTest::addColumn<bool>("hasCaption");
  QTest::addColumn<bool>("down");
  QTest::addColumn<QPoint>("glyphAt");
  QTest::addColumn<QPoint>("captionAt");
  // Button 75 x 25, caption cell 40 x 13, so tx = 17 and ty = 6.
  const QSize g16(16, 16);
  const QSize g15(15, 15);
  QTest::newRow("left") << int(blGlyphLeft) << g16 << 4 << true << false << QPoint(7, 4)
                        << QPoint(27, 6);
  QTest::newRow("left, down") << int(blGlyphLeft) << g16 << 4 << true << true << QPoint(8, 5)
                              << QPoint(28, 7);
  QTest::newRow("left, odd glyph and spacing")
      << int(blGlyphLeft) << g15 << 5 << true << false << QPoint(7, 5) << QPoint(26, 6);
  QTest::newRow("left, no caption")
      << int(blGlyphLeft) << g16 << 4 << false << false << QPoint(9, 4) << QPoint(25, 6);
  QTest::newRow("right") << int(blGlyphRight) << g16 << 4 << true << false << QPoint(51, 4)
                         << QPoint(7, 6);
  QTest::newRow("right, negative spacing")
      << int(blGlyphRight) << g16 << -3 << true << false << QPoint(47, 4) << QPoint(10, 6);
  QTest::newRow("top") << int(blGlyphTop) << g16 << 4 << true << false << QPoint(29, -4)
                       << QPoint(17, 16);
  QTest::newRow("top, odd glyph and spacing")
      << int(blGlyphTop) << g15 << 5 << true << false << QPoint(30, -5) << QPoint(17, 15);
  QTest::newRow("bottom") << int(blGlyphBottom) << g16 << 4 << true << false << QPoint(29, 13)
                          << QPoint(17, -4);
  QTest::newRow("bottom, down") << int(blGlyphBottom) << g16 << 4 << true << true << QPoint(30, 14)
                                << QPoint(18, -3);
  QTest::newRow("bottom, no caption")
      << int(blGlyphBottom) << g16 << 4 << false << false << QPoint(29, 11) << QPoint(17, -2);
}

void ButtonPaintTest::facePlaces() {
  QFETCH(int, layout);
  QFETCH(QSize, glyph);
  QFETCH(int, spacing);
  QFETCH(bool, hasCaption);
  QFETCH(bool, down);
  QFETCH(QPoint, glyphAt);
  QFETCH(QPoint, captionAt);
  ButtonFaceInput in;
  in.button = QSize(75, 25);
  in.text = QSize(40, 13);
  in.hasCaption = hasCaption;
  in.glyph = glyph;
  in.layout = static_cast<TButtonLayout>(layout);
  in.spacing = spacing;
  in.down = down;
  const ButtonFacePlaces places = placeButtonFace(in);
  QCOMPARE(places.caption, captionAt);
  QCOMPARE(places.glyph, glyphAt);
}

// The glyph goes beside the caption as measured in the button's font, ampersand included.
void ButtonPaintTest::captionCellFromMetrics() {
  TXiButton button;
  button.setColorScheme(csNeoSky);
  button.setGradient(false);
  button.setCaption(QStringLiteral("Br&owse"));
  button.setGlyph(solidGlyph(8, 8, qRgb(0, 0, 255), qRgb(0, 0, 255)));
  button.setTransparentGlyph(false);
  button.setLayout(blGlyphRight);
  const QImage probe(1, 1, QImage::Format_RGB32);
  const QFontMetrics metrics(button.font(), &probe);
  const int tw = metrics.horizontalAdvance(QStringLiteral("Br&owse"));
  // gx = tx + tw - GW div 2 + (S div 2 + S mod 2) with S = 4.
  const int gx = (75 - tw) / 2 + tw - 4 + 2;
  const QImage face = button.render();
  COMPARE_PIXEL(face, gx, 8, 0xFF0000u);
  COMPARE_PIXEL(face, gx + 7, 15, 0xFF0000u);
  COMPARE_PIXEL(face, gx + 8, 12, 0xFFEEDDu);
}

void ButtonPaintTest::degenerateSizes() {
  TXiButton button;
  button.setCaption(QStringLiteral("About"));
  button.setGlyph(solidGlyph(4, 4, qRgb(0, 0, 0), qRgb(9, 9, 9)));
  focus(button);
  for (const QSize size : {QSize(75, 0), QSize(0, 25), QSize(0, 0)}) {
    button.resize(size);
    QVERIFY(button.render().isNull());
  }
  for (const QSize size : {QSize(1, 1), QSize(2, 2), QSize(3, 5), QSize(49, 17)}) {
    button.resize(size);
    QCOMPARE(button.render().size(), size);
  }
  // Without the 3-D edge every pixel of a 2 x 2 button is border.
  button.setCtl3D(false);
  button.resize(2, 2);
  const QImage tiny = button.render();
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) COMPARE_PIXEL(tiny, x, y, button.ColorBorder());
  }
}

// What reaches the screen is the rendered face, copied at (0, 0).
void ButtonPaintTest::paintCopiesRender() {
  TXiButton button;
  button.setColorScheme(csNeoGrass);
  button.setCaption(QStringLiteral("Browse"));
  focus(button);
  QCOMPARE(button.grab().toImage().convertToFormat(QImage::Format_RGB32), button.render());
  button.resize(75, 0);
  QVERIFY(button.grab().isNull());
}

QTEST_MAIN(ButtonPaintTest)
#include "button_paint_test.moc"
