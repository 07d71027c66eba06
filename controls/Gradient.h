// The two-colour linear gradient shared by the gradient panel and the gradient button.
#pragma once

#include <QImage>

#include "TColor.h"

enum class GradientDirection { Horizontal, Vertical, Diagonal };

// Fills the image with lines from colour `from` to colour `to`:
// - Horizontal: column x = i, full height, for i = 0 .. W;
// - Vertical: row y = i, full width, for i = 0 .. H;
// - Diagonal: the line from (i, 0) towards (0, i), leaving out (0, i), for i = 0 .. W + H.
// With n = W, H or W + H, each channel starts at its value in `from` and grows by
// (to - from) / n per line as a running sum in double precision; every line gets the sum
// rounded to the nearest integer, exact halves to the even neighbour. Line 0 is exactly
// `from`; line n, which would be `to`, falls outside the image. Column 0 of the diagonal fill
// is never drawn, so it keeps the image's previous colour. An extent of 0 draws nothing.
void paintGradient(QImage& image, TColor from, TColor to, GradientDirection direction);
