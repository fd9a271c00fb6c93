// Tavrel as it starts, watched: prints the wall-clock time of the about window's first paint,
// and of the end of its first frame (every widget in it painted), once the calculator has been
// shown and has painted, the peak resident memory; then quits. bench/startup runs it many times.
#include "shell/application.h"

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ctime>

namespace {

long long WallClockNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
}

QByteArray PeakResidentKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return "?";
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').value(0);
        }
    }
    return "?";
}

bool InWindow(QObject* object, const char* windowName) {
    auto* widget = qobject_cast<QWidget*>(object);
    return widget != nullptr && widget->window()->objectName() == QLatin1String(windowName);
}

class StartupWatcher : public QObject {
  protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() != QEvent::Paint) {
            return false;
        }
        if (!aboutPainted_ && InWindow(object, "AboutWindow")) {
            aboutPainted_ = true;
            std::printf("about_first_paint_ns %lld\n", WallClockNanoseconds());
            // Runs once every widget of this first frame has painted.
            QTimer::singleShot(
                0, [] { std::printf("about_frame_painted_ns %lld\n", WallClockNanoseconds()); });
        } else if (!mainPainted_ && InWindow(object, "CalculatorWindow")) {
            mainPainted_ = true;
            QTimer::singleShot(300, [] {
                std::printf("peak_rss_kb %s\n", PeakResidentKilobytes().constData());
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

  private:
    bool aboutPainted_ = false;
    bool mainPainted_ = false;
};

} // namespace

int main(int argc, char** argv) {
    StartupWatcher watcher;
    return tavrel::shell::Main(argc, argv, [&watcher] {
        qApp->installEventFilter(&watcher);
        QTimer::singleShot(10000, [] { QCoreApplication::exit(1); }); // a window never painted
    });
}
