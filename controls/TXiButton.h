// TXiButton: a custom-drawn push button with a graded face, four colour sets and named schemes.
//
// Unit XiButton. The window's seven buttons are of this class.
//
// Properties (Q_PROPERTY name = getter; setter = set<Name>):
//   25 colours, TColor, by index (SetColorByIndex / ColorByIndex): per set normal, Over, Down,
//   Disabled the roles Face, Grad, Dark, Light, Border, Text at indexes 0-5, 6-11, 12-17,
//   18-23 (ColorFace, OverColorFace, DownColorFace, DisabledColorFace, ...), ColorFocusRect 24.
//   Writing a colour stores it, makes ColorScheme read csCustom and schedules a repaint.
//   ColorScheme        XiButton::TColorScheme  writing a named scheme loads its colours through
//                      the colour setters, then Gradient; it then reads the scheme written
//   Ctl3D, Layout, Spacing, TransparentGlyph, Gradient   store and schedule a repaint
//   Glyph              QImage, copied; drawn with the colour of its pixel (0, 0) transparent
//                      while TransparentGlyph is on
//   HotTrack, ModalResult                                  store only
//   Default, Cancel    store; they switch the button's dialog key on or off (below)
//   Caption            QString; "&" marks the accelerator character, "&&" shows one "&"
// A new button is 75 x 25, takes the focus by Tab and by a left click (focusPolicy TabFocus
// stands for TabStop), and has the csNeoDesert colours with white Over, Down and Disabled Grad.
//
// Behaviour: clicked() is the click event. A click first hands ModalResult to the window when
// that is a QDialog and ModalResult is not 0 (QDialog::done), then repaints the normal look, then
// emits clicked(). The Disabled set is used when the button's own enabled flag is off
// (setEnabled(false) on the button itself); inside a disabled parent it keeps the colours of its
// state but, as every Qt widget there, takes no input.
// Dialog keys: Default and Cancel register window-wide shortcuts (Return and keypad Enter,
// Escape) that Qt offers before the focused widget's key handling; a focused TXiButton claims
// Return and Enter for itself, so it clicks rather than the Default button. The accelerator
// character clicks the button on Alt+character anywhere in its window, and on the plain
// character while a TXiButton of that window has the focus; both only while the button's own
// enabled flag is on and Qt lets it take input (it and its parents visible and enabled, so a
// hidden button does not click). When several buttons share the character, the first of the
// window's buttons in creation order that can take it clicks. A focused button takes Space,
// Enter and Escape; other keys, such as the arrows, go on to its parents.
// Looks: DrawState is dsOver while the pointer is over the button (HotTrack on), dsDown while the
// left mouse button pressed on it is held over it or Space is held, and dsNormal after a leave,
// a focus loss and every click; the release of a held click shows dsOver again (HotTrack on).
// render() gives the complete face as an image, the same one that paintEvent copies.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>

#include "TColor.h"

class QShortcut;

