// TXiPanel: a panel painted with a two-colour gradient, a caption and two bevel frames.
//
// Unit XiPanel. Used as the window's percentage bars (200 x 34, csRose, fdVertical).
//
// Properties (Q_PROPERTY name = getter; setter = set<Name>; every setter stores the value and
// schedules a repaint, also when the value is unchanged):
//   ColorFace, ColorGrad    TColor   gradient start (first line) and end (line n, outside)
//   ColorLight, ColorDark   TColor   bevel colours of the lit (left, top) and shaded edges
//   ColorScheme             XiPanel::TColorScheme  writing a scheme other than csCustom sets
//                                    the four colours; writing a colour leaves it as it was
//   FillDirection           XiPanel::TFillDirection  gradient direction
//   Caption                 QString  drawn verbatim: an ampersand is drawn as itself
//   Alignment               XiPanel::TAlignment  horizontal caption place (taCenter)
//   BevelOuter, BevelInner  XiPanel::TBevelCut   frames (bvRaised, bvNone)
//   BevelWidth              int      frames per bevel, at least 1 (1)
// A new panel is 185 x 41 with the csDesert colours and fdVertical. Resizing repaints it; the
// tooltip is QWidget's toolTip. render() gives the complete face as an image, the same one that
// paintEvent copies to the screen.
#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>

#include "TColor.h"

namespace XiPanel {
Q_NAMESPACE

// The panel's own schemes; the gradient button has a different enumeration of this name.
enum TColorScheme : std::uint8_t { csCustom, csDesert, csGrass, csSilver, csSky, csRose, csSun };
Q_ENUM_NS(TColorScheme)

enum TFillDirection : std::uint8_t { fdHorizontal, fdVertical, fdDiagonal };
Q_ENUM_NS(TFillDirection)

enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };
Q_ENUM_NS(TAlignment)

enum TBevelCut : std::uint8_t { bvNone, bvLowered, bvRaised, bvSpace };
Q_ENUM_NS(TBevelCut)

}  // namespace XiPanel

class TXiPanel : public QWidget {
  Q_OBJECT
  Q_PROPERTY(TColor ColorFace READ ColorFace WRITE setColorFace)
  Q_PROPERTY(TColor ColorGrad READ ColorGrad WRITE setColorGrad)
  Q_PROPERTY(TColor ColorLight READ ColorLight WRITE setColorLight)
  Q_PROPERTY(TColor ColorDark READ ColorDark WRITE setColorDark)
  Q_PROPERTY(XiPanel::TColorScheme ColorScheme READ ColorScheme WRITE setColorScheme)
  Q_PROPERTY(XiPanel::TFillDirection FillDirection READ FillDirection WRITE setFillDirection)
  Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
  Q_PROPERTY(XiPanel::TAlignment Alignment READ Alignment WRITE setAlignment)
  Q_PROPERTY(XiPanel::TBevelCut BevelOuter READ BevelOuter WRITE setBevelOuter)
  Q_PROPERTY(XiPanel::TBevelCut BevelInner READ BevelInner WRITE setBevelInner)
  Q_PROPERTY(int BevelWidth READ BevelWidth WRITE setBevelWidth)

 public:
  explicit TXiPanel(QWidget* parent = nullptr);

  TColor ColorFace() const { return colors_[kFace]; }
  TColor ColorGrad() const { return colors_[kGrad]; }
  TColor ColorLight() const { return colors_[kLight]; }
  TColor ColorDark() const { return colors_[kDark]; }
  void setColorFace(TColor color) { setColorByIndex(kFace, color); }
  void setColorGrad(TColor color) { setColorByIndex(kGrad, color); }
  void setColorLight(TColor color) { setColorByIndex(kLight, color); }
  void setColorDark(TColor color) { setColorByIndex(kDark, color); }

  XiPanel::TColorScheme ColorScheme() const { return colorScheme_; }
  void setColorScheme(XiPanel::TColorScheme scheme);

  XiPanel::TFillDirection FillDirection() const { return fillDirection_; }
  void setFillDirection(XiPanel::TFillDirection direction);

  QString Caption() const { return caption_; }
  void setCaption(const QString& caption);

  XiPanel::TAlignment Alignment() const { return alignment_; }
  void setAlignment(XiPanel::TAlignment alignment);
  XiPanel::TBevelCut BevelOuter() const { return bevelOuter_; }
  void setBevelOuter(XiPanel::TBevelCut cut);
  XiPanel::TBevelCut BevelInner() const { return bevelInner_; }
  void setBevelInner(XiPanel::TBevelCut cut);
  int BevelWidth() const { return bevelWidth_; }
  void setBevelWidth(int width);

  // The whole face at the panel's current size; a null image when it has no area.
  QImage render() const;
  // Top-left corner of the caption's text cell in the face, from the font's metrics.
  QPoint captionOrigin() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  enum ColorIndex { kFace, kGrad, kLight, kDark };
  void setColorByIndex(int index, TColor color);
  void drawBevel(QImage& image, int offset, XiPanel::TBevelCut cut) const;

  std::array<TColor, 4> colors_{};
  XiPanel::TColorScheme colorScheme_ = XiPanel::csCustom;
  XiPanel::TFillDirection fillDirection_ = XiPanel::fdVertical;
  QString caption_;
  XiPanel::TAlignment alignment_ = XiPanel::taCenter;
  XiPanel::TBevelCut bevelOuter_ = XiPanel::bvRaised;
  XiPanel::TBevelCut bevelInner_ = XiPanel::bvNone;
  int bevelWidth_ = 1;
};
