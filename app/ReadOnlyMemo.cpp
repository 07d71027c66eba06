// The read-only text box of the "Source code" page.
#include "ReadOnlyMemo.h"

#include <QKeyEvent>

ReadOnlyMemo::ReadOnlyMemo(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
}

bool ReadOnlyMemo::event(QEvent* event) {
  // A read-only text box would hand Tab on to the focus chain (here or, ignored, in its parent);
  // taking it here keeps the focus in the box.
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (plain && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
      event->accept();
      return true;
    }
  }
  return QPlainTextEdit::event(event);
}
