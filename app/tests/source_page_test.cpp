// The "Source code" page: which files it lists, in what order, what it shows and how a file that
// cannot be read is reported.
#include <sys/stat.h>

#include <QComboBox>
#include <QTabWidget>
#include <QtTest>

#include "Application.h"
#include "ReadOnlyMemo.h"
#include "ScriptedDialogs.h"
#include "TestFiles.h"
#include "Unit1.h"

namespace {

// Creates the window with `folder` as the current folder, then leaves the current folder.
struct PageUnderTest {
  ScriptedDialogs dialogs;
  std::unique_ptr<TForm1> form;

  explicit PageUnderTest(const QString& folder) {
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder);
    form = std::make_unique<TForm1>(dialogs);
    QDir::setCurrent(previous);
  }

  void showPage() {
    form->PageControl1->setCurrentWidget(form->TabSheet4);
    form->PageControl1->setCurrentWidget(form->TabSheet1);
  }

  // Picks entry `index` as the user does.
  void pick(int index) {
    form->ComboBox1->setCurrentIndex(index);
    emit form->ComboBox1->activated(index);
  }

  QStringList entries() const {
    QStringList names;
    for (int i = 0; i < form->ComboBox1->count(); ++i) names.append(form->ComboBox1->itemText(i));
    return names;
  }
};

}  // namespace

class SourcePageTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { setUpApplication(); }

  void listsTextFilesOfTheStartupFolder_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("paths");  // file names, in list order
    QTest::newRow("none") << QStringList{"a.md", "txt", "b.txt.bak"} << QStringList{}
                          << QStringList{} << QStringList{};
    QTest::newRow("display names cut at the first dot")
        << QStringList{"rle.txt", "rle.new.txt", "notes.md"} << QStringList{}
        << QStringList{"rle", "rle"} << QStringList{"rle.new.txt", "rle.txt"};
    QTest::newRow("any letter case, hidden, empty name")
        << QStringList{"README.TXT", ".txt", "Mixed.Txt"} << QStringList{}
        << QStringList{"", "Mixed", "README"} << QStringList{".txt", "Mixed.Txt", "README.TXT"};
    QTest::newRow("sub-folders too") << QStringList{"b.txt"} << QStringList{"a.txt", "c"}
                                     << QStringList{"a", "b"} << QStringList{"a.txt", "b.txt"};
  }

  void listsTextFilesOfTheStartupFolder() {
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(QStringList, entries);
    QFETCH(QStringList, paths);
    QTemporaryDir dir;
    for (const QString& name : files) QVERIFY(writeBytes(dir.filePath(name), name.toUtf8()));
    for (const QString& name : folders) QVERIFY(QDir(dir.path()).mkdir(name));
    PageUnderTest page(dir.path());

    page.showPage();

    QCOMPARE(page.entries(), entries);
    if (entries.isEmpty()) {
      QVERIFY(page.form->SourcePaths.isEmpty());
      QVERIFY(page.form->Memo1->toPlainText().isEmpty());
      return;
    }
    QStringList expectedPaths;
    for (const QString& name : paths) expectedPaths.append(dir.path() + "/" + name);
    QCOMPARE(page.form->SourcePaths, expectedPaths);
    QCOMPARE(page.form->ComboBox1->currentIndex(), 0);
    // Each entry shows its own file.
    for (int i = 0; i < entries.size(); ++i) {
      page.pick(i);
      if (folders.contains(paths[i])) continue;
      QCOMPARE(page.form->Memo1->toPlainText(), paths[i]);
    }
  }

  void firstEntryIsShownAtEveryShowing() {
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath("b.txt"), "second"));
    PageUnderTest page(dir.path());
    page.showPage();
    QCOMPARE(page.form->Memo1->toPlainText(), QStringLiteral("second"));

    // Showing again lists the folder anew and starts over at the first entry.
    QVERIFY(writeBytes(dir.filePath("a.txt"), "first"));
    page.pick(0);
    page.showPage();
    QCOMPARE(page.entries(), (QStringList{"a", "b"}));
    QCOMPARE(page.form->ComboBox1->currentIndex(), 0);
    QCOMPARE(page.form->Memo1->toPlainText(), QStringLiteral("first"));

    // A folder that lost its text files keeps no entries; the old paths are left unreachable.
    QVERIFY(QFile::remove(dir.filePath("a.txt")));
    QVERIFY(QFile::remove(dir.filePath("b.txt")));
    page.showPage();
    QVERIFY(page.entries().isEmpty());
    QVERIFY(page.form->Memo1->toPlainText().isEmpty());
    page.pick(-1);
    QVERIFY(page.dialogs.messages.empty());
  }

  void theStartupFolderIsKept() {
    QTemporaryDir startup;
    QTemporaryDir elsewhere;
    QVERIFY(writeBytes(startup.filePath("here.txt"), "here"));
    QVERIFY(writeBytes(elsewhere.filePath("there.txt"), "there"));
    PageUnderTest page(startup.path());
    const QString previous = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());
    page.showPage();
    QDir::setCurrent(previous);
    QCOMPARE(page.form->StartupFolder, startup.path());
    QCOMPARE(page.entries(), QStringList{"here"});
  }

  void textIsShownWithItsLineBreaks_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("CR LF, lone CR, lone LF") << QByteArray("a\r\nb\rc\nd") << "a\nb\nc\nd";
    QTest::newRow("empty lines") << QByteArray("\r\n\r\nx\n\n") << "\n\nx\n\n";
    QTest::newRow("system encoding") << QByteArray(
                                            "Gr\xc3\xbc\xc3\x9f"
                                            "e")
                                     << QString::fromUtf8("Grüße");
    QTest::newRow("empty file") << QByteArray("") << "";
  }

  void textIsShownWithItsLineBreaks() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath("t.txt"), bytes));
    PageUnderTest page(dir.path());
    page.showPage();
    QCOMPARE(page.form->Memo1->toPlainText(), text);
    QVERIFY(page.dialogs.messages.empty());
  }

  // What the failing entry "a.txt" is; "deleted" is a file removed after the listing.
  void fileThatCannotBeOpenedIsReported_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    const QString denied = QStringLiteral("Permission denied");
    QTest::newRow("sub-folder") << "folder" << "Is a directory";
    QTest::newRow("deleted after listing") << "deleted" << "No such file or directory";
    // A FIFO without a writer would hold the page until one came; a device would be read until
    // memory ran out.
    QTest::newRow("FIFO") << "fifo" << denied;
    QTest::newRow("link to /dev/zero") << "/dev/zero" << denied;
    QTest::newRow("link to /dev/null") << "/dev/null" << denied;
  }

  void fileThatCannotBeOpenedIsReported() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath("b.txt"), "b"));
    QVERIFY(writeBytes(dir.filePath("c.txt"), "c"));
    const QString failing = dir.filePath("a.txt");
    const bool deleted = kind == QLatin1String("deleted");
    if (deleted) QVERIFY(writeBytes(failing, "a"));
    if (kind == QLatin1String("folder")) QVERIFY(QDir(dir.path()).mkdir("a.txt"));
    if (kind == QLatin1String("fifo")) QCOMPARE(::mkfifo(QFile::encodeName(failing), 0600), 0);
    if (kind.startsWith(QLatin1String("/dev/"))) QVERIFY(QFile::link(kind, failing));
    PageUnderTest page(dir.path());
    page.showPage();
    // A file removed after the listing is met when it is picked; the others at the first showing.
    if (deleted) {
      QVERIFY(QFile::remove(failing));
      page.pick(0);
    }

    QCOMPARE(page.dialogs.messages.size(), std::size_t{1});
    QCOMPARE(page.dialogs.messages[0].kind, MessageKind::kError);
    QCOMPARE(page.dialogs.messages[0].caption, QStringLiteral("Ravlin"));
    QCOMPARE(page.dialogs.messages[0].text,
             QStringLiteral("Cannot open file \"%1\". %2.").arg(failing, reason));
    QVERIFY(page.form->Memo1->toPlainText().isEmpty());
    // The list keeps its entries and another one still works.
    QCOMPARE(page.form->ComboBox1->count(), 3);
    page.pick(page.form->ComboBox1->count() - 1);
    QCOMPARE(page.form->Memo1->toPlainText(), QStringLiteral("c"));
  }
};

QTEST_MAIN(SourcePageTest)
#include "source_page_test.moc"
