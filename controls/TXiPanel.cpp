// TXiPanel: a panel painted with a two-colour gradient, a caption and two bevel frames.
#include "TXiPanel.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>

#include "Gradient.h"
#include "Raster.h"

namespace {

struct PanelScheme {
  TColor face, grad, light, dark;
};

// Indexed by XiPanel::TColorScheme; csCustom (0) has no row.
constexpr std::array<PanelScheme, 7> kPanelSchemes{{
    {0, 0, 0, 0},
    {0xFFFFFF, 0xA4E1FF, 0x008FD5, 0x00699B},  // csDesert
    {0xFFFFFF, 0xB0F2CB, 0x3EB56A, 0x156F37},  // csGrass
    {0xFFFFFF, 0xDAE0DE, 0x7D7D7D, 0x626262},  // csSilver
    {0xFFFFFF, 0xFFE0C1, 0xF0964D, 0xB35900},  // csSky
    {0xFFFFFF, 0xCCCCFF, 0x0651CC, 0x00009D},  // csRose
    {0xFFFFFF, 0xBFFFFF, 0x009595, 0x006464},  // csSun
}};

GradientDirection gradientDirection(XiPanel::TFillDirection direction) {
  switch (direction) {
    case XiPanel::fdHorizontal:
      return GradientDirection::Horizontal;
    case XiPanel::fdDiagonal:
      return GradientDirection::Diagonal;
    case XiPanel::fdVertical:
      break;
  }
  return GradientDirection::Vertical;
}

// The caption's vertical place comes from this fixed text, so it does not depend on the letters
// of the caption itself.
const QString kHeightSample = QStringLiteral("AaBbCcDd");

}  // namespace

TXiPanel::TXiPanel(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(185, 41);
  setFillDirection(XiPanel::fdVertical);
  setColorScheme(XiPanel::csDesert);
}

void TXiPanel::setColorByIndex(int index, TColor color) {
  colors_[static_cast<std::size_t>(index)] = color;
  update();
}

void TXiPanel::setColorScheme(XiPanel::TColorScheme scheme) {
  if (scheme > XiPanel::csSun) return;
  colorScheme_ = scheme;
  if (scheme != XiPanel::csCustom) {
    const PanelScheme& row = kPanelSchemes[scheme];
    colors_ = {row.face, row.grad, row.light, row.dark};
  }
  update();
}

void TXiPanel::setFillDirection(XiPanel::TFillDirection direction) {
  fillDirection_ = direction;
  update();
}

void TXiPanel::setCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void TXiPanel::setAlignment(XiPanel::TAlignment alignment) {
  alignment_ = alignment;
  update();
}

void TXiPanel::setBevelOuter(XiPanel::TBevelCut cut) {
  bevelOuter_ = cut;
  update();
}

void TXiPanel::setBevelInner(XiPanel::TBevelCut cut) {
  bevelInner_ = cut;
  update();
}

void TXiPanel::setBevelWidth(int width) {
  bevelWidth_ = std::max(width, 1);
  update();
}

QPoint TXiPanel::captionOrigin() const {
  const QFontMetrics metrics = imageFontMetrics(font());
  const int w = width();
  const int textWidth = metrics.horizontalAdvance(caption_);
  const int textHeight = metrics.size(Qt::TextSingleLine, kHeightSample).height();
  const bool bothBevels = bevelInner_ != XiPanel::bvNone && bevelOuter_ != XiPanel::bvNone;
  int x = 0;
  switch (alignment_) {
    case XiPanel::taLeftJustify:
      x = bevelWidth_ + 2 + (bothBevels ? bevelWidth_ : 0);
      break;
    case XiPanel::taRightJustify:
      x = w - bevelWidth_ - 2 - textWidth - (bothBevels ? bevelWidth_ : 0);
      break;
    case XiPanel::taCenter:
      x = (w - textWidth) / 2;
      break;
  }
  return {x, (height() - textHeight) / 2};
}

// Draws `bevelWidth_` frames from `offset` inwards: left and top in the first colour, right and
// bottom in the second, each side leaving out its end point.
void TXiPanel::drawBevel(QImage& image, int offset, XiPanel::TBevelCut cut) const {
  if (cut == XiPanel::bvNone) return;
  const bool lowered = cut == XiPanel::bvLowered;
  const TColor first = lowered ? ColorDark() : ColorLight();
  const TColor second = lowered ? ColorLight() : ColorDark();
  const int right = image.width() - 1;
  const int bottom = image.height() - 1;
  for (int o = offset; o < offset + bevelWidth_; ++o) {
    drawPolyline(image, {{o, bottom - o}, {o, o}, {right - o, o}}, first);
    drawPolyline(image, {{right - o, o}, {right - o, bottom - o}, {o, bottom - o}}, second);
  }
}

QImage TXiPanel::render() const {
  if (width() <= 0 || height() <= 0) return {};
  QImage image(width(), height(), QImage::Format_RGB32);
  // Only column 0 of the diagonal fill is left undrawn by the gradient; it shows this colour.
  image.fill(toQRgb(ColorFace()));
  paintGradient(image, ColorFace(), ColorGrad(), gradientDirection(fillDirection_));

  {
    QPainter painter(&image);
    painter.setFont(font());
    // The caption keeps the font's colour whatever the enabled state: a bar inside a disabled
    // page still shows its percentage in full.
    painter.setPen(palette().color(QPalette::Active, QPalette::WindowText));
    const QPoint origin = captionOrigin();
    // The point form of drawText draws the text as it is: no accelerator underline.
    painter.drawText(origin + QPoint(0, imageFontMetrics(font()).ascent()), caption_);
  }

  drawBevel(image, 0, bevelOuter_);
  drawBevel(image, bevelOuter_ != XiPanel::bvNone ? bevelWidth_ : 0, bevelInner_);
  return image;
}

void TXiPanel::paintEvent(QPaintEvent* /*event*/) {
  const QImage face = render();
  if (face.isNull()) return;
  QPainter painter(this);
  painter.drawImage(0, 0, face);
}

void TXiPanel::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) update();
  QWidget::changeEvent(event);
}
