#include "shell/session.h"

#include "shell/menu_commands.h"
#include "studies/studies_window.h"
#include "windows/about_window.h"
#include "windows/calculator_window.h"
#include "windows/fixed_window.h"
#include "windows/information_window.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QTimer>

namespace tavrel::shell {

Session::Session(std::chrono::milliseconds startupPause, const QStringList& files)
    : commands_(std::make_unique<MenuCommands>()), about_(std::make_unique<windows::AboutWindow>()),
      filesToOpen_(files) {
    // The about box has no room for a menu bar, but Quit's shortcut works there.
    commands_->AddShortcuts(*about_);
    commands_->openWindows = [this] { return OpenWindows(); };
    connect(commands_.get(), &MenuCommands::AboutRequested, this, &Session::ShowAbout);
    connect(commands_.get(), &MenuCommands::ControlRequested, this, &Session::ShowCalculator);
    connect(commands_->newStudies, &QAction::triggered, this, [this] { NewStudies(); });
    connect(commands_->openStudies, &QAction::triggered, this, &Session::OpenStudies);
    connect(commands_.get(), &MenuCommands::OpenRequested, this, &Session::OpenFile);
    connect(commands_.get(), &MenuCommands::QuitRequested, this, &Session::Quit);
    connect(about_.get(), &windows::AboutWindow::Dismissed, this, &Session::ShowCalculator);
    about_->setAcceptDrops(true);
    about_->installEventFilter(this);
    windows::ShowInFront(*about_);
    QTimer::singleShot(startupPause, this, &Session::ShowCalculator);
}

Session::~Session() {
    for (const QPointer<studies::StudiesWindow>& window : studies_) {
        delete window.data();
    }
}

windows::CalculatorWindow& Session::Calculator() {
    if (!calculator_) {
        calculator_ = std::make_unique<windows::CalculatorWindow>();
        commands_->AddMenuBar(*calculator_, {.about = true, .aboutApplication = true},
                              calculator_->EditCommands());
        connect(calculator_.get(), &windows::CalculatorWindow::InformationRequested, this,
                &Session::ShowInformation);
        connect(calculator_.get(), &windows::CalculatorWindow::MessageRequested, this,
                &Session::MessageRequested);
        connect(calculator_.get(), &windows::CalculatorWindow::BeepRequested, this,
                &Session::BeepRequested);
        // Once the calculator is in front, the about window has done its part.
        connect(calculator_.get(), &windows::CalculatorWindow::Activated, about_.get(),
                &QWidget::hide);
        calculator_->setAcceptDrops(true);
        calculator_->installEventFilter(this);
    }
    return *calculator_;
}

windows::InformationWindow& Session::Information() {
    if (!information_) {
        information_ = std::make_unique<windows::InformationWindow>();
        // Opened from the calculator, which therefore exists.
        commands_->AddMenuBar(*information_, {.control = true}, Calculator().EditCommands());
        information_->setAcceptDrops(true);
        information_->installEventFilter(this);
    }
    return *information_;
}

void Session::ShowCalculator() {
    about_->hide();
    windows::ShowInFront(Calculator());
    const QStringList files = std::exchange(filesToOpen_, {});
    for (const QString& file : files) {
        OpenFile(file);
    }
}

void Session::ShowAbout() {
    windows::ShowInFront(*about_);
}

void Session::ShowInformation() {
    windows::ShowInFront(Information());
}

QList<studies::StudiesWindow*> Session::StudiesWindows() const {
    QList<studies::StudiesWindow*> open;
    for (const QPointer<studies::StudiesWindow>& window : studies_) {
        if (window) {
            open << window.data();
        }
    }
    return open;
}

QList<QWidget*> Session::OpenWindows() const {
    QList<QWidget*> open;
    if (calculator_ && calculator_->isVisible()) {
        open << calculator_.get();
    }
    for (studies::StudiesWindow* window : StudiesWindows()) {
        open << window;
    }
    return open;
}

studies::StudiesWindow& Session::NewStudies() {
    auto* window = new studies::StudiesWindow; // deletes itself when closed
    commands_->AddMenuBar(*window, window->FileActions(), window->Menus());
    connect(window, &studies::StudiesWindow::FileOpened, this, &MenuCommands::AddRecentFile);
    window->installEventFilter(this);
    studies_.removeAll(nullptr);
    studies_ << window;
    windows::ShowInFront(*window);
    return *window;
}

void Session::OpenStudies() {
    const QString path = QFileDialog::getOpenFileName(
        QApplication::activeWindow(), tr("Open Studies"), QString(),
        tr("Studies (*.tavrel *.csv *.tsv *.xlsx *.ods *.sav *.dta);;Tavrel studies (*.tavrel);;"
           "CSV tables (*.csv);;TSV tables (*.tsv);;Workbooks (*.xlsx *.ods);;"
           "SPSS and Stata data (*.sav *.dta);;All files (*)"));
    if (!path.isEmpty()) {
        OpenFile(path);
    }
}

void Session::OpenFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (studies::StudiesWindow* window : StudiesWindows()) {
        if (QFileInfo(window->windowFilePath()).absoluteFilePath() == absolute) {
            windows::ShowInFront(*window);
            return;
        }
    }
    studies::StudiesWindow& window = NewStudies();
    QString why;
    if (!window.Open(absolute, &why)) {
        window.close();
        QMessageBox::warning(nullptr, tr("Open Studies"),
                             tr("%1 could not be opened.\n\n%2").arg(path, why));
    }
}

bool Session::CloseStudiesWindows() {
    for (studies::StudiesWindow* window : StudiesWindows()) {
        if (!window->close()) {
            return false;
        }
    }
    return true;
}

void Session::Quit() {
    if (CloseStudiesWindows()) {
        QCoreApplication::exit(0);
    }
}

bool Session::eventFilter(QObject* watched, QEvent* event) {
    // Closing the calculator ends the application: not while a Studies window keeps changes.
    if (event->type() == QEvent::Close && calculator_ && watched == calculator_.get() &&
        !CloseStudiesWindows()) {
        event->ignore();
        return true;
    }
    if (event->type() == QEvent::DragEnter) {
        auto* enter = static_cast<QDragEnterEvent*>(event);
        if (enter->mimeData()->hasUrls()) {
            enter->acceptProposedAction();
            return true;
        }
    } else if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        for (const QUrl& url : drop->mimeData()->urls()) {
            if (url.isLocalFile()) {
                OpenFile(url.toLocalFile());
            }
        }
        drop->acceptProposedAction();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tavrel::shell
