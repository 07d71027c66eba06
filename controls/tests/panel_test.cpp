// Tests of the gradient panel: its colours and schemes, its face pixel by pixel, caption places.
#include <QtTest>

#include "TXiPanel.h"
#include "TestImages.h"

using namespace XiPanel;

class PanelTest : public QObject {
  Q_OBJECT

 private slots:
  void newPanel();
  void schemes_data();
  void schemes();
  void colourWritesKeepScheme();
  void fillDirections_data();
  void fillDirections();
  void percentageBarRows();
  void percentageBarBevel();
  void spaceLooksLikeRaised();
  void innerBevelAloneStartsAtEdge();
  void bothBevelsWidthTwo();
  void captionPlaces_data();
  void captionPlaces();
  void ampersandIsDrawn();
  void captionKeepsItsColourInADisabledParent();
  void emptyAndTinyPanels();
  void paintCopiesRender();
};

// The percentage bar of the window: 200 x 34, csRose, vertical fill.
static void makeBar(TXiPanel& bar) {
  bar.resize(200, 34);
  bar.setColorScheme(csRose);
  bar.setFillDirection(fdVertical);
}

void PanelTest::newPanel() {
  TXiPanel panel;
  QCOMPARE(panel.size(), QSize(185, 41));
  QCOMPARE(panel.ColorScheme(), csDesert);
  QCOMPARE(panel.FillDirection(), fdVertical);
  QCOMPARE(panel.Alignment(), taCenter);
  QCOMPARE(panel.BevelOuter(), bvRaised);
  QCOMPARE(panel.BevelInner(), bvNone);
  QCOMPARE(panel.BevelWidth(), 1);
  const QImage face = panel.render();
  COMPARE_PIXEL(face, 0, 20, 0x008FD5u);    // left: ColorLight
  COMPARE_PIXEL(face, 90, 0, 0x008FD5u);    // top: ColorLight
  COMPARE_PIXEL(face, 184, 20, 0x00699Bu);  // right: ColorDark
  COMPARE_PIXEL(face, 90, 40, 0x00699Bu);   // bottom: ColorDark
  COMPARE_PIXEL(face, 90, 1, 0xFDFEFFu);    // row 1: (255, 254.3, 252.8) on the way to 0xA4E1FF
}

void PanelTest::schemes_data() {
  QTest::addColumn<int>("scheme");
  QTest::addColumn<uint>("face");
  QTest::addColumn<uint>("grad");
  QTest::addColumn<uint>("light");
  QTest::addColumn<uint>("dark");
  QTest::newRow("csDesert") << int(csDesert) << 0xFFFFFFu << 0xA4E1FFu << 0x008FD5u << 0x00699Bu;
  QTest::newRow("csGrass") << int(csGrass) << 0xFFFFFFu << 0xB0F2CBu << 0x3EB56Au << 0x156F37u;
  QTest::newRow("csSilver") << int(csSilver) << 0xFFFFFFu << 0xDAE0DEu << 0x7D7D7Du << 0x626262u;
  QTest::newRow("csSky") << int(csSky) << 0xFFFFFFu << 0xFFE0C1u << 0xF0964Du << 0xB35900u;
  QTest::newRow("csRose") << int(csRose) << 0xFFFFFFu << 0xCCCCFFu << 0x0651CCu << 0x00009Du;
  QTest::newRow("csSun") << int(csSun) << 0xFFFFFFu << 0xBFFFFFu << 0x009595u << 0x006464u;
}

void PanelTest::schemes() {
  QFETCH(int, scheme);
  QFETCH(uint, face);
  QFETCH(uint, grad);
  QFETCH(uint, light);
  QFETCH(uint, dark);
  TXiPanel panel;
  panel.setColorScheme(csCustom);
  panel.setColorScheme(static_cast<TColorScheme>(scheme));
  QCOMPARE(panel.ColorScheme(), static_cast<TColorScheme>(scheme));
  QCOMPARE(panel.ColorFace(), face);
  QCOMPARE(panel.ColorGrad(), grad);
  QCOMPARE(panel.ColorLight(), light);
  QCOMPARE(panel.ColorDark(), dark);
  // csCustom afterwards keeps all four.
  panel.setColorScheme(csCustom);
  QCOMPARE(panel.ColorScheme(), csCustom);
  QCOMPARE(panel.ColorGrad(), grad);
  QCOMPARE(panel.ColorDark(), dark);
}

