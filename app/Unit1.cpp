// The main window: the packer, unpacker and "Source code" pages, the About box, the pack and
// unpack commands with their save step, and the process-wide state they share.
#include "Unit1.h"

#include <exception>
#include <stdexcept>
#include <tuple>
#include <utility>

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QTabBar>
#include <QTabWidget>

#include "Dialogs.h"
#include "ErrorReport.h"
#include "FrameCentring.h"
#include "GroupBoxStyle.h"
#include "PageHost.h"
#include "ReadOnlyMemo.h"
#include "SourceFiles.h"
#include "TXiButton.h"
#include "TXiPanel.h"
#include "ravlin/file_system.h"
#include "ravlin/naming.h"

namespace {

constexpr int kClientWidth = 304;
constexpr int kClientHeight = 141;

const QString kOddSizeText =
    QStringLiteral("The file has an odd size. The current compression method is not available.");

std::string toLocalPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

QString fromLocalPath(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

// Tabs as wide as their text and a small margin, so that the three tabs leave the right end of the
// tab row free for the About button, as on the classic page control.
class CompactTabStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;

  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    if (metric == PM_TabBarTabHSpace) return kTabTextMargin;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }

 private:
  static constexpr int kTabTextMargin = 10;
};

template <typename Widget>
Widget* place(Widget* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(QLatin1String(name));
  widget->setGeometry(left, top, width, height);
  return widget;
}

TXiButton* makeButton(QWidget* parent, const char* name, QRect rect, const QString& text,
                      XiButton::TColorScheme scheme) {
  auto* button =
      place(new TXiButton(parent), name, rect.x(), rect.y(), rect.width(), rect.height());
  button->setCaption(text);
  button->setColorScheme(scheme);
  return button;
}

TXiPanel* makeBar(QWidget* parent, const char* name) {
  auto* bar = place(new TXiPanel(parent), name, 6, 16, 200, 34);
  bar->setColorScheme(XiPanel::csRose);
  bar->setFillDirection(XiPanel::fdVertical);
  bar->setCaption(QStringLiteral("100%"));
  return bar;
}

}  // namespace

// Disables the page control for exactly as long as an engine routine runs, also when it fails.
class TForm1::EngineRun {
 public:
  explicit EngineRun(QTabWidget* pageControl) : pageControl_(pageControl) {
    pageControl_->setEnabled(false);
  }
  EngineRun(const EngineRun&) = delete;
  EngineRun& operator=(const EngineRun&) = delete;
  ~EngineRun() { pageControl_->setEnabled(true); }

 private:
  QTabWidget* pageControl_;
};

TForm1::TForm1(Dialogs& dialogs, ravlin::FileSystem& fs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      fs_(fs),
      engine_(fs) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Ravlin (v1.4)"));
  setFixedSize(kClientWidth, kClientHeight);
  setBackgroundRole(QPalette::Window);
  setAutoFillBackground(true);
  createControls();
  packerHost_ = std::make_unique<PageHost>(LabeledEdit3, XiPanel4);
  unpackerHost_ = std::make_unique<PageHost>(LabeledEdit5, XiPanel5);
  connectHandlers();
  new FrameCentring(this);
  FormCreate();
}

TForm1::~TForm1() = default;

