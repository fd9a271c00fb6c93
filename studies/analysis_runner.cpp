#include "studies/analysis_runner.h"

#include <QPromise>
#include <QThreadPool>

namespace tavrel::studies {

namespace {

// How long after a change the run starts: a run per keystroke would only be thrown away.
constexpr int kQuietMilliseconds = 40;

} // namespace

AnalysisRunner::AnalysisRunner(QObject* parent) : QObject(parent) {
    pending_.setSingleShot(true);
    pending_.setInterval(kQuietMilliseconds);
    connect(&pending_, &QTimer::timeout, this, &AnalysisRunner::Start);
    connect(&watcher_, &QFutureWatcherBase::finished, this, [this] {
        if (watcher_.future().resultCount() > 0 && !rerun_ &&
            !watcher_.result()->evaluation.cancelled) {
            emit Finished(watcher_.result());
        }
        if (rerun_) {
            rerun_ = false;
            Start();
        }
    });
}

AnalysisRunner::~AnalysisRunner() {
    // The run holds its own copies; it is called off, and its result goes nowhere.
    watcher_.disconnect();
    if (cancel_) {
        *cancel_ = true;
    }
}

void AnalysisRunner::Schedule(const sheet::StudiesSheet& sheet) {
    next_ = std::make_unique<sheet::StudiesSheet>(sheet);
    pending_.start();
}

void AnalysisRunner::RunNow(const sheet::StudiesSheet& sheet) {
    next_ = std::make_unique<sheet::StudiesSheet>(sheet);
    pending_.stop();
    Start();
}

void AnalysisRunner::Start() {
    if (!next_) {
        return;
    }
    if (watcher_.isRunning()) {
        rerun_ = true; // the running result is already old: the next starts once it ends
        *cancel_ = true;
        return;
    }
    auto result = std::make_shared<Result>();
    const project::StudiesProject studies = next_->Project();
    for (int row = 0; row < next_->Rows(); ++row) {
        result->ids.push_back(next_->IdAt(row));
    }
    next_.reset();
    // The options are read here, so that a result always comes with the options it had.
    std::optional<cli::Options> options;
    try {
        options = sheet::AnalysisOptions(studies);
    } catch (const cli::UsageError& e) {
        result->optionsError = QString::fromStdString(e.what());
        options = cli::Options{};
        options->meta = false;
    }
    result->options = *options;
    auto promise = std::make_shared<QPromise<std::shared_ptr<const Result>>>();
    watcher_.setFuture(promise->future());
    promise->start();
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    QThreadPool::globalInstance()->start([promise, result, studies, options = *options,
                                          cancel = cancel_] {
        result->evaluation = sheet::Evaluate(studies, options, [cancel] { return cancel->load(); });
        promise->addResult(std::shared_ptr<const Result>(result));
        promise->finish();
    });
}

} // namespace tavrel::studies
