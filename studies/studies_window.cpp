#include "studies/studies_window.h"

#include "project/project_file.h"
#include "project/table_file.h"
#include "report/forest_data.h"
#include "report/funnel_data.h"
#include "studies/analysis_panel.h"
#include "studies/plot_export.h"
#include "studies/plot_view.h"
#include "studies/results_export.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPromise>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QThreadPool>
#include <cstdio>

namespace tavrel::studies {

namespace {

// A new table: the columns of two groups' means, SDs and sizes, and one row to type into.
sheet::StudiesSheet NewSheet() {
    project::StudiesProject studies;
    studies.columns = {"study", "m1", "sd1", "n1", "m2", "sd2", "n2"};
    studies.rows = {std::vector<std::string>(studies.columns.size())};
    return sheet::StudiesSheet(std::move(studies));
}

// A table whose text is not UTF-8 is read as Latin-1 (Windows' Western European), which
// every byte is: nothing is lost, and the digits are the same.
void ReadAsLatin1(project::StudiesProject& studies) {
    const auto convert = [](std::string& text) {
        text = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())).toStdString();
    };
    for (std::string& column : studies.columns) {
        convert(column);
    }
    for (std::vector<std::string>& row : studies.rows) {
        for (std::string& cell : row) {
            convert(cell);
        }
    }
}

} // namespace

StudiesWindow::StudiesWindow(QWidget* parent)
    : QMainWindow(parent), model_(&undo_), table_(new QTableView), panel_(new AnalysisPanel),
      forest_(new PlotView(tr("Forest plot"))), funnel_(new PlotView(tr("Funnel plot"))),
      side_(new QTabWidget), pooledStatus_(new QLabel) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAcceptDrops(true);
    proxy_.setSourceModel(&model_);
    table_->setModel(&proxy_);
    table_->setSortingEnabled(false);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    table_->horizontalHeader()->setSectionsClickable(true);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->setAccessibleName(tr("Studies"));
    table_->horizontalHeader()->setResizeContentsPrecision(100);
    model_.SetMarkIcons(style()->standardIcon(QStyle::SP_MessageBoxCritical),
                        style()->standardIcon(QStyle::SP_MessageBoxWarning));

    side_->addTab(panel_, tr("&Analysis"));
    side_->addTab(forest_, tr("&Forest Plot"));
    side_->addTab(funnel_, tr("F&unnel Plot"));
    side_->setAccessibleName(tr("Analysis and plots"));
    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(table_);
    splitter->addWidget(side_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    setCentralWidget(splitter);
    statusBar()->addPermanentWidget(pooledStatus_);
    pooledStatus_->setAccessibleName(tr("Analysis state"));
    resize(1280, 760);

    SetUpActions();
    SetUpMenus();
    connect(&model_, &sheet::StudiesModel::inputsChanged, this, [this] {
        runner_.Schedule(model_.Sheet());
        pooledStatus_->setText(tr("Computing…"));
        panel_->ShowOptions(model_.Sheet().View());
    });
    connect(&runner_, &AnalysisRunner::Finished, this, &StudiesWindow::ShowResult);
    connect(&undo_, &QUndoStack::cleanChanged, this, [this] { UpdateTitle(); });
    connect(panel_, &AnalysisPanel::OptionChanged, this,
            [this](const std::string& name, const std::optional<std::string>& value) {
                model_.SetOption(name, value);
            });
    connect(panel_, &AnalysisPanel::OptionCleared, this,
            [this](const std::string& name) { model_.ClearOption(name); });
    connect(table_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &StudiesWindow::ShowCurrentRowMessage);
    model_.Reset(NewSheet());
    UpdateTitle();
}

StudiesWindow::~StudiesWindow() {
    // The stack says it is clean again as it goes, when the title is no longer there to set.
    disconnect(&undo_, nullptr, this, nullptr);
}

