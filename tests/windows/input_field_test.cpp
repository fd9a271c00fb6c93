// Keys typed into the input fields: each empties the results, then is taken or refused with
// a beep. Nothing reaches a field around the filter: not commands, not assistive edits.
#include "support/calculator_fixture.h"

#include <QAccessible>
#include <QClipboard>

using namespace tavrel;
using engine::Input;
using engine::Result;

class InputFieldTest : public QObject, testing::CalculatorFixture {
    Q_OBJECT

    // The experimental mean, focused, holding "12" with the cursor at its end, results filled.
    windows::InputField& Prepared() {
        auto& field = In(Input::ExperimentalMean);
        field.setFocus();
        QTest::keyClicks(&field, QStringLiteral("12"));
        FillResults();
        alerts->beeps = 0;
        return field;
    }

  private slots:
    void init() {
        SetUp();
        QVERIFY(QTest::qWaitForWindowActive(&*window));
    }
    void cleanup() { TearDown(); }

    void keys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("after"); // "12" and a beep where refused
        const int none = Qt::NoModifier;
        QTest::newRow("minus") << int(Qt::Key_Minus) << none << "-"
                               << "12-";
        QTest::newRow("point") << int(Qt::Key_Period) << none << "."
                               << "12.";
        QTest::newRow("slash") << int(Qt::Key_Slash) << none << "/"
                               << "12/";
        QTest::newRow("digit") << int(Qt::Key_0) << none << "0"
                               << "120";
        QTest::newRow("keypad digit") << int(Qt::Key_9) << int(Qt::KeypadModifier) << "9"
                                      << "129";
        QTest::newRow("backspace") << int(Qt::Key_Backspace) << none << "\b"
                                   << "1";
        QTest::newRow("plus") << int(Qt::Key_Plus) << none << "+"
                              << "12";
        QTest::newRow("comma") << int(Qt::Key_Comma) << none << ","
                               << "12";
        QTest::newRow("colon, next after the digits") << int(Qt::Key_Colon) << none << ":"
                                                      << "12";
        QTest::newRow("exponent") << int(Qt::Key_E) << int(Qt::ShiftModifier) << "E"
                                  << "12";
        QTest::newRow("space") << int(Qt::Key_Space) << none << " "
                               << "12";
        QTest::newRow("return") << int(Qt::Key_Return) << none << "\r"
                                << "12";
        QTest::newRow("keypad enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "\r"
                                      << "12";
        QTest::newRow("escape") << int(Qt::Key_Escape) << none << "\x1b"
                                << "12";
        QTest::newRow("left") << int(Qt::Key_Left) << none << ""
                              << "12";
        QTest::newRow("delete") << int(Qt::Key_Delete) << none << "\x7f"
                                << "12";
        QTest::newRow("home") << int(Qt::Key_Home) << none << ""
                              << "12";
        QTest::newRow("function key") << int(Qt::Key_F2) << none << ""
                                      << "12";
        QTest::newRow("accented letter") << int(Qt::Key_Eacute) << none << "é"
                                         << "12";
        QTest::newRow("digit beyond the plane") << int(Qt::Key_unknown) + 1 << none << "\U0001D7D9"
                                                << "12";
    }
    void keys() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        QFETCH(QString, after);
        auto& field = Prepared();
        QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
        QCoreApplication::sendEvent(&field, &press);
        QVERIFY(press.isAccepted()); // consumed either way: no default button sees Return
        QCOMPARE(field.text(), after);
        QCOMPARE(alerts->beeps, after == QLatin1String("12") ? 1 : 0);
        QVERIFY(ResultsEmpty());
    }

    void tabMovesOnAndEmptiesTheResults() {
        auto& field = Prepared();
        field.setFocus();
        QTest::keyClick(&field, Qt::Key_Tab);
        QCOMPARE(Focused(), &In(Input::ExperimentalSD));
        QVERIFY(ResultsEmpty());
        QTest::keyClick(Focused(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(Focused(), &field);
        QCOMPARE(alerts->beeps, 0);
    }

    // The seventh character passes the filter, so it empties the results, but does not go in.
    void sixCharactersAtMost() {
        auto& field = In(Input::ControlSize);
        QTest::keyClicks(&field, QStringLiteral("123456"));
        FillResults();
        QTest::keyClick(&field, Qt::Key_7);
        QCOMPARE(field.text(), QStringLiteral("123456"));
        QVERIFY(ResultsEmpty());
        QCOMPARE(alerts->beeps, 0);
    }

    // Commands are the window's, not the line edit's own: a paste too long for the field is
    // refused whole, with a beep (the line edit would have cut it short), and a command the
    // window does not answer does nothing; nor does a modifier pressed alone.
    void commandsAreTheWindowsAlone() {
        auto& field = Prepared();
        QGuiApplication::clipboard()->setText(QStringLiteral("34567"));
        QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(field.text(), QStringLiteral("12"));
        QCOMPARE(alerts->beeps, 1);
        for (const Qt::Key key : {Qt::Key_Backspace, Qt::Key_A, Qt::Key_K, Qt::Key_Delete}) {
            QTest::keyClick(&field, key, Qt::ControlModifier);
        }
        QTest::keyClick(&field, Qt::Key_Shift, Qt::ShiftModifier);
        QCOMPARE(field.text(), QStringLiteral("12"));
        QCOMPARE(alerts->beeps, 1);
        QCOMPARE(Out(Result::CohensD).text(), QStringLiteral("old"));
    }

    // An assistive technology can edit a field's text directly: the paste rules still hold,
    // the results are emptied as for any edit, and result fields take nothing.
    void assistiveEditsFollowThePasteRules() {
        auto& field = Prepared();
        QAccessibleEditableTextInterface* text =
            QAccessible::queryAccessibleInterface(&field)->editableTextInterface();
        text->insertText(2, QStringLiteral("e5"));
        QCOMPARE(field.text(), QStringLiteral("12"));
        QCOMPARE(alerts->beeps, 1);
        QCOMPARE(Out(Result::CohensD).text(), QStringLiteral("old"));
        text->insertText(2, QStringLiteral(".5"));
        QCOMPARE(field.text(), QStringLiteral("12.5"));
        QVERIFY(ResultsEmpty());

        auto& result = Out(Result::CommonLanguage);
        result.SetResult(QStringLiteral(".681"));
        QAccessible::queryAccessibleInterface(&result)->editableTextInterface()->insertText(
            0, QStringLiteral("9"));
        QCOMPARE(result.text(), QStringLiteral(".681"));
    }
};

QTEST_MAIN(InputFieldTest)
#include "input_field_test.moc"
