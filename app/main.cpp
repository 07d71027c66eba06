// Entry point of the window `ravlin`: names the application, creates the main window, runs it.
#include <QApplication>

#include "Application.h"
#include "QtDialogs.h"
#include "Unit1.h"

int main(int argc, char** argv) {
  // Qt needs argc/argv for itself; the program reads no command line and no settings.
  QApplication app(argc, argv);
  setUpApplication();
  QtDialogs dialogs;
  TForm1 Form1(dialogs);
  Form1.show();
  return QApplication::exec();
}
