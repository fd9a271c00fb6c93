#pragma once

#include "analysis/analysis.h"
#include "cli/options.h"
#include "project/studies_project.h"
#include "table/pooled_rows.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavrel::sheet {

// The table of studies as tavrel-batch computes it, for a front end to show: the same run, on
// the same records, with the same options, so that every text is the one the tool writes.
struct Evaluation {
    std::vector<std::string> header;            // the output table's column names
    std::vector<std::vector<std::string>> rows; // each input row's output fields, in order
    // Per row: its reported numbers disagree with its effect size, or a more direct source
    // had a value that could not be used.
    std::vector<bool> toCheck;
    std::string messages;    // what the tool writes to standard error: sources, summary, notes
    std::string failure;     // why the studies were not analysed; empty where they were
    std::string summaryJson; // the JSON summary, where analysed
    std::optional<table::PooledRows> pooled;    // the studies pooled, labelled, where analysed
    std::optional<analysis::Analysis> analysis; // where analysed
    bool cancelled = false; // called off before it was done: nothing in it counts

    // The output column `name`'s place in `header`, or -1.
    int ColumnOf(std::string_view name) const;
};

// The options of `studies`' analysis as tavrel-batch reads them from a project, pooled as a
// project is. Throws cli::UsageError for options that cannot be used.
cli::Options AnalysisOptions(const project::StudiesProject& studies);

// Runs the table and, where `options` ask for it, its analysis. A table that cannot be read
// (an input column missing) gives `failure` and no rows; an analysis that cannot be had gives
// `failure` with every row still computed. `cancelled`, where given, is asked as the analysis
// goes, and calls it off once it says yes. Safe on any thread.
Evaluation Evaluate(const project::StudiesProject& studies, const cli::Options& options,
                    const std::function<bool()>& cancelled = {});

} // namespace tavrel::sheet
