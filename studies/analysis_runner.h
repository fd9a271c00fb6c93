#pragma once

#include "sheet/evaluation.h"
#include "sheet/studies_sheet.h"

#include <QFutureWatcher>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <memory>
#include <vector>

namespace tavrel::studies {

// The whole table's evaluation, with its pooling, away from the window's thread: started a
// moment after the last change, so that typing is never held up. A newer change calls off the
// run that is going, which stops at its next step; the newest starts once it has.
class AnalysisRunner : public QObject {
    Q_OBJECT

  public:
    // What one run was of, and what it found.
    struct Result {
        sheet::Evaluation evaluation;
        std::vector<sheet::RowId> ids;
        cli::Options options; // as the run read them
        QString optionsError; // the options cannot be used: nothing was pooled
    };

    explicit AnalysisRunner(QObject* parent = nullptr);
    ~AnalysisRunner() override;

    // A run of `sheet` is due: it starts once no change has come for a moment.
    void Schedule(const sheet::StudiesSheet& sheet);
    // Starts a run of `sheet` now; what an open or a test waits for.
    void RunNow(const sheet::StudiesSheet& sheet);
    bool Running() const { return watcher_.isRunning() || pending_.isActive(); }

  signals:
    // The newest run's result, on the window's thread.
    void Finished(const std::shared_ptr<const Result>& result);

  private:
    void Start();

    QTimer pending_;
    std::unique_ptr<sheet::StudiesSheet> next_; // what the pending run is of
    QFutureWatcher<std::shared_ptr<const Result>> watcher_;
    bool rerun_ = false;                        // a change came while a run was on
    std::shared_ptr<std::atomic<bool>> cancel_; // the running run's: set to call it off
};

} // namespace tavrel::studies
