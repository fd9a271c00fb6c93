#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <chrono>
#include <memory>

namespace tavrel::studies {
class StudiesWindow;
}

namespace tavrel::windows {
class AboutWindow;
class CalculatorWindow;
class InformationWindow;
} // namespace tavrel::windows

namespace tavrel::shell {

class MenuCommands;

// One run of the application: the menu commands and the windows, and how they reach each
// other. It starts by showing the about window alone; after the start-up pause, or at a key or
// click in it, the about window goes and the calculator comes, and then a Studies window for
// each file the application was started with. The calculator and the information window are
// made on first use; quitting during the pause never makes the calculator at all. A file
// dropped on any window opens in a Studies window.
class Session : public QObject {
    Q_OBJECT

  public:
    static constexpr std::chrono::milliseconds kStartupPause{1200};

    // `startupPause` is how long the about window stands alone; tests shorten it.
    // `files` open once the calculator has come.
    explicit Session(std::chrono::milliseconds startupPause = kStartupPause,
                     const QStringList& files = {});
    ~Session() override;

    MenuCommands& Commands() const { return *commands_; }
    windows::AboutWindow& About() const { return *about_; }
    windows::CalculatorWindow& Calculator();
    windows::InformationWindow& Information();
    // Whether the calculator has been made yet.
    bool HasCalculator() const { return calculator_ != nullptr; }
    // The open Studies windows, oldest first.
    QList<studies::StudiesWindow*> StudiesWindows() const;

  signals:
    // The calculator's input errors and refusals, for the application to show and sound.
    void MessageRequested(const QString& text);
    void BeepRequested();

  public slots:
    // The about window goes, the calculator comes to the front. The pause's end, and a key or
    // click in the about window; again later, it does no harm.
    void ShowCalculator();
    void ShowAbout();
    void ShowInformation();
    studies::StudiesWindow& NewStudies();
    // Asks for a file and opens it.
    void OpenStudies();
    // Opens `path` (a project, CSV or TSV) in a Studies window, or brings the window that has
    // it to the front; says why where it cannot.
    void OpenFile(const QString& path);
    // Ends the application, once every Studies window has closed (each asks to save its
    // changes, and Cancel keeps it and the application).
    void Quit();

  protected:
    // Files dropped on a window open.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QList<QWidget*> OpenWindows() const;
    // Closes every Studies window; false where one stays open.
    bool CloseStudiesWindows();

    std::unique_ptr<MenuCommands> commands_;
    std::unique_ptr<windows::AboutWindow> about_;
    std::unique_ptr<windows::CalculatorWindow> calculator_;
    std::unique_ptr<windows::InformationWindow> information_;
    QList<QPointer<studies::StudiesWindow>> studies_;
    QStringList filesToOpen_; // until the calculator has come
};

} // namespace tavrel::shell
