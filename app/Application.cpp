// Start-up settings shared by the program and its tests: names, version, font and icon.
#include "Application.h"

#include <QApplication>
#include <QFontDatabase>
#include <QIcon>
#include <QStringList>

namespace {

constexpr int kFontPixelSize = 11;

// Where Debian's fonts-wine package puts its Tahoma face (it does not register it with
// fontconfig, so the face is loaded by path).
const char* const kTahomaFiles[] = {
    "/usr/share/wine/fonts/tahoma.ttf",
    "/usr/share/fonts/truetype/wine/tahoma.ttf",
};

QString tahomaFamily() {
  const QString tahoma = QStringLiteral("Tahoma");
  if (QFontDatabase::families().contains(tahoma, Qt::CaseInsensitive)) return tahoma;
  for (const char* file : kTahomaFiles) {
    const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(file));
    if (id < 0) continue;
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (!families.isEmpty()) return families.first();
  }
  return {};
}

}  // namespace

QFont ravlinFont() {
  const QString family = tahomaFamily();
  QFont font =
      family.isEmpty() ? QFontDatabase::systemFont(QFontDatabase::GeneralFont) : QFont(family);
  if (family.isEmpty()) font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(kFontPixelSize);
  return font;
}

void setUpApplication() {
  // The icon's resource lives in a static library, whose initialiser the linker would drop.
  Q_INIT_RESOURCE(ravlin);
  // The display name follows the application name. Set on its own, Qt would append it to every
  // window caption ("Ravlin (v1.4) - Ravlin").
  QApplication::setApplicationName(QStringLiteral("Ravlin"));
  QApplication::setApplicationVersion(QStringLiteral(RAVLIN_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("ravlin"));
  QApplication::setFont(ravlinFont());
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/ravlin.png")));
}