namespace XiButton {
Q_NAMESPACE

// The button's own schemes; the gradient panel has a different enumeration of this name.
enum TColorScheme : std::uint8_t {
  csNeoDesert,
  csNeoSky,
  csNeoGrass,
  csNeoSilver,
  csNeoRose,
  csNeoSun,
  csDesert,
  csGrass,
  csSky,
  csSun,
  csRose,
  csSilver,
  csCustom
};
Q_ENUM_NS(TColorScheme)

enum TButtonLayout : std::uint8_t { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
Q_ENUM_NS(TButtonLayout)

enum TDrawState : std::uint8_t { dsNormal, dsOver, dsDown };
Q_ENUM_NS(TDrawState)

inline constexpr int kColorCount = 25;
// First index of each colour set; add the role (Face 0, Grad 1, Dark 2, Light 3, Border 4,
// Text 5) to get a colour's index.
inline constexpr int kNormalSet = 0;
inline constexpr int kOverSet = 6;
inline constexpr int kDownSet = 12;
inline constexpr int kDisabledSet = 18;
inline constexpr int kFocusRectIndex = 24;
enum TColorRole : std::uint8_t { crFace, crGrad, crDark, crLight, crBorder, crText };

}  // namespace XiButton

class TXiButton : public QWidget {
  Q_OBJECT
  Q_PROPERTY(TColor ColorFace READ ColorFace WRITE setColorFace)
  Q_PROPERTY(TColor ColorGrad READ ColorGrad WRITE setColorGrad)
  Q_PROPERTY(TColor ColorDark READ ColorDark WRITE setColorDark)
  Q_PROPERTY(TColor ColorLight READ ColorLight WRITE setColorLight)
  Q_PROPERTY(TColor ColorBorder READ ColorBorder WRITE setColorBorder)
  Q_PROPERTY(TColor ColorText READ ColorText WRITE setColorText)
  Q_PROPERTY(TColor OverColorFace READ OverColorFace WRITE setOverColorFace)
  Q_PROPERTY(TColor OverColorGrad READ OverColorGrad WRITE setOverColorGrad)
  Q_PROPERTY(TColor OverColorDark READ OverColorDark WRITE setOverColorDark)
  Q_PROPERTY(TColor OverColorLight READ OverColorLight WRITE setOverColorLight)
  Q_PROPERTY(TColor OverColorBorder READ OverColorBorder WRITE setOverColorBorder)
  Q_PROPERTY(TColor OverColorText READ OverColorText WRITE setOverColorText)
  Q_PROPERTY(TColor DownColorFace READ DownColorFace WRITE setDownColorFace)
  Q_PROPERTY(TColor DownColorGrad READ DownColorGrad WRITE setDownColorGrad)
  Q_PROPERTY(TColor DownColorDark READ DownColorDark WRITE setDownColorDark)
  Q_PROPERTY(TColor DownColorLight READ DownColorLight WRITE setDownColorLight)
  Q_PROPERTY(TColor DownColorBorder READ DownColorBorder WRITE setDownColorBorder)
  Q_PROPERTY(TColor DownColorText READ DownColorText WRITE setDownColorText)
  Q_PROPERTY(TColor DisabledColorFace READ DisabledColorFace WRITE setDisabledColorFace)
  Q_PROPERTY(TColor DisabledColorGrad READ DisabledColorGrad WRITE setDisabledColorGrad)
  Q_PROPERTY(TColor DisabledColorDark READ DisabledColorDark WRITE setDisabledColorDark)
  Q_PROPERTY(TColor DisabledColorLight READ DisabledColorLight WRITE setDisabledColorLight)
  Q_PROPERTY(TColor DisabledColorBorder READ DisabledColorBorder WRITE setDisabledColorBorder)
  Q_PROPERTY(TColor DisabledColorText READ DisabledColorText WRITE setDisabledColorText)
  Q_PROPERTY(TColor ColorFocusRect READ ColorFocusRect WRITE setColorFocusRect)
  Q_PROPERTY(XiButton::TColorScheme ColorScheme READ ColorScheme WRITE setColorScheme)
  Q_PROPERTY(bool Ctl3D READ Ctl3D WRITE setCtl3D)
  Q_PROPERTY(XiButton::TButtonLayout Layout READ Layout WRITE setLayout)
  Q_PROPERTY(QImage Glyph READ Glyph WRITE setGlyph)
  Q_PROPERTY(bool TransparentGlyph READ TransparentGlyph WRITE setTransparentGlyph)
  Q_PROPERTY(bool Gradient READ Gradient WRITE setGradient)
  Q_PROPERTY(int Spacing READ Spacing WRITE setSpacing)
  Q_PROPERTY(int ModalResult READ ModalResult WRITE setModalResult)
  Q_PROPERTY(bool Cancel READ Cancel WRITE setCancel)
  Q_PROPERTY(bool Default READ Default WRITE setDefault)
  Q_PROPERTY(bool HotTrack READ HotTrack WRITE setHotTrack)
  Q_PROPERTY(QString Caption READ Caption WRITE setCaption)

 public:
  explicit TXiButton(QWidget* parent = nullptr);

  TColor ColorByIndex(int index) const;
  // Stores the colour at `index` (0 to 24), then ColorScheme reads csCustom; repaint scheduled.
  void SetColorByIndex(int index, TColor color);

