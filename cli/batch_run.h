#pragma once

#include "analysis/analysis.h"
#include "cli/destinations.h"
#include "cli/held_table.h"
#include "cli/options.h"
#include "cli/plot_module.h"
#include "cli/progress.h"
#include "csv/csv_reader.h"
#include "csv/csv_writer.h"
#include "project/studies_project.h"
#include "table/pooled_rows.h"
#include "table/study_table.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace tavrel::cli {

// One run of the tool once its options are parsed: open every output, read the table, analyse
// the pooled rows, write the outputs under their temporary names, and commit them all. Each
// step throws RunError (or an outputs::OutputError, or the CSV reader's errors) where the run
// cannot go on, leaving every file as it was.
class BatchRun {
  public:
    // `shown`: for a front end that shows the studies (a window): the pooled studies keep
    // their labels and intervals for its plots, and the table which rows need a look.
    BatchRun(const Options& options, std::FILE* out, std::FILE* err, bool shown = false);

    // Checks every output and opens it (its temporary file made) before any row is read.
    void Open(std::FILE* input);
    // Reads and writes every row, and says on standard error where the effect sizes came from.
    void Read(std::FILE* input);
    void Read(const project::StudiesProject& studies);
    // The analysis the options ask for, of the rows that gave an effect size.
    void Analyse();
    // Writes the summary, the plots, the table with each study's part and the fits without
    // each study into their files, still under their temporary names.
    void WriteOutputs();
    // Puts every output in place, then tells the reader and writes what goes to standard
    // output.
    void Commit();

    // The analysis asks `cancelled` as it goes, and throws RunCancelled once it says yes.
    void CancelWhen(std::function<bool()> cancelled) { cancelled_ = std::move(cancelled); }

    bool Pooling() const { return options_.meta; }
    const table::StudyTable& Table() const { return *table_; }
    // What was pooled and found, once committed, for a front end that shows them.
    std::optional<table::PooledRows> TakePooledRows() { return std::move(pooledRows_); }
    std::optional<analysis::Analysis> TakeAnalysis() { return std::move(analysis_); }
    const std::string& SummaryJson() const { return json_; }

  private:
    // `readAll` hands each record of the input to the function it is given, in order.
    using RecordSink = std::function<void(const csv::Record&)>;
    void ReadRecords(const std::function<void(const RecordSink&)>& readAll);
    // The delimiter the input's header showed, for the output too (and with ';' decimal
    // commas both ways).
    void UseDelimiter(char delimiter);
    void DrawPlots();
    // The held table, with each pooled row's part in the model where it was held.
    void WriteTable();
    void ReleaseHeldTable();

    const Options& options_;
    bool shown_;
    std::FILE* out_;
    std::FILE* err_;
    char delimiter_;
    Progress progress_;
    std::optional<PlotModule> plotModule_;
    std::optional<Destinations> destinations_;
    std::optional<csv::CsvWriter> writer_;
    std::optional<HeldTable> held_; // while the table waits for the model's columns
    std::optional<table::PooledRows> pooledRows_;
    table::TableSettings settings_;
    std::optional<table::StudyTable> table_;
    std::optional<analysis::Analysis> analysis_;
    std::string json_;
    std::function<bool()> cancelled_;
};

} // namespace tavrel::cli