// The controls are created in their tab order, which Qt's focus chain follows.
void TForm1::createControls() {
  PageControl1 = place(new QTabWidget(this), "PageControl1", 0, 0, 305, 140);
  // Short tabs side by side; the About button covers the free end of the tab row.
  PageControl1->setUsesScrollButtons(false);
  PageControl1->setElideMode(Qt::ElideNone);
  auto* tabStyle = new CompactTabStyle(QStyleFactory::create(style()->name()));
  tabStyle->setParent(PageControl1);
  PageControl1->tabBar()->setStyle(tabStyle);

  // The bars lie 16 pixels down in their groups: the frame line runs through the title, above them.
  auto* groupStyle = new GroupBoxStyle(QStyleFactory::create(style()->name()));
  groupStyle->setParent(PageControl1);

  const auto makePage = [this](const char* name, const QString& title) {
    auto* page = new QWidget;
    page->setObjectName(QLatin1String(name));
    PageControl1->addTab(page, title);
    return page;
  };
  const auto makeInput = [](QWidget* page, const char* name, const char* labelName) {
    auto* field = place(new QLineEdit(page), name, 3, 17, 212, 21);
    field->setReadOnly(true);
    // The caption label sits above the field, at its left edge.
    auto* label = place(new QLabel(QStringLiteral("Open file"), page), labelName, 3, 3, 212, 13);
    label->setBuddy(field);
    return std::pair{label, field};
  };

  TabSheet4 = makePage("TabSheet4", QStringLiteral("Packer (I / II)"));
  std::tie(LabeledEdit3Label, LabeledEdit3) =
      makeInput(TabSheet4, "LabeledEdit3", "LabeledEdit3Label");
  XiButton8 = makeButton(TabSheet4, "XiButton8", {220, 13, 75, 25}, QStringLiteral("Browse"),
                         XiButton::csNeoGrass);
  XiButton9 = makeButton(TabSheet4, "XiButton9", {220, 50, 75, 25}, QStringLiteral("Start (I)"),
                         XiButton::csNeoSky);
  XiButton9->setEnabled(false);
  XiButton9->setToolTip(QStringLiteral("Effective for (1-8) bpp image format"));
  GroupBox4 = place(new QGroupBox(QStringLiteral("Compression ratio"), TabSheet4), "GroupBox4", 3,
                    46, 212, 60);
  GroupBox4->setStyle(groupStyle);
  XiPanel4 = makeBar(GroupBox4, "XiPanel4");
  XiButton1 = makeButton(TabSheet4, "XiButton1", {220, 81, 75, 25}, QStringLiteral("Start (II)"),
                         XiButton::csNeoSky);
  XiButton1->setEnabled(false);
  XiButton1->setToolTip(QStringLiteral("Effective for 15bpp image format"));

  TabSheet5 = makePage("TabSheet5", QStringLiteral("Unpacker (I / II)"));
  std::tie(LabeledEdit5Label, LabeledEdit5) =
      makeInput(TabSheet5, "LabeledEdit5", "LabeledEdit5Label");
  XiButton10 = makeButton(TabSheet5, "XiButton10", {220, 13, 75, 25}, QStringLiteral("Browse"),
                          XiButton::csNeoGrass);
  GroupBox5 = place(new QGroupBox(QStringLiteral("Decompression progress"), TabSheet5), "GroupBox5",
                    3, 46, 212, 60);
  GroupBox5->setStyle(groupStyle);
  XiPanel5 = makeBar(GroupBox5, "XiPanel5");
  XiButton11 = makeButton(TabSheet5, "XiButton11", {220, 50, 75, 25}, QStringLiteral("Start (I)"),
                          XiButton::csNeoSky);
  XiButton11->setEnabled(false);
  XiButton2 = makeButton(TabSheet5, "XiButton2", {220, 81, 75, 25}, QStringLiteral("Start (II)"),
                         XiButton::csNeoSky);
  XiButton2->setEnabled(false);

  TabSheet1 = makePage("TabSheet1", QStringLiteral("Source code"));
  ComboBox1 = place(new QComboBox(TabSheet1), "ComboBox1", 3, 3, 291, 21);
  Memo1 = place(new ReadOnlyMemo(TabSheet1), "Memo1", 3, 27, 291, 72);

  // Created last, so it lies over the tab row of the page control and stays live when the page
  // control is disabled.
  XiButton5 = makeButton(this, "XiButton5", {252, 1, 49, 17}, QStringLiteral("About"),
                         XiButton::csNeoSilver);

  PageControl1->setCurrentWidget(TabSheet4);
}

void TForm1::connectHandlers() {
  connect(XiButton8, &TXiButton::clicked, this, &TForm1::XiButton8Click);
  connect(XiButton9, &TXiButton::clicked, this, &TForm1::XiButton9Click);
  connect(XiButton1, &TXiButton::clicked, this, &TForm1::XiButton1Click);
  connect(XiButton10, &TXiButton::clicked, this, &TForm1::XiButton10Click);
  connect(XiButton11, &TXiButton::clicked, this, &TForm1::XiButton11Click);
  connect(XiButton2, &TXiButton::clicked, this, &TForm1::XiButton2Click);
  connect(XiButton5, &TXiButton::clicked, this, &TForm1::XiButton5Click);
  connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
    if (PageControl1->widget(index) == TabSheet1) TabSheet1Show();
  });
  // activated() comes from the user only; a selection made in code does not load a file.
  connect(ComboBox1, &QComboBox::activated, this, &TForm1::ComboBox1Change);
}

void TForm1::FormCreate() {
  // Qt paints every widget through a back buffer already; nothing to switch on for that.
  XiPanel4->setToolTip(XiPanel4->Caption());
  StartupFolder = QDir::currentPath();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
  // Arrow keys that no control took move the focus, as in a dialog: right and down to the next
  // control, left and up to the previous one.
  if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
    switch (event->key()) {
      case Qt::Key_Right:
      case Qt::Key_Down:
        focusNextChild();
        return;
      case Qt::Key_Left:
      case Qt::Key_Up:
        focusPreviousChild();
        return;
      default:
        break;
    }
  }
  QWidget::keyPressEvent(event);
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!commandActive_) {
    event->accept();
    return;
  }
  // A run cannot be stopped: it goes on to its end, its save step is skipped, and the program
  // ends with the command.
  closeRequested_ = true;
  event->ignore();
  hide();
}

