// TXiButton: a custom-drawn push button with a graded face, four colour sets and named schemes.
#include "TXiButton.h"

#include <QDialog>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <functional>

#include "ButtonFaceLayout.h"
#include "ButtonSchemes.h"
#include "Gradient.h"
#include "Raster.h"

using namespace XiButton;

namespace {

// The character after the first single "&" of the caption ("&&" stands for a plain "&"), or a
// null character when the caption has none.
QChar acceleratorOf(const QString& caption) {
  for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != u'&') continue;
    if (caption[i + 1] != u'&') return caption[i + 1];
    ++i;
  }
  return {};
}

// The glyph as drawn: opaque, and with every pixel of the colour of pixel (0, 0) left out while
// `transparent` is on.
QImage preparedGlyph(const QImage& glyph, bool transparent) {
  QImage image = glyph.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_ARGB32);
  if (!transparent) return image;
  const QRgb key = image.pixel(0, 0);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (line[x] == key) line[x] = 0;
    }
  }
  return image;
}

}  // namespace

TXiButton::TXiButton(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(75, 25);
  ctl3D_ = true;
  transparentGlyph_ = true;
  gradient_ = false;
  setFocusPolicy(Qt::TabFocus);
  spacing_ = 4;
  cancel_ = false;
  default_ = false;
  hotTrack_ = true;
  setColorScheme(csNeoDesert);
  mouseHeld_ = false;
  // Written past the setter, so that ColorScheme still reads csNeoDesert.
  colors_[kOverSet + crGrad] = 0xFFFFFF;
  colors_[kDownSet + crGrad] = 0xFFFFFF;
  colors_[kDisabledSet + crGrad] = 0xFFFFFF;
}

TColor TXiButton::ColorByIndex(int index) const {
  if (index < 0 || index >= kColorCount) return 0;
  return colors_[static_cast<std::size_t>(index)];
}

void TXiButton::SetColorByIndex(int index, TColor color) {
  if (index < 0 || index >= kColorCount) return;
  colors_[static_cast<std::size_t>(index)] = color;
  colorScheme_ = csCustom;
  update();
}

void TXiButton::setColorScheme(TColorScheme scheme) {
  if (scheme > csCustom) return;
  colorScheme_ = scheme;
  if (scheme != csCustom) {
    for (int i = 0; i < kColorCount; ++i) {
      if (const auto color = schemeColor(scheme, i)) SetColorByIndex(i, *color);
    }
    setGradient(schemeHasGradient(scheme));
  }
  update();
  // The colour writes above made it read csCustom for the moment.
  colorScheme_ = scheme;
}

void TXiButton::setCtl3D(bool on) {
  ctl3D_ = on;
  update();
}

void TXiButton::setLayout(TButtonLayout layout) {
  layout_ = layout;
  update();
}

void TXiButton::setGlyph(const QImage& glyph) {
  glyph_ = glyph;
  update();
}

void TXiButton::setTransparentGlyph(bool on) {
  transparentGlyph_ = on;
  update();
}

void TXiButton::setGradient(bool on) {
  gradient_ = on;
  update();
}

void TXiButton::setSpacing(int spacing) {
  spacing_ = spacing;
  update();
}

void TXiButton::setCancel(bool on) {
  cancel_ = on;
  updateDialogKeys();
}

void TXiButton::setDefault(bool on) {
  default_ = on;
  updateDialogKeys();
}

void TXiButton::setCaption(const QString& caption) {
  caption_ = caption;
  updateAcceleratorShortcut();
  update();
}

bool TXiButton::ownEnabled() const {
  return !testAttribute(Qt::WA_ForceDisabled);
}

bool TXiButton::takesInput() const {
  return isVisible() && isEnabled();
}

