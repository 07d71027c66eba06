// Tests of how the gradient button answers the mouse, the focus and the keyboard.
#include <QDialog>
#include <QLineEdit>
#include <QtTest>

#include "TXiButton.h"
#include "TestImages.h"

using namespace XiButton;

namespace {

// A shown window with two gradient buttons and an edit field; counts clicks and records the
// look each click saw.
struct Window {
  QWidget top;
  TXiButton* first = new TXiButton(&top);
  TXiButton* second = new TXiButton(&top);
  QLineEdit* edit = new QLineEdit(&top);
  int firstClicks = 0;
  int secondClicks = 0;
  TDrawState lookAtClick = dsOver;

  Window() {
    top.resize(300, 120);
    first->move(10, 10);
    first->setCaption(QStringLiteral("&Browse"));
    second->move(10, 50);
    second->setCaption(QStringLiteral("Start (I)"));
    edit->setGeometry(100, 10, 150, 21);
    QObject::connect(first, &TXiButton::clicked, [this] {
      ++firstClicks;
      lookAtClick = first->DrawState();
    });
    QObject::connect(second, &TXiButton::clicked, [this] { ++secondClicks; });
    top.show();
    top.activateWindow();
  }
  // Waits for the window and puts the focus in the edit field, away from the buttons.
  bool ready() {
    if (!QTest::qWaitForWindowActive(&top)) return false;
    edit->setFocus();
    // Qt drops a move to where the pointer already is, so start each window from a free corner.
    QTest::mouseMove(top.windowHandle(), QPoint(290, 110));
    return !first->hasFocus();
  }
  // Moves the pointer through the window, so that Qt sends enter and leave as for a real mouse.
  void pointTo(QWidget* widget, QPoint at) {
    QTest::mouseMove(top.windowHandle(), widget->mapTo(&top, at));
  }
  void press(QWidget* widget, Qt::MouseButton button, QPoint at) {
    QTest::mousePress(top.windowHandle(), button, {}, widget->mapTo(&top, at));
  }
  void release(QWidget* widget, Qt::MouseButton button, QPoint at) {
    QTest::mouseRelease(top.windowHandle(), button, {}, widget->mapTo(&top, at));
  }
};

// Types a key into whatever has the focus, as a user would.
void type(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

const QPoint kInside(37, 12);
const QPoint kOutside(150, 60);  // in the window, beside the first button

}  // namespace

class ButtonBehaviourTest : public QObject {
  Q_OBJECT

