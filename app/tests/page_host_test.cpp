// Tests of the window's engine host: input path, throttled event handling and bar updates.
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <string>
#include <vector>

#include "PageHost.h"
#include "TXiPanel.h"
#include "ravlin/datagen.h"
#include "ravlin/engine.h"

namespace {

// Counts the events posted to it that have been delivered.
class Receiver : public QObject {
 public:
  int delivered = 0;
  bool event(QEvent* e) override {
    if (e->type() != QEvent::User) return QObject::event(e);
    ++delivered;
    return true;
  }
};

// Counts the times a widget is painted.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// Keeps the last bar update of a run that reports every block.
class LastUpdate : public ravlin::QuietHost {
 public:
  using QuietHost::QuietHost;
  std::string caption;
  int width = -1;
  void setBarCaption(const std::string& text) override { caption = text; }
  void setBarWidth(int pixels) override { width = pixels; }
  ravlin::Reporting reporting() const override { return ravlin::Reporting::kEveryBlock; }
};

}  // namespace

class PageHostTest : public QObject {
  Q_OBJECT

 private slots:
  void inputPathIsFieldTextInFileNameEncoding_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("plain") << QStringLiteral("/tmp/font.bin") << QByteArray("/tmp/font.bin");
    QTest::newRow("non-ASCII") << QStringLiteral("/tmp/Gr\u00fc\u00dfe.bin")
                               << QByteArray(
                                      "/tmp/Gr\xc3\xbc\xc3\x9f"
                                      "e.bin");
    QTest::newRow("spaces kept") << QStringLiteral(" a b ") << QByteArray(" a b ");
    QTest::newRow("empty") << QString() << QByteArray();
  }
  void inputPathIsFieldTextInFileNameEncoding() {
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QLineEdit field(QStringLiteral("/before"));
    TXiPanel bar;
    PageHost host(&field, &bar);
    // The field is read when the run asks, not when the host is made.
    field.setText(text);
    QCOMPARE(QByteArray::fromStdString(host.inputPath()), expected);
  }

  void eventsHandledOnlyAfterInterval() {
    qint64 now = 0;
    QLineEdit field;
    TXiPanel bar;
    PageHost host(&field, &bar, [&now] { return now; });
    Receiver receiver;
    int posted = 0;
    // Each step: the clock's time at the call, and whether pending events are handled then.
    const struct {
      qint64 at;
      bool handled;
    } steps[] = {
        {0, true},                             // the first call always handles them
        {0, false},  {14, false}, {15, true},  // 15 ms after the last round
        {16, false}, {29, false}, {30, true}, {1000, true}, {1001, false}, {1015, true},
    };
    for (const auto& step : steps) {
      now = step.at;
      QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
      ++posted;
      host.processEvents();
      QVERIFY2((receiver.delivered == posted) == step.handled,
               qPrintable(QStringLiteral("at %1 ms").arg(step.at)));
    }
  }

  void realClockHandlesFirstCall() {
    QLineEdit field;
    TXiPanel bar;
    PageHost host(&field, &bar);
    Receiver receiver;
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    host.processEvents();
    QCOMPARE(receiver.delivered, 1);
  }

  void captionSetOnlyWhenChanged() {
    QLineEdit field;
    TXiPanel bar;
    bar.setCaption(QStringLiteral("100%"));
    bar.resize(200, 34);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    PaintCounter counter;
    bar.installEventFilter(&counter);
    PageHost host(&field, &bar);
    const auto settle = [&counter] {
      QCoreApplication::processEvents();
      return std::exchange(counter.paints, 0);
    };
    settle();

    // The first caption is applied even when the bar already shows it.
    host.setBarCaption("100%");
    QCOMPARE(settle(), 1);
    host.setBarCaption("100%");
    QCOMPARE(settle(), 0);

    host.setBarCaption("37%");
    QCOMPARE(bar.Caption(), QStringLiteral("37%"));
    QCOMPARE(settle(), 1);
    // Unchanged from what this host set last: no work, even if the bar was changed meanwhile.
    bar.setCaption(QStringLiteral("other"));
    settle();
    host.setBarCaption("37%");
    QCOMPARE(bar.Caption(), QStringLiteral("other"));
    QCOMPARE(settle(), 0);
    host.setBarCaption("-12%");
    QCOMPARE(bar.Caption(), QStringLiteral("-12%"));
    host.setBarCaption("37%");
    QCOMPARE(bar.Caption(), QStringLiteral("37%"));
  }

  void widthSetOnlyWhenChangedKeepingHeight() {
    QLineEdit field;
    TXiPanel bar;
    bar.resize(200, 34);
    PageHost host(&field, &bar);
    constexpr int kBehindItsBack = -1;  // resize the bar to 50 without the host
    const struct {
      int set;
      int expectedWidth;
    } steps[] = {
        {80, 80},
        {kBehindItsBack, 50},
        {80, 50},  // unchanged for the host: bar left alone
        {82, 82},
        {400, 400},
        {kBehindItsBack, 50},
        {400, 50},
        {0, 0},
        {2, 2},
    };
    for (const auto& step : steps) {
      if (step.set == kBehindItsBack) {
        bar.resize(50, 34);
      } else {
        host.setBarWidth(step.set);
      }
      QCOMPARE(bar.width(), step.expectedWidth);
      QCOMPARE(bar.height(), 34);
    }
  }

  void packRunEndsBarWhereEveryBlockRunDoes_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("wordUnits");
    QTest::newRow("sprites, method I") << 300000 << false;
    QTest::newRow("sprites, method II") << 300000 << true;
    QTest::newRow("small odd size, method I") << 4097 << false;
  }
  void packRunEndsBarWhereEveryBlockRunDoes() {
    QFETCH(int, size);
    QFETCH(bool, wordUnits);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("sprites.bin"));
    const std::vector<std::uint8_t> bytes =
        ravlin::datagen::spriteBytes(static_cast<std::size_t>(size), 7);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(reinterpret_cast<const char*>(bytes.data()), size), qint64{size});
    file.close();

    LastUpdate expected(QFile::encodeName(path).toStdString());
    ravlin::Engine reference;
    wordUnits ? reference.PackII(expected) : reference.PackI(expected);

    QLineEdit field(path);
    TXiPanel bar;
    bar.setCaption(QStringLiteral("100%"));
    bar.resize(200, 34);
    PageHost host(&field, &bar);
    ravlin::Engine engine;
    wordUnits ? engine.PackII(host) : engine.PackI(host);
    QCOMPARE(engine.currentInputPath(), expected.inputPath());
    QCOMPARE(bar.Caption(), QString::fromStdString(expected.caption));
    QCOMPARE(bar.width(), expected.width);
    QCOMPARE(bar.height(), 34);
    QVERIFY(engine.outputBuffer().bytes().size() > 1);
  }
};

QTEST_MAIN(PageHostTest)
#include "page_host_test.moc"
