// Tests of the gradient button's named colour schemes and of what ColorScheme reads after writes.
#include <QtTest>

#include "ButtonSchemes.h"
#include "TXiButton.h"
#include "TestImages.h"

using namespace XiButton;

class ButtonSchemeTest : public QObject {
  Q_OBJECT

 private slots:
  void newButton();
  void spotChecks_data();
  void spotChecks();
  void rulesForAllSchemes();
  void flatSchemesKeepGradColours();
  void schemeReadingAfterWrites();
  void customKeepsEverything();
  void storedFormOrder();
};

// The 25 colours of a button, index order.
static std::array<TColor, kColorCount> colours(const TXiButton& button) {
  std::array<TColor, kColorCount> all{};
  for (int i = 0; i < kColorCount; ++i) all[static_cast<std::size_t>(i)] = button.ColorByIndex(i);
  return all;
}

// Perceived brightness, enough to order two shades of one hue.
static int brightness(TColor c) {
  return 299 * int(c & 0xFF) + 587 * int((c >> 8) & 0xFF) + 114 * int((c >> 16) & 0xFF);
}

void ButtonSchemeTest::newButton() {
  TXiButton button;
  QCOMPARE(button.size(), QSize(75, 25));
  QCOMPARE(button.ColorScheme(), csNeoDesert);
  QVERIFY(button.Gradient());
  const std::array<TColor, kColorCount> expected{
      0xC6ECFF, 0x37BEFF, 0x009CE8, 0xB9E7FF, 0x005680, 0x000000,  // normal
      0xB3E7FF, 0xFFFFFF, 0x008ED2, 0x95DAFF, 0x005680, 0x000000,  // Over
      0x2BBAFF, 0xFFFFFF, 0x8AD9FF, 0x0077B7, 0x0070A6, 0x000000,  // Down
      0xEEEEEE, 0xFFFFFF, 0xD2D2D2, 0xFFFFFF, 0x808080, 0x808080,  // Disabled
      0x4080FF};
  QCOMPARE(colours(button), expected);
  QVERIFY(button.Ctl3D());
  QVERIFY(button.TransparentGlyph());
  QVERIFY(button.HotTrack());
  QVERIFY(!button.Default());
  QVERIFY(!button.Cancel());
  QCOMPARE(button.Layout(), blGlyphLeft);
  QCOMPARE(button.Spacing(), 4);
  QCOMPARE(button.ModalResult(), 0);
  QCOMPARE(button.DrawState(), dsNormal);
  QVERIFY(button.focusPolicy() & Qt::TabFocus);
}

