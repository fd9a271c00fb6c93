// Start-up and lifetime: the steps in order, the start-up picture, the switch to the
// calculator after 1200 ms or at a key or click, and quitting at any time.
#include "platform/application.h"
#include "platform/shared_window.h"
#include "shell/about_wnd.h"
#include "shell/app.h"
#include "shell/application.h"
#include "shell/file_types.h"
#include "shell/invisible_wnd.h"
#include "shell/menu.h"
#include "support/window_fixture.h"
#include "ui/control_wnd.h"

#include <QAction>
#include <QTimer>
#include <QtTest>

using namespace tavrel;
using testing::CountWindows;

namespace {

QTimer& Timer1() {
    return *shell::InvisibleWnd().findChild<QTimer*>(QStringLiteral("Timer1"));
}

// Runs the event loop until the application quits; `act` runs once the loop is going.
int RunUntilQuit(const std::function<void()>& act) {
    QTimer::singleShot(0, act);
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); }); // never hang
    return QCoreApplication::exec();
}

void StartUp() {
    shell::InitFileTypes();
    shell::NewAppInstance();
    shell::ApplicationAddMenuHandlers();
    shell::MakeDefaultView();
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QApplication::setQuitOnLastWindowClosed(false);
        shell::InstallWindowLinks();
    }
    void cleanup() { platform::DestroySharedWindows(); }

    void stepsRunInOrder() {
        shell::InitFileTypes();
        const shell::FileTypes& types = shell::SharedFileTypes();
        QCOMPARE(types.pText.Name, QStringLiteral("text"));
        QCOMPARE(types.pText.MacType, QStringLiteral("TEXT"));
        QCOMPARE(types.pText.MacCreator, QStringLiteral("R*ch"));
        QVERIFY(types.pText.Extensions.isEmpty());
        QVERIFY(types.pUntitledType.Name.isEmpty() && types.pUntitledType.MacType.isEmpty());

        shell::NewAppInstance();
        QCOMPARE(platform::CurrentApplication(), &shell::App());
        QCOMPARE(shell::App().MenuBar(), &shell::Menu());
        QCOMPARE(CountWindows("AboutWnd"), 0); // no window before the default view

        shell::ApplicationAddMenuHandlers();
        shell::MakeDefaultView();
        QVERIFY(!shell::InvisibleWnd().isVisible());
        QVERIFY(shell::AboutWnd().isVisible());
        QCOMPARE(CountWindows("ControlWnd"), 0);
        QVERIFY(Timer1().isActive());
        QVERIFY(Timer1().isSingleShot());
        QCOMPARE(Timer1().interval(), 1200);
    }

    void timerSwitchesToTheCalculator() {
        StartUp();
        // The real wiring, without waiting the whole 1.2 s.
        Timer1().start(1);
        QTRY_VERIFY(CountWindows("ControlWnd") == 1 && ui::ControlWnd().isVisible());
        QVERIFY(!shell::AboutWnd().isVisible());
        QVERIFY(!shell::InvisibleWnd().isVisible());
        QVERIFY(QTest::qWaitForWindowActive(&ui::ControlWnd()));
        QTest::qWait(20);
        QVERIFY(!Timer1().isActive()); // fired once
    }

    void keyOrClickDuringThePauseShowsTheCalculatorAtOnce_data() {
        QTest::addColumn<bool>("click");
        QTest::newRow("key") << false;
        QTest::newRow("click") << true;
    }
    void keyOrClickDuringThePauseShowsTheCalculatorAtOnce() {
        QFETCH(bool, click);
        StartUp();
        auto& about = shell::AboutWnd();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        if (click) {
            QTest::mouseClick(&about.Content(), Qt::LeftButton, {}, QPoint(10, 100));
        } else {
            QTest::keyClick(&about, Qt::Key_X);
        }
        QVERIFY(ui::ControlWnd().isVisible());
        QVERIFY(!about.isVisible());
        QVERIFY(Timer1().isActive()); // not cancelled

        // The timer's later firing creates no second window and leaves the picture hidden.
        shell::InvisibleWnd().Timer1_Action();
        QCOMPARE(CountWindows("ControlWnd"), 1);
        QVERIFY(!about.isVisible());
        QVERIFY(ui::ControlWnd().isVisible());
    }

    void quitDuringThePauseNeverCreatesTheCalculator() {
        StartUp();
        auto& about = shell::AboutWnd();
        QVERIFY(QTest::qWaitForWindowActive(&about));
        const int status =
            RunUntilQuit([&about] { QTest::keyClick(&about, Qt::Key_Q, Qt::ControlModifier); });
        QCOMPARE(status, 0);
        QCOMPARE(CountWindows("ControlWnd"), 0);
    }

    void quitFromTheMenuEndsWithStatusZero() {
        StartUp();
        Timer1().start(1);
        QTRY_VERIFY(CountWindows("ControlWnd") == 1);
        QVERIFY(QTest::qWaitForWindowActive(&ui::ControlWnd()));
        const int status = RunUntilQuit(
            [] { shell::Menu().Find(QStringLiteral("FileQuit"))->Action().trigger(); });
        QCOMPARE(status, 0);
    }

    void aboutShownLaterIsNotUndoneByTheTimer() {
        StartUp();
        Timer1().start(1);
        QTRY_VERIFY(CountWindows("ControlWnd") == 1);
        QVERIFY(QTest::qWaitForWindowActive(&ui::ControlWnd()));
        shell::AboutWnd().Show();
        QTest::qWait(50);
        QVERIFY(shell::AboutWnd().isVisible());
    }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
