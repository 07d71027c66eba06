// Drives the window's commands in tests: sample data, the four Start commands and their pages.
#pragma once

#include <cerrno>
#include <optional>

#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "HookedFileSystem.h"
#include "ScriptedDialogs.h"
#include "TXiButton.h"
#include "Unit1.h"
#include "ravlin/engine.h"

// Bytes of a graphics-like picture: long runs of one value between short literal stretches.
inline QByteArray sampleData(int size) {
  QByteArray bytes;
  bytes.reserve(size);
  for (int i = 0; bytes.size() < size; ++i) {
    const char value = static_cast<char>(i * 37);
    bytes.append(i % 3 == 0 ? 40 + i % 7 : 3, value);
    bytes.append(static_cast<char>(i));
  }
  bytes.truncate(size);
  return bytes;
}

inline std::span<const std::uint8_t> spanOf(const QByteArray& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
          static_cast<std::size_t>(bytes.size())};
}

inline QByteArray toBytes(const ravlin::ByteBuffer& buffer) {
  return QByteArray(reinterpret_cast<const char*>(buffer.data()),
                    static_cast<qsizetype>(buffer.size()));
}

inline QByteArray packed(ravlin::Method method, const QByteArray& input) {
  ravlin::ByteBuffer out;
  ravlin::QuietHost quiet;
  ravlin::pack(method, spanOf(input), out, quiet);
  return toBytes(out);
}

// One of the four Start commands: its page, its Browse button and its Start button.
struct Command {
  QWidget* page;
  TXiButton* browse;
  TXiButton* start;
  bool packing;
  ravlin::Method method;
};

// "packI", "packII", "unpackI" or "unpackII".
inline Command commandOf(const TForm1& form, const QString& name) {
  if (name == QLatin1String("packI")) {
    return {form.TabSheet4, form.XiButton8, form.XiButton9, true, ravlin::Method::kI};
  }
  if (name == QLatin1String("packII")) {
    return {form.TabSheet4, form.XiButton8, form.XiButton1, true, ravlin::Method::kII};
  }
  if (name == QLatin1String("unpackI")) {
    return {form.TabSheet5, form.XiButton10, form.XiButton11, false, ravlin::Method::kI};
  }
  return {form.TabSheet5, form.XiButton10, form.XiButton2, false, ravlin::Method::kII};
}

// A shown window on a scripted seam and a hooked file layer, with a temporary folder.
struct WindowUnderTest {
  QTemporaryDir dir;
  ScriptedDialogs dialogs;
  HookedFileSystem fs;
  TForm1 form{dialogs, fs};

  WindowUnderTest() {
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) qWarning("window not exposed");
  }

  QString path(const QString& name) const { return dir.filePath(name); }

  // Clicks a button the way a user does.
  static void click(TXiButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

  // Picks `input` with the page's Browse button.
  void browse(const Command& command, const QString& input) {
    form.PageControl1->setCurrentWidget(command.page);
    dialogs.openAnswers.push_back(input);
    click(command.browse);
  }

  // Browse to `input`, then Start, with `folder` as the chooser's answer (nothing: Cancel).
  void run(const QString& name, const QString& input, std::optional<QString> folder) {
    const Command command = commandOf(form, name);
    browse(command, input);
    dialogs.folderAnswers.push_back(std::move(folder));
    click(command.start);
  }
};
