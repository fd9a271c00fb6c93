// The thin layer over Qt: key codes, pictures by number, edit fields that only the key
// handler can fill, and control look-up by name.
#include "platform/controls.h"
#include "platform/keys.h"
#include "platform/picture.h"
#include "platform/window.h"

#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>

using namespace tavrel::platform;

class PlatformTest : public QObject {
    Q_OBJECT

  private slots:
    void keyCodes_data();
    void keyCodes();
    void picturesByNumber();
    void missingPictureIsReadAgainUntilFound();
    void appPicturesFitTheirCanvases_data();
    void appPicturesFitTheirCanvases();
    void editFieldTakesTextOnlyThroughKeys();
    void editFieldTypedLimitDoesNotCutProgramText();
    void controlLookUpByName();
};

void PlatformTest::keyCodes_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code"); // -1: no handler sees the key

    const int none = Qt::NoModifier;
    QTest::newRow("digit") << int(Qt::Key_7) << none << "7" << 55;
    QTest::newRow("keypad digit") << int(Qt::Key_7) << int(Qt::KeypadModifier) << "7" << 55;
    QTest::newRow("minus") << int(Qt::Key_Minus) << none << "-" << 45;
    QTest::newRow("letter") << int(Qt::Key_E) << none << "e" << 101;
    QTest::newRow("shifted letter") << int(Qt::Key_E) << int(Qt::ShiftModifier) << "E" << 69;
    QTest::newRow("non-ASCII") << int(Qt::Key_Eacute) << none << "é" << 0xE9;
    QTest::newRow("astral") << int(Qt::Key_unknown) + 1 << none << "\U0001D465" << 0x1D465;
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << none << "\b" << 8;
    QTest::newRow("tab") << int(Qt::Key_Tab) << none << "\t" << 9;
    QTest::newRow("shift tab") << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << "" << 9;
    QTest::newRow("return") << int(Qt::Key_Return) << none << "\r" << 13;
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "\r" << 3;
    QTest::newRow("escape") << int(Qt::Key_Escape) << none << "\x1b" << 27;
    QTest::newRow("left") << int(Qt::Key_Left) << none << "" << 28;
    QTest::newRow("right") << int(Qt::Key_Right) << none << "" << 29;
    QTest::newRow("up") << int(Qt::Key_Up) << none << "" << 30;
    QTest::newRow("down") << int(Qt::Key_Down) << none << "" << 31;
    QTest::newRow("delete") << int(Qt::Key_Delete) << none << "\x7f" << 127;
    QTest::newRow("home") << int(Qt::Key_Home) << none << "" << 1;
    QTest::newRow("end") << int(Qt::Key_End) << none << "" << 4;
    QTest::newRow("page up") << int(Qt::Key_PageUp) << none << "" << 11;
    QTest::newRow("page down") << int(Qt::Key_PageDown) << none << "" << 12;
    QTest::newRow("function key") << int(Qt::Key_F5) << none << "" << 0;
    QTest::newRow("shift alone") << int(Qt::Key_Shift) << int(Qt::ShiftModifier) << "" << -1;
    QTest::newRow("control alone") << int(Qt::Key_Control) << int(Qt::ControlModifier) << "" << -1;
    QTest::newRow("command") << int(Qt::Key_V) << int(Qt::ControlModifier) << "\x16" << -1;
}

void PlatformTest::keyCodes() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(int, code);
    const QKeyEvent event(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
    QCOMPARE(KeyCode(event).value_or(-1), code);
}

void PlatformTest::picturesByNumber() {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("7.svg")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"(<svg xmlns="http://www.w3.org/2000/svg" width="30px" height="20px"/>)");
    file.close();

    const ResourceFork fork(dir.path());
    const PictureRef picture = fork.GetPicture(7);
    QVERIFY(picture);
    QCOMPARE(picture->Size(), QSizeF(30, 20));
    QVERIFY(!fork.GetPicture(8));
}

