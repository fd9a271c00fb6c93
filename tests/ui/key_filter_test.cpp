// Keys typed into the input fields: each empties the results, then is taken or refused with
// a beep. Nothing reaches a field around the filter.
#include "platform/controls.h"
#include "support/recording_alerts.h"
#include "support/window_fixture.h"
#include "ui/control_wnd.h"

#include <QAccessible>
#include <QClipboard>
#include <QtTest>

using namespace tavrel;

using testing::Field;
using testing::FillOutputs;
using testing::OutputsEmpty;

class KeyFilterTest : public QObject {
    Q_OBJECT

    testing::CountingLinks links_;
    std::optional<testing::RecordingAlerts> alerts_;

    // Types into M2Fld, which already holds "12" with the cursor at its end.
    platform::EditField& PreparedField() {
        auto& field = Field(QStringLiteral("M2Fld"));
        QTest::keyClicks(&field, QStringLiteral("12"));
        FillOutputs();
        alerts_->beeps = 0;
        return field;
    }

  private slots:
    void initTestCase() { links_.Install(); }
    void init() {
        alerts_.emplace();
        QVERIFY(QTest::qWaitForWindowActive(&ui::ControlWnd()));
    }
    void cleanup() {
        platform::DestroySharedWindows();
        alerts_.reset();
    }