// One cell per row and column of both tables, chosen so that a shifted row or column (or a
// swapped pair of neighbours) gives a different value.
void ButtonSchemeTest::spotChecks_data() {
  QTest::addColumn<int>("scheme");
  QTest::addColumn<int>("index");
  QTest::addColumn<uint>("expected");
  QTest::newRow("NeoDesert Face") << int(csNeoDesert) << 0 << 0xC6ECFFu;
  QTest::newRow("NeoSky Grad") << int(csNeoSky) << 1 << 0xFFB66Cu;
  QTest::newRow("NeoGrass Dark") << int(csNeoGrass) << 2 << 0x24B95Cu;
  QTest::newRow("NeoSilver Light") << int(csNeoSilver) << 3 << 0xF7F7F7u;
  QTest::newRow("NeoRose Border") << int(csNeoRose) << 4 << 0x00009Du;
  QTest::newRow("NeoSun OverFace") << int(csNeoSun) << 6 << 0xD5FCFFu;
  QTest::newRow("NeoDesert OverGrad") << int(csNeoDesert) << 7 << 0x00A3F0u;
  QTest::newRow("NeoSky OverDark") << int(csNeoSky) << 8 << 0xFF9E3Eu;
  QTest::newRow("NeoGrass OverLight") << int(csNeoGrass) << 9 << 0xB5F0CBu;
  QTest::newRow("NeoSilver OverBorder") << int(csNeoSilver) << 10 << 0x757575u;
  QTest::newRow("NeoRose DownFace") << int(csNeoRose) << 12 << 0xA6A6FFu;
  QTest::newRow("NeoSun DownGrad") << int(csNeoSun) << 13 << 0x66F0FBu;
  QTest::newRow("NeoDesert DownDark") << int(csNeoDesert) << 14 << 0x8AD9FFu;
  QTest::newRow("NeoSky DownLight") << int(csNeoSky) << 15 << 0xFF9E3Eu;
  QTest::newRow("NeoGrass DownBorder") << int(csNeoGrass) << 16 << 0x167439u;
  QTest::newRow("NeoSilver FocusRect") << int(csNeoSilver) << 24 << 0xADADADu;
  QTest::newRow("NeoSun FocusRect") << int(csNeoSun) << 24 << 0x00BBBBu;
  QTest::newRow("Desert Face") << int(csDesert) << 0 << 0x95DDFFu;
  QTest::newRow("Grass Dark") << int(csGrass) << 2 << 0x24B95Cu;
  QTest::newRow("Sky Light") << int(csSky) << 3 << 0xFFECD9u;
  QTest::newRow("Sun Border") << int(csSun) << 4 << 0x006464u;
  QTest::newRow("Rose OverFace") << int(csRose) << 6 << 0xB0B0FFu;
  QTest::newRow("Silver OverDark") << int(csSilver) << 8 << 0x797979u;
  QTest::newRow("Desert OverLight") << int(csDesert) << 9 << 0x95DAFFu;
  QTest::newRow("Grass OverBorder") << int(csGrass) << 10 << 0x17793Du;
  QTest::newRow("Sky DownFace") << int(csSky) << 12 << 0xFFC082u;
  QTest::newRow("Sun DownDark") << int(csSun) << 14 << 0x66F3FFu;
  QTest::newRow("Rose DownDark") << int(csRose) << 14 << 0x8888FFu;
  QTest::newRow("Sky DownLight") << int(csSky) << 15 << 0xFF9122u;
  QTest::newRow("Silver DownBorder") << int(csSilver) << 16 << 0x4E4E4Eu;
  QTest::newRow("Grass FocusRect") << int(csGrass) << 24 << 0x00A421u;
  QTest::newRow("Sky FocusRect") << int(csSky) << 24 << 0xDC9B14u;
  QTest::newRow("Sun FocusRect") << int(csSun) << 24 << 0x008CF4u;
  QTest::newRow("Silver FocusRect") << int(csSilver) << 24 << 0x8A8A8Au;
}

void ButtonSchemeTest::spotChecks() {
  QFETCH(int, scheme);
  QFETCH(int, index);
  QFETCH(uint, expected);
  TXiButton button;
  button.setColorScheme(static_cast<TColorScheme>(scheme));
  QCOMPARE(button.ColorByIndex(index), expected);
  QCOMPARE(int(button.ColorScheme()), scheme);
}

void ButtonSchemeTest::rulesForAllSchemes() {
  const std::array<TColor, 6> gradientDisabled{0xEEEEEE, 0xFFFFFF, 0xD2D2D2,
                                               0xFFFFFF, 0x808080, 0x808080};
  const std::array<TColor, 6> flatDisabled{0xE2E2E2, 0, 0xD8D8D8, 0xEAEAEA, 0xC4C4C4, 0x808080};
  for (int s = csNeoDesert; s < csCustom; ++s) {
    const auto scheme = static_cast<TColorScheme>(s);
    const bool graded = s <= csNeoSun;
    QCOMPARE(schemeHasGradient(scheme), graded);
    TXiButton button;
    button.setColorScheme(scheme);
    QCOMPARE(button.Gradient(), graded);
    for (int set : {kNormalSet, kOverSet, kDownSet})
      QCOMPARE(button.ColorByIndex(set + crText), 0u);
    QVERIFY2(brightness(button.ColorByIndex(kDownSet + crLight)) <
                 brightness(button.ColorByIndex(kDownSet + crDark)),
             qPrintable(QString::number(s)));
    for (int role = crFace; role <= crText; ++role) {
      if (!graded && role == crGrad) continue;
      QCOMPARE(button.ColorByIndex(kDisabledSet + role),
               (graded ? gradientDisabled : flatDisabled)[static_cast<std::size_t>(role)]);
    }
    if (graded) {
      // The Down set runs from a darker Face to a lighter Grad, the reverse of the normal set.
      QVERIFY(brightness(button.ColorByIndex(kDownSet + crFace)) <
              brightness(button.ColorByIndex(kDownSet + crGrad)));
      QVERIFY(brightness(button.ColorByIndex(kNormalSet + crFace)) >
              brightness(button.ColorByIndex(kNormalSet + crGrad)));
    }
    // Loading twice gives the same colours.
    const auto once = colours(button);
    button.setColorScheme(scheme);
    QCOMPARE(colours(button), once);
  }
  QVERIFY(!schemeColor(csCustom, 0).has_value());
}

