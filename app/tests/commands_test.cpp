// The window's commands end to end on temporary files: Browse, the four Start commands, the save
// step with its naming, and every way they fail.
#include <sys/stat.h>

#include <cerrno>

#include <QLineEdit>
#include <QtTest>

#include "Application.h"
#include "CommandDriver.h"
#include "ErrorReport.h"
#include "TXiPanel.h"
#include "TestFiles.h"

namespace {

const QString kOddSize =
    QStringLiteral("The file has an odd size. The current compression method is not available.");

QByteArray expectedOutput(const Command& command, const QByteArray& input) {
  if (command.packing) return packed(command.method, input);
  ravlin::ByteBuffer out;
  ravlin::QuietHost quiet;
  ravlin::unpack(command.method, spanOf(input), out, quiet);
  return toBytes(out);
}

}  // namespace

class CommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { setUpApplication(); }

  void startCommandSavesItsResult_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("pack I") << "packI"
                            << ".pack1";
    QTest::newRow("pack II") << "packII"
                             << ".pack2";
    QTest::newRow("unpack I") << "unpackI"
                              << ".unpack1";
    QTest::newRow("unpack II") << "unpackII"
                               << ".unpack2";
  }

  void startCommandSavesItsResult() {
    QFETCH(QString, command);
    QFETCH(QString, suffix);
    WindowUnderTest w;
    const Command c = commandOf(w.form, command);
    const QByteArray data = sampleData(20000);
    const QByteArray input = c.packing ? data : packed(c.method, data);
    QVERIFY(writeBytes(w.path("data.bin"), input));
    const QString out = w.path("out");
    QVERIFY(QDir().mkpath(out));

    w.run(command, w.path("data.bin"), out);

    QCOMPARE(w.dialogs.messages.size(), std::size_t{1});
    QCOMPARE(w.dialogs.messages[0].kind, MessageKind::kInformation);
    QCOMPARE(w.dialogs.messages[0].caption, QStringLiteral("Information"));
    QCOMPARE(w.dialogs.messages[0].text, QStringLiteral("Done!"));
    const QString target = out + "/data" + suffix;
    const QByteArray saved = readBytes(target);
    QCOMPARE(saved, expectedOutput(c, input));
    if (!c.packing) QCOMPARE(saved, data);
    QCOMPARE(entriesOf(out), QStringList{"data" + suffix});
    QCOMPARE(w.form.OutputPath, target);
    QCOMPARE(w.form.OutputSuffix, suffix);
    QCOMPARE(w.dialogs.folderStarts, std::vector<QString>{QString()});
    QVERIFY(w.form.PageControl1->isEnabled());
    // Only a pack run hands its final ratio to the compression bar's tooltip.
    if (c.packing) QVERIFY(w.form.XiPanel4->Caption() != QStringLiteral("100%"));
    QCOMPARE(w.form.XiPanel4->toolTip(),
             c.packing ? w.form.XiPanel4->Caption() : QStringLiteral("100%"));
    QVERIFY(w.form.XiPanel5->toolTip().isEmpty());
  }

  void browseCancelChangesNothing() {
    WindowUnderTest w;
    w.dialogs.openAnswers.push_back(std::nullopt);
    WindowUnderTest::click(w.form.XiButton8);
    QVERIFY(w.form.LabeledEdit3->text().isEmpty());
    QVERIFY(!w.form.XiButton9->isEnabled());
    QVERIFY(!w.form.XiButton1->isEnabled());
    QCOMPARE(w.dialogs.openStarts, std::vector<QString>{QString()});
  }

  void browseEnablesItsOwnPageAndRemembersTheFile() {
    WindowUnderTest w;
    const QString first = w.path("first.bin");
    w.browse(commandOf(w.form, "packI"), first);
    QCOMPARE(w.form.LabeledEdit3->text(), first);
    QVERIFY(w.form.XiButton9->isEnabled());
    QVERIFY(w.form.XiButton1->isEnabled());
    QVERIFY(!w.form.XiButton11->isEnabled());
    QVERIFY(!w.form.XiButton2->isEnabled());

    // The one open dialog starts with the file last chosen on either page.
    w.browse(commandOf(w.form, "unpackI"), w.path("second.pack1"));
    QCOMPARE(w.form.LabeledEdit5->text(), w.path("second.pack1"));
    QVERIFY(w.form.XiButton11->isEnabled());
    QVERIFY(w.form.XiButton2->isEnabled());
    QCOMPARE(w.form.LabeledEdit3->text(), first);
    QCOMPARE(w.dialogs.openStarts, (std::vector<QString>{QString(), first}));
  }

  void oddPackInputIsRefused_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("pack I") << "packI";
    QTest::newRow("pack II") << "packII";
  }

  void oddPackInputIsRefused() {
    QFETCH(QString, command);
    WindowUnderTest w;
    QVERIFY(writeBytes(w.path("odd.bin"), sampleData(1001)));
    w.run(command, w.path("odd.bin"), w.path("out"));
    QCOMPARE(w.dialogs.messages.size(), std::size_t{1});
    QCOMPARE(w.dialogs.messages[0].kind, MessageKind::kError);
    QCOMPARE(w.dialogs.messages[0].caption, QStringLiteral("Error"));
    QCOMPARE(w.dialogs.messages[0].text, kOddSize);
    // The engine did not run and nothing else changed.
    QVERIFY(w.form.engine().currentInputPath().empty());
    QVERIFY(w.dialogs.folderStarts.empty());
    QCOMPARE(w.form.XiPanel4->toolTip(), QStringLiteral("100%"));
    QVERIFY(w.form.OutputSuffix.isEmpty());
    QVERIFY(!QFileInfo::exists(w.path("out")));
  }

  void unpackAcceptsAnOddSize() {
    WindowUnderTest w;
    // Three repeats of 'A', then the end marker: three bytes.
    QVERIFY(writeBytes(w.path("abc.pack1"), QByteArray("\x83"
                                                       "A",
                                                       2) +
                                                QByteArray(1, '\0')));
    w.run("unpackI", w.path("abc.pack1"), w.dir.path());
    QCOMPARE(w.dialogs.texts(), QStringList{"Done!"});
    QCOMPARE(readBytes(w.path("abc.unpack1")), QByteArray("AAA"));
  }

  void engineFailureIsReported_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("content");  // null: no file at all
    QTest::addColumn<QString>("message");
    const QString notFound = QStringLiteral("File not found.");
    const QString beyondEnd = QStringLiteral("Read beyond end of file.");
    QTest::newRow("pack I, missing") << "packI" << QByteArray() << notFound;
    QTest::newRow("pack II, missing") << "packII" << QByteArray() << notFound;
    QTest::newRow("unpack I, missing") << "unpackI" << QByteArray() << notFound;
    QTest::newRow("unpack II, missing") << "unpackII" << QByteArray() << notFound;
    QTest::newRow("pack I, empty") << "packI" << QByteArray("") << beyondEnd;
    QTest::newRow("pack II, empty") << "packII" << QByteArray("") << beyondEnd;
    QTest::newRow("unpack I, cut block") << "unpackI"
                                         << QByteArray(
                                                "\x05"
                                                "ab")
                                         << beyondEnd;
    QTest::newRow("unpack II, empty") << "unpackII" << QByteArray("") << beyondEnd;
  }

  void engineFailureIsReported() {
    QFETCH(QString, command);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    WindowUnderTest w;
    const QString input = w.path("input.bin");
    if (!content.isNull()) QVERIFY(writeBytes(input, content));
    const Command c = commandOf(w.form, command);

    w.run(command, input, w.dir.path());

    QCOMPARE(w.dialogs.messages.size(), std::size_t{1});
    QCOMPARE(w.dialogs.messages[0].kind, MessageKind::kError);
    QCOMPARE(w.dialogs.messages[0].caption, QStringLiteral("Ravlin"));
    QCOMPARE(w.dialogs.messages[0].text, message);
    QVERIFY(w.form.PageControl1->isEnabled());
    QVERIFY(c.start->isEnabled());
    QVERIFY(w.dialogs.folderStarts.empty());
    QVERIFY(w.form.OutputSuffix.isEmpty());
    QCOMPARE(w.form.XiPanel4->toolTip(), QStringLiteral("100%"));
    QCOMPARE(entriesOf(w.dir.path()), content.isNull() ? QStringList() : QStringList{"input.bin"});

    // The window goes on working: the same command on a good file succeeds.
    QVERIFY(writeBytes(input, sampleData(64)));
    w.dialogs.folderAnswers.push_back(w.dir.path());
    WindowUnderTest::click(c.start);
    QCOMPARE(w.dialogs.messages.back().text, QStringLiteral("Done!"));
  }

  // A folder, a FIFO without a writer and a device: refused at once (a FIFO's plain open would
  // wait for a writer and freeze the window), and the window goes on working.
  void nonRegularInputIsRefusedAtOnce_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("kind");
    for (const char* command : {"packI", "packII", "unpackI", "unpackII"}) {
      for (const char* kind : {"folder", "fifo", "device"}) {
        QTest::addRow("%s, %s", command, kind) << command << kind;
      }
    }
  }

  void nonRegularInputIsRefusedAtOnce() {
    QFETCH(QString, command);
    QFETCH(QString, kind);
    WindowUnderTest w;
    QString input = w.path("input");
    if (kind == QLatin1String("folder")) QVERIFY(QDir().mkpath(input));
    if (kind == QLatin1String("fifo")) QCOMPARE(::mkfifo(QFile::encodeName(input), 0600), 0);
    if (kind == QLatin1String("device")) input = QStringLiteral("/dev/zero");

    w.run(command, input, w.dir.path());

    QCOMPARE(w.dialogs.texts(), QStringList{"File access denied."});
    QCOMPARE(w.dialogs.messages[0].kind, MessageKind::kError);
    QVERIFY(w.dialogs.folderStarts.empty());
    QVERIFY(w.form.PageControl1->isEnabled());
    QCOMPARE(entriesOf(w.dir.path()),
             kind == QLatin1String("device") ? QStringList() : QStringList{"input"});
  }

  // Another program cuts the input short during the run (truncate): what was read is neither the
  // old file nor the new one, so the run fails and nothing is saved. The cut lies between two
  // blocks of the unpackers' streams, where the shorter stream would still unpack without error.
  void inputThatShrinksDuringTheRunIsNotSaved_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("input");
    const int size = 3 << 20;
    QTest::newRow("pack I") << "packI" << sampleData(size);
    QTest::newRow("pack II") << "packII" << sampleData(size);
    QTest::newRow("unpack I") << "unpackI" << QByteArray("\xff\x41").repeated(size / 2);
    QTest::newRow("unpack II") << "unpackII" << QByteArray("\xff\x41\x42").repeated(size / 3);
  }

  void inputThatShrinksDuringTheRunIsNotSaved() {
    QFETCH(QString, command);
    QFETCH(QByteArray, input);
    WindowUnderTest w;
    const QString path = w.path("input.bin");
    QVERIFY(writeBytes(path, input));
    constexpr qint64 kCutSize = 3 << 19;  // a block boundary of both streams
    int reads = 0;
    // The engine reads the input in pieces; the cut comes after the first one.
    w.fs.onRead = [&] {
      if (++reads == 2) QVERIFY(QFile::resize(path, kCutSize));
    };

    w.run(command, path, w.path("out"));

    QVERIFY2(reads > 2, "the input was read in one piece: the cut came too late");
    QCOMPARE(w.dialogs.texts(), QStringList{"Read beyond end of file."});
    QCOMPARE(w.dialogs.messages[0].kind, MessageKind::kError);
    QVERIFY(w.dialogs.folderStarts.empty());
    QVERIFY(!QFileInfo::exists(w.path("out")));
    QVERIFY(w.form.PageControl1->isEnabled());
  }

  void pageControlIsDisabledExactlyDuringTheRun() {
    WindowUnderTest w;
    QVERIFY(writeBytes(w.path("data.bin"), sampleData(4096)));
    std::vector<bool> enabledWhileReading;
    w.fs.onRead = [&] { enabledWhileReading.push_back(w.form.PageControl1->isEnabled()); };
    bool enabledAtDone = false;
    w.dialogs.onMessage = [&](const ScriptedDialogs::Message&) {
      enabledAtDone = w.form.PageControl1->isEnabled();
    };
    w.run("packI", w.path("data.bin"), w.dir.path());
    QVERIFY(!enabledWhileReading.empty());
    QVERIFY(std::all_of(enabledWhileReading.begin(), enabledWhileReading.end(),
                        [](bool enabled) { return !enabled; }));
    QVERIFY(enabledAtDone);
    QVERIFY(w.form.PageControl1->isEnabled());
  }

  void aboutWorksDuringARun() {
    WindowUnderTest w;
    QVERIFY(writeBytes(w.path("data.bin"), sampleData(4096)));
    bool clicked = false;
    w.fs.onRead = [&] {
      if (clicked) return;
      clicked = true;
      // The run is under way: the page control is off, the About button still answers.
      QVERIFY(!w.form.PageControl1->isEnabled());
      WindowUnderTest::click(w.form.XiButton5);
    };
    w.run("packII", w.path("data.bin"), w.dir.path());
    QVERIFY(clicked);
    QCOMPARE(w.dialogs.texts(), (QStringList{TForm1::aboutText(), "Done!"}));
    QCOMPARE(readBytes(w.path("data.pack2")), packed(ravlin::Method::kII, sampleData(4096)));
  }

  void closingDuringARunFinishesItAndSavesNothing_data() {
    QTest::addColumn<bool>("queued");
    QTest::newRow("closed from inside the run") << false;
    QTest::newRow("close request met by the run's event processing") << true;
  }

  void closingDuringARunFinishesItAndSavesNothing() {
    QFETCH(bool, queued);
    WindowUnderTest w;
    QVERIFY(writeBytes(w.path("data.bin"), sampleData(4096)));
    w.fs.onRead = [&] {
      if (queued) {
        QMetaObject::invokeMethod(&w.form, &QWidget::close, Qt::QueuedConnection);
      } else {
        w.form.close();
      }
    };
    w.run("packI", w.path("data.bin"), w.path("out"));
    // The run went to its end; the chooser was never shown and nothing was written.
    QCOMPARE(toBytes(w.form.engine().outputBuffer()), packed(ravlin::Method::kI, sampleData(4096)));
    QVERIFY(w.dialogs.folderStarts.empty());
    QVERIFY(w.dialogs.messages.empty());
    QVERIFY(!QFileInfo::exists(w.path("out")));
    QVERIFY(!w.form.isVisible());
  }

  void aboutBox() {
    WindowUnderTest w;
    WindowUnderTest::click(w.form.XiButton5);
    QCOMPARE(w.dialogs.messages.size(), std::size_t{1});
    const ScriptedDialogs::Message& box = w.dialogs.messages[0];
    QCOMPARE(box.kind, MessageKind::kConfirmation);
    QCOMPARE(box.caption, QStringLiteral("Confirm"));
    const QStringList lines = box.text.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[0], QStringLiteral("A compilation of utilities for simple packing / unpacking"));
    QCOMPARE(lines[1], QStringLiteral("graphics data (1bpp - 15bpp)."));
    QCOMPARE(lines[2], QStringLiteral("Effective only when many bytes are repeated in a row."));
    QCOMPARE(lines[3], QString(60, QLatin1Char('_')));
    QVERIFY(!lines[4].trimmed().isEmpty());
  }

  void cancelSavesNothingAndKeepsTheStartingPoint() {
    WindowUnderTest w;
    QVERIFY(writeBytes(w.path("data.bin"), sampleData(500)));
    const QString out = w.path("out");
    QVERIFY(QDir().mkpath(out));

    w.run("packI", w.path("data.bin"), std::nullopt);
    QVERIFY(w.dialogs.messages.empty());
    QVERIFY(entriesOf(out).isEmpty());
    QVERIFY(w.form.OutputPath.isEmpty());

    w.dialogs.folderAnswers = {out, std::nullopt, out};
    for (int i = 0; i < 3; ++i) WindowUnderTest::click(w.form.XiButton9);
    // Each chooser starts from the file written last; a cancelled one moves nothing.
    const QString written = out + "/data.pack1";
    QCOMPARE(w.dialogs.folderStarts,
             (std::vector<QString>{QString(), QString(), written, written}));
    QCOMPARE(w.dialogs.texts(), (QStringList{"Done!", "Done!"}));
    QCOMPARE(w.form.OutputPath, written);
  }

  void existingFileIsReplacedWithoutAQuestion() {
    WindowUnderTest w;
    const QByteArray data = sampleData(3000);
    QVERIFY(writeBytes(w.path("data.bin"), data));
    QVERIFY(writeBytes(w.path("data.pack1"), QByteArray(100000, 'x')));
    const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(w.path("data.pack1"), mode));
    w.run("packI", w.path("data.bin"), w.dir.path());
    QCOMPARE(w.dialogs.texts(), QStringList{"Done!"});
    QCOMPARE(readBytes(w.path("data.pack1")), packed(ravlin::Method::kI, data));
    QCOMPARE(entriesOf(w.dir.path()), (QStringList{"data.bin", "data.pack1"}));
    // The replaced file's mode is kept.
    QCOMPARE(QFile::permissions(w.path("data.pack1")) & ~(QFile::ReadUser | QFile::WriteUser),
             mode);
  }

  void missingFoldersAreCreated() {
    WindowUnderTest w;
    QVERIFY(writeBytes(w.path("data.bin"), sampleData(300)));
    const QString folder = w.path("new/deeper/still");
    w.run("packII", w.path("data.bin"), folder);
    QCOMPARE(w.dialogs.texts(), QStringList{"Done!"});
    QCOMPARE(readBytes(folder + "/data.pack2"), packed(ravlin::Method::kII, sampleData(300)));
  }

  void failedSaveKeepsTheOldFile_data() {
    QTest::addColumn<int>("writeError");
    QTest::addColumn<int>("renameError");
    QTest::addColumn<int>("accessError");
    QTest::addColumn<QString>("message");
    QTest::newRow("disk full") << ENOSPC << 0 << 0 << "Disk full.";
    QTest::newRow("write refused") << EIO << 0 << 0 << "I/O error 5.";
    QTest::newRow("rename refused") << 0 << EACCES << 0 << "File access denied.";
    QTest::newRow("file not writable") << 0 << 0 << EACCES << "File access denied.";
  }

  void failedSaveKeepsTheOldFile() {
    QFETCH(int, writeError);
    QFETCH(int, renameError);
    QFETCH(int, accessError);
    QFETCH(QString, message);
    WindowUnderTest w;
    QVERIFY(writeBytes(w.path("data.bin"), sampleData(3000)));
    const QString out = w.path("out");
    QVERIFY(QDir().mkpath(out));
    const QByteArray old("the previous result");
    QVERIFY(writeBytes(out + "/data.pack1", old));
    w.fs.writeError = writeError;
    w.fs.renameError = renameError;
    w.fs.accessError = accessError;

    w.run("packI", w.path("data.bin"), out);

    QCOMPARE(w.dialogs.messages.size(), std::size_t{1});
    QCOMPARE(w.dialogs.messages[0].caption, QStringLiteral("Ravlin"));
    QCOMPARE(w.dialogs.messages[0].kind, MessageKind::kError);
    QCOMPARE(w.dialogs.messages[0].text, message);
    // The old file is whole and no temporary file is left behind.
    QCOMPARE(readBytes(out + "/data.pack1"), old);
    QCOMPARE(entriesOf(out), QStringList{"data.pack1"});
    QCOMPARE(w.form.OutputPath, out + "/data.pack1");
  }

  void saveIntoAnImpossibleFolder_data() {
    QTest::addColumn<QString>("folder");  // relative to the temporary folder, or absolute
    QTest::addColumn<QString>("message");
    QTest::newRow("under a regular file") << "data.bin/out" << QString();
    QTest::newRow("empty name") << ""
                                << "Unable to create directory.";
  }

  void saveIntoAnImpossibleFolder() {
    QFETCH(QString, folder);
    QFETCH(QString, message);
    WindowUnderTest w;
    QVERIFY(writeBytes(w.path("data.bin"), sampleData(300)));
    const QString chosen = folder.isEmpty() ? folder : w.path(folder);
    w.run("packI", w.path("data.bin"), chosen);
    QCOMPARE(w.dialogs.messages.size(), std::size_t{1});
    QCOMPARE(w.dialogs.messages[0].caption, QStringLiteral("Ravlin"));
    QCOMPARE(w.dialogs.messages[0].kind, MessageKind::kError);
    if (!message.isEmpty()) {
      QCOMPARE(w.dialogs.messages[0].text, message);
    } else {
      QVERIFY(w.dialogs.messages[0].text.endsWith(QLatin1Char('.')));
    }
    // The folder text stays as the chooser gave it; nothing was written.
    QCOMPARE(w.form.OutputPath, chosen);
    QCOMPARE(entriesOf(w.dir.path()), QStringList{"data.bin"});
    QVERIFY(w.form.PageControl1->isEnabled());
  }

  void outputNaming_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("output");
    QTest::newRow("plain") << "font.bin"
                           << "packI"
                           << "font.pack1";
    QTest::newRow("packed input") << "font.pack1"
                                  << "unpackI"
                                  << "font.unpack1";
    QTest::newRow("no extension") << "tiles"
                                  << "packII"
                                  << "tiles.pack2";
    QTest::newRow("extension inside") << "map.bins.bin"
                                      << "packI"
                                      << "map.bins.pack1";
    QTest::newRow("other case inside") << "logo.BIN.bin"
                                       << "packI"
                                       << "logo.BIN.pack1";
    QTest::newRow("hidden file") << ".bin"
                                 << "packII"
                                 << ".bin.pack2";
    QTest::newRow("extension twice inside") << "x.b.binin.bin"
                                            << "packI"
                                            << "x.b.binin.pack1";
    QTest::newRow("doubled extension") << "a.bin.bin"
                                       << "unpackII"
                                       << "a.bin.unpack2";
  }

  void outputNaming() {
    QFETCH(QString, input);
    QFETCH(QString, command);
    QFETCH(QString, output);
    WindowUnderTest w;
    const Command c = commandOf(w.form, command);
    const QByteArray data = sampleData(200);
    QVERIFY(writeBytes(w.path(input), c.packing ? data : packed(c.method, data)));
    const QString out = w.path("out");
    QVERIFY(QDir().mkpath(out));
    w.run(command, w.path(input), out);
    QCOMPARE(w.dialogs.texts(), QStringList{"Done!"});
    QCOMPARE(entriesOf(out), QStringList{output});
  }

  void namesThatShareAStemDoNotOverwriteEachOther() {
    WindowUnderTest w;
    QVERIFY(writeBytes(w.path("a.bin"), sampleData(100)));
    QVERIFY(writeBytes(w.path("a.bin.bin"), sampleData(300)));
    const QString out = w.path("out");
    QVERIFY(QDir().mkpath(out));
    w.run("packI", w.path("a.bin"), out);
    w.run("packI", w.path("a.bin.bin"), out);
    QCOMPARE(entriesOf(out), (QStringList{"a.bin.pack1", "a.pack1"}));
    QCOMPARE(readBytes(out + "/a.pack1"), packed(ravlin::Method::kI, sampleData(100)));
    QCOMPARE(readBytes(out + "/a.bin.pack1"), packed(ravlin::Method::kI, sampleData(300)));
  }

  void errorReportText_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "File not found"
                            << "File not found.";
    QTest::newRow("digit") << "I/O error 32"
                           << "I/O error 32.";
    QTest::newRow("full stop") << "Done."
                               << "Done.";
    QTest::newRow("exclamation, sorts before") << "Stop!"
                                               << "Stop!";
    QTest::newRow("comma, sorts before") << "a,"
                                         << "a,";
    QTest::newRow("slash, sorts after") << "in /tmp/"
                                        << "in /tmp/.";
    QTest::newRow("closing bracket, sorts before") << "Cannot open (x)"
                                                   << "Cannot open (x)";
    QTest::newRow("non-ASCII") << QString::fromUtf8("Ошибка") << QString::fromUtf8("Ошибка.");
    QTest::newRow("empty") << ""
                           << "";
  }

  void errorReportText() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(::errorReportText(message), shown);
  }
};

QTEST_MAIN(CommandsTest)
#include "commands_test.moc"
