// The main window: the packer, unpacker and "Source code" pages, the About box, the pack and
// unpack commands with their save step, and the process-wide state they share.
#pragma once

#include <memory>

#include <QString>
#include <QStringList>
#include <QWidget>

#include "ravlin/engine.h"

class Dialogs;
class PageHost;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTabWidget;
class ReadOnlyMemo;
class TXiButton;
class TXiPanel;

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  // Every dialog goes through `dialogs`; every file through `fs`.
  explicit TForm1(Dialogs& dialogs, ravlin::FileSystem& fs = ravlin::FileSystem::system(),
                  QWidget* parent = nullptr);
  ~TForm1() override;

  // The controls, named as in the window's layout. Qt's parent chain owns them.
  QTabWidget* PageControl1;
  QWidget* TabSheet4;
  QLabel* LabeledEdit3Label;
  QLineEdit* LabeledEdit3;
  TXiButton* XiButton8;
  TXiButton* XiButton9;
  QGroupBox* GroupBox4;
  TXiPanel* XiPanel4;
  TXiButton* XiButton1;
  QWidget* TabSheet5;
  QLabel* LabeledEdit5Label;
  QLineEdit* LabeledEdit5;
  TXiButton* XiButton10;
  QGroupBox* GroupBox5;
  TXiPanel* XiPanel5;
  TXiButton* XiButton11;
  TXiButton* XiButton2;
  QWidget* TabSheet1;
  QComboBox* ComboBox1;
  ReadOnlyMemo* Memo1;
  TXiButton* XiButton5;

  // The state the commands share for the life of the program.
  QString OutputPath;       // the last folder chosen, then the full path of the file written last
  QString OutputSuffix;     // ".pack1", ".pack2", ".unpack1" or ".unpack2"
  QString StartupFolder;    // the current folder when the window was created
  QStringList SourcePaths;  // the path of each "Source code" entry, index for index

  // The output buffer and the current input path of the last run.
  const ravlin::Engine& engine() const noexcept { return engine_; }

  // Control handlers.
  void FormCreate();
  void XiButton8Click();   // Browse, packer page
  void XiButton9Click();   // Start (I), packer page
  void XiButton1Click();   // Start (II), packer page
  void XiButton10Click();  // Browse, unpacker page
  void XiButton11Click();  // Start (I), unpacker page
  void XiButton2Click();   // Start (II), unpacker page
  void XiButton5Click();   // About
  void TabSheet1Show();
  void ComboBox1Change();

  // Lets the user pick a folder and writes the output buffer there; throws on failure.
  void SaveOutput();

  // The About box's text.
  static QString aboutText();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  class EngineRun;
  using Routine = void (ravlin::Engine::*)(ravlin::Host&);

  void createControls();
  void connectHandlers();
  void browse(QLineEdit* field, TXiButton* startI, TXiButton* startII);
  void pack(Routine routine, ravlin::Method method);
  void unpack(Routine routine, ravlin::Method method);
  void showSourceFile(const QString& path);
  // Runs a command; a failure ends it and goes to the error report.
  template <typename Command>
  void guarded(Command&& command);
  void reportError(const QString& message);

  Dialogs& dialogs_;
  ravlin::FileSystem& fs_;
  ravlin::Engine engine_;
  std::unique_ptr<PageHost> packerHost_;
  std::unique_ptr<PageHost> unpackerHost_;
  QString lastChosenFile_;
  // A command is under way: the events that its run and its save step let through may ask to
  // close the window, which then waits for the command's end.
  bool commandActive_ = false;
  bool closeRequested_ = false;
};
