// The dialogs the program really shows: Qt's file dialog and message box, and the folder chooser.
#include "QtDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

#include "FolderChooser.h"

std::optional<QString> QtDialogs::openFile(QWidget* parent, const QString& lastChosen) {
  QFileDialog dialog(parent, QStringLiteral("Open"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // A typed name of a file that does not exist is accepted as it is.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(QStringLiteral("All files (*)"));
  dialog.setSizeGripEnabled(true);
  if (!lastChosen.isEmpty()) dialog.selectFile(lastChosen);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return files.first();
}

std::optional<QString> QtDialogs::chooseFolder(QWidget* parent, const QString& outputPath) {
  return SelectDirectory(parent, outputPath);
}

void QtDialogs::showMessage(QWidget* parent, MessageKind kind, const QString& caption,
                            const QString& text) {
  QMessageBox::Icon icon = QMessageBox::Critical;
  switch (kind) {
    case MessageKind::kError:
      icon = QMessageBox::Critical;
      break;
    case MessageKind::kInformation:
      icon = QMessageBox::Information;
      break;
    case MessageKind::kConfirmation:
      icon = QMessageBox::Question;
      break;
  }
  QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
  box.exec();
}
