#pragma once

#include "shell/menu_commands.h"
#include "shell/session.h"
#include "support/recording_alerts.h"
#include "windows/about_window.h"
#include "windows/calculator_window.h"
#include "windows/fixed_window.h"
#include "windows/information_window.h"

#include <QApplication>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <functional>
#include <optional>

namespace tavrel::testing {

// A whole session, as at start-up, made anew for each test.
class SessionFixture {
  public:
    // A session whose start-up pause lasts `pause`: by default longer than any test, so that
    // only the tests of the pause see it end.
    void SetUp(std::chrono::milliseconds pause = std::chrono::minutes(10)) {
        QApplication::setApplicationName(QStringLiteral("Tavrel"));
        QApplication::setQuitOnLastWindowClosed(false);
        session.emplace(pause);
        alerts.emplace(*session);
    }
    void TearDown() {
        alerts.reset();
        session.reset();
    }

    // The calculator in front, the start-up pause over.
    windows::CalculatorWindow& Calculator() {
        session->ShowCalculator();
        [this] { QVERIFY(QTest::qWaitForWindowActive(&session->Calculator())); }();
        return session->Calculator();
    }
    shell::MenuCommands& Commands() { return session->Commands(); }

    // Runs the event loop until the application quits; `act` runs once the loop is going.
    static int RunUntilQuit(const std::function<void()>& act) {
        QTimer::singleShot(0, act);
        QTimer::singleShot(5000, [] { QCoreApplication::exit(99); }); // never hang
        return QCoreApplication::exec();
    }

    std::optional<RecordingAlerts> alerts;
    std::optional<shell::Session> session;
};

} // namespace tavrel::testing
