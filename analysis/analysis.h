#pragma once

#include "meta/diagnostics/influence.h"
#include "meta/diagnostics/subgroups.h"
#include "meta/model/model.h"
#include "meta/small_study/small_study_effects.h"
#include "table/moderators.h"
#include "table/pooled_rows.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavrel::analysis {

// What a front end (the command line, a window) asks of the pooled rows.
struct AnalysisRequest {
    meta::ModelSettings model;
    bool bySubgroup = false;             // the rows' groups pooled on their own, and tested
    std::vector<std::string> moderators; // a meta-regression on these columns; none: pooling
    bool trimFill = false;
    bool leaveOneOut = false;
    bool influence = false; // each study's weight, residual, hat value and Cook's distance
    // Where the rows are clustered: REML and ML fit the three-level model, and `robust` adds
    // cluster-robust inference (CR2) to whichever model is fitted.
    bool robust = false;
};

// Everything the analysis found, with no file or stream involved. A model without moderators
// comes with what goes with it (subgroups, the small-study tests, leave-one-out).
struct Analysis {
    meta::Model model;
    table::ModeratorDesign design; // the model's columns, and how categorical ones were read
    std::vector<meta::Subgroup> subgroups;
    std::optional<meta::SubgroupTest> differences; // the test for subgroup differences
    std::optional<meta::Model> moderatorTest;      // the groups as a moderator, one tau^2
    std::optional<meta::SmallStudyEffects> smallStudy;
    std::vector<meta::StudyInfluence> influence; // one per pooled study, where asked for
    std::vector<meta::Model> leftOneOut;         // one per pooled study, where asked for
    std::vector<std::string> notes;              // what was not computed and why, for the reader
};

// The analysis cannot be had as asked: too few rows, a design that cannot be fitted, a
// likelihood without a maximum. The message says why in the reader's words.
class AnalysisError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Long work tells how far it has come: what it does, and how many of how many are done.
using Progress = std::function<void(const char* what, std::size_t done, std::size_t total)>;

// Analyses the rows as asked. Throws AnalysisError. Of a three-level model, the small-study
// tests, leave-one-out and each study's influence are not computed (they are the two-level
// model's), and the notes say so.
Analysis Analyse(const AnalysisRequest& request, const table::PooledRows& rows,
                 const Progress& progress = {});

// The rows left out of the pooling, by why: "20 with a missing value, 4 with a value out of
// range".
std::string LeftOutText(const table::PooledRows& rows);

} // namespace tavrel::analysis