void PanelTest::colourWritesKeepScheme() {
  TXiPanel panel;
  panel.setColorScheme(csSky);
  panel.setColorFace(0x123456);
  QCOMPARE(panel.ColorScheme(), csSky);
  QCOMPARE(panel.ColorFace(), 0x123456u);
  QCOMPARE(panel.ColorGrad(), 0xFFE0C1u);
  panel.setColorScheme(csCustom);
  QCOMPARE(panel.ColorFace(), 0x123456u);
  QCOMPARE(panel.ColorLight(), 0xF0964Du);
}

void PanelTest::fillDirections_data() {
  QTest::addColumn<int>("direction");
  QTest::addColumn<QPoint>("at");
  QTest::addColumn<uint>("expected");
  // 100 x 40, red from 0 to 200: steps 2 per column, 5 per row, 200 / 140 per diagonal.
  QTest::newRow("horizontal (10, 5)") << int(fdHorizontal) << QPoint(10, 5) << 20u;
  QTest::newRow("horizontal (10, 30)") << int(fdHorizontal) << QPoint(10, 30) << 20u;
  QTest::newRow("horizontal (50, 5)") << int(fdHorizontal) << QPoint(50, 5) << 100u;
  QTest::newRow("vertical (10, 5)") << int(fdVertical) << QPoint(10, 5) << 25u;
  QTest::newRow("vertical (10, 30)") << int(fdVertical) << QPoint(10, 30) << 150u;
  QTest::newRow("diagonal (10, 5)") << int(fdDiagonal) << QPoint(10, 5) << 21u;
  QTest::newRow("diagonal (5, 10)") << int(fdDiagonal) << QPoint(5, 10) << 21u;
  QTest::newRow("diagonal (10, 30)") << int(fdDiagonal) << QPoint(10, 30) << 57u;
  QTest::newRow("diagonal column 0 keeps the face") << int(fdDiagonal) << QPoint(0, 30) << 0u;
}

void PanelTest::fillDirections() {
  QFETCH(int, direction);
  QFETCH(QPoint, at);
  QFETCH(uint, expected);
  TXiPanel panel;
  panel.resize(100, 40);
  panel.setBevelOuter(bvNone);
  panel.setColorFace(0x000000);
  panel.setColorGrad(0x0000C8);
  panel.setFillDirection(static_cast<TFillDirection>(direction));
  COMPARE_PIXEL(panel.render(), at.x(), at.y(), expected);
}

void PanelTest::percentageBarRows() {
  TXiPanel bar;
  makeBar(bar);
  const QImage face = bar.render();
  QCOMPARE(face.size(), QSize(200, 34));
  // Green and blue fall by 1.5 a row from 255; 253.5 goes to 254 and 250.5 to 250.
  const uint rows[] = {0xFFFFFF, 0xFEFEFF, 0xFCFCFF, 0xFAFAFF, 0xF9F9FF, 0xF8F8FF};
  for (int y = 1; y < 6; ++y) {
    COMPARE_PIXEL(face, 1, y, rows[y]);
    COMPARE_PIXEL(face, 198, y, rows[y]);
  }
  COMPARE_PIXEL(face, 1, 32, 0xCFCFFFu);  // 255 - 48 = 207
  // Rows 0 and 33 carry the bevel; the fill under them shows where the bar has no frame.
  bar.setBevelOuter(bvNone);
  const QImage bare = bar.render();
  COMPARE_PIXEL(bare, 0, 0, 0xFFFFFFu);
  COMPARE_PIXEL(bare, 199, 33, 0xCECEFFu);  // (255, 206, 206)
}

