// The menu commands: how each window shows them, what each frontmost window enables, the
// About commands, Quit from every window, and the edit commands on the focused input field.
#include "engine/quantities.h"
#include "platform/guarded_line_edit.h"
#include "support/session_fixture.h"

#include <QAction>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>

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
        platform::ShowInFront(window);
        [&] { QVERIFY(QTest::qWaitForWindowActive(&window)); }();
        return window;
    }
    platform::GuardedLineEdit& FocusedInput() {
        auto& field = Calculator().InputField(Input::ControlMean);
        field.setFocus();
        return field;
    }
    QString Result(engine::Result result) {
        return session->Calculator().ResultField(result).text();
    }
    void FillResults() {
        for (const engine::Result result : engine::kResults) {
            session->Calculator().ResultField(result).SetText(QStringLiteral("old"));
        }
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
        QCOMPARE(Commands().quit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        QCOMPARE(session->Information().menuBar()->actions().size(), bar->actions().size());
        QVERIFY(session->About().findChild<QMenuBar*>() == nullptr);
    }

    void enablingFollowsTheFrontmostWindow_data() {
        QTest::addColumn<Front>("front");
        QTest::addColumn<bool>("aboutInWindowMenu");
        QTest::addColumn<bool>("aboutInApplicationMenu");
        QTest::newRow("calculator") << Front::Calculator << true << true;
        QTest::newRow("about") << Front::About << true << false;
        QTest::newRow("information") << Front::Information << false << false;
    }
    void enablingFollowsTheFrontmostWindow() {
        QFETCH(Front, front);
        QFETCH(bool, aboutInWindowMenu);
        QFETCH(bool, aboutInApplicationMenu);
        Show(front);
        auto& commands = Commands();
        QCOMPARE(commands.about->isEnabled(), aboutInWindowMenu);
        QCOMPARE(commands.aboutApplication->isEnabled(), aboutInApplicationMenu);
        QVERIFY(commands.quit->isEnabled());
        for (QAction* never : {commands.print, commands.control, commands.blank}) {
            QVERIFY(!never->isEnabled());
        }
    }

    void aboutCommandsShowTheAboutWindowInFront() {
        for (QAction* action : {Commands().about, Commands().aboutApplication}) {
            Show(Front::Calculator);
            action->trigger();
            QVERIFY(QTest::qWaitForWindowActive(&session->About()));
        }
        Commands().about->trigger(); // again from the about window: it stays in front
        QCOMPARE(QApplication::activeWindow(), &session->About());
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
        auto& commands = Commands();
        QVERIFY(!commands.undo->isEnabled() && !commands.cut->isEnabled());
        QVERIFY(!commands.copy->isEnabled() && !commands.paste->isEnabled());

        QTest::keyClicks(&field, QStringLiteral("12.5"));
        field.selectAll();
        QVERIFY(commands.undo->isEnabled() && commands.cut->isEnabled() &&
                commands.copy->isEnabled());
        FillResults();
        QTest::keyClick(&field, Qt::Key_X, Qt::ControlModifier); // through the shortcut
        QCOMPARE(field.text(), QString());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("12.5"));
        QCOMPARE(Result(Result::CohensD), QString()); // a change empties the results
        QVERIFY(commands.paste->isEnabled());

        FillResults();
        commands.undo->trigger();
        QCOMPARE(field.text(), QStringLiteral("12.5"));
        QCOMPARE(Result(Result::CommonLanguage), QString());

        FillResults();
        field.selectAll();
        commands.copy->trigger();
        QCOMPARE(Result(Result::CommonLanguage), QStringLiteral("old")); // copying changes nothing
        QCOMPARE(alerts->beeps, 0);
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