    void acceptedKeys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("after");
        QTest::newRow("minus") << int(Qt::Key_Minus) << "-"
                               << "12-";
        QTest::newRow("point") << int(Qt::Key_Period) << "."
                               << "12.";
        QTest::newRow("slash") << int(Qt::Key_Slash) << "/"
                               << "12/";
        for (char c = '0'; c <= '9'; ++c) {
            QTest::addRow("digit %c", c) << int(Qt::Key_0 + (c - '0')) << QString(QChar(c))
                                         << QStringLiteral("12") + QChar(c);
        }
        QTest::newRow("keypad digit") << int(Qt::Key_5) << "5"
                                      << "125";
        QTest::newRow("backspace") << int(Qt::Key_Backspace) << "\b"
                                   << "1";
    }
    void acceptedKeys() {
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(QString, after);
        auto& field = PreparedField();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(&field, &press);
        QCOMPARE(field.text(), after);
        QCOMPARE(alerts_->beeps, 0);
        QVERIFY(OutputsEmpty());
    }

    void refusedKeys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("plus") << int(Qt::Key_Plus) << "+";
        QTest::newRow("comma") << int(Qt::Key_Comma) << ",";
        QTest::newRow("letter x") << int(Qt::Key_X) << "x";
        QTest::newRow("exponent e") << int(Qt::Key_E) << "e";
        QTest::newRow("exponent E") << int(Qt::Key_E) << "E";
        QTest::newRow("space") << int(Qt::Key_Space) << " ";
        QTest::newRow("return") << int(Qt::Key_Return) << "\r";
        QTest::newRow("enter") << int(Qt::Key_Enter) << "\r";
        QTest::newRow("escape") << int(Qt::Key_Escape) << "\x1b";
        QTest::newRow("left") << int(Qt::Key_Left) << "";
        QTest::newRow("right") << int(Qt::Key_Right) << "";
        QTest::newRow("up") << int(Qt::Key_Up) << "";
        QTest::newRow("down") << int(Qt::Key_Down) << "";
        QTest::newRow("delete") << int(Qt::Key_Delete) << "\x7f";
        QTest::newRow("home") << int(Qt::Key_Home) << "";
        QTest::newRow("end") << int(Qt::Key_End) << "";
        QTest::newRow("accented letter") << int(Qt::Key_Eacute) << "é";
        QTest::newRow("increment sign") << int(Qt::Key_unknown) + 1 << "\u2206";
        QTest::newRow("colon (58)") << int(Qt::Key_Colon) << ":";
        QTest::newRow("function key") << int(Qt::Key_F2) << "";
    }
    void refusedKeys() {
        QFETCH(int, key);
        QFETCH(QString, text);
        auto& field = PreparedField();
        field.setCursorPosition(1);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(&field, &press);
        QVERIFY(press.isAccepted()); // consumed: no default button, no other handler
        QCOMPARE(field.text(), QStringLiteral("12"));
        QCOMPARE(field.cursorPosition(), 1);
        QCOMPARE(alerts_->beeps, 1);
        QVERIFY(OutputsEmpty());
    }

    void returnNeverPressesCalculate() {
        for (const char* name : {"M1Fld", "SD1Fld", "N1Fld", "M2Fld", "SD2Fld", "N2Fld"}) {
            Field(name).SetText(QStringLiteral("5"));
        }
        Field("M2Fld").setFocus();
        QTest::keyClick(&Field("M2Fld"), Qt::Key_Return);
        QTest::keyClick(&Field("M2Fld"), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(alerts_->beeps, 2);
        QVERIFY(OutputsEmpty()); // no calculation ran
        QVERIFY(alerts_->messages.isEmpty());
    }

    void tabMovesOnAndEmptiesTheResults() {
        auto& field = PreparedField();
        field.setFocus();
        QTest::keyClick(&field, Qt::Key_Tab);
        QCOMPARE(testing::NameOf(QApplication::focusWidget()), QStringLiteral("SD2Fld"));
        QCOMPARE(field.text(), QStringLiteral("12"));
        QVERIFY(OutputsEmpty());
        QCOMPARE(alerts_->beeps, 0);
    }

    void sixCharactersAtMost() {
        auto& field = Field(QStringLiteral("N1Fld"));
        QTest::keyClicks(&field, QStringLiteral("1234567"));
        QCOMPARE(field.text(), QStringLiteral("123456"));
        QCOMPARE(alerts_->beeps, 0);
        // The seventh digit still passed the filter: the results are emptied.
        FillOutputs();
        QTest::keyClick(&field, Qt::Key_8);
        QVERIFY(OutputsEmpty());
        QCOMPARE(field.text(), QStringLiteral("123456"));
    }

    void everyInputFieldFiltersAlike() {
        for (const char* name : {"M1Fld", "SD1Fld", "N1Fld", "M2Fld", "SD2Fld", "N2Fld"}) {
            auto& field = Field(name);
            QTest::keyClicks(&field, QStringLiteral("-1.5/2x"));
            QCOMPARE(field.text(), QStringLiteral("-1.5/2"));
        }
        QCOMPARE(alerts_->beeps, 6);
    }

    // A command is not typing: it neither passes the filter nor edits the field.
    void commandsLeaveFieldsAndResultsAlone() {
        auto& field = PreparedField();
        QGuiApplication::clipboard()->setText(QStringLiteral("34"));
        for (const Qt::Key key : {Qt::Key_V, Qt::Key_X, Qt::Key_Z, Qt::Key_Backspace, Qt::Key_A}) {
            QTest::keyClick(&field, key, Qt::ControlModifier);
        }
        QTest::keyClick(&field, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(field.text(), QStringLiteral("12"));
        QCOMPARE(alerts_->beeps, 0);
        QCOMPARE(Field("dFld").text(), QStringLiteral("old"));
    }

    // An assistive technology can edit a field's text directly: the paste rules still hold,
    // and the results are emptied as for any edit.
    void assistiveEditsFollowThePasteRules() {
        auto& field = PreparedField();
        QAccessibleEditableTextInterface* text =
            QAccessible::queryAccessibleInterface(&field)->editableTextInterface();
        QVERIFY(text != nullptr);
        text->insertText(2, QStringLiteral("e5"));
        QCOMPARE(field.text(), QStringLiteral("12"));
        QCOMPARE(alerts_->beeps, 1);
        QCOMPARE(Field("dFld").text(), QStringLiteral("old"));

        text->insertText(2, QStringLiteral(".5"));
        QCOMPARE(field.text(), QStringLiteral("12.5"));
        QVERIFY(OutputsEmpty());

        auto& output = Field("CLEFFld");
        output.SetText(QStringLiteral(".681"));
        QAccessible::queryAccessibleInterface(&output)->editableTextInterface()->insertText(
            0, QStringLiteral("9"));
        QCOMPARE(output.text(), QStringLiteral(".681"));
    }

    void modifierAloneDoesNothing() {
        auto& field = PreparedField();
        QTest::keyClick(&field, Qt::Key_Shift, Qt::ShiftModifier);
        QTest::keyClick(&field, Qt::Key_Alt, Qt::AltModifier);
        QCOMPARE(alerts_->beeps, 0);
        QCOMPARE(Field("dFld").text(), QStringLiteral("old"));
    }
};

QTEST_MAIN(KeyFilterTest)
#include "key_filter_test.moc"