  TColor ColorFace() const { return colors_[0]; }
  void setColorFace(TColor color) { SetColorByIndex(0, color); }
  TColor ColorGrad() const { return colors_[1]; }
  void setColorGrad(TColor color) { SetColorByIndex(1, color); }
  TColor ColorDark() const { return colors_[2]; }
  void setColorDark(TColor color) { SetColorByIndex(2, color); }
  TColor ColorLight() const { return colors_[3]; }
  void setColorLight(TColor color) { SetColorByIndex(3, color); }
  TColor ColorBorder() const { return colors_[4]; }
  void setColorBorder(TColor color) { SetColorByIndex(4, color); }
  TColor ColorText() const { return colors_[5]; }
  void setColorText(TColor color) { SetColorByIndex(5, color); }
  TColor OverColorFace() const { return colors_[6]; }
  void setOverColorFace(TColor color) { SetColorByIndex(6, color); }
  TColor OverColorGrad() const { return colors_[7]; }
  void setOverColorGrad(TColor color) { SetColorByIndex(7, color); }
  TColor OverColorDark() const { return colors_[8]; }
  void setOverColorDark(TColor color) { SetColorByIndex(8, color); }
  TColor OverColorLight() const { return colors_[9]; }
  void setOverColorLight(TColor color) { SetColorByIndex(9, color); }
  TColor OverColorBorder() const { return colors_[10]; }
  void setOverColorBorder(TColor color) { SetColorByIndex(10, color); }
  TColor OverColorText() const { return colors_[11]; }
  void setOverColorText(TColor color) { SetColorByIndex(11, color); }
  TColor DownColorFace() const { return colors_[12]; }
  void setDownColorFace(TColor color) { SetColorByIndex(12, color); }
  TColor DownColorGrad() const { return colors_[13]; }
  void setDownColorGrad(TColor color) { SetColorByIndex(13, color); }
  TColor DownColorDark() const { return colors_[14]; }
  void setDownColorDark(TColor color) { SetColorByIndex(14, color); }
  TColor DownColorLight() const { return colors_[15]; }
  void setDownColorLight(TColor color) { SetColorByIndex(15, color); }
  TColor DownColorBorder() const { return colors_[16]; }
  void setDownColorBorder(TColor color) { SetColorByIndex(16, color); }
  TColor DownColorText() const { return colors_[17]; }
  void setDownColorText(TColor color) { SetColorByIndex(17, color); }
  TColor DisabledColorFace() const { return colors_[18]; }
  void setDisabledColorFace(TColor color) { SetColorByIndex(18, color); }
  TColor DisabledColorGrad() const { return colors_[19]; }
  void setDisabledColorGrad(TColor color) { SetColorByIndex(19, color); }
  TColor DisabledColorDark() const { return colors_[20]; }
  void setDisabledColorDark(TColor color) { SetColorByIndex(20, color); }
  TColor DisabledColorLight() const { return colors_[21]; }
  void setDisabledColorLight(TColor color) { SetColorByIndex(21, color); }
  TColor DisabledColorBorder() const { return colors_[22]; }
  void setDisabledColorBorder(TColor color) { SetColorByIndex(22, color); }
  TColor DisabledColorText() const { return colors_[23]; }
  void setDisabledColorText(TColor color) { SetColorByIndex(23, color); }
  TColor ColorFocusRect() const { return colors_[24]; }
  void setColorFocusRect(TColor color) { SetColorByIndex(24, color); }
  XiButton::TColorScheme ColorScheme() const { return colorScheme_; }
  void setColorScheme(XiButton::TColorScheme scheme);

  bool Ctl3D() const { return ctl3D_; }
  void setCtl3D(bool on);
  XiButton::TButtonLayout Layout() const { return layout_; }
  void setLayout(XiButton::TButtonLayout layout);
  QImage Glyph() const { return glyph_; }
  void setGlyph(const QImage& glyph);
  bool TransparentGlyph() const { return transparentGlyph_; }
  void setTransparentGlyph(bool on);
  bool Gradient() const { return gradient_; }
  void setGradient(bool on);
  int Spacing() const { return spacing_; }
  void setSpacing(int spacing);

  int ModalResult() const { return modalResult_; }
  void setModalResult(int result) { modalResult_ = result; }
  bool Cancel() const { return cancel_; }
  void setCancel(bool on);
  bool Default() const { return default_; }
  void setDefault(bool on);
  bool HotTrack() const { return hotTrack_; }
  void setHotTrack(bool on) { hotTrack_ = on; }

  QString Caption() const { return caption_; }
  void setCaption(const QString& caption);

  XiButton::TDrawState DrawState() const { return drawState_; }
  bool MouseHeld() const { return mouseHeld_; }
  bool HasFocus() const { return hasFocus_; }

  // The whole face at the button's current size and state; a null image when it has no area.
  QImage render() const;

 public slots:
  // Hands ModalResult to a dialog window, shows the normal look, then emits clicked().
  void click();

 signals:
  void clicked();

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  bool ownEnabled() const;
  bool takesInput() const;
  void pointerEntered();
  void pointerLeft();
  void setDrawState(XiButton::TDrawState state);
  bool offerAccelerator(QChar character);
  // Offers the character to every button of this window in creation order; true when one took it.
  bool offerAcceleratorInWindow(QChar character);
  void updateDialogKeys();
  void updateAcceleratorShortcut();

  std::array<TColor, XiButton::kColorCount> colors_{};
  bool hasFocus_ = false;
  XiButton::TColorScheme colorScheme_ = XiButton::csCustom;
  bool ctl3D_ = true;
  XiButton::TButtonLayout layout_ = XiButton::blGlyphLeft;
  QImage glyph_;
  bool transparentGlyph_ = true;
  bool gradient_ = false;
  int spacing_ = 4;
  int modalResult_ = 0;
  bool cancel_ = false;
  bool default_ = false;
  bool hotTrack_ = true;
  bool mouseHeld_ = false;
  // A left press began on the button and its release has not come yet: the release inside
  // clicks. Unlike MouseHeld, the release of another mouse button does not clear it.
  bool leftPressedHere_ = false;
  XiButton::TDrawState drawState_ = XiButton::dsNormal;
  QString caption_;
  // Where the pointer was at the last enter, leave or held move; Qt holds back leave and enter
  // while a mouse button is down, so held moves stand in for them.
  bool pointerInside_ = false;
  QShortcut* defaultShortcut_ = nullptr;
  QShortcut* cancelShortcut_ = nullptr;
  QShortcut* acceleratorShortcut_ = nullptr;
};
