// Where the gradient button puts its glyph and its caption, worked out from sizes alone.
#include "ButtonFaceLayout.h"

ButtonFacePlaces placeButtonFace(const ButtonFaceInput& in) {
  const int w = in.button.width();
  const int h = in.button.height();
  const int tw = in.text.width();
  const int th = in.text.height();
  const int tx = (w - tw) / 2;
  const int ty = (h - th) / 2;
  const int s = in.spacing;
  // The larger half of the spacing goes to the glyph's side.
  const int glyphShift = s / 2 + s % 2;

  ButtonFacePlaces places{{tx, ty}, {0, 0}};
  if (!in.glyph.isEmpty()) {
    const int gw = in.glyph.width();
    const int gh = in.glyph.height();
    QPoint& g = places.glyph;
    QPoint& c = places.caption;
    switch (in.layout) {
      case XiButton::blGlyphLeft:
        g = {tx - gw / 2, (h - gh) / 2};
        c.setX(tx + gw / 2);
        if (in.hasCaption) {
          g.rx() -= glyphShift;
          c.rx() += s / 2;
        }
        break;
      case XiButton::blGlyphRight:
        g = {tx + tw - gw / 2, (h - gh) / 2};
        c.setX(tx + (-gw) / 2);
        if (in.hasCaption) {
          g.rx() += glyphShift;
          c.rx() += (-s) / 2;
        }
        break;
      case XiButton::blGlyphTop:
        g = {(w - gw) / 2, ty - gh / 2 - gh % 2};
        c.setY(ty + gh / 2);
        if (in.hasCaption) {
          g.ry() -= glyphShift;
          c.ry() += s / 2;
        }
        break;
      case XiButton::blGlyphBottom:
        g = {(w - gw) / 2, ty + th - gh / 2};
        c.setY(ty + (-gh) / 2);
        if (in.hasCaption) {
          g.ry() += glyphShift;
          c.ry() += (-s) / 2;
        }
        break;
    }
    if (in.down) g += QPoint(1, 1);
  }
  if (in.down) places.caption += QPoint(1, 1);
  return places;
}