 private slots:
  void leftPressAndRelease_data();
  void leftPressAndRelease();
  void hoverWithoutPress();
  void otherMouseButton();
  void releaseOnEdge_data();
  void releaseOnEdge();
  void spaceKey();
  void focusLossWhileSpaceHeld();
  void enterKey();
  void clickOrder();
  void defaultButton();
  void cancelButton();
  void accelerator();
  void acceleratorIgnoredWhileDisabled();
  void sharedAndHiddenAccelerators();
};

// Press inside, wander out and back (or not), release inside or outside.
void ButtonBehaviourTest::leftPressAndRelease_data() {
  QTest::addColumn<bool>("hotTrack");
  QTest::addColumn<bool>("releaseInside");
  QTest::addColumn<int>("heldOutside");  // look while held outside
  QTest::addColumn<int>("heldBackIn");   // look after coming back while held
  QTest::addColumn<int>("afterRelease");
  QTest::addColumn<int>("clicks");
  QTest::newRow("hot track, release inside")
      << true << true << int(dsNormal) << int(dsDown) << int(dsOver) << 1;
  QTest::newRow("no hot track, release inside")
      << false << true << int(dsNormal) << int(dsNormal) << int(dsNormal) << 1;
  QTest::newRow("hot track, release outside")
      << true << false << int(dsNormal) << int(dsDown) << int(dsNormal) << 0;
}

void ButtonBehaviourTest::leftPressAndRelease() {
  QFETCH(bool, hotTrack);
  QFETCH(bool, releaseInside);
  QFETCH(int, heldOutside);
  QFETCH(int, heldBackIn);
  QFETCH(int, afterRelease);
  QFETCH(int, clicks);
  Window w;
  QVERIFY(w.ready());
  w.first->setHotTrack(hotTrack);
  w.pointTo(w.first, kInside);
  QCOMPARE(w.first->DrawState(), hotTrack ? dsOver : dsNormal);
  QVERIFY(!w.first->HasFocus());
  w.press(w.first, Qt::LeftButton, kInside);
  QCOMPARE(w.first->DrawState(), dsDown);
  QVERIFY(w.first->MouseHeld());
  QVERIFY(w.first->HasFocus());
  w.pointTo(w.first, kOutside);
  QCOMPARE(int(w.first->DrawState()), heldOutside);
  w.pointTo(w.first, kInside);
  QCOMPARE(int(w.first->DrawState()), heldBackIn);
  if (!releaseInside) w.pointTo(w.first, kOutside);
  w.release(w.first, Qt::LeftButton, releaseInside ? kInside : kOutside);
  QCOMPARE(w.firstClicks, clicks);
  if (clicks > 0) QCOMPARE(w.lookAtClick, dsNormal);
  QCOMPARE(int(w.first->DrawState()), afterRelease);
  QVERIFY(!w.first->MouseHeld());
}

void ButtonBehaviourTest::hoverWithoutPress() {
  Window w;
  QVERIFY(w.ready());
  w.pointTo(w.first, kInside);
  QCOMPARE(w.first->DrawState(), dsOver);
  w.pointTo(w.first, kOutside);
  QCOMPARE(w.first->DrawState(), dsNormal);
  w.first->setHotTrack(false);
  w.pointTo(w.first, kInside);
  QCOMPARE(w.first->DrawState(), dsNormal);
}

void ButtonBehaviourTest::otherMouseButton() {
  Window w;
  QVERIFY(w.ready());
  w.pointTo(w.first, kInside);
  w.press(w.first, Qt::RightButton, kInside);
  QCOMPARE(w.first->DrawState(), dsOver);
  QVERIFY(!w.first->MouseHeld());
  QVERIFY(!w.first->HasFocus());
  w.release(w.first, Qt::RightButton, kInside);
  QCOMPARE(w.firstClicks, 0);
  QCOMPARE(w.first->DrawState(), dsOver);
  // Another button pressed and released while the left one is held does not cancel the click.
  w.press(w.first, Qt::LeftButton, kInside);
  w.press(w.first, Qt::RightButton, kInside);
  w.release(w.first, Qt::RightButton, kInside);
  QVERIFY(!w.first->MouseHeld());
  w.release(w.first, Qt::LeftButton, kInside);
  QCOMPARE(w.firstClicks, 1);
}

// The click needs the release inside (0 <= X < W); the Over look needs 0 < X and 0 < Y.
void ButtonBehaviourTest::releaseOnEdge_data() {
  QTest::addColumn<QPoint>("at");
  QTest::addColumn<int>("clicks");
  QTest::addColumn<int>("look");
  QTest::newRow("column 0") << QPoint(0, 12) << 1 << int(dsNormal);
  QTest::newRow("row 0") << QPoint(37, 0) << 1 << int(dsNormal);
  QTest::newRow("column 1, row 1") << QPoint(1, 1) << 1 << int(dsOver);
  QTest::newRow("last column") << QPoint(74, 12) << 1 << int(dsOver);
  QTest::newRow("just right of it") << QPoint(75, 12) << 0 << int(dsDown);
}

void ButtonBehaviourTest::releaseOnEdge() {
  QFETCH(QPoint, at);
  QFETCH(int, clicks);
  QFETCH(int, look);
  TXiButton button;
  int clicked = 0;
  connect(&button, &TXiButton::clicked, [&] { ++clicked; });
  // Sent straight to the button, so no enter or leave comes between press and release.
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(kInside), QPointF(kInside), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&button, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), QPointF(at), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&button, &release);
  QCOMPARE(clicked, clicks);
  QCOMPARE(int(button.DrawState()), look);
}