QImage TXiButton::render() const {
  const int w = width();
  const int h = height();
  if (w <= 0 || h <= 0) return {};

  int set = kNormalSet;
  if (!ownEnabled()) {
    set = kDisabledSet;
  } else if (drawState_ == dsOver) {
    set = kOverSet;
  } else if (drawState_ == dsDown) {
    set = kDownSet;
  }
  const auto color = [&](TColorRole role) { return colors_[static_cast<std::size_t>(set + role)]; };

  QImage image(w, h, QImage::Format_RGB32);
  image.fill(toQRgb(color(crFace)));
  if (gradient_) paintGradient(image, color(crFace), color(crGrad), GradientDirection::Vertical);

  const QFontMetrics metrics = imageFontMetrics(font());
  ButtonFaceInput in;
  in.button = size();
  in.text = QSize(metrics.horizontalAdvance(caption_), metrics.height());
  in.hasCaption = !caption_.isEmpty();
  in.glyph = glyph_.size();
  in.layout = layout_;
  in.spacing = spacing_;
  in.down = drawState_ == dsDown;
  const ButtonFacePlaces places = placeButtonFace(in);
  {
    QPainter painter(&image);
    if (!glyph_.isNull()) painter.drawImage(places.glyph, preparedGlyph(glyph_, transparentGlyph_));
    if (in.hasCaption) {
      painter.setFont(font());
      painter.setPen(toQColor(color(crText)));
      painter.drawText(
          QRect(places.caption, in.text),
          Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip | Qt::TextShowMnemonic, caption_);
    }
  }

  drawFrame(image, 0, 0, w, h, color(crBorder));
  if (ctl3D_) {
    drawPolyline(image, {{1, h - 2}, {1, 1}, {w - 1, 1}}, color(crLight));
    drawPolyline(image, {{w - 2, 1}, {w - 2, h - 2}, {1, h - 2}}, color(crDark));
  }
  if (hasFocus_) drawFrame(image, 3, 3, w - 3, h - 3, colors_[kFocusRectIndex]);
  return image;
}

void TXiButton::paintEvent(QPaintEvent* /*event*/) {
  const QImage face = render();
  if (face.isNull()) return;
  QPainter painter(this);
  painter.drawImage(0, 0, face);
}

void TXiButton::click() {
  if (auto* dialog = qobject_cast<QDialog*>(window()); dialog != nullptr && modalResult_ != 0) {
    dialog->done(modalResult_);
  }
  drawState_ = dsNormal;
  repaint();
  emit clicked();
}

void TXiButton::setDrawState(TDrawState state) {
  drawState_ = state;
  repaint();
}

void TXiButton::pointerEntered() {
  pointerInside_ = true;
  if (!hotTrack_) return;
  setDrawState(mouseHeld_ ? dsDown : dsOver);
}

void TXiButton::pointerLeft() {
  pointerInside_ = false;
  setDrawState(dsNormal);
}

bool TXiButton::event(QEvent* event) {
  // A focused button takes Enter itself, ahead of a Default button's window-wide shortcut.
  if (event->type() == QEvent::ShortcutOverride) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      event->accept();
      return true;
    }
  }
  return QWidget::event(event);
}

void TXiButton::enterEvent(QEnterEvent* /*event*/) {
  pointerEntered();
}

void TXiButton::leaveEvent(QEvent* /*event*/) {
  pointerLeft();
}

void TXiButton::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  mouseHeld_ = true;
  leftPressedHere_ = true;
  pointerInside_ = true;
  drawState_ = dsDown;
  if (focusPolicy() & Qt::TabFocus) setFocus(Qt::MouseFocusReason);
  repaint();
}

void TXiButton::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  if (event->buttons() == Qt::NoButton) return;
  const bool inside = rect().contains(event->position().toPoint());
  if (inside && !pointerInside_) pointerEntered();
  if (!inside && pointerInside_) pointerLeft();
}

