// The menu bar: its tree, how each window shows it, the enabling rules for each frontmost
// window, the About commands, and the edit commands on the calculator's input fields.
#include "platform/controls.h"
#include "platform/shared_window.h"
#include "shell/about_wnd.h"
#include "shell/application.h"
#include "shell/menu.h"
#include "shell/qwindow.h"
#include "support/recording_alerts.h"
#include "support/window_fixture.h"
#include "ui/control_wnd.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

using namespace tavrel;
using testing::CountWindows;
using testing::Field;
using testing::FillOutputs;

namespace {

bool Enabled(const char* name) {
    return shell::Menu().Find(name)->Enabled();
}

void Choose(const char* name) {
    shell::Menu().Find(name)->Action().trigger();
}

QStringList Titles(const QList<QAction*>& actions) {
    QStringList titles;
    for (const QAction* a : actions) {
        titles << (a->isSeparator() ? QStringLiteral("-") : a->text());
    }
    return titles;
}

} // namespace

class MenuTest : public QObject {
    Q_OBJECT

    std::optional<testing::RecordingAlerts> alerts_;

    // The calculator in front with the focus in M1Fld.
    platform::EditField& FocusedInput() {
        auto& main = ui::ControlWnd();
        main.Show();
        [&] { QVERIFY(QTest::qWaitForWindowActive(&main)); }();
        auto& field = Field("M1Fld");
        field.setFocus();
        return field;
    }

  private slots:
    void initTestCase() {
        QApplication::setApplicationName(QStringLiteral("Tavrel"));
        shell::InstallWindowLinks();
        shell::NewAppInstance();
    }
    // As at start-up, the about window exists (hidden) before the calculator, and the
    // calculator is in front.
    void init() {
        alerts_.emplace();
        QGuiApplication::clipboard()->clear();
        shell::AboutWnd().Hide();
        QVERIFY(QTest::qWaitForWindowActive(&ui::ControlWnd()));
    }
    void cleanup() {
        platform::DestroySharedWindows();
        alerts_.reset();
    }

