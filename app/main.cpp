// Entry point of the window `ravlin`: names the application, creates the main window, runs it.
#include <QApplication>

#include <cstdio>

#include "Application.h"
#include "QtDialogs.h"
#include "Unit1.h"

namespace {

// On X11 and Wayland systems Qt aborts with a long plugin report when there is no display to
// connect to; one line that says what to do instead serves the user better.
bool lacksDisplay() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
  return qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
         qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#else
  return false;
#endif
}

}  // namespace

int main(int, char** argv) {
  if (lacksDisplay()) {
    std::fputs(
        "ravlin: the window needs a desktop session (no DISPLAY or WAYLAND_DISPLAY is set); use "
        "'xvfb-run ravlin', or ravlin-cli, which needs none\n",
        stderr);
    return 1;
  }
  // The program reads no command line: Qt is handed the program's name alone, so that it does
  // not act on options such as -style either. No settings are read or written.
  int argumentCount = 1;
  QApplication app(argumentCount, argv);
  setUpApplication();
  QtDialogs dialogs;
  TForm1 Form1(dialogs);
  Form1.show();
  return QApplication::exec();
}
