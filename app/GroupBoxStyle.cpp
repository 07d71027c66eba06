// The look of the window's group boxes.
#include "GroupBoxStyle.h"

#include <qdrawutil.h>
#include <QPainter>
#include <QStyleOptionGroupBox>

namespace {

// The title starts this far from the group's left edge, with this gap around it in the line.
constexpr int kTitleIndent = 8;
constexpr int kTitleGap = 2;

}  // namespace

QRect GroupBoxStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                    SubControl part, const QWidget* widget) const {
  const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
  if (control != CC_GroupBox || box == nullptr) {
    return QProxyStyle::subControlRect(control, option, part, widget);
  }
  const QFontMetrics& metrics = box->fontMetrics;
  switch (part) {
    case SC_GroupBoxLabel:
      return {kTitleIndent, 0, metrics.horizontalAdvance(box->text), metrics.height()};
    case SC_GroupBoxFrame:
      return box->rect.adjusted(0, metrics.height() / 2, 0, 0);
    case SC_GroupBoxContents:
      return box->rect.adjusted(1, metrics.height(), -1, -1);
    default:
      return QProxyStyle::subControlRect(control, option, part, widget);
  }
}

void GroupBoxStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                       QPainter* painter, const QWidget* widget) const {
  const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
  if (control != CC_GroupBox || box == nullptr) {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    return;
  }
  const QRect title = subControlRect(control, box, SC_GroupBoxLabel, widget);
  painter->save();
  // An etched line, left out behind the title.
  painter->setClipRegion(QRegion(box->rect) - title.adjusted(-kTitleGap, 0, kTitleGap, 0));
  qDrawShadeRect(painter, subControlRect(control, box, SC_GroupBoxFrame, widget), box->palette,
                 true, 1);
  painter->restore();
  proxy()->drawItemText(painter, title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                        box->palette, box->state & State_Enabled, box->text, QPalette::WindowText);
}
