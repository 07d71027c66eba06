// Tests of the "Select Directory" folder chooser: start folder, name box, answers and lists.
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "FolderChooser.h"

namespace {

// Answers the "create it?" question with a fixed reply and counts how often it was asked.
struct Answer {
  bool yes = false;
  int asked = 0;
  FolderChooser::ConfirmCreate hook() {
    return [this](QWidget*) {
      ++asked;
      return yes;
    };
  }
};

QString pathShownBy(const QTreeView* folders) {
  return static_cast<const QFileSystemModel*>(folders->model())->filePath(folders->currentIndex());
}

QStringList filesListed(const FolderChooser& chooser) {
  const QAbstractItemModel* model =
      chooser.findChild<QListView*>(QStringLiteral("fileList"))->model();
  QStringList names;
  for (int row = 0; row < model->rowCount(); ++row) names << model->index(row, 0).data().toString();
  return names;
}

}  // namespace

class FolderChooserTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir tmp_;
  QString savedCurrent_;
  QString cwd_;  // the process's current folder during the tests
  QString out_;  // a folder holding a file written earlier
  QString outFile_;

  QLineEdit* nameEdit(FolderChooser& chooser) {
    return chooser.findChild<QLineEdit*>(QStringLiteral("nameEdit"));
  }
  void type(FolderChooser& chooser, const QString& text) {
    QLineEdit* edit = nameEdit(chooser);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
    QCOMPARE(edit->text(), text);
  }
  void press(FolderChooser& chooser, QDialogButtonBox::StandardButton which) {
    auto* buttons = chooser.findChild<QDialogButtonBox*>();
    QVERIFY(buttons != nullptr);
    QTest::mouseClick(buttons->button(which), Qt::LeftButton);
  }

 private slots:
  void initTestCase() {
    QVERIFY(tmp_.isValid());
    const QDir root(tmp_.path());
    QVERIFY(root.mkpath(QStringLiteral("cwd/sub")));
    QVERIFY(root.mkpath(QStringLiteral("out/inner")));
    cwd_ = root.filePath(QStringLiteral("cwd"));
    out_ = root.filePath(QStringLiteral("out"));
    outFile_ = root.filePath(QStringLiteral("out/font.pack1"));
    for (const QString& file : {outFile_, root.filePath(QStringLiteral("cwd/sub/a.txt"))}) {
      QFile f(file);
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
    savedCurrent_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(cwd_));
  }
  void cleanupTestCase() { QDir::setCurrent(savedCurrent_); }

  void startsOnFolderOfLastFile_data() {
    QTest::addColumn<QString>("outputPath");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("files");
    const QStringList none;
    QTest::newRow("nothing written yet") << QString() << cwd_ << none;
    QTest::newRow("file written last") << outFile_ << out_ << QStringList{"font.pack1"};
    QTest::newRow("file deleted since") << out_ + "/gone.pack1" << cwd_ << none;
    QTest::newRow("folder gone") << tmp_.path() + "/missing/font.pack1" << cwd_ << none;
    QTest::newRow("folder whose creation failed") << out_ + "/inner" << out_ + "/inner" << none;
  }
  void startsOnFolderOfLastFile() {
    QFETCH(QString, outputPath);
    QFETCH(QString, expected);
    QFETCH(QStringList, files);
    FolderChooser chooser(nullptr, outputPath);
    QCOMPARE(chooser.startFolder(), expected);
    QCOMPARE(nameEdit(chooser)->text(), expected);
    QCOMPARE(pathShownBy(chooser.findChild<QTreeView*>(QStringLiteral("folderList"))), expected);
    QCOMPARE(filesListed(chooser), files);
  }

  void nameBoxAndFileListFollowFolderList() {
    FolderChooser chooser(nullptr, QString());
    chooser.open();
    auto* folders = chooser.findChild<QTreeView*>(QStringLiteral("folderList"));
    auto* model = static_cast<QFileSystemModel*>(folders->model());
    const QString sub = cwd_ + "/sub";
    folders->setCurrentIndex(model->index(sub));
    QCOMPARE(nameEdit(chooser)->text(), sub);
    QCOMPARE(filesListed(chooser), QStringList{"a.txt"});
    // Only the files of the selected folder are listed, not its subfolders.
    folders->setCurrentIndex(model->index(cwd_));
    QCOMPARE(nameEdit(chooser)->text(), cwd_);
    QCOMPARE(filesListed(chooser), QStringList());
  }

  void okReturnsNameBoxUnchanged_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("answerYes");
    QTest::addColumn<int>("asked");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("existing folder, roundabout spelling")
        << out_ + "/inner/../inner/" << false << 0 << true;
    QTest::newRow("existing folder, relative") << QStringLiteral("sub") << false << 0 << true;
    QTest::newRow("missing folder, No") << out_ + "/new/deeper" << false << 1 << false;
    QTest::newRow("missing folder, Yes") << out_ + "/new/deeper" << true << 1 << true;
    QTest::newRow("a file is no folder") << outFile_ << true << 1 << true;
    QTest::newRow("empty name, Yes") << QString() << true << 1 << true;
  }
  void okReturnsNameBoxUnchanged() {
    QFETCH(QString, typed);
    QFETCH(bool, answerYes);
    QFETCH(int, asked);
    QFETCH(bool, accepted);
    Answer answer{answerYes};
    FolderChooser chooser(nullptr, QString(), answer.hook());
    chooser.open();
    type(chooser, typed);
    press(chooser, QDialogButtonBox::Ok);

    QCOMPARE(answer.asked, asked);
    QCOMPARE(chooser.isVisible(), !accepted);
    QCOMPARE(chooser.chosenDirectory(),
             accepted ? std::optional<QString>(typed) : std::optional<QString>());
    // Creating the folder is the caller's job.
    QVERIFY(!QFileInfo::exists(out_ + "/new"));
  }

  void noKeepsChooserOpenForAnotherTry() {
    Answer answer{false};
    FolderChooser chooser(nullptr, QString(), answer.hook());
    chooser.open();
    type(chooser, QStringLiteral("fresh"));
    press(chooser, QDialogButtonBox::Ok);
    QVERIFY(chooser.isVisible());
    answer.yes = true;
    press(chooser, QDialogButtonBox::Ok);
    QCOMPARE(answer.asked, 2);
    QCOMPARE(chooser.chosenDirectory(), std::optional<QString>(QStringLiteral("fresh")));
  }

  void cancelReturnsNothing_data() {
    QTest::addColumn<bool>("byEscape");
    QTest::newRow("Cancel button") << false;
    QTest::newRow("Escape key") << true;
  }
  void cancelReturnsNothing() {
    QFETCH(bool, byEscape);
    Answer answer{true};
    FolderChooser chooser(nullptr, outFile_, answer.hook());
    chooser.open();
    type(chooser, out_ + "/never");
    if (byEscape) {
      QTest::keyClick(nameEdit(chooser), Qt::Key_Escape);
    } else {
      press(chooser, QDialogButtonBox::Cancel);
    }
    QVERIFY(!chooser.isVisible());
    QCOMPARE(chooser.chosenDirectory(), std::optional<QString>());
    QCOMPARE(answer.asked, 0);
  }

  void enterInNameBoxIsOk() {
    FolderChooser chooser(nullptr, QString());
    chooser.open();
    type(chooser, out_);
    QTest::keyClick(nameEdit(chooser), Qt::Key_Return);
    QCOMPARE(chooser.chosenDirectory(), std::optional<QString>(out_));
  }

  void volumeListHoldsMountedVolumes() {
    FolderChooser chooser(nullptr, outFile_);
    auto* volumes = chooser.findChild<QComboBox*>(QStringLiteral("volumeList"));
    QStringList expected;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
      if (volume.isValid() && volume.isReady() && QFileInfo(volume.rootPath()).isDir()) {
        expected << volume.rootPath();
      }
    }
    QStringList listed;
    for (int row = 0; row < volumes->count(); ++row) listed << volumes->itemData(row).toString();
    QCOMPARE(listed, expected);
    QVERIFY(listed.contains(QDir::rootPath()));
    // The volume holding the start folder is the one shown.
    QCOMPARE(volumes->currentData().toString(), QStorageInfo(out_).rootPath());

    const int root = static_cast<int>(listed.indexOf(QDir::rootPath()));
    volumes->setCurrentIndex(root);
    emit volumes->activated(root);
    QCOMPARE(nameEdit(chooser)->text(), QDir::rootPath());
    QCOMPARE(pathShownBy(chooser.findChild<QTreeView*>(QStringLiteral("folderList"))),
             QDir::rootPath());
  }

  void captionsAndAccelerators() {
    FolderChooser chooser(nullptr, QString());
    QCOMPARE(chooser.windowTitle(), QStringLiteral("Select Directory"));
    QVERIFY(chooser.isModal());
    const QList<QPair<QString, QString>> labels = {
        {QStringLiteral("Directory &Name:"), QStringLiteral("nameEdit")},
        {QStringLiteral("&Directories:"), QStringLiteral("folderList")},
        {QStringLiteral("&Files: (*.*)"), QStringLiteral("fileList")},
        {QStringLiteral("D&rives:"), QStringLiteral("volumeList")},
    };
    for (const auto& [text, buddy] : labels) {
      const QLabel* found = nullptr;
      for (const QLabel* label : chooser.findChildren<QLabel*>()) {
        if (label->text() == text) found = label;
      }
      QVERIFY2(found != nullptr, qPrintable(text));
      QVERIFY2(found->buddy() && found->buddy()->objectName() == buddy, qPrintable(text));
    }
    auto* buttons = chooser.findChild<QDialogButtonBox*>();
    QCOMPARE(buttons->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  }

  void centredOnScreen() {
    FolderChooser chooser(nullptr, QString());
    chooser.open();
    QVERIFY(QTest::qWaitForWindowExposed(&chooser));
    const QPoint offset =
        chooser.frameGeometry().center() - chooser.screen()->availableGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 2,
             qPrintable(QStringLiteral("off by %1, %2").arg(offset.x()).arg(offset.y())));
  }
};

QTEST_MAIN(FolderChooserTest)
#include "folder_chooser_test.moc"
