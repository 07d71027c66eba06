// The engine's host for one page of the window: its "Open file" field and its percentage bar.
#include "PageHost.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>

#include "TXiPanel.h"

PageHost::PageHost(QLineEdit* inputField, TXiPanel* bar, Clock clock)
    : inputField_(inputField), bar_(bar), clock_(std::move(clock)) {
  if (!clock_) {
    QElapsedTimer timer;
    timer.start();
    clock_ = [timer] { return timer.elapsed(); };
  }
}

std::string PageHost::inputPath() {
  return QFile::encodeName(inputField_->text()).toStdString();
}

void PageHost::processEvents() {
  if (lastEvents_ && clock_() - *lastEvents_ < kEventIntervalMs) return;
  QCoreApplication::processEvents();
  // Counted from the end of the round, so that a long one (an About box open) is followed by a
  // full interval of work.
  lastEvents_ = clock_();
}

void PageHost::setBarCaption(const std::string& caption) {
  // The panel repaints on every caption it is given, even an unchanged one.
  if (lastCaption_ == caption) return;
  bar_->setCaption(QString::fromStdString(caption));
  lastCaption_ = caption;
}

void PageHost::setBarWidth(int width) {
  if (lastWidth_ == width) return;
  bar_->resize(width, bar_->height());
  lastWidth_ = width;
}