void PlatformTest::missingPictureIsReadAgainUntilFound() {
    QTemporaryDir dir;
    const ResourceFork fork(dir.path());
    PermanentPicture slot(9, fork);
    QVERIFY(!slot.Get());

    const QString path = dir.filePath(QStringLiteral("9.svg"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"(<svg xmlns="http://www.w3.org/2000/svg" width="4px" height="4px"/>)");
    file.close();
    const PictureRef found = slot.Get();
    QVERIFY(found);

    // Once read, the picture is kept: the resource is not read again.
    QVERIFY(QFile::remove(path));
    QCOMPARE(slot.Get(), found);
}

void PlatformTest::appPicturesFitTheirCanvases_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QSize>("canvas");
    QTest::newRow("VeskhzSm") << 168 << QSize(150, 22);
    QTest::newRow("d") << 169 << QSize(125, 131);
    QTest::newRow("SpEqt") << 170 << QSize(192, 103);
    QTest::newRow("duEqt") << 171 << QSize(234, 103);
    QTest::newRow("dEqt") << 172 << QSize(131, 112);
    QTest::newRow("CLEqt") << 173 << QSize(133, 106);
    QTest::newRow("SdEqt") << 174 << QSize(263, 61);
    QTest::newRow("Question") << 175 << QSize(38, 38);
}

void PlatformTest::appPicturesFitTheirCanvases() {
    QFETCH(int, number);
    QFETCH(QSize, canvas);
    const PictureRef picture = AppResourceFork().GetPicture(number);
    QVERIFY(picture);
    QVERIFY2(
        picture->Size().width() <= canvas.width() && picture->Size().height() <= canvas.height(),
        qPrintable(
            QStringLiteral("%1 x %2").arg(picture->Size().width()).arg(picture->Size().height())));
    // Large enough to be legible, not a stray empty document.
    QVERIFY(picture->Size().width() >= canvas.width() / 2);
}

void PlatformTest::editFieldTakesTextOnlyThroughKeys() {
    QWidget parent;
    EditField field(&parent);
    int handled = 0;
    field.KeyDown = [&](int) {
        ++handled;
        return false;
    };
    field.SetText(QStringLiteral("12"));

    QMimeData mime;
    mime.setText(QStringLiteral("999"));
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&field, &drop);

    QInputMethodEvent compose;
    compose.setCommitString(QStringLiteral("abc"));
    QCoreApplication::sendEvent(&field, &compose);

    QTest::mouseClick(&field, Qt::MiddleButton);
    QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&field, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&field, Qt::Key_Insert, Qt::ShiftModifier); // X11 paste: reaches the handler

    QCOMPARE(field.text(), QStringLiteral("12"));
    QCOMPARE(handled, 1);
    QCOMPARE(field.contextMenuPolicy(), Qt::NoContextMenu);
}

void PlatformTest::editFieldTypedLimitDoesNotCutProgramText() {
    QWidget parent;
    EditField field(&parent);
    field.setGeometry(0, 0, 60, 20);
    field.SetTypedLengthLimit(6);
    QTest::keyClicks(&field, QStringLiteral("12345678"));
    QCOMPARE(field.text(), QStringLiteral("123456"));
    // Typing over a selection stays within the limit.
    field.selectAll();
    QTest::keyClicks(&field, QStringLiteral("9"));
    QCOMPARE(field.text(), QStringLiteral("9"));

    field.SetText(QStringLiteral("+99999800000.000"));
    QCOMPARE(field.text(), QStringLiteral("+99999800000.000"));
    QCOMPARE(field.toolTip(), field.text()); // too wide even at the smallest size
}

void PlatformTest::controlLookUpByName() {
    Window window(WindowSpec{.name = "TestWnd", .width = 100, .height = 80});
    window.AddControl(
        ControlSpec{.name = "Field", .kind = ControlKind::EditField, .bounds = {1, 2, 30, 20}});
    QCOMPARE(window.Control<EditField>("Field").geometry(), QRect(1, 2, 30, 20));
    QCOMPARE(window.Content().size(), QSize(100, 80));
    QVERIFY(window.FindControl("Missing") == nullptr);
    QVERIFY_THROWS_EXCEPTION(std::logic_error, window.Control("Missing"));
    // A control of another kind under the name is a miss too.
    QVERIFY_THROWS_EXCEPTION(std::logic_error, window.Control<Canvas>("Field"));
}

QTEST_MAIN(PlatformTest)
#include "platform_test.moc"
