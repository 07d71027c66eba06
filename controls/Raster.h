// Pixel-exact drawing on an off-screen image: one-pixel lines that leave out their end point,
// and text metrics that match the image.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPoint>
#include <initializer_list>

#include "TColor.h"

// Draws a horizontal, vertical or 45-degree line from `from` towards `to`, leaving out `to`
// itself, clipped to the image. A line from a point to itself draws nothing.
void drawLine(QImage& image, QPoint from, QPoint to, TColor color);

// Draws consecutive lines through the points; every segment leaves out its end point, so each
// inner point is drawn as the start of the next segment.
void drawPolyline(QImage& image, std::initializer_list<QPoint> points, TColor color);

// Draws the outline of the rectangle whose pixels are left..right-1 and top..bottom-1: the
// columns left and right-1 and the rows top and bottom-1. An empty rectangle draws nothing.
void drawFrame(QImage& image, int left, int top, int right, int bottom, TColor color);

// The metrics of a font as it is drawn on an off-screen image of the default resolution, so
// that measuring and drawing agree whatever the screen's resolution.
QFontMetrics imageFontMetrics(const QFont& font);