void ButtonBehaviourTest::spaceKey() {
  Window w;
  QVERIFY(w.ready());
  w.first->setFocus();
  QTest::keyPress(w.first, Qt::Key_Space);
  QCOMPARE(w.first->DrawState(), dsDown);
  // Auto-repeat sends release and press pairs; they neither click nor change the look.
  QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "),
                          true);
  QCoreApplication::sendEvent(w.first, &repeatRelease);
  QKeyEvent repeatPress(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
  QCoreApplication::sendEvent(w.first, &repeatPress);
  QCOMPARE(w.firstClicks, 0);
  QCOMPARE(w.first->DrawState(), dsDown);
  QTest::keyRelease(w.first, Qt::Key_Space);
  QCOMPARE(w.firstClicks, 1);
  QCOMPARE(w.lookAtClick, dsNormal);
  QCOMPARE(w.first->DrawState(), dsNormal);
}

void ButtonBehaviourTest::focusLossWhileSpaceHeld() {
  Window w;
  QVERIFY(w.ready());
  w.first->setFocus();
  QVERIFY(w.first->HasFocus());
  QTest::keyPress(w.first, Qt::Key_Space);
  w.edit->setFocus();
  QVERIFY(!w.first->HasFocus());
  QCOMPARE(w.first->DrawState(), dsNormal);
  QTest::keyRelease(w.edit, Qt::Key_Space);
  QCOMPARE(w.firstClicks, 0);
}

void ButtonBehaviourTest::enterKey() {
  Window w;
  QVERIFY(w.ready());
  w.first->setFocus();
  type(Qt::Key_Return);
  QCOMPARE(w.firstClicks, 1);
  type(Qt::Key_Enter, Qt::KeypadModifier);
  QCOMPARE(w.firstClicks, 2);
  // With Shift held Enter is no dialog key, but the focused button's own key handling clicks.
  type(Qt::Key_Return, Qt::ShiftModifier);
  QCOMPARE(w.firstClicks, 3);
  QCOMPARE(w.secondClicks, 0);
}

void ButtonBehaviourTest::clickOrder() {
  QDialog dialog;
  auto* button = new TXiButton(&dialog);
  QStringList order;
  connect(&dialog, &QDialog::finished,
          [&](int result) { order << QStringLiteral("done %1").arg(result); });
  connect(button, &TXiButton::clicked,
          [&] { order << QStringLiteral("clicked, look %1").arg(int(button->DrawState())); });
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  button->setModalResult(3);
  QTest::keyPress(button, Qt::Key_Space);
  button->click();
  QCOMPARE(order, QStringList({QStringLiteral("done 3"), QStringLiteral("clicked, look 0")}));
  QCOMPARE(dialog.result(), 3);
  QVERIFY(!dialog.isVisible());

  // A modal result of 0 leaves the dialog open; the click still fires.
  dialog.show();
  order.clear();
  button->setModalResult(0);
  button->click();
  QCOMPARE(order, QStringList({QStringLiteral("clicked, look 0")}));
  QVERIFY(dialog.isVisible());
}

void ButtonBehaviourTest::defaultButton() {
  Window w;
  QVERIFY(w.ready());
  w.second->setDefault(true);
  QVERIFY(w.second->Default());
  w.edit->setFocus();
  type(Qt::Key_Return);
  QCOMPARE(w.secondClicks, 1);
  type(Qt::Key_Enter, Qt::KeypadModifier);
  QCOMPARE(w.secondClicks, 2);
  type(Qt::Key_Return, Qt::ControlModifier);
  QCOMPARE(w.secondClicks, 2);
  // A focused button takes Enter itself.
  w.first->setFocus();
  type(Qt::Key_Return);
  QCOMPARE(w.firstClicks, 1);
  QCOMPARE(w.secondClicks, 2);
  // A Default button that cannot take the focus does not take the key.
  w.edit->setFocus();
  w.second->setEnabled(false);
  type(Qt::Key_Return);
  QCOMPARE(w.secondClicks, 2);
  w.second->setEnabled(true);
  w.second->setDefault(false);
  type(Qt::Key_Return);
  QCOMPARE(w.secondClicks, 2);
}

