#pragma once

#include "meta/model/model_settings.h"
#include "plots/forest_plot.h"
#include "table/measure/effect_measure.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace tavrel::cli {

struct Options {
    std::string input = "-"; // "-" is standard input
    std::string output;      // empty: standard output (given as "-")
    bool tsv = false;        // tab-separated rather than comma-separated
    char delimiter = '\0';   // ',' or ';' as --delimiter gives it; '\0': by the header
    std::string sheet;       // the sheet of a workbook to read; empty: its first
    table::Measure measure = table::Measure::SMD; // the effect size of every row, and the pool's
    double level = 0.95;                          // confidence level of the intervals
    bool noncentral = false; // add the exact noncentral-t interval for Cohen's d
    // Pooling the rows' unbiased d: asked for by --meta and by every option of the pooling.
    bool meta = false;
    meta::Method method = meta::Method::REML;
    meta::Test test = meta::Test::Z;
    std::string summary; // the pooled result as JSON; empty for none, "-" standard output
    std::string forest;  // the forest plot, SVG, PDF or PNG by its extension; empty for none
    plots::Format forestFormat = plots::Format::Svg; // from the plot's extension
    std::string funnel; // the funnel plot, SVG, PDF or PNG by its extension; empty for none
    plots::Format funnelFormat = plots::Format::Svg;
    bool funnelContours = false; // shade where a study's own p is below .10, .05 and .01
    bool trimFill = false;       // fill in the studies trim-and-fill finds missing
    std::string leaveOneOut;     // the model without each study, as CSV; empty for none
    std::string by;              // the column whose text groups the studies; empty for none
    std::string cluster;         // the column naming the study each row belongs to; empty for none
    bool robust = false;         // cluster-robust (CR2) inference by --cluster's clusters
    std::vector<std::string> moderators; // the columns of a meta-regression; empty for none
    std::string label; // the column that names the studies; empty for the first other one
    // Under the plot's axis, left and right of no effect.
    std::string favoursLeft = "Favours control";
    std::string favoursRight = "Favours experimental";
    bool help = false;
    bool version = false;
};

class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads the command line (without the program's name). Throws UsageError. Safe on any thread.
Options ParseOptions(const std::vector<std::string>& args);

extern const char* const kUsage;

} // namespace tavrel::cli
