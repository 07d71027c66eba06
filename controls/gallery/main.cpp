// controls-gallery: the percentage bar and every button scheme in each look, on screen or as PNG.
//
// Usage: controls-gallery [output.png]. With a path it draws off-screen and writes the image
// (run it with QT_QPA_PLATFORM=offscreen where there is no display); without, it shows a window.
#include <QApplication>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QFile>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QMetaEnum>
#include <QPainter>
#include <QPixmap>
#include <cstdio>
#include <vector>

#include "TXiButton.h"
#include "TXiPanel.h"

namespace {

constexpr int kMargin = 10;
constexpr int kLabelWidth = 90;
constexpr int kGap = 8;
constexpr int kHeaderHeight = 18;
const QColor kBackground(0xF0, 0xF0, 0xF0);

// The window's font where the Wine fonts are installed; the toolkit's default otherwise.
QFont galleryFont() {
  const int id =
      QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
  QFont font = id >= 0 ? QFont(QFontDatabase::applicationFontFamilies(id).value(0)) : QFont();
  font.setPointSize(8);
  return font;
}

enum class Look { Normal, Over, Down, Disabled, Focused };
const std::vector<std::pair<Look, QString>> kLooks{{Look::Normal, QStringLiteral("normal")},
                                                   {Look::Over, QStringLiteral("Over")},
                                                   {Look::Down, QStringLiteral("Down")},
                                                   {Look::Disabled, QStringLiteral("Disabled")},
                                                   {Look::Focused, QStringLiteral("focused")}};

// Brings the button into a look through the same events that a user's actions send.
void showLook(TXiButton& button, Look look) {
  switch (look) {
    case Look::Normal:
      break;
    case Look::Over: {
      QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
      QCoreApplication::sendEvent(&button, &enter);
      break;
    }
    case Look::Down: {
      QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
      QCoreApplication::sendEvent(&button, &space);
      break;
    }
    case Look::Disabled:
      button.setEnabled(false);
      break;
    case Look::Focused: {
      QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
      QCoreApplication::sendEvent(&button, &focusIn);
      break;
    }
  }
}

QImage drawGallery(const QFont& font) {
  const QMetaEnum schemes = QMetaEnum::fromType<XiButton::TColorScheme>();
  const int rows = XiButton::csCustom;  // the twelve named schemes
  const int buttonWidth = 75;
  const int buttonHeight = 25;
  const int columns = static_cast<int>(kLooks.size());
  const int barsTop = kMargin;
  const int barHeight = 34;
  const int barsHeight = 3 * (barHeight + kGap);
  const int gridTop = barsTop + barsHeight + kHeaderHeight;
  const int width = 2 * kMargin + kLabelWidth + columns * (buttonWidth + kGap);
  const int height = gridTop + rows * (buttonHeight + kGap) + kMargin;

  QImage canvas(width, height, QImage::Format_RGB32);
  canvas.fill(kBackground);
  QPainter painter(&canvas);
  painter.setFont(font);
  painter.setPen(Qt::black);
  const auto label = [&](int x, int y, int h, const QString& text) {
    painter.drawText(QRect(x, y, kLabelWidth, h), Qt::AlignVCenter | Qt::AlignLeft, text);
  };

  // The percentage bar as the packer leaves it: width 2 x |N| pixels for N percent.
  const std::vector<std::pair<int, QString>> bars{
      {200, QStringLiteral("100%")}, {74, QStringLiteral("37%")}, {24, QStringLiteral("-12%")}};
  int y = barsTop;
  for (const auto& [barWidth, caption] : bars) {
    TXiPanel bar;
    bar.setFont(font);
    bar.resize(barWidth, barHeight);
    bar.setColorScheme(XiPanel::csRose);
    bar.setFillDirection(XiPanel::fdVertical);
    bar.setCaption(caption);
    label(kMargin, y, barHeight, QStringLiteral("bar %1 px").arg(barWidth));
    painter.drawImage(kMargin + kLabelWidth, y, bar.render());
    y += barHeight + kGap;
  }

  for (int c = 0; c < columns; ++c) {
    painter.drawText(QRect(kMargin + kLabelWidth + c * (buttonWidth + kGap),
                           gridTop - kHeaderHeight, buttonWidth, kHeaderHeight),
                     Qt::AlignCenter, kLooks[static_cast<std::size_t>(c)].second);
  }
  for (int r = 0; r < rows; ++r) {
    const int rowTop = gridTop + r * (buttonHeight + kGap);
    label(kMargin, rowTop, buttonHeight, QString::fromLatin1(schemes.valueToKey(r)));
    for (int c = 0; c < columns; ++c) {
      TXiButton button;
      button.setFont(font);
      button.setColorScheme(static_cast<XiButton::TColorScheme>(r));
      button.setCaption(QStringLiteral("Start (I)"));
      showLook(button, kLooks[static_cast<std::size_t>(c)].first);
      painter.drawImage(kMargin + kLabelWidth + c * (buttonWidth + kGap), rowTop, button.render());
    }
  }
  return canvas;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QImage gallery = drawGallery(galleryFont());
  if (argc > 1) {
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (!gallery.save(path, "PNG")) {
      std::fprintf(stderr, "controls-gallery: cannot write %s\n", argv[1]);
      return 1;
    }
    return 0;
  }
  QLabel view;
  view.setWindowTitle(QStringLiteral("Gradient controls"));
  view.setPixmap(QPixmap::fromImage(gallery));
  view.show();
  return QApplication::exec();
}