void ButtonBehaviourTest::cancelButton() {
  Window w;
  QVERIFY(w.ready());
  w.edit->setFocus();
  type(Qt::Key_Escape);
  QCOMPARE(w.secondClicks, 0);
  w.second->setCancel(true);
  type(Qt::Key_Escape);
  QCOMPARE(w.secondClicks, 1);
  w.first->setFocus();
  type(Qt::Key_Escape);
  QCOMPARE(w.secondClicks, 2);
  QCOMPARE(w.firstClicks, 0);
  type(Qt::Key_Escape, Qt::ShiftModifier);
  QCOMPARE(w.secondClicks, 2);
}

void ButtonBehaviourTest::accelerator() {
  Window w;
  QVERIFY(w.ready());
  w.edit->setFocus();
  type(Qt::Key_B, Qt::AltModifier);
  QCOMPARE(w.firstClicks, 1);
  // A plain character is typed into an edit field, but offered by a focused button.
  type(Qt::Key_B);
  QCOMPARE(w.firstClicks, 1);
  QCOMPARE(w.edit->text(), QStringLiteral("b"));
  w.second->setFocus();
  type(Qt::Key_B, Qt::NoModifier);
  QCOMPARE(w.firstClicks, 2);
  type(Qt::Key_B, Qt::ShiftModifier);
  QCOMPARE(w.firstClicks, 3);
  type(Qt::Key_R);
  QCOMPARE(w.firstClicks, 3);
  QCOMPARE(w.secondClicks, 0);
  // "&&" is a plain ampersand, not a marker.
  w.first->setCaption(QStringLiteral("A&&B &Go"));
  type(Qt::Key_B, Qt::AltModifier);
  QCOMPARE(w.firstClicks, 3);
  type(Qt::Key_G, Qt::AltModifier);
  QCOMPARE(w.firstClicks, 4);
}

void ButtonBehaviourTest::acceleratorIgnoredWhileDisabled() {
  Window w;
  QVERIFY(w.ready());
  w.second->setFocus();
  w.first->setEnabled(false);
  type(Qt::Key_B, Qt::AltModifier);
  type(Qt::Key_B);
  QCOMPARE(w.firstClicks, 0);

  // Inside a disabled page it keeps its colours but takes no input, accelerators included.
  QWidget* page = new QWidget(&w.top);
  page->setGeometry(0, 80, 300, 40);
  auto* inner = new TXiButton(page);
  inner->setCaption(QStringLiteral("&Start"));
  int innerClicks = 0;
  connect(inner, &TXiButton::clicked, [&] { ++innerClicks; });
  page->show();
  page->setEnabled(false);
  type(Qt::Key_S, Qt::AltModifier);
  type(Qt::Key_S);
  QCOMPARE(innerClicks, 0);
  page->setEnabled(true);
  type(Qt::Key_S, Qt::AltModifier);
  QCOMPARE(innerClicks, 1);
}

void ButtonBehaviourTest::sharedAndHiddenAccelerators() {
  Window w;
  QVERIFY(w.ready());
  w.second->setCaption(QStringLiteral("&Back"));
  // Both buttons offer "b": the first one created takes it, by Alt+B and as a plain "b".
  type(Qt::Key_B, Qt::AltModifier);
  QCOMPARE(w.firstClicks, 1);
  w.second->setFocus();
  type(Qt::Key_B);
  QCOMPARE(w.firstClicks, 2);
  QCOMPARE(w.secondClicks, 0);
  // A hidden button does not click, though its own enabled flag is on; the next one takes it.
  w.first->hide();
  type(Qt::Key_B, Qt::AltModifier);
  type(Qt::Key_B);
  QCOMPARE(w.firstClicks, 2);
  QCOMPARE(w.secondClicks, 2);
}

QTEST_MAIN(ButtonBehaviourTest)
#include "button_behaviour_test.moc"
