// The read-only text box of the "Source code" page.
#pragma once

#include <QPlainTextEdit>

// Read-only, vertical scroll bar only, long lines wrapped at the box's width. It keeps the Tab
// key, so Tab does not move the focus out of it.
class ReadOnlyMemo : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit ReadOnlyMemo(QWidget* parent = nullptr);

 protected:
  bool event(QEvent* event) override;
};
