// The dialogs the program really shows: Qt's file dialog and message box, and the folder chooser.
#pragma once

#include "Dialogs.h"

class QtDialogs : public Dialogs {
 public:
  std::optional<QString> openFile(QWidget* parent, const QString& lastChosen) override;
  std::optional<QString> chooseFolder(QWidget* parent, const QString& outputPath) override;
  void showMessage(QWidget* parent, MessageKind kind, const QString& caption,
                   const QString& text) override;
};
