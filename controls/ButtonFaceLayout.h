// Where the gradient button puts its glyph and its caption, worked out from sizes alone.
#pragma once

#include <QPoint>
#include <QSize>

#include "TXiButton.h"

struct ButtonFaceInput {
  QSize button;  // W x H
  QSize text;    // tw x th of the raw caption, ampersands included
  bool hasCaption = false;
  QSize glyph;  // GW x GH; an empty size means no glyph
  XiButton::TButtonLayout layout = XiButton::blGlyphLeft;
  int spacing = 4;
  bool down = false;  // the Down look shifts glyph and caption one pixel right and down
};

struct ButtonFacePlaces {
  QPoint caption;  // top-left of the tw x th cell in which the caption is centred
  QPoint glyph;    // top-left of the glyph (meaningless without a glyph)
};

// The caption cell is centred in the button; a glyph goes beside it by Layout, and with a
// caption both move apart so that Spacing pixels lie between them (one less for blGlyphLeft
// with an odd glyph width). Integer division truncates toward zero throughout.
ButtonFacePlaces placeButtonFace(const ButtonFaceInput& in);
