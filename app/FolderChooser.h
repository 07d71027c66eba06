// The modal "Select Directory" dialog in which the save step picks the output folder.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class QComboBox;
class QDialogButtonBox;
class QFileSystemModel;
class QLineEdit;
class QListView;
class QStringListModel;
class QTreeView;

// Shows the folder chooser, starting on the folder of the file written last (`outputPath`; the
// current folder when it is empty or cannot be entered). Returns the text of the name box, exactly
// as it stands, when the user accepts, and nothing on Cancel. The folder may not exist yet: the
// user has agreed to have it created, which is the caller's job.
std::optional<QString> SelectDirectory(QWidget* parent, const QString& outputPath);

class FolderChooser : public QDialog {
  Q_OBJECT

 public:
  // Asked when OK is pressed on a name that is not an existing folder; true means "create it".
  using ConfirmCreate = std::function<bool(QWidget* dialog)>;

  explicit FolderChooser(QWidget* parent, const QString& outputPath,
                         ConfirmCreate confirmCreate = askToCreate);

  // The folder the chooser opened on.
  const QString& startFolder() const noexcept { return startFolder_; }
  // The name box's text when the dialog was accepted; nothing otherwise.
  std::optional<QString> chosenDirectory() const;

  // The question box "The specified directory does not exist. Create it?" with Yes and No.
  static bool askToCreate(QWidget* dialog);

  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  static QString startFolderFor(const QString& outputPath);

  void fillVolumeList();
  void layOut(QDialogButtonBox* buttons);
  void showFolder(const QString& path);
  void followFolder(const QString& path);
  void volumePicked(int row);
  void selectVolumeOf(const QString& path);

  ConfirmCreate confirmCreate_;
  QString startFolder_;
  QFileSystemModel* folderModel_;
  QStringListModel* fileModel_;
  QLineEdit* nameEdit_;
  QTreeView* folderView_;
  QListView* fileView_;
  QComboBox* volumeBox_;
  bool keepInSight_ = true;
};
