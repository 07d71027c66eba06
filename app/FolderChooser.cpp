// The modal "Select Directory" dialog in which the save step picks the output folder.
#include "FolderChooser.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStorageInfo>
#include <QStringListModel>
#include <QTreeView>

#include "FrameCentring.h"

std::optional<QString> SelectDirectory(QWidget* parent, const QString& outputPath) {
  FolderChooser chooser(parent, outputPath);
  chooser.exec();
  return chooser.chosenDirectory();
}

FolderChooser::FolderChooser(QWidget* parent, const QString& outputPath,
                             ConfirmCreate confirmCreate)
    : QDialog(parent),
      confirmCreate_(std::move(confirmCreate)),
      startFolder_(startFolderFor(outputPath)),
      folderModel_(new QFileSystemModel(this)),
      fileModel_(new QStringListModel(this)),
      nameEdit_(new QLineEdit(this)),
      folderView_(new QTreeView(this)),
      fileView_(new QListView(this)),
      volumeBox_(new QComboBox(this)) {
  setWindowTitle(tr("Select Directory"));
  setModal(true);
  nameEdit_->setObjectName(QStringLiteral("nameEdit"));
  folderView_->setObjectName(QStringLiteral("folderList"));
  fileView_->setObjectName(QStringLiteral("fileList"));
  volumeBox_->setObjectName(QStringLiteral("volumeList"));

  folderModel_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
  folderModel_->setRootPath(QDir::rootPath());
  folderView_->setModel(folderModel_);
  folderView_->setHeaderHidden(true);
  for (int column = 1; column < folderModel_->columnCount(); ++column) {
    folderView_->hideColumn(column);
  }
  folderView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  folderView_->setUniformRowHeights(true);

  // The file list is only there to show where one is, so it takes no selection.
  fileView_->setModel(fileModel_);
  fileView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  fileView_->setSelectionMode(QAbstractItemView::NoSelection);
  fileView_->setUniformItemSizes(true);

  fillVolumeList();

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layOut(buttons);
  resize(520, 380);
  new FrameCentring(this);

  connect(folderView_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid()) followFolder(folderModel_->filePath(current));
          });
  // The list fills and sorts itself in the background, which moves the rows about; keep the
  // folder shown in sight until the user scrolls the list.
  const auto keepInSight = [this] {
    if (keepInSight_) {
      folderView_->scrollTo(folderView_->currentIndex(), QAbstractItemView::PositionAtCenter);
    }
  };
  connect(folderModel_, &QAbstractItemModel::layoutChanged, this, keepInSight);
  connect(folderModel_, &QAbstractItemModel::rowsInserted, this, keepInSight);
  const std::initializer_list<QObject*> listParts = {folderView_, folderView_->viewport(),
                                                     folderView_->verticalScrollBar()};
  for (QObject* part : listParts) part->installEventFilter(this);
  connect(volumeBox_, &QComboBox::activated, this, [this](int row) { volumePicked(row); });
  connect(buttons, &QDialogButtonBox::accepted, this, &FolderChooser::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &FolderChooser::reject);

  showFolder(startFolder_);
  nameEdit_->setFocus();
}

void FolderChooser::fillVolumeList() {
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    const QString root = volume.rootPath();
    // Containers mount single files too (/etc/hosts); only folders can be shown.
    if (!volume.isValid() || !volume.isReady() || !QFileInfo(root).isDir()) continue;
    const QString name = volume.displayName();
    volumeBox_->addItem(name == root
                            ? QDir::toNativeSeparators(root)
                            : QStringLiteral("%1  [%2]").arg(QDir::toNativeSeparators(root), name),
                        root);
  }
}

void FolderChooser::layOut(QDialogButtonBox* buttons) {
  auto* nameLabel = new QLabel(tr("Directory &Name:"), this);
  nameLabel->setBuddy(nameEdit_);
  auto* folderLabel = new QLabel(tr("&Directories:"), this);
  folderLabel->setBuddy(folderView_);
  auto* fileLabel = new QLabel(tr("&Files: (*.*)"), this);
  fileLabel->setBuddy(fileView_);
  auto* volumeLabel = new QLabel(tr("D&rives:"), this);
  volumeLabel->setBuddy(volumeBox_);

  auto* grid = new QGridLayout(this);
  grid->addWidget(nameLabel, 0, 0, 1, 2);
  grid->addWidget(nameEdit_, 1, 0, 1, 2);
  grid->addWidget(folderLabel, 2, 0);
  grid->addWidget(fileLabel, 2, 1);
  grid->addWidget(folderView_, 3, 0);
  grid->addWidget(fileView_, 3, 1);
  grid->addWidget(volumeLabel, 4, 0);
  grid->addWidget(volumeBox_, 5, 0);
  grid->addWidget(buttons, 5, 1);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 2);
  grid->setRowStretch(3, 1);
}

std::optional<QString> FolderChooser::chosenDirectory() const {
  if (result() != QDialog::Accepted) return std::nullopt;
  return nameEdit_->text();
}

bool FolderChooser::askToCreate(QWidget* dialog) {
  QMessageBox box(QMessageBox::Question, tr("Confirm"),
                  tr("The specified directory does not exist. Create it?"),
                  QMessageBox::Yes | QMessageBox::No, dialog);
  box.button(QMessageBox::Yes)->setText(tr("&Yes"));
  box.button(QMessageBox::No)->setText(tr("&No"));
  return box.exec() == QMessageBox::Yes;
}

void FolderChooser::accept() {
  // A relative name is taken against the current folder, as the caller will take it.
  if (!QFileInfo(nameEdit_->text()).isDir() && !confirmCreate_(this)) return;
  QDialog::accept();
}

void FolderChooser::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  folderView_->scrollTo(folderView_->currentIndex(), QAbstractItemView::PositionAtCenter);
}

bool FolderChooser::eventFilter(QObject* watched, QEvent* event) {
  // Once the user handles the folder list, it is theirs to scroll.
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::Wheel:
      keepInSight_ = false;
      break;
    default:
      break;
  }
  return QDialog::eventFilter(watched, event);
}

QString FolderChooser::startFolderFor(const QString& outputPath) {
  if (!outputPath.isEmpty()) {
    const QFileInfo last(outputPath);
    // After a failed save the path may name the chosen folder itself rather than a file in it.
    const QFileInfo folder(last.isDir() ? last.absoluteFilePath() : last.absolutePath());
    if (last.exists() && folder.isDir() && folder.isExecutable()) {
      return QDir::cleanPath(folder.absoluteFilePath());
    }
  }
  return QDir::currentPath();
}

void FolderChooser::showFolder(const QString& path) {
  // A folder the list does not show (a hidden one) still goes into the name box.
  const QModelIndex index = folderModel_->index(path);
  if (index.isValid()) {
    keepInSight_ = true;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) folderView_->expand(up);
    folderView_->setCurrentIndex(index);
    folderView_->scrollTo(index, QAbstractItemView::PositionAtCenter);
  }
  followFolder(path);
}

void FolderChooser::followFolder(const QString& path) {
  nameEdit_->setText(QDir::toNativeSeparators(path));
  fileModel_->setStringList(QDir(path).entryList(QDir::Files, QDir::Name));
  selectVolumeOf(path);
}

void FolderChooser::volumePicked(int row) {
  const QString root = volumeBox_->itemData(row).toString();
  if (!root.isEmpty()) showFolder(root);
}

void FolderChooser::selectVolumeOf(const QString& path) {
  const int row = volumeBox_->findData(QStorageInfo(path).rootPath());
  if (row >= 0) volumeBox_->setCurrentIndex(row);
}