bool StudiesWindow::Open(const QString& path, QString* why) {
    project::TableFileNotes notes;
    project::StudiesProject studies;
    try {
        studies = project::LoadStudies(path.toStdString(), notes);
    } catch (const project::ProjectError& e) {
        *why = QString::fromStdString(e.what());
        return false;
    }
    QStringList said;
    if (!notes.sheet.empty()) {
        said << tr("Read the sheet \"%1\".").arg(QString::fromStdString(notes.sheet));
    }
    if (notes.notUtf8) {
        ReadAsLatin1(studies);
        said << tr("The file is not UTF-8: it was read as Latin-1.");
    }
    if (notes.shortRows > 0) {
        said << tr("Rows with fewer fields than the header: %1; their last cells are empty.")
                    .arg(notes.shortRows);
    }
    if (notes.longRows > 0) {
        said << tr("Rows with more fields than the header: %1; columns were added for them.")
                    .arg(notes.longRows);
    }
    if (notes.decimalCommas > 0) {
        said << tr("Numbers with a decimal comma: %1; they are written with a point.")
                    .arg(notes.decimalCommas);
    }
    model_.Reset(sheet::StudiesSheet(std::move(studies)));
    table_->resizeColumnsToContents(); // measured on the first rows, not on thousands
    // A table is not a project yet: Save asks where to put one.
    ShowFile(path, project::IsProjectPath(path.toStdString()) ? path : QString());
    statusBar()->showMessage(said.join(QLatin1Char(' ')));
    return true;
}

void StudiesWindow::ShowFile(const QString& file, const QString& project) {
    path_ = project;
    setWindowFilePath(file);
    UpdateTitle();
    emit FileOpened(file);
}

QString StudiesWindow::ShownName() const {
    return windowFilePath().isEmpty() ? tr("Untitled") : QFileInfo(windowFilePath()).fileName();
}

QList<QAction*> StudiesWindow::FileActions() const {
    return {save_, saveAs_, export_, exportPlot_, close_};
}

void StudiesWindow::UpdateTitle() {
    setWindowModified(!undo_.isClean());
    setWindowTitle(tr("%1[*] — Tavrel").arg(ShownName()));
}

bool StudiesWindow::Save() {
    return path_.isEmpty() ? SaveAs() : SaveTo(path_);
}

bool StudiesWindow::SaveAs() {
    QString suggested = path_;
    if (suggested.isEmpty()) {
        const QFileInfo shown(windowFilePath());
        suggested =
            windowFilePath().isEmpty()
                ? tr("Untitled.tavrel")
                : shown.dir().filePath(shown.completeBaseName() + QStringLiteral(".tavrel"));
    }
    QString path = QFileDialog::getSaveFileName(this, tr("Save Studies"), suggested,
                                                tr("Tavrel studies (*.tavrel)"));
    if (path.isEmpty()) {
        return false;
    }
    if (!project::IsProjectPath(path.toStdString())) {
        path += QStringLiteral(".tavrel");
    }
    return SaveTo(path);
}

bool StudiesWindow::SaveTo(const QString& path) {
    try {
        project::SaveProject(model_.Sheet().Project(), path.toStdString(), stderr);
    } catch (const std::runtime_error& e) { // a text that is not UTF-8, or the file system
        QMessageBox::critical(this, tr("Save Studies"),
                              tr("The studies could not be saved.\n\n%1").arg(e.what()));
        return false;
    }
    undo_.setClean();
    ShowFile(path, path);
    statusBar()->showMessage(tr("Saved %1").arg(path), 5000);
    return true;
}

void StudiesWindow::ExportResults() {
    const QFileInfo shown(windowFilePath().isEmpty() ? tr("Untitled") : windowFilePath());
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Export Results"),
        shown.dir().filePath(shown.completeBaseName() + QStringLiteral("-results.csv")),
        tr("CSV table (*.csv)"));
    if (!path.isEmpty()) {
        StartExport(path);
    }
}

void StudiesWindow::StartExport(const QString& path) {
    // Written on another thread: the window goes on answering, and says when it is done.
    auto plan = std::make_shared<const ResultsExport>(
        PlanExport(model_.Sheet().Project(), path_, path, pooledStudies_));
    auto promise = std::make_shared<QPromise<QString>>();
    auto* watcher = new QFutureWatcher<QString>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, plan] {
        watcher->deleteLater();
        export_->setEnabled(true);
        const QString why = watcher->result();
        if (!why.isEmpty()) {
            statusBar()->clearMessage();
            QMessageBox::warning(this, tr("Export Results"),
                                 tr("Nothing was exported.\n\n%1").arg(why));
            return;
        }
        statusBar()->showMessage(tr("Exported %1").arg(plan->files.join(QStringLiteral(", "))),
                                 8000);
    });
    watcher->setFuture(promise->future());
    export_->setEnabled(false);
    statusBar()->showMessage(tr("Exporting the results…"));
    promise->start();
    QThreadPool::globalInstance()->start([promise, plan] {
        promise->addResult(RunExport(*plan));
        promise->finish();
    });
}

