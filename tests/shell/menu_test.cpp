// The menus: how each window shows them and what it enables, the About and Control commands,
// Quit from every window, and the edit commands on the calculator's focused input field.
#include "engine/quantities.h"
#include "support/session_fixture.h"
#include "windows/input_field.h"
#include "windows/result_field.h"

#include <QAction>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

using namespace tavrel;
using engine::Input;
using engine::Result;

class MenuTest : public QObject, testing::SessionFixture {
    Q_OBJECT

    enum class Front { Calculator, About, Information };

    QWidget& Show(Front front) {
        QWidget& window = front == Front::Calculator ? static_cast<QWidget&>(Calculator())
                          : front == Front::About    ? static_cast<QWidget&>(session->About())
                                                  : static_cast<QWidget&>(session->Information());
        windows::ShowInFront(window);
        [&] { QVERIFY(QTest::qWaitForWindowActive(&window)); }();
        return window;
    }
    windows::InputField& FocusedInput() {
        auto& field = Calculator().FieldOf(Input::ControlMean);
        field.setFocus();
        return field;
    }
    const windows::EditActions& Edit() { return session->Calculator().EditCommands(); }
    QString Result(engine::Result result) { return session->Calculator().FieldOf(result).text(); }
    void FillResults() {
        for (const engine::Result result : engine::kResults) {
            session->Calculator().FieldOf(result).SetResult(QStringLiteral("old"));
        }
    }
    // The menu titled `title` in `window`'s menu bar, and its items by caption, separators
    // as "-".
    static QMenu* Menu(QMainWindow& window, const QString& title) {
        for (QAction* action : window.menuBar()->actions()) {
            if (action->text() == title) {
                return action->menu();
            }
        }
        return nullptr;
    }
    static QStringList Items(QMenu* menu) {
        QStringList items;
        for (QAction* action : menu->actions()) {
            items << (action->isSeparator() ? QStringLiteral("-") : action->text());
        }
        return items;
    }

  private slots:
    void init() {
        SetUp();
        QGuiApplication::clipboard()->clear();
    }
    void cleanup() { TearDown(); }

    void calculatorAndInformationShowTheMenusAboveTheirContent() {
        auto& calculator = Calculator();
        QMenuBar* bar = calculator.menuBar();
        QCOMPARE(calculator.centralWidget()->geometry().top(), bar->geometry().bottom() + 1);
        // The application menu comes first, titled with the application's name.
        QCOMPARE(bar->actions()[0]->text(), QStringLiteral("Tavrel"));
        QCOMPARE(Items(Menu(calculator, QStringLiteral("Edit"))),
                 (QStringList{"Undo", "-", "Cut", "Copy", "Paste"}));
        QCOMPARE(Commands().quit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        auto& information = session->Information();
        QCOMPARE(information.menuBar()->actions().size(), bar->actions().size());
        // The calculator's edit commands, which do nothing while it is behind.
        FocusedInput();
        QGuiApplication::clipboard()->setText(QStringLiteral("1"));
        Show(Front::Information);
        QMenu* edit = Menu(information, QStringLiteral("Edit"));
        QCOMPARE(Items(edit), Items(Menu(calculator, QStringLiteral("Edit"))));
        QCOMPARE(edit->actions().last(), Edit().paste);
        QVERIFY(!Edit().paste->isEnabled());
        QVERIFY(session->About().findChild<QMenuBar*>() == nullptr);
    }

    // Every item a window shows is one it can carry out, now or once its state allows.
    void eachWindowEnablesWhatItAnswers_data() {
        QTest::addColumn<Front>("front");
        QTest::addColumn<QStringList>("enabled"); // in the application and Window menus
        QTest::newRow("calculator")
            << Front::Calculator << QStringList{"About Tavrel", "About Tavrel"};
        QTest::newRow("information") << Front::Information << QStringList{"Control"};
    }
    void eachWindowEnablesWhatItAnswers() {
        QFETCH(Front, front);
        QFETCH(QStringList, enabled);
        auto& window = static_cast<QMainWindow&>(Show(front));
        QStringList found;
        for (const QString& title : {QStringLiteral("Tavrel"), QStringLiteral("Window")}) {
            for (QAction* action : Menu(window, title)->actions()) {
                if (action->isEnabled()) {
                    found << action->text();
                }
            }
        }
        QCOMPARE(found, enabled);
        QVERIFY(Commands().quit->isEnabled());
    }

    void aboutCommandsShowTheAboutWindowInFront() {
        auto& calculator = Calculator();
        const QList<QMenu*> menus = {Menu(calculator, QStringLiteral("Tavrel")),
                                     Menu(calculator, QStringLiteral("Window"))};
        for (QMenu* menu : menus) {
            Show(Front::Calculator);
            menu->actions().last()->trigger();
            QVERIFY(QTest::qWaitForWindowActive(&session->About()));
        }
    }

    void controlBringsTheCalculatorToTheFront() {
        auto& information = static_cast<QMainWindow&>(Show(Front::Information));
        Menu(information, QStringLiteral("Window"))->actions().first()->trigger();
        QVERIFY(QTest::qWaitForWindowActive(&session->Calculator()));
    }

    void quitWorksFromEveryWindow_data() {
        QTest::addColumn<Front>("front");
        QTest::newRow("calculator") << Front::Calculator;
        QTest::newRow("about") << Front::About;
        QTest::newRow("information") << Front::Information;
    }
    void quitWorksFromEveryWindow() {
        QFETCH(Front, front);
        QWidget& window = Show(front);
        QCOMPARE(
            RunUntilQuit([&window] { QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier); }),
            0);
    }