void PanelTest::percentageBarBevel() {
  TXiPanel bar;
  makeBar(bar);
  const QImage face = bar.render();
  const uint light = 0x0651CC;
  const uint dark = 0x00009D;
  for (int y = 0; y < 33; ++y) COMPARE_PIXEL(face, 0, y, light);
  for (int x = 0; x < 199; ++x) COMPARE_PIXEL(face, x, 0, light);
  for (int y = 0; y < 34; ++y) COMPARE_PIXEL(face, 199, y, dark);
  for (int x = 1; x < 200; ++x) COMPARE_PIXEL(face, x, 33, dark);
  COMPARE_PIXEL(face, 0, 33, light);  // bottom-left corner belongs to the lit edge
  COMPARE_PIXEL(face, 199, 0, dark);  // top-right corner to the shaded one
}

void PanelTest::spaceLooksLikeRaised() {
  TXiPanel raised;
  makeBar(raised);
  raised.setBevelInner(bvRaised);
  TXiPanel space;
  makeBar(space);
  space.setBevelOuter(bvSpace);
  space.setBevelInner(bvSpace);
  QCOMPARE(space.render(), raised.render());
}

void PanelTest::innerBevelAloneStartsAtEdge() {
  TXiPanel panel;
  makeBar(panel);
  panel.setBevelOuter(bvNone);
  panel.setBevelInner(bvLowered);
  const QImage face = panel.render();
  COMPARE_PIXEL(face, 0, 10, 0x00009Du);  // left: ColorDark, lowered
  COMPARE_PIXEL(face, 50, 0, 0x00009Du);
  COMPARE_PIXEL(face, 199, 10, 0x0651CCu);  // right: ColorLight
  COMPARE_PIXEL(face, 50, 33, 0x0651CCu);
  COMPARE_PIXEL(face, 1, 10, 0xF0F0FFu);  // the fill just inside: row 10 is 255 - 15
}

void PanelTest::bothBevelsWidthTwo() {
  TXiPanel panel;
  makeBar(panel);
  panel.setColorLight(0x0000AA);
  panel.setColorDark(0x00BB00);
  panel.setBevelWidth(2);
  panel.setBevelOuter(bvRaised);
  panel.setBevelInner(bvLowered);
  const QImage face = panel.render();
  // Offsets 0 and 1 raised, 2 and 3 lowered; the fill starts at 4.
  const uint raisedSides[] = {0x0000AA, 0x0000AA, 0x00BB00, 0x00BB00};
  const uint loweredSides[] = {0x00BB00, 0x00BB00, 0x0000AA, 0x0000AA};
  for (int o = 0; o < 4; ++o) {
    const uint* sides = o < 2 ? raisedSides : loweredSides;
    COMPARE_PIXEL(face, o, 17, sides[0]);        // left
    COMPARE_PIXEL(face, 100, o, sides[1]);       // top
    COMPARE_PIXEL(face, 199 - o, 17, sides[2]);  // right
    COMPARE_PIXEL(face, 100, 33 - o, sides[3]);  // bottom
    COMPARE_PIXEL(face, o, 33 - o, sides[0]);    // bottom-left corner: first colour
    COMPARE_PIXEL(face, 199 - o, o, sides[2]);   // top-right corner: second colour
  }
  COMPARE_PIXEL(face, 4, 17, 0xE6E6FFu);  // row 17: 255 - 25.5 = 229.5, even 230
}

// The caption as drawn: at its place by Alignment and the bevels, and at a height that comes
// from "AaBbCcDd", whatever its own letters.
void PanelTest::captionPlaces_data() {
  QTest::addColumn<QString>("caption");
  QTest::addColumn<int>("alignment");
  QTest::addColumn<int>("inner");
  QTest::addColumn<int>("bevelWidth");
  QTest::addColumn<int>("expectedLeft");  // -1: right-aligned, checked against the text width
  const QString percent = QStringLiteral("37%");
  QTest::newRow("left, outer only, width 2")
      << percent << int(taLeftJustify) << int(bvNone) << 2 << 4;
  QTest::newRow("left, both bevels, width 2")
      << percent << int(taLeftJustify) << int(bvLowered) << 2 << 6;
  QTest::newRow("left, both bevels, width 1")
      << percent << int(taLeftJustify) << int(bvRaised) << 1 << 4;
  QTest::newRow("right, outer only, width 2")
      << percent << int(taRightJustify) << int(bvNone) << 2 << -4;
  QTest::newRow("right, both bevels, width 2")
      << percent << int(taRightJustify) << int(bvRaised) << 2 << -6;
  QTest::newRow("centre, both bevels, width 3")
      << percent << int(taCenter) << int(bvRaised) << 3 << 0;
  QTest::newRow("centre, descenders")
      << QStringLiteral("gjpqy") << int(taCenter) << int(bvNone) << 1 << 0;
}

