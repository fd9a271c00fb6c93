#pragma once

#include "sheet/studies_model.h"
#include "studies/analysis_runner.h"
#include "studies/studies_proxy.h"

#include <QList>
#include <QMainWindow>
#include <QUndoStack>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QTabWidget;
class QTableView;

namespace tavrel::studies {

class AnalysisPanel;
class PlotView;

// A table of studies with its meta-analysis: the table as typed, with the columns tavrel-batch
// computes beside it; the analysis's options, its summary and results; and the forest and
// funnel plots, redrawn after every change without holding up typing. Saved as a project.
class StudiesWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit StudiesWindow(QWidget* parent = nullptr);
    ~StudiesWindow() override;

    // Opens `path` (a project, or a CSV or TSV table); false, with why in `why`, where it
    // cannot, leaving the window as it was.
    bool Open(const QString& path, QString* why);
    // The file the window saves to; empty for a table never saved.
    QString FilePath() const { return path_; }
    bool IsModified() const { return !undo_.isClean(); }

    // The window's own commands, for the menu bar the shell gives it.
    QList<QAction*> FileActions() const;
    QList<QMenu*> Menus() const { return menus_; }

    sheet::StudiesModel& Model() { return model_; }
    QUndoStack& UndoStack() { return undo_; }
    QTableView& Table() const { return *table_; }
    AnalysisRunner& Runner() { return runner_; }
    PlotView& Forest() const { return *forest_; }
    PlotView& Funnel() const { return *funnel_; }

    // Exports to `path` (the results table) and files beside it named after it: the summary
    // (.json), the leave-one-out table and the plots. Returns the files written, or none with
    // why in `why`.
    QStringList ExportResultsTo(const QString& path, QString* why) const;
    // The same on another thread; the status bar says when it is done, a message box why not.
    void StartExport(const QString& path);

  public slots:
    bool Save();
    bool SaveAs();
    // Writes the results table, the summary, the leave-one-out table and the plots as
    // tavrel-batch writes them from the saved project, all or none.
    void ExportResults();
    // Writes the plot in front (the forest plot where neither is) as SVG, PDF or PNG.
    void ExportPlot();

  signals:
    // A file was opened or saved: what Open Recent follows.
    void FileOpened(const QString& path);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void SetUpActions();
    void SetUpMenus();
    void UpdateTitle();
    // Shows `file` as the window's (title, Open Recent); `project` is where Save writes, empty
    // where the file is a table and not yet a project.
    void ShowFile(const QString& file, const QString& project);
    QString ShownName() const; // the file's name, or "Untitled"
    void ShowResult(const std::shared_ptr<const AnalysisRunner::Result>& result);
    void ShowPlots(const AnalysisRunner::Result& result);
    // Whether the window may close, having asked to save where it holds changes.
    bool MayClose();
    bool SaveTo(const QString& path);
    void ShowCurrentRowMessage();
    // The selection, in the model's rows and columns, in the order the view shows them.
    std::vector<int> SelectedRows() const;
    std::vector<int> SelectedColumns() const;
    int CurrentRow() const;
    int CurrentColumn() const;
    void CopySelection();
    void PasteClipboard();
    void ClearSelection();
    void InsertRows(bool below);
    void MoveRow(int by);
    void InsertColumn();
    void RenameColumn();
    // The role actions checked as the current column plays them.
    void ShowColumnRoles();
    void SetColumnRole(std::string_view option, bool on);

    QUndoStack undo_;
    sheet::StudiesModel model_;
    StudiesProxy proxy_;
    AnalysisRunner runner_;
    QTableView* table_;
    AnalysisPanel* panel_;
    PlotView* forest_;
    PlotView* funnel_;
    QTabWidget* side_;
    QLabel* pooledStatus_;
    QString path_; // the project saved to; empty until there is one
    std::size_t pooledStudies_ = 0;
    QList<QMenu*> menus_;

    QAction* save_;
    QAction* saveAs_;
    QAction* export_;
    QAction* exportPlot_;
    QAction* close_;
    QAction* cut_;
    QAction* copy_;
    QAction* paste_;
    QAction* clear_;
    QAction* selectAll_;
    QAction* insertAbove_;
    QAction* insertBelow_;
    QAction* deleteRows_;
    QAction* moveUp_;
    QAction* moveDown_;
    QAction* insertColumn_;
    QAction* renameColumn_;
    QAction* deleteColumn_;
    QAction* problemsOnly_;
    QAction* labels_;
    QAction* subgroups_;
    QAction* moderator_;
    QAction* clusters_;
};

} // namespace tavrel::studies
