// Start-up settings shared by the program and its tests: names, version, font and icon.
#pragma once

#include <QFont>

// The window's font: Tahoma at 11 pixels (8 points at 96 dots per inch). The system's Tahoma when
// fontconfig knows one, else the face that Debian's fonts-wine installs, else the default sans
// face at the same height.
QFont ravlinFont();

// Names the application "Ravlin", sets its version, font and window icon. Call once, after the
// QApplication exists and before any window is created.
void setUpApplication();
