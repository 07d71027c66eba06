// The main window as it opens: every control's place, text and state, the tooltips, the tab
// order, the window's frame, font and icon.
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTabWidget>
#include <QtTest>

#include "Application.h"
#include "ReadOnlyMemo.h"
#include "ScriptedDialogs.h"
#include "TXiButton.h"
#include "TXiPanel.h"
#include "Unit1.h"

namespace {

// The text a control shows: a page's tab, a group's title, a button's or a bar's caption.
QString textOf(const TForm1& form, QWidget* widget) {
  if (const int tab = form.PageControl1->indexOf(widget); tab >= 0) {
    return form.PageControl1->tabText(tab);
  }
  if (auto* button = qobject_cast<TXiButton*>(widget)) return button->Caption();
  if (auto* bar = qobject_cast<TXiPanel*>(widget)) return bar->Caption();
  if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* field = qobject_cast<QLineEdit*>(widget)) return field->text();
  if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) return memo->toPlainText();
  return {};
}

// A page's parent is the page control (through its page stack); other controls have their own.
QString parentNameOf(const TForm1& form, QWidget* widget) {
  if (form.PageControl1->indexOf(widget) >= 0) return form.PageControl1->objectName();
  return widget->parentWidget() ? widget->parentWidget()->objectName() : QString();
}

}  // namespace

class WindowLayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { setUpApplication(); }

  void controls_data() {
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry");  // a null rectangle for pages, placed by the control
    QTest::addColumn<QString>("text");

    const auto row = [](const char* name, const char* type, const char* parent, QRect rect,
                        const char* text) {
      QTest::newRow(name) << QString::fromLatin1(type) << QString::fromLatin1(parent) << rect
                          << QString::fromLatin1(text);
    };
    row("PageControl1", "QTabWidget", "Form1", {0, 0, 305, 140}, "");
    row("TabSheet4", "QWidget", "PageControl1", {}, "Packer (I / II)");
    row("LabeledEdit3", "QLineEdit", "TabSheet4", {3, 17, 212, 21}, "");
    row("LabeledEdit3Label", "QLabel", "TabSheet4", {3, 3, 212, 13}, "Open file");
    row("XiButton8", "TXiButton", "TabSheet4", {220, 13, 75, 25}, "Browse");
    row("XiButton9", "TXiButton", "TabSheet4", {220, 50, 75, 25}, "Start (I)");
    row("GroupBox4", "QGroupBox", "TabSheet4", {3, 46, 212, 60}, "Compression ratio");
    row("XiPanel4", "TXiPanel", "GroupBox4", {6, 16, 200, 34}, "100%");
    row("XiButton1", "TXiButton", "TabSheet4", {220, 81, 75, 25}, "Start (II)");
    row("TabSheet5", "QWidget", "PageControl1", {}, "Unpacker (I / II)");
    row("LabeledEdit5", "QLineEdit", "TabSheet5", {3, 17, 212, 21}, "");
    row("LabeledEdit5Label", "QLabel", "TabSheet5", {3, 3, 212, 13}, "Open file");
    row("XiButton10", "TXiButton", "TabSheet5", {220, 13, 75, 25}, "Browse");
    row("GroupBox5", "QGroupBox", "TabSheet5", {3, 46, 212, 60}, "Decompression progress");
    row("XiPanel5", "TXiPanel", "GroupBox5", {6, 16, 200, 34}, "100%");
    row("XiButton11", "TXiButton", "TabSheet5", {220, 50, 75, 25}, "Start (I)");
    row("XiButton2", "TXiButton", "TabSheet5", {220, 81, 75, 25}, "Start (II)");
    row("TabSheet1", "QWidget", "PageControl1", {}, "Source code");
    row("ComboBox1", "QComboBox", "TabSheet1", {3, 3, 291, 21}, "");
    row("Memo1", "QPlainTextEdit", "TabSheet1", {3, 27, 291, 72}, "");
    row("XiButton5", "TXiButton", "Form1", {252, 1, 49, 17}, "About");
  }

  void controls() {
    QFETCH(QString, className);
    QFETCH(QString, parent);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    ScriptedDialogs dialogs;
    TForm1 form(dialogs);
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    auto* widget = form.findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable(name));
    QVERIFY2(widget->inherits(className.toLatin1().constData()), widget->metaObject()->className());
    QCOMPARE(parentNameOf(form, widget), parent);
    if (!geometry.isNull()) QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(textOf(form, widget), text);
    // Every control uses the window's font.
    QCOMPARE(widget->font(), form.font());
  }

  void pagesInOrder() {
    ScriptedDialogs dialogs;
    TForm1 form(dialogs);
    QCOMPARE(form.PageControl1->count(), 3);
    QCOMPARE(form.PageControl1->widget(0), form.TabSheet4);
    QCOMPARE(form.PageControl1->widget(1), form.TabSheet5);
    QCOMPARE(form.PageControl1->widget(2), form.TabSheet1);
    QCOMPARE(form.PageControl1->currentWidget(), form.TabSheet4);
  }

  void startState() {
    ScriptedDialogs dialogs;
    TForm1 form(dialogs);
    for (QLineEdit* field : {form.LabeledEdit3, form.LabeledEdit5}) {
      QVERIFY(field->isReadOnly());
      QVERIFY(field->text().isEmpty());
    }
    for (TXiButton* start : {form.XiButton9, form.XiButton1, form.XiButton11, form.XiButton2}) {
      QVERIFY2(!start->isEnabled(), qPrintable(start->objectName()));
    }
    for (TXiButton* live : {form.XiButton8, form.XiButton10, form.XiButton5}) {
      QVERIFY2(live->isEnabled(), qPrintable(live->objectName()));
    }
    QVERIFY(form.PageControl1->isEnabled());
    QCOMPARE(form.ComboBox1->count(), 0);
    QVERIFY(!form.ComboBox1->isEditable());
    QVERIFY(form.Memo1->toPlainText().isEmpty());
    QVERIFY(form.SourcePaths.isEmpty());
    QVERIFY(form.OutputPath.isEmpty());
    QVERIFY(form.OutputSuffix.isEmpty());
    QCOMPARE(form.StartupFolder, QDir::currentPath());
    QVERIFY(form.engine().outputBuffer().empty());
  }

  void onlyThreeControlsShowTooltips() {
    ScriptedDialogs dialogs;
    TForm1 form(dialogs);
    QMap<QString, QString> tips;
    for (QWidget* widget : form.findChildren<QWidget*>()) {
      if (!widget->toolTip().isEmpty()) tips.insert(widget->objectName(), widget->toolTip());
    }
    QCOMPARE(form.toolTip(), QString());
    const QMap<QString, QString> expected{
        {QStringLiteral("XiButton9"), QStringLiteral("Effective for (1-8) bpp image format")},
        {QStringLiteral("XiButton1"), QStringLiteral("Effective for 15bpp image format")},
        {QStringLiteral("XiPanel4"), QStringLiteral("100%")},
    };
    QCOMPARE(tips, expected);
  }

  void buttonSchemes_data() {
    QTest::addColumn<int>("scheme");
    QTest::newRow("XiButton8") << int{XiButton::csNeoGrass};
    QTest::newRow("XiButton9") << int{XiButton::csNeoSky};
    QTest::newRow("XiButton1") << int{XiButton::csNeoSky};
    QTest::newRow("XiButton10") << int{XiButton::csNeoGrass};
    QTest::newRow("XiButton11") << int{XiButton::csNeoSky};
    QTest::newRow("XiButton2") << int{XiButton::csNeoSky};
    QTest::newRow("XiButton5") << int{XiButton::csNeoSilver};
  }

  void buttonSchemes() {
    QFETCH(int, scheme);
    ScriptedDialogs dialogs;
    TForm1 form(dialogs);
    auto* button = form.findChild<TXiButton*>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(button);
    QCOMPARE(int{button->ColorScheme()}, scheme);
    QVERIFY(button->Ctl3D());
    QCOMPARE(button->Layout(), XiButton::blGlyphLeft);
    QCOMPARE(button->Spacing(), 4);
    QVERIFY(button->Glyph().isNull());
    QVERIFY(button->TransparentGlyph());
    QVERIFY(button->Gradient());
    QVERIFY(button->HotTrack());
  }

  void percentageBars() {
    ScriptedDialogs dialogs;
    TForm1 form(dialogs);
    TXiPanel rose;
    rose.setColorScheme(XiPanel::csRose);
    for (TXiPanel* bar : {form.XiPanel4, form.XiPanel5}) {
      QCOMPARE(bar->ColorScheme(), XiPanel::csRose);
      QCOMPARE(bar->FillDirection(), XiPanel::fdVertical);
      QCOMPARE(bar->ColorFace(), rose.ColorFace());
      QCOMPARE(bar->ColorGrad(), rose.ColorGrad());
      QCOMPARE(bar->ColorLight(), rose.ColorLight());
      QCOMPARE(bar->ColorDark(), rose.ColorDark());
      QCOMPARE(bar->width(), 200);
    }
  }

  void tabOrder() {
    ScriptedDialogs dialogs;
    TForm1 form(dialogs);
    const QStringList expected{
        QStringLiteral("LabeledEdit3"), QStringLiteral("XiButton8"),
        QStringLiteral("XiButton9"),    QStringLiteral("XiButton1"),
        QStringLiteral("LabeledEdit5"), QStringLiteral("XiButton10"),
        QStringLiteral("XiButton11"),   QStringLiteral("XiButton2"),
        QStringLiteral("ComboBox1"),    QStringLiteral("Memo1"),
        QStringLiteral("XiButton5"),    QStringLiteral("PageControl1"),
    };
    // The named controls that take the focus by Tab, in the order of the focus chain.
    QStringList chain;
    QWidget* widget = form.PageControl1;
    do {
      widget = widget->nextInFocusChain();
      if ((widget->focusPolicy() & Qt::TabFocus) && expected.contains(widget->objectName())) {
        chain.append(widget->objectName());
      }
    } while (widget != form.PageControl1);
    QCOMPARE(chain, expected);
    for (QWidget* still : std::initializer_list<QWidget*>{form.GroupBox4, form.GroupBox5,
                                                          form.XiPanel4, form.XiPanel5}) {
      QVERIFY2(!(still->focusPolicy() & Qt::TabFocus), qPrintable(still->objectName()));
    }
  }

  void tabKeyStaysInMemo() {
    ScriptedDialogs dialogs;
    TForm1 form(dialogs);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.PageControl1->setCurrentWidget(form.TabSheet1);
    form.Memo1->setFocus();
    QVERIFY(form.Memo1->hasFocus());
    QTest::keyClick(form.Memo1, Qt::Key_Tab);
    QVERIFY(form.Memo1->hasFocus());
    QTest::keyClick(form.Memo1, Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(form.Memo1->hasFocus());
    // Elsewhere Tab moves on as usual.
    form.ComboBox1->setFocus();
    QTest::keyClick(form.ComboBox1, Qt::Key_Tab);
    QVERIFY(form.Memo1->hasFocus());
  }

  // A focused button keeps Space, Enter and Escape; the arrows move the focus as in a dialog.
  void arrowKeysMoveTheFocus() {
    ScriptedDialogs dialogs;
    TForm1 form(dialogs);
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.XiButton8->setFocus();
    QTest::keyClick(form.XiButton8, Qt::Key_Right);
    QCOMPARE(QApplication::focusWidget(), form.XiButton5);  // the Start buttons are disabled
    QTest::keyClick(form.XiButton5, Qt::Key_Up);
    QCOMPARE(QApplication::focusWidget(), form.XiButton8);
    QTest::keyClick(form.XiButton8, Qt::Key_Escape);
    QCOMPARE(QApplication::focusWidget(), form.XiButton8);
  }

  void memoLook() {
    ScriptedDialogs dialogs;
    TForm1 form(dialogs);
    QVERIFY(form.Memo1->isReadOnly());
    QCOMPARE(form.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(form.Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(form.Memo1->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  }

  // The group's frame line runs above the bar and below it, not through it: a column right of
  // the bar and of the title crosses nothing but the frame's top and bottom lines.
  void barsSitInsideTheirGroupFrames() {
    ScriptedDialogs dialogs;
    TForm1 form(dialogs);
    for (QGroupBox* group : {form.GroupBox4, form.GroupBox5}) {
      const QImage image = group->grab().toImage();
      const int x = image.width() - 4;
      const QRgb background = image.pixel(x, 0);  // the page, above the frame
      int top = 0;
      while (top < image.height() && image.pixel(x, top) == background) ++top;
      int bottom = image.height() - 1;
      while (bottom > 0 && image.pixel(x, bottom) == background) --bottom;
      const QRect bar = group->findChild<TXiPanel*>()->geometry();
      QVERIFY2(
          top < bar.top() && bottom > bar.bottom(),
          qPrintable(group->objectName() + QStringLiteral(": frame rows %1 to %2, bar %3 to %4")
                                               .arg(top)
                                               .arg(bottom)
                                               .arg(bar.top())
                                               .arg(bar.bottom())));
    }
  }

  void aboutButtonLiesOverTheTabRow() {
    ScriptedDialogs dialogs;
    TForm1 form(dialogs);
    QCOMPARE(form.XiButton5->parentWidget(), &form);
    QVERIFY(!form.PageControl1->isAncestorOf(form.XiButton5));
    const QObjectList& children = form.children();
    QVERIFY(children.indexOf(form.XiButton5) > children.indexOf(form.PageControl1));
    QCOMPARE(form.childAt(QPoint(276, 9)), form.XiButton5);
    form.PageControl1->setEnabled(false);
    QVERIFY(form.XiButton5->isEnabled());
  }

  void windowFrame() {
    ScriptedDialogs dialogs;
    TForm1 form(dialogs);
    QCOMPARE(form.objectName(), QStringLiteral("Form1"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Ravlin (v1.4)"));
    QCOMPARE(form.size(), QSize(304, 141));
    QCOMPARE(form.minimumSize(), QSize(304, 141));
    QCOMPARE(form.maximumSize(), QSize(304, 141));
    const Qt::WindowFlags flags = form.windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(flags & Qt::CustomizeWindowHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
  }

  void centredAtFirstShow() {
    ScriptedDialogs dialogs;
    TForm1 form(dialogs);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QPoint screenCentre = form.screen()->availableGeometry().center();
    const QPoint offset = form.frameGeometry().center() - screenCentre;
    QVERIFY2(offset.manhattanLength() <= 2,
             qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
  }

  void applicationSettings() {
    QCOMPARE(QApplication::applicationDisplayName(), QStringLiteral("Ravlin"));
    QCOMPARE(QApplication::applicationVersion(), QStringLiteral("1.4.0.0"));
    const QFont font = QApplication::font();
    QCOMPARE(font.pixelSize(), 11);
    // Tahoma comes from the system or from fonts-wine, which the project's set-up installs.
    QCOMPARE(QFontInfo(font).family(), QStringLiteral("Tahoma"));
    const QIcon icon = QApplication::windowIcon();
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.pixmap(32, 32).size(), QSize(32, 32));
  }
};

QTEST_MAIN(WindowLayoutTest)
#include "window_layout_test.moc"