QStringList StudiesWindow::ExportResultsTo(const QString& path, QString* why) const {
    const ResultsExport plan = PlanExport(model_.Sheet().Project(), path_, path, pooledStudies_);
    *why = RunExport(plan);
    return why->isEmpty() ? plan.files : QStringList();
}

void StudiesWindow::ExportPlot() {
    const PlotView& plot = side_->currentWidget() == funnel_ ? *funnel_ : *forest_;
    if (!plot.HasPlot()) {
        QMessageBox::information(this, tr("Export Plot"), tr("There is no plot to export yet."));
        return;
    }
    const QFileInfo shown(windowFilePath().isEmpty() ? tr("Untitled") : windowFilePath());
    const QString suffix =
        &plot == funnel_ ? QStringLiteral("-funnel.svg") : QStringLiteral("-forest.svg");
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Export Plot"), shown.dir().filePath(shown.completeBaseName() + suffix),
        tr("SVG picture (*.svg);;PDF document (*.pdf);;PNG image (*.png)"));
    if (path.isEmpty()) {
        return;
    }
    const std::optional<QSize> size = AskPlotSize(this, plot.PlotSize());
    QString why;
    if (size && !studies::ExportPlot(plot, path, *size, &why)) {
        QMessageBox::warning(this, tr("Export Plot"),
                             tr("The plot was not exported.\n\n%1").arg(why));
    }
}

void StudiesWindow::ShowResult(const std::shared_ptr<const AnalysisRunner::Result>& result) {
    if (runner_.Running()) {
        return; // a newer run is on its way
    }
    model_.ShowEvaluation(result->evaluation, result->ids, true);
    const sheet::Evaluation& evaluation = result->evaluation;
    const QString failure = !result->optionsError.isEmpty()
                                ? result->optionsError
                                : QString::fromStdString(evaluation.failure);
    panel_->ShowResults(QString::fromStdString(evaluation.messages),
                        QString::fromStdString(evaluation.summaryJson), failure);
    pooledStudies_ = evaluation.pooled ? evaluation.pooled->Studies().size() : 0;
    pooledStatus_->setText(!failure.isEmpty()    ? tr("Not pooled")
                           : pooledStudies_ == 1 ? tr("1 study pooled")
                                                 : tr("%1 studies pooled").arg(pooledStudies_));
    ShowPlots(*result);
    ShowCurrentRowMessage();
}

void StudiesWindow::ShowPlots(const AnalysisRunner::Result& result) {
    const sheet::Evaluation& evaluation = result.evaluation;
    if (!evaluation.analysis || !evaluation.pooled) {
        const QString why = tr("No plot: the studies were not pooled.");
        forest_->ShowNone(why);
        funnel_->ShowNone(why);
        return;
    }
    const analysis::Analysis& analysis = *evaluation.analysis;
    if (!result.options.moderators.empty()) {
        const QString why = tr("No plot: the plots are of a model without moderators.");
        forest_->ShowNone(why);
        funnel_->ShowNone(why);
        return;
    }
    const std::size_t k = evaluation.pooled->Studies().size();
    if (k > plots::kMostStudiesInAPlot) {
        forest_->ShowNone(tr("A forest plot of %1 studies cannot be read; %2 is the most it draws.")
                              .arg(k)
                              .arg(plots::kMostStudiesInAPlot));
    } else {
        forest_->ShowForest(
            report::PlotOf(*evaluation.pooled, analysis.model, result.options.favoursLeft,
                           result.options.favoursRight, analysis.subgroups,
                           analysis.differences ? &*analysis.differences : nullptr));
    }
    if (analysis.smallStudy) {
        funnel_->ShowFunnel(report::FunnelPlotOf(*evaluation.pooled, analysis.model,
                                                 *analysis.smallStudy,
                                                 result.options.funnelContours));
    } else {
        funnel_->ShowNone(tr("No funnel plot for this model."));
    }
}

void StudiesWindow::closeEvent(QCloseEvent* event) {
    if (!MayClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

bool StudiesWindow::MayClose() {
    if (undo_.isClean()) {
        return true;
    }
    const QMessageBox::StandardButton answer = QMessageBox::warning(
        this, tr("Close Studies"), tr("Save the changes to %1 before closing?").arg(ShownName()),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save) {
        return Save();
    }
    return answer == QMessageBox::Discard;
}

} // namespace tavrel::studies
