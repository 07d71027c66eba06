// Entry point of the window `ravlin`: names the application, creates the main window, runs it.
#include <QApplication>

#include "Application.h"
#include "QtDialogs.h"
#include "Unit1.h"

int main(int, char** argv) {
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