void TForm1::XiButton8Click() {
  browse(LabeledEdit3, XiButton9, XiButton1);
}
void TForm1::XiButton10Click() {
  browse(LabeledEdit5, XiButton11, XiButton2);
}
void TForm1::XiButton9Click() {
  pack(&ravlin::Engine::PackI, ravlin::Method::kI);
}
void TForm1::XiButton1Click() {
  pack(&ravlin::Engine::PackII, ravlin::Method::kII);
}
void TForm1::XiButton11Click() {
  unpack(&ravlin::Engine::UnpackI, ravlin::Method::kI);
}
void TForm1::XiButton2Click() {
  unpack(&ravlin::Engine::UnpackII, ravlin::Method::kII);
}

void TForm1::browse(QLineEdit* field, TXiButton* startI, TXiButton* startII) {
  const std::optional<QString> chosen = dialogs_.openFile(this, lastChosenFile_);
  if (!chosen) return;
  lastChosenFile_ = *chosen;
  field->setText(*chosen);
  startI->setEnabled(true);
  startII->setEnabled(true);
}

void TForm1::pack(Routine routine, ravlin::Method method) {
  guarded([&] {
    if (engine_.GetInputSize(*packerHost_) & 1) {
      dialogs_.showMessage(this, MessageKind::kError, QStringLiteral("Error"), kOddSizeText);
      return;
    }
    {
      const EngineRun run(PageControl1);
      (engine_.*routine)(*packerHost_);
    }
    XiPanel4->setToolTip(XiPanel4->Caption());
    OutputSuffix = QString::fromLatin1(ravlin::outputSuffix(method, true));
    SaveOutput();
  });
}

void TForm1::unpack(Routine routine, ravlin::Method method) {
  guarded([&] {
    {
      const EngineRun run(PageControl1);
      (engine_.*routine)(*unpackerHost_);
    }
    OutputSuffix = QString::fromLatin1(ravlin::outputSuffix(method, false));
    SaveOutput();
  });
}

void TForm1::SaveOutput() {
  QCoreApplication::processEvents();
  // Once the window has been closed, the chooser counts as cancelled.
  if (closeRequested_) return;
  const std::optional<QString> chosen = dialogs_.chooseFolder(this, OutputPath);
  if (!chosen) return;
  OutputPath = *chosen;
  if (OutputPath.isEmpty()) throw std::runtime_error("Unable to create directory");
  const std::string folder = toLocalPath(OutputPath);
  ravlin::makeDirectories(fs_, folder);
  const std::string target =
      ravlin::outputPath(folder, engine_.currentInputPath(), toLocalPath(OutputSuffix));
  OutputPath = fromLocalPath(target);
  // Either the whole new file or, on failure, the old one stays: never a half-written file.
  ravlin::writeFileAtomically(fs_, target, engine_.outputBuffer().bytes());
  dialogs_.showMessage(this, MessageKind::kInformation, QStringLiteral("Information"),
                       QStringLiteral("Done!"));
}

QString TForm1::aboutText() {
  // Lines end with a line feed, the line break that Qt's message box knows.
  return QStringList{
      QStringLiteral("A compilation of utilities for simple packing / unpacking"),
      QStringLiteral("graphics data (1bpp - 15bpp)."),
      QStringLiteral("Effective only when many bytes are repeated in a row."),
      QString(60, QLatin1Char('_')),
      QStringLiteral("Ravlin 1.4 for Qt 6: free to use, share and take apart. Have fun!"),
  }
      .join(QLatin1Char('\n'));
}

void TForm1::XiButton5Click() {
  // Opened during a run, the box holds the run until it is closed, since the run's event
  // processing is what shows it.
  dialogs_.showMessage(this, MessageKind::kConfirmation, QStringLiteral("Confirm"), aboutText());
}

void TForm1::TabSheet1Show() {
  ComboBox1->clear();
  Memo1->clear();
  const QList<SourceFile> files = findSourceFiles(StartupFolder);
  if (files.isEmpty()) return;
  SourcePaths.clear();
  for (const SourceFile& file : files) {
    ComboBox1->addItem(file.displayName);
    SourcePaths.append(file.path);
  }
  ComboBox1->setCurrentIndex(0);
  showSourceFile(SourcePaths.first());
}

void TForm1::ComboBox1Change() {
  if (ComboBox1->count() == 0) return;
  Memo1->clear();
  showSourceFile(SourcePaths.at(ComboBox1->currentIndex()));
}

void TForm1::showSourceFile(const QString& path) {
  guarded([&] { Memo1->setPlainText(readSourceText(fs_, path)); });
}

template <typename Command>
void TForm1::guarded(Command&& command) {
  commandActive_ = true;
  try {
    command();
  } catch (const std::exception& error) {
    // After the window was closed nobody is there to read the report.
    if (!closeRequested_) reportError(QString::fromUtf8(error.what()));
  }
  commandActive_ = false;
  if (closeRequested_) QCoreApplication::quit();
}

void TForm1::reportError(const QString& message) {
  dialogs_.showMessage(this, MessageKind::kError, QGuiApplication::applicationDisplayName(),
                       errorReportText(message));
}
