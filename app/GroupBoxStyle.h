// The look of the window's group boxes: a frame line that runs through the middle of the title,
// broken behind the title's text, so that the controls placed in a group sit inside its frame.
#pragma once

#include <QProxyStyle>

class GroupBoxStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;

  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                       const QWidget* widget) const override;
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                          QPainter* painter, const QWidget* widget) const override;
};
