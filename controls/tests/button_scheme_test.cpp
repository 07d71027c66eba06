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
  void everySchemeValue();
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

// Every colour of every named scheme against the scheme tables, in index order; "------" marks
// a colour that the scheme leaves as it was.
void ButtonSchemeTest::everySchemeValue() {
  const struct {
    TColorScheme scheme;
    const char* colours;
  } tables[] = {
      {csNeoDesert,
       "C6ECFF 37BEFF 009CE8 B9E7FF 005680 000000 B3E7FF 00A3F0 008ED2 95DAFF 005680 000000 "
       "2BBAFF 77D2FF 8AD9FF 0077B7 0070A6 000000 EEEEEE FFFFFF D2D2D2 FFFFFF 808080 808080 "
       "4080FF"},
      {csNeoSky,
       "FFEEDD FFB66C FFA851 FFECD9 B35900 000000 FFEBD7 FFA346 FF9E3E FFE4CA B35900 000000 "
       "FFB366 FFCE9D FFD3A8 FF9E3E B35900 000000 EEEEEE FFFFFF D2D2D2 FFFFFF 808080 808080 "
       "FFA953"},
      {csNeoGrass,
       "DDF9E8 5EDF8E 24B95C CBF5DB 156F37 000000 BFF2D2 3DD877 23B459 B5F0CB 17793D 000000 "
       "4EDC83 80E6A6 89E7AC 177D3E 167439 000000 EEEEEE FFFFFF D2D2D2 FFFFFF 808080 808080 "
       "24B95C"},
      {csNeoSilver,
       "F3F3F3 BCBCBC A7A7A7 F7F7F7 626262 000000 F0F0F0 A6A6A6 A2A2A2 EEEEEE 757575 000000 "
       "CACACA DADADA E9E9E9 7C7C7C 4E4E4E 000000 EEEEEE FFFFFF D2D2D2 FFFFFF 808080 808080 "
       "ADADAD"},
      {csNeoRose,
       "E8E8FF 9595FF 8282FF DDDDFF 00009D 000000 DFDFFF 7777FF 6A6AFF D7D7FF 00009D 000000 "
       "A6A6FF B9B9FF CECEFF 5E5EFF 00009D 000000 EEEEEE FFFFFF D2D2D2 FFFFFF 808080 808080 "
       "5E5EFF"},
      {csNeoSun,
       "F0FFFF 20D8F9 00BBBB F2FFFF 006464 000000 D5FCFF 05BCDC 00A6A6 CCFFFF 006464 000000 "
       "05D1F5 66F0FB 66F3FF 008484 006464 000000 EEEEEE FFFFFF D2D2D2 FFFFFF 808080 808080 "
       "00BBBB"},
      {csDesert,
       "95DDFF ------ 009CE8 B9E7FF 005680 000000 6FD0FF ------ 008ED2 95DAFF 005680 000000 "
       "6FD0FF ------ 8AD9FF 0077B7 0070A6 000000 E2E2E2 ------ D8D8D8 EAEAEA C4C4C4 808080 "
       "4080FF"},
      {csGrass,
       "98EBB7 ------ 24B95C CBF5DB 156F37 000000 68E196 ------ 23B459 B5F0CB 17793D 000000 "
       "4EDC83 ------ 89E7AC 177D3E 167439 000000 E2E2E2 ------ D8D8D8 EAEAEA C4C4C4 808080 "
       "00A421"},
      {csSky,
       "FFE0C1 ------ FFA953 FFECD9 B35900 000000 FFCD9B ------ FFB164 FFE4CA B35900 000000 "
       "FFC082 ------ FFD3A8 FF9122 B35900 000000 E2E2E2 ------ D8D8D8 EAEAEA C4C4C4 808080 "
       "DC9B14"},
      {csSun,
       "A8FFFF ------ 00BBBB F2FFFF 006464 000000 66F3FF ------ 00A6A6 CCFFFF 006464 000000 "
       "22EEFF ------ 66F3FF 008484 006464 000000 E2E2E2 ------ D8D8D8 EAEAEA C4C4C4 808080 "
       "008CF4"},
      {csRose,
       "C6C6FF ------ 8282FF DDDDFF 00009D 000000 B0B0FF ------ 6A6AFF D7D7FF 00009D 000000 "
       "9F9FFF ------ 8888FF 5E5EFF 00009D 000000 E2E2E2 ------ D8D8D8 EAEAEA C4C4C4 808080 "
       "5E5EFF"},
      {csSilver,
       "E0E0E0 ------ AEAEAE F7F7F7 626262 000000 CFCFCF ------ 797979 EEEEEE 757575 000000 "
       "D3D3D3 ------ E9E9E9 7C7C7C 4E4E4E 000000 E2E2E2 ------ D8D8D8 EAEAEA C4C4C4 808080 "
       "8A8A8A"},
  };
  for (const auto& table : tables) {
    TXiButton button;
    for (int i = 0; i < kColorCount; ++i) button.SetColorByIndex(i, 0x123456);
    button.setColorScheme(table.scheme);
    QCOMPARE(button.ColorScheme(), table.scheme);
    const QStringList expected = QString::fromLatin1(table.colours).split(u' ');
    QCOMPARE(expected.size(), kColorCount);
    for (int i = 0; i < kColorCount; ++i) {
      const QString& cell = expected[i];
      const uint value = cell.startsWith(u'-') ? 0x123456u : cell.toUInt(nullptr, 16);
      QVERIFY2(button.ColorByIndex(i) == value,
               qPrintable(QStringLiteral("scheme %1, index %2: %3, expected %4")
                              .arg(int(table.scheme))
                              .arg(i)
                              .arg(hexColor(button.ColorByIndex(i)), hexColor(value))));
    }
  }
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