void ButtonSchemeTest::flatSchemesKeepGradColours() {
  for (int flat = csDesert; flat < csCustom; ++flat) {
    TXiButton button;
    button.setColorScheme(csNeoGrass);
    button.setColorScheme(static_cast<TColorScheme>(flat));
    QCOMPARE(button.ColorGrad(), 0x5EDF8Eu);
    QCOMPARE(button.OverColorGrad(), 0x3DD877u);
    QCOMPARE(button.DownColorGrad(), 0x80E6A6u);
    QCOMPARE(button.DisabledColorGrad(), 0xFFFFFFu);
    QVERIFY(!button.Gradient());
    for (int set : {kNormalSet, kOverSet, kDownSet, kDisabledSet})
      QVERIFY(!schemeColor(static_cast<TColorScheme>(flat), set + crGrad).has_value());
  }
  TXiButton button;
  button.setColorScheme(csNeoGrass);
  button.setColorScheme(csGrass);
  QCOMPARE(button.ColorFace(), 0x98EBB7u);
  QCOMPARE(button.ColorScheme(), csGrass);
}

void ButtonSchemeTest::schemeReadingAfterWrites() {
  TXiButton button;
  button.setColorScheme(csNeoSky);
  QCOMPARE(button.ColorScheme(), csNeoSky);
  QVERIFY(button.Gradient());
  QCOMPARE(button.ColorFace(), 0xFFEEDDu);
  const auto before = colours(button);

  // Writing a colour, even its own value, makes the scheme read csCustom and changes nothing else.
  button.setColorFace(0xFFEEDD);
  QCOMPARE(button.ColorScheme(), csCustom);
  QCOMPARE(colours(button), before);

  button.setColorScheme(csSun);
  QCOMPARE(button.ColorScheme(), csSun);
  button.setGradient(true);
  button.setCtl3D(false);
  button.setSpacing(9);
  button.setHotTrack(false);
  button.setLayout(blGlyphTop);
  QCOMPARE(button.ColorScheme(), csSun);
  button.SetColorByIndex(kFocusRectIndex, 0x010203);
  QCOMPARE(button.ColorScheme(), csCustom);
  button.setDisabledColorText(0x808080);
  QCOMPARE(button.ColorScheme(), csCustom);
  button.setColorScheme(csNeoRose);
  QCOMPARE(button.ColorScheme(), csNeoRose);
  QCOMPARE(button.ColorFocusRect(), 0x5E5EFFu);
}

void ButtonSchemeTest::customKeepsEverything() {
  TXiButton button;
  for (int i = 0; i < kColorCount; ++i) button.SetColorByIndex(i, TColor(0x010101 * i));
  button.setGradient(false);
  const auto handSet = colours(button);
  button.setColorScheme(csCustom);
  QCOMPARE(button.ColorScheme(), csCustom);
  QCOMPARE(colours(button), handSet);
  QVERIFY(!button.Gradient());
}

// A stored form gives the colours, then the scheme, then Gradient.
void ButtonSchemeTest::storedFormOrder() {
  TXiButton button;
  for (int i = 0; i < kColorCount; ++i) button.SetColorByIndex(i, 0x123456);
  button.setProperty("ColorScheme", QVariant::fromValue(csNeoSilver));
  button.setProperty("Gradient", false);
  QCOMPARE(button.ColorScheme(), csNeoSilver);
  QCOMPARE(button.ColorFace(), 0xF3F3F3u);
  QCOMPARE(button.DownColorBorder(), 0x4E4E4Eu);
  QVERIFY(!button.Gradient());
}

QTEST_MAIN(ButtonSchemeTest)
#include "button_scheme_test.moc"
