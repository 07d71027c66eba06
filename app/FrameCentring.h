// Centres a top-level window on its screen, frame included, when it is first shown.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPoint>

class QWidget;

// A window manager frames a window only after it has been mapped, and on X11 it tells the frame's
// size in a property of the window. Qt's native window reads the new size then, but its widget
// learns of it only with its next move or resize, which may never come. So the window is centred
// with its client area at its first show; then, after each event that may have brought the frame
// (an exposure, a move, a change of the window's properties), the native window is asked for its
// frame, and once there is one, the window is centred once more, frame included. A window found
// neither where it was put nor with its frame's corner there has been moved by the user and stays.
class FrameCentring : public QObject, public QAbstractNativeEventFilter {
 public:
  // Watches `window`, a top-level widget, which owns this object.
  explicit FrameCentring(QWidget* window);
  ~FrameCentring() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  enum class State { kHidden, kAwaitingFrame, kDone };

  // Where the corner of a frame of `outerSize` goes for the frame to be centred on the screen.
  QPoint centredCorner(QSize outerSize) const;
  void centreOnceFramed();
  void finish();

  QWidget* window_;
  State state_ = State::kHidden;
  QPoint clientPlacedAt_;  // where the first centring put the client area
};
