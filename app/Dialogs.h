// The window's seam to its modal dialogs, so that tests can answer them without a person.
#pragma once

#include <optional>

#include <QString>

class QWidget;

// The three kinds of message box; each has its own icon.
enum class MessageKind {
  kError,         // error icon
  kInformation,   // information icon
  kConfirmation,  // question-mark icon
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // The open-file dialog: one "All files" filter, the named file need not exist. Starts with
  // `lastChosen` selected when it is not empty. Returns the chosen path, or nothing on Cancel.
  virtual std::optional<QString> openFile(QWidget* parent, const QString& lastChosen) = 0;

  // The folder chooser, starting from `outputPath` (the file written last, or empty). Returns the
  // text the user accepted, or nothing on Cancel. It creates no folder.
  virtual std::optional<QString> chooseFolder(QWidget* parent, const QString& outputPath) = 0;

  // A modal box with one OK button.
  virtual void showMessage(QWidget* parent, MessageKind kind, const QString& caption,
                           const QString& text) = 0;
};