void TXiButton::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  const QPoint p = event->position().toPoint();
  // A left press that began on the button and ends inside it clicks before the release is
  // handled, whatever other buttons went down and up meanwhile.
  if (event->button() == Qt::LeftButton) {
    const bool clicks = leftPressedHere_ && rect().contains(p);
    leftPressedHere_ = false;
    if (clicks) click();
  }
  mouseHeld_ = false;
  if (p.x() > 0 && p.x() < width() && p.y() > 0 && p.y() < height()) {
    drawState_ = hotTrack_ ? dsOver : dsNormal;
  }
  repaint();
}

void TXiButton::focusInEvent(QFocusEvent* /*event*/) {
  hasFocus_ = true;
  repaint();
}

void TXiButton::focusOutEvent(QFocusEvent* /*event*/) {
  hasFocus_ = false;
  setDrawState(dsNormal);
}

void TXiButton::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space:
      drawState_ = dsDown;
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      click();
      break;
    case Qt::Key_Escape:
      break;
    default: {
      // A button takes no characters, so a typed one is offered as an accelerator to the
      // buttons of this window. Every other key, the arrows among them, goes on to the parents.
      const QString text = event->text();
      const bool commandKey =
          event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
      const bool taken = !commandKey && text.size() == 1 && text[0].isPrint() &&
                         !text[0].isSpace() && offerAcceleratorInWindow(text[0]);
      if (!taken) event->ignore();
      repaint();
      return;
    }
  }
  event->accept();
  repaint();
}

void TXiButton::keyReleaseEvent(QKeyEvent* event) {
  event->accept();
  // Qt repeats a held key as release and press pairs; only the real release counts.
  if (event->isAutoRepeat() || event->key() != Qt::Key_Space) return;
  setDrawState(dsNormal);
  click();
}

void TXiButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange) update();
  QWidget::changeEvent(event);
}

bool TXiButton::offerAcceleratorInWindow(QChar character) {
  // The first button offered that takes it wins, so two buttons that share a character never
  // block each other.
  for (TXiButton* button : window()->findChildren<TXiButton*>()) {
    if (button->offerAccelerator(character)) return true;
  }
  return false;
}

bool TXiButton::offerAccelerator(QChar character) {
  const QChar accelerator = acceleratorOf(caption_);
  if (accelerator.isNull() || accelerator.toCaseFolded() != character.toCaseFolded()) return false;
  if (!ownEnabled() || !takesInput()) return false;
  click();
  return true;
}

namespace {

// Creates or removes a window-wide shortcut of this button.
void keepShortcut(QShortcut*& shortcut, bool wanted, QWidget* owner,
                  const QList<QKeySequence>& keys, const std::function<void()>& onActivated) {
  if (!wanted) {
    delete shortcut;
    shortcut = nullptr;
    return;
  }
  if (shortcut == nullptr) {
    shortcut = new QShortcut(owner);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, owner, onActivated);
  }
  shortcut->setKeys(keys);
}

}  // namespace

void TXiButton::updateDialogKeys() {
  const auto clickIfAble = [this] {
    if (takesInput()) click();
  };
  keepShortcut(defaultShortcut_, default_, this,
               {QKeySequence(Qt::Key_Return), QKeySequence(Qt::KeypadModifier | Qt::Key_Enter)},
               clickIfAble);
  keepShortcut(cancelShortcut_, cancel_, this, {QKeySequence(Qt::Key_Escape)}, clickIfAble);
}

void TXiButton::updateAcceleratorShortcut() {
  const QKeySequence mnemonic = QKeySequence::mnemonic(caption_);
  const bool created = acceleratorShortcut_ == nullptr && !mnemonic.isEmpty();
  const auto offer = [this] { offerAcceleratorInWindow(acceleratorOf(caption_)); };
  keepShortcut(acceleratorShortcut_, !mnemonic.isEmpty(), this, {mnemonic}, offer);
  // Qt reports a key that several shortcuts share as ambiguous and activates none of them.
  if (created)
    QObject::connect(acceleratorShortcut_, &QShortcut::activatedAmbiguously, this, offer);
}
