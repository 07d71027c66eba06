// Centres a top-level window on its screen, frame included, when it is first shown.
#include "FrameCentring.h"

#include <cstdint>

#include <QCoreApplication>
#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
#include <xcb/xcb.h>
#define RAVLIN_HAS_XCB 1
#endif

FrameCentring::FrameCentring(QWidget* window) : QObject(window), window_(window) {
  window_->installEventFilter(this);
}

FrameCentring::~FrameCentring() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
}

bool FrameCentring::eventFilter(QObject* watched, QEvent* event) {
  if (watched != window_) {
    if (event->type() == QEvent::Expose) centreOnceFramed();
    return false;
  }
  if (event->type() == QEvent::Show && state_ == State::kHidden) {
    state_ = State::kAwaitingFrame;
    // The frame is not known yet: the client area alone is centred for now.
    window_->move(centredCorner(window_->size()));
    clientPlacedAt_ = window_->geometry().topLeft();
    if (QWindow* native = window_->windowHandle()) native->installEventFilter(this);
    QCoreApplication::instance()->installNativeEventFilter(this);
  } else if (event->type() == QEvent::Move) {
    centreOnceFramed();
  }
  return false;
}

bool FrameCentring::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
#ifdef RAVLIN_HAS_XCB
  if (eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  constexpr std::uint8_t kSentByAClient = 0x80;
  if ((event->response_type & ~kSentByAClient) != XCB_PROPERTY_NOTIFY) return false;
  const auto* change = static_cast<const xcb_property_notify_event_t*>(message);
  if (change->window != window_->winId()) return false;
  // Qt takes note of new frame extents after this filter has seen them: look once it has.
  QMetaObject::invokeMethod(this, &FrameCentring::centreOnceFramed, Qt::QueuedConnection);
#else
  Q_UNUSED(eventType);
  Q_UNUSED(message);
#endif
  return false;
}

QPoint FrameCentring::centredCorner(QSize outerSize) const {
  QRect frame(QPoint(), outerSize);
  if (const QScreen* screen = window_->screen()) {
    frame.moveCenter(screen->availableGeometry().center());
  }
  return frame.topLeft();
}

void FrameCentring::centreOnceFramed() {
  QWindow* native = window_->windowHandle();
  // Until the window is on screen, showing it may still set the place it was first given.
  if (state_ != State::kAwaitingFrame || native == nullptr || !native->isExposed()) return;
  // Asked of the native window: the widget keeps the frame that it was told of last, which may
  // have been none, until its size or place changes again.
  const QMargins margins = native->frameMargins();
  // Before the window manager has told the frame's size, Qt may measure a frame that is still
  // being built around the window, smaller than the window itself.
  const bool framed = !margins.isNull() && margins.left() >= 0 && margins.top() >= 0 &&
                      margins.right() >= 0 && margins.bottom() >= 0;
  if (!framed) return;
  finish();
  // The widget's idea of where the client area lies: the native window's may still be relative
  // to the new frame.
  const QRect client = window_->geometry();
  const QRect frame = client.marginsAdded(margins);
  // The window manager leaves the client area where it was put and draws the frame around it,
  // or puts the frame's corner there; a window found anywhere else was moved by the user.
  if (client.topLeft() != clientPlacedAt_ && frame.topLeft() != clientPlacedAt_) return;
  native->setPosition(centredCorner(frame.size()) + QPoint(margins.left(), margins.top()));
}

void FrameCentring::finish() {
  state_ = State::kDone;
  if (QWindow* native = window_->windowHandle()) native->removeEventFilter(this);
  QCoreApplication::instance()->removeNativeEventFilter(this);
}