    void treeInDisplayOrder() {
        struct Item {
            const char* name;
            const char* caption;
            const char* shortcut;
            platform::MenuItemKind kind;
        };
        using K = platform::MenuItemKind;
        const QList<QPair<Item, QList<Item>>> expected = {
            {{"UntitledMenu2", "File", "", K::Menu},
             {{"FilePrint", "Print", "", K::Plain}, {"FileQuit", "Quit", "Cmd+Q", K::Quit}}},
            {{"UntitledMenu0", "Edit", "", K::Menu},
             {{"EditUndo", "Undo", "Cmd+Z", K::Plain},
              {"UntitledMenu1", "-", "", K::Plain},
              {"EditCut", "Cut", "Cmd+X", K::Plain},
              {"EditCopy", "Copy", "Cmd+C", K::Plain},
              {"EditPaste", "Paste", "Cmd+V", K::Plain},
              {"EditClear", "", "", K::Plain}}},
            {{"WindowMenu", "Window", "", K::Menu},
             {{"ControlMenuItem", "Control", "", K::Plain},
              {"AboutMenuItem", "About Tavrel", "", K::Plain},
              {"AboutQuillet", "About Tavrel", "", K::Application}}},
        };
        const auto& menus = shell::Menu().Menus();
        QCOMPARE(menus.size(), std::size_t(expected.size()));
        for (qsizetype m = 0; m < expected.size(); ++m) {
            const auto& [menu, items] = expected[m];
            QCOMPARE(menus[m]->Name, QString::fromLatin1(menu.name));
            QCOMPARE(menus[m]->Text(), QString::fromLatin1(menu.caption));
            QCOMPARE(menus[m]->Items().size(), std::size_t(items.size()));
            for (qsizetype i = 0; i < items.size(); ++i) {
                const platform::MenuItem& item = *menus[m]->Items()[i];
                QCOMPARE(item.Name, QString::fromLatin1(items[i].name));
                QCOMPARE(item.Text(), QString::fromLatin1(items[i].caption));
                QCOMPARE(item.KeyboardShortcut(), QString::fromLatin1(items[i].shortcut));
                QVERIFY(item.Kind() == items[i].kind);
                QCOMPARE(item.AutoEnable, item.Name == QLatin1String("FileQuit"));
            }
        }
        QVERIFY(shell::Menu().Find("UntitledMenu1")->IsSeparator());
        QVERIFY(!shell::Menu().Find("EditClear")->IsSeparator());
        QCOMPARE(shell::Menu().Find("FileQuit")->Action().shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_Q));
    }

    void calculatorShowsTheMenuBarAboveItsContent() {
        auto& main = ui::ControlWnd();
        QMenuBar* bar = main.menuBar();
        QCOMPARE(main.Content().size(), QSize(500, 500));
        QCOMPARE(main.Content().geometry().top(), bar->geometry().bottom() + 1);
#ifndef Q_OS_MACOS
        QCOMPARE(Titles(bar->actions()), (QStringList{"Tavrel", "File", "Edit", "Window"}));
        QCOMPARE(Titles(bar->actions()[0]->menu()->actions()), QStringList{"About Tavrel"});
        QCOMPARE(bar->actions()[0]->menu()->actions()[0],
                 &shell::Menu().Find("AboutQuillet")->Action());
        QCOMPARE(Titles(bar->actions()[3]->menu()->actions()),
                 (QStringList{"Control", "About Tavrel"}));
#endif
        QCOMPARE(Titles(bar->actions()[2]->menu()->actions()),
                 (QStringList{"Undo", "-", "Cut", "Copy", "Paste", ""}));
        // A screen reader reads the menus by their titles.
        QAccessibleInterface* barAccess = QAccessible::queryAccessibleInterface(bar);
        QCOMPARE(barAccess->role(), QAccessible::MenuBar);
        QCOMPARE(barAccess->child(barAccess->childCount() - 1)->text(QAccessible::Name),
                 QStringLiteral("Window"));
        // The information window shows it too; the about box has no room for it.
        QCOMPARE(shell::Qwindow().menuBar()->actions().size(), bar->actions().size());
        QCOMPARE(shell::Qwindow().Content().size(), QSize(602, 575));
        QVERIFY(shell::AboutWnd().findChild<QMenuBar*>() == nullptr);
    }

    void enablingFollowsTheFrontmostWindow_data() {
        QTest::addColumn<QString>("front");
        QTest::addColumn<bool>("aboutWindowMenu");
        QTest::addColumn<bool>("aboutApplicationMenu");
        QTest::newRow("calculator") << "ControlWnd" << true << true;
        QTest::newRow("about") << "AboutWnd" << true << false;
        QTest::newRow("information") << "Qwindow" << false << false;
    }
    void enablingFollowsTheFrontmostWindow() {
        QFETCH(QString, front);
        QFETCH(bool, aboutWindowMenu);
        QFETCH(bool, aboutApplicationMenu);
        platform::Window& window =
            front == QLatin1String("ControlWnd") ? static_cast<platform::Window&>(ui::ControlWnd())
            : front == QLatin1String("AboutWnd") ? static_cast<platform::Window&>(shell::AboutWnd())
                                                 : static_cast<platform::Window&>(shell::Qwindow());
        window.Show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        shell::Menu().UpdateEnabling();
        QCOMPARE(Enabled("AboutMenuItem"), aboutWindowMenu);
        QCOMPARE(Enabled("AboutQuillet"), aboutApplicationMenu);
        QVERIFY(!Enabled("ControlMenuItem"));
        QVERIFY(!Enabled("FilePrint"));
        QVERIFY(Enabled("FileQuit"));
        QVERIFY(!Enabled("EditClear"));
    }

    void aboutCommandsShowOneAboutWindowInFront_data() {
        QTest::addColumn<QString>("item");
        QTest::newRow("Window menu") << "AboutMenuItem";
        QTest::newRow("application menu") << "AboutQuillet";
    }
    void aboutCommandsShowOneAboutWindowInFront() {
        QFETCH(QString, item);
        auto& about = shell::AboutWnd();
        about.Hide();
        auto& main = ui::ControlWnd();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        Choose(qPrintable(item));
        QVERIFY(QTest::qWaitForWindowActive(&about));
        // Again while the about window is in front: it stays, alone.
        Choose("AboutMenuItem");
        QVERIFY(about.isVisible());
        QCOMPARE(CountWindows("AboutWnd"), 1);
        QCOMPARE(QApplication::activeWindow(), &about);
    }

    void quitWorksFromEveryWindow_data() {
        QTest::addColumn<QString>("front");
        QTest::newRow("calculator") << "ControlWnd";
        QTest::newRow("about") << "AboutWnd";
        QTest::newRow("information") << "Qwindow";
    }
    void quitWorksFromEveryWindow() {
        QFETCH(QString, front);
        QWidget& window =
            front == QLatin1String("ControlWnd") ? static_cast<QWidget&>(ui::ControlWnd())
            : front == QLatin1String("AboutWnd") ? static_cast<QWidget&>(shell::AboutWnd())
                                                 : static_cast<QWidget&>(shell::Qwindow());
        static_cast<platform::Window&>(window).Show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTimer::singleShot(0,
                           [&window] { QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier); });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
        QCOMPARE(QCoreApplication::exec(), 0);
    }

    void editCommandsFollowTheFocusedField() {
        auto& field = FocusedInput();
        shell::Menu().UpdateEnabling();
        QVERIFY(!Enabled("EditUndo") && !Enabled("EditCut") && !Enabled("EditCopy"));
        QVERIFY(!Enabled("EditPaste")); // nothing to paste

        QTest::keyClicks(&field, QStringLiteral("12.5"));
        field.selectAll();
        QVERIFY(Enabled("EditUndo") && Enabled("EditCut") && Enabled("EditCopy"));

        FillOutputs();
        Choose("EditCut");
        QCOMPARE(field.text(), QString());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("12.5"));
        QCOMPARE(Field("dFld").text(), QString()); // a change empties the results
        QVERIFY(Enabled("EditPaste"));

        FillOutputs();
        Choose("EditUndo");
        QCOMPARE(field.text(), QStringLiteral("12.5"));
        QCOMPARE(Field("CLEFFld").text(), QString());

        FillOutputs();
        field.selectAll();
        Choose("EditCopy");
        QCOMPARE(Field("CLEFFld").text(), QStringLiteral("old")); // copying changes nothing
        QVERIFY(!Enabled("EditClear"));
        QCOMPARE(alerts_->beeps, 0);
    }

    void pasteTakesOnlyWhatTypingCould_data() {
        QTest::addColumn<QString>("before"); // the field's text, all selected when "sel:"
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("beeps");
        QTest::newRow("number") << ""
                                << "-3.5"
                                << "-3.5" << 0;
        QTest::newRow("fraction") << "1"
                                  << "/2"
                                  << "1/2" << 0;
        QTest::newRow("replaces the selection") << "sel:999999"
                                                << "42"
                                                << "42" << 0;
        QTest::newRow("fills to six") << "123"
                                      << "456"
                                      << "123456" << 0;
        QTest::newRow("seven is too long") << "1234"
                                           << "567"
                                           << "1234" << 1;
        QTest::newRow("exponent") << ""
                                  << "1e5"
                                  << "" << 1;
        QTest::newRow("space") << ""
                               << " 12"
                               << "" << 1;
        QTest::newRow("newline") << ""
                                 << "12\n"
                                 << "" << 1;
        QTest::newRow("tab") << ""
                             << "1\t2"
                             << "" << 1;
        QTest::newRow("comma") << ""
                               << "1,5"
                               << "" << 1;
        QTest::newRow("non-ASCII digit") << ""
                                         << "\u0663"
                                         << "" << 1;
    }
    void pasteTakesOnlyWhatTypingCould() {
        QFETCH(QString, before);
        QFETCH(QString, clipboard);
        QFETCH(QString, after);
        QFETCH(int, beeps);
        auto& field = FocusedInput();
        const bool select = before.startsWith(QLatin1String("sel:"));
        QTest::keyClicks(&field, select ? before.mid(4) : before);
        if (select) {
            field.selectAll();
        }
        FillOutputs();
        QGuiApplication::clipboard()->setText(clipboard);
        // Through the shortcut, as a user would.
        QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(field.text(), after);
        QCOMPARE(alerts_->beeps, beeps);
        QCOMPARE(Field("gFld").text(), beeps == 0 ? QString() : QStringLiteral("old"));
    }
};

QTEST_MAIN(MenuTest)
#include "menu_test.moc"