    void editCommandsFollowTheFocusedInput() {
        auto& field = FocusedInput();
        const auto& edit = Edit();
        QVERIFY(!edit.undo->isEnabled() && !edit.cut->isEnabled());
        QVERIFY(!edit.copy->isEnabled() && !edit.paste->isEnabled());

        QTest::keyClicks(&field, QStringLiteral("12.5"));
        field.selectAll();
        QVERIFY(edit.undo->isEnabled() && edit.cut->isEnabled() && edit.copy->isEnabled());
        FillResults();
        QTest::keyClick(&field, Qt::Key_X, Qt::ControlModifier); // through the shortcut
        QCOMPARE(field.text(), QString());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("12.5"));
        QCOMPARE(Result(Result::CohensD), QString()); // a change empties the results
        QVERIFY(edit.paste->isEnabled());

        FillResults();
        edit.undo->trigger();
        QCOMPARE(field.text(), QStringLiteral("12.5"));
        QCOMPARE(Result(Result::CommonLanguage), QString());

        FillResults();
        field.selectAll();
        edit.copy->trigger();
        QCOMPARE(Result(Result::CommonLanguage), QStringLiteral("old")); // copying changes nothing
        QCOMPARE(alerts->beeps, 0);

        // Only an input field is the commands' target.
        session->Calculator().CalculateButton().setFocus();
        QVERIFY(!edit.cut->isEnabled() && !edit.paste->isEnabled());
    }

    void pasteTakesOnlyWhatTypingCould_data() {
        QTest::addColumn<QString>("before"); // the field's text, all of it selected with "sel:"
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("after");
        QTest::newRow("number") << ""
                                << "-3.5"
                                << "-3.5";
        QTest::newRow("fraction") << "1"
                                  << "/2"
                                  << "1/2";
        QTest::newRow("replaces the selection") << "sel:999999"
                                                << "42"
                                                << "42";
        QTest::newRow("fills to six") << "123"
                                      << "456"
                                      << "123456";
        QTest::newRow("seven is too long") << "1234"
                                           << "567"
                                           << "1234";
        QTest::newRow("exponent") << ""
                                  << "1e5"
                                  << "";
        QTest::newRow("space") << ""
                               << " 12"
                               << "";
        QTest::newRow("newline") << ""
                                 << "12\n"
                                 << "";
        QTest::newRow("non-ASCII digit") << ""
                                         << "\u0663"
                                         << "";
    }
    void pasteTakesOnlyWhatTypingCould() {
        QFETCH(QString, before);
        QFETCH(QString, clipboard);
        QFETCH(QString, after);
        auto& field = FocusedInput();
        const bool select = before.startsWith(QLatin1String("sel:"));
        QTest::keyClicks(&field, select ? before.mid(4) : before);
        if (select) {
            field.selectAll();
        }
        FillResults();
        QGuiApplication::clipboard()->setText(clipboard);
        QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(field.text(), after);
        const bool taken = field.text() != (select ? before.mid(4) : before);
        QCOMPARE(alerts->beeps, taken ? 0 : 1);
        QCOMPARE(Result(Result::GlassDelta), taken ? QString() : QStringLiteral("old"));
    }
};

QTEST_MAIN(MenuTest)
#include "menu_test.moc"