void PanelTest::captionPlaces() {
  QFETCH(QString, caption);
  QFETCH(int, alignment);
  QFETCH(int, inner);
  QFETCH(int, bevelWidth);
  QFETCH(int, expectedLeft);
  TXiPanel panel;
  makeBar(panel);
  panel.setAlignment(static_cast<TAlignment>(alignment));
  panel.setBevelInner(static_cast<TBevelCut>(inner));
  panel.setBevelWidth(bevelWidth);
  const QImage bare = panel.render();
  panel.setCaption(caption);
  const QImage probe(1, 1, QImage::Format_RGB32);
  const QFontMetrics metrics(panel.font(), &probe);
  const int tw = metrics.horizontalAdvance(caption);
  int x = expectedLeft;
  if (alignment == taRightJustify) x = 200 + expectedLeft - tw;
  if (alignment == taCenter) x = (200 - tw) / 2;
  const int th = metrics.size(Qt::TextSingleLine, QStringLiteral("AaBbCcDd")).height();
  // The caption's ink stays clear of the bevels, so drawing it last changes nothing.
  QCOMPARE(panel.render(), withText(bare, panel.font(), caption, QRect(x, (34 - th) / 2, 0, 0), 0));
}

// An ampersand is drawn like any other character; nothing is underlined.
void PanelTest::ampersandIsDrawn() {
  TXiPanel panel;
  makeBar(panel);
  const QImage bare = panel.render();
  panel.setCaption(QStringLiteral("A&B"));
  const QImage probe(1, 1, QImage::Format_RGB32);
  const QFontMetrics metrics(panel.font(), &probe);
  const QRect cell((200 - metrics.horizontalAdvance(QStringLiteral("A&B"))) / 2,
                   (34 - metrics.height()) / 2, 0, 0);
  QCOMPARE(panel.render(), withText(bare, panel.font(), QStringLiteral("A&B"), cell, 0));
}

// During a run the bars sit in a disabled page: the percentage still shows in the font's colour.
void PanelTest::captionKeepsItsColourInADisabledParent() {
  QWidget page;
  auto* bar = new TXiPanel(&page);
  makeBar(*bar);
  bar->setCaption(QStringLiteral("37%"));
  const QImage enabled = bar->render();
  page.setEnabled(false);
  QVERIFY(!bar->isEnabled());
  QCOMPARE(bar->render(), enabled);
}

void PanelTest::emptyAndTinyPanels() {
  TXiPanel panel;
  panel.setCaption(QStringLiteral("100%"));
  for (auto direction : {fdHorizontal, fdVertical, fdDiagonal}) {
    panel.setFillDirection(direction);
    panel.resize(0, 34);
    QVERIFY(panel.render().isNull());
    panel.resize(200, 0);
    QVERIFY(panel.render().isNull());
    panel.resize(1, 1);
    QCOMPARE(panel.render().size(), QSize(1, 1));
  }
  // On a 2 x 2 panel the one frame covers everything: left column lit, right column shaded.
  panel.setCaption(QString());
  panel.resize(2, 2);
  const QImage face = panel.render();
  COMPARE_PIXEL(face, 0, 0, panel.ColorLight());
  COMPARE_PIXEL(face, 0, 1, panel.ColorLight());
  COMPARE_PIXEL(face, 1, 0, panel.ColorDark());
  COMPARE_PIXEL(face, 1, 1, panel.ColorDark());
}

// What reaches the screen is the rendered face, copied at (0, 0).
void PanelTest::paintCopiesRender() {
  TXiPanel bar;
  makeBar(bar);
  bar.setCaption(QStringLiteral("37%"));
  bar.resize(74, 34);
  QCOMPARE(bar.grab().toImage().convertToFormat(QImage::Format_RGB32), bar.render());
}

QTEST_MAIN(PanelTest)
#include "panel_test.moc"
