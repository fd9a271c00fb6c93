#include "cli/run.h"

#include "cli/destinations.h"
#include "cli/held_table.h"
#include "cli/options.h"
#include "cli/plot_module.h"
#include "cli/pooling.h"
#include "cli/progress.h"
#include "cli/run_error.h"
#include "csv/csv_reader.h"
#include "csv/csv_writer.h"
#include "meta/leave_one_out.h"
#include "outputs/output_file.h"
#include "report/forest_data.h"
#include "report/funnel_data.h"
#include "report/leave_one_out_table.h"
#include "report/small_study_text.h"
#include "report/summary_json.h"
#include "report/summary_text.h"
#include "table/study_table.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <numeric>
#include <optional>
#include <unistd.h>

namespace tavrel::cli {

namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

std::string Reason() {
    return std::strerror(errno);
}

// Why the run stopped, in one line; `line` names the input's line where one applies.
void Report(std::FILE* err, const char* why, long line) {
    const std::string where = line > 0 ? " (line " + std::to_string(line) + ")" : std::string();
    std::fprintf(err, "tavrel-batch: %s%s\n", why, where.c_str());
}

// The destinations a run writes, each opened (its temporary file made) before any work and
// put in place only once all of them are complete: a failure anywhere leaves every one as it
// was.
struct Destinations {
    std::optional<outputs::OutputFile> table;
    std::optional<outputs::OutputFile> summary;
    std::optional<outputs::OutputFile> plot;
    std::optional<outputs::OutputFile> funnel;
    std::optional<outputs::OutputFile> leaveOneOut;

    Destinations(const Options& options, std::FILE* err) {
        if (!options.output.empty()) {
            table.emplace(options.output, err);
        }
        if (!options.summary.empty() && options.summary != "-") {
            summary.emplace(options.summary, err);
        }
        if (!options.forest.empty()) {
            plot.emplace(options.forest, err);
        }
        if (!options.funnel.empty()) {
            funnel.emplace(options.funnel, err);
        }
        if (!options.leaveOneOut.empty() && options.leaveOneOut != "-") {
            leaveOneOut.emplace(options.leaveOneOut, err);
        }
    }
    void CommitAll() {
        for (std::optional<outputs::OutputFile>* file :
             {&table, &summary, &plot, &funnel, &leaveOneOut}) {
            if (*file) {
                (*file)->Close();
            }
        }
        for (std::optional<outputs::OutputFile>* file :
             {&table, &summary, &plot, &funnel, &leaveOneOut}) {
            if (*file) {
                (*file)->Commit();
            }
        }
    }
};

void Write(std::FILE* file, const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), file);
}

// Says which input columns computed ones replaced, and, where any row's effect size came from
// something other than means and SDs or its reported numbers disagree, the rows by source.
void ReportSources(const table::StudyTable& table, std::FILE* err) {
    if (!table.ReplacedColumns().empty()) {
        std::string names;
        for (const std::string& name : table.ReplacedColumns()) {
            names += (names.empty() ? "" : ", ") + name;
        }
        std::fprintf(err, "the input's columns %s are replaced by the computed ones\n",
                     names.c_str());
    }
    const auto& bySource = table.RowsBySource();
    const long rows = std::accumulate(bySource.begin(), bySource.end(), 0L);
    if (rows == bySource[0] && table.RowsWithDisagreements() == 0) {
        return;
    }
    std::string counts;
    for (std::size_t source = 0; source < bySource.size(); ++source) {
        if (bySource[source] > 0) {
            counts += (counts.empty() ? "" : ", ") + std::string(table::kSourceNames[source]) +
                      " " + std::to_string(bySource[source]);
        }
    }
    std::fprintf(err, "effect sizes from %s; %ld %s reported numbers that disagree", counts.c_str(),
                 table.RowsWithDisagreements(),
                 table.RowsWithDisagreements() == 1 ? "row has" : "rows have");
    if (const long passedOver = table.RowsPassedOver(); passedOver > 0) {
        std::fprintf(err,
                     "; %ld %s a value that could not be used, passed over for a less "
                     "direct source (see consistency)",
                     passedOver, passedOver == 1 ? "row has" : "rows have");
    }
    std::fputc('\n', err);
}

// The model without each study in turn, in input order.
std::vector<meta::Pooled> LeaveEachOut(const Options& options, const table::PooledRows& rows) {
    try {
        return meta::LeaveOneOut(rows.Studies(), options.method, options.test, options.level);
    } catch (const meta::NotConverged& e) {
        throw RunError(std::string("--leave-one-out: ") + e.what());
    }
}

// The fits without each study, one CSV row per pooled study; `name` names `file` in messages.
void WriteLeaveOneOut(const table::PooledRows& rows, const std::vector<meta::Pooled>& fits,
                      std::FILE* file, char delimiter, const std::string& name) {
    csv::CsvWriter out(file, delimiter);
    report::WriteLeaveOneOut(out, rows, fits);
    if (!out.Flush() || std::fflush(file) != 0) {
        throw RunError("cannot write " + name + ": " + Reason());
    }
}

// The held table, each pooled row with its part in the model after its own columns, the other
// rows with those columns empty, as is a value that could not be computed.
void WriteWithInfluence(HeldTable& held, const table::PooledRows& rows,
                        const std::vector<meta::StudyInfluence>& influence) {
    std::size_t next = 0; // the studies are the pooled rows, in order
    const auto value = [](csv::CsvWriter& out, double number) {
        std::isfinite(number) ? out.Number(number) : out.PlainField({});
    };
    const bool written = held.WriteTo([&](long row, csv::CsvWriter& out) {
        if (rows.Pooled(row)) {
            const meta::StudyInfluence& study = influence[next++];
            for (const double number :
                 {study.weight, study.residual, study.hat, study.cooksDistance}) {
                value(out, number);
            }
            return;
        }
        for (std::size_t column = 0; column < kInfluenceColumns.size(); ++column) {
            out.PlainField({});
        }
    });
    if (!written) {
        throw RunError("cannot write the output: " + Reason());
    }
}

int Convert(const Options& options, std::FILE* in, std::FILE* out, std::FILE* err) {
    FilePtr opened(nullptr, &std::fclose);
    if (options.input == "-" && in == nullptr) {
        throw RunError("cannot read standard input: it is closed");
    }
    if (options.input != "-") {
        opened.reset(std::fopen(options.input.c_str(), "rb"));
        if (!opened) {
            throw RunError("cannot read " + options.input + ": " + Reason());
        }
        in = opened.get();
    }
    CheckDestinations(options, in);
    // Looked up before any output is opened or any row read: a missing module stops the run
    // at once.
    std::optional<PlotModule> plotModule;
    if (!options.forest.empty() || !options.funnel.empty()) {
        plotModule.emplace(options.forest.empty() ? "--funnel" : "--forest");
    }
    if ((options.output.empty() || options.summary == "-" || options.leaveOneOut == "-") &&
        out == nullptr) {
        throw RunError("cannot write standard output: it is closed");
    }
    Destinations destinations(options, err);

    const char delimiter = options.tsv ? '\t' : ',';
    csv::CsvWriter writer(destinations.table ? destinations.table->File() : out, delimiter);
    // With pooling, the table waits for the model, which adds each study's part to its row.
    std::optional<HeldTable> held;
    if (options.meta) {
        held.emplace(writer, kInfluenceColumns, kMostRowsHeld);
    }
    std::optional<table::PooledRows> pooledRows;
    if (options.meta) {
        pooledRows.emplace(!options.forest.empty() || !options.leaveOneOut.empty(),
                           !options.by.empty(), options.moderators.size());
    }
    table::TableSettings settings{options.level, options.noncentral, options.label,
                                  options.by,    options.moderators, {}};
    if (held) {
        settings.appended.assign(kInfluenceColumns.begin(), kInfluenceColumns.end());
    }
    table::StudyTable table(settings, held ? held->Writer() : writer,
                            pooledRows ? &*pooledRows : nullptr);
    Progress progress(err);
    bool headerSeen = false;
    csv::CsvReader(in, delimiter).ReadAll([&](const csv::Record& record) {
        if (!headerSeen) {
            table.Header(record);
            headerSeen = true;
            return;
        }
        table.Row(record);
        progress.Rows(table.Rows());
    });
    progress.Done();
    if (!headerSeen) {
        throw RunError("the input is empty: the first row must name the columns");
    }
    ReportSources(table, err);
    if (!writer.Flush()) {
        throw RunError("cannot write the output: " + Reason());
    }
    std::optional<meta::Pooled> pooled;
    std::vector<meta::Subgroup> subgroups;
    meta::SubgroupTest differences{};
    std::optional<meta::Regression> moderatorTest;
    std::optional<FittedRegression> regression;
    std::optional<meta::SmallStudyEffects> smallStudy;
    std::string json;
    if (pooledRows && !options.moderators.empty()) {
        regression = FitModerators(options, *pooledRows);
        json = report::RegressionJson(regression->model, pooledRows->LeftOut());
        if (destinations.summary) {
            Write(destinations.summary->File(), json);
        }
    } else if (pooledRows) {
        pooled = PoolRows(options, *pooledRows);
        if (!options.by.empty()) {
            subgroups = PoolSubgroups(options, *pooledRows);
            differences = meta::SubgroupDifferences(subgroups);
            moderatorTest = GroupModeratorTest(options, *pooledRows);
        }
        smallStudy =
            meta::AssessSmallStudyEffects(pooledRows->Studies(), *pooled, options.trimFill);
        json = report::SummaryJson(*pooled, pooledRows->LeftOut(), subgroups,
                                   subgroups.empty() ? nullptr : &differences,
                                   moderatorTest ? &*moderatorTest : nullptr, &*smallStudy);
        if (destinations.summary) {
            Write(destinations.summary->File(), json);
        }
        if (destinations.plot) {
            Write(destinations.plot->File(),
                  plotModule->Draw(report::PlotOf(*pooledRows, *pooled, options.favoursLeft,
                                                  options.favoursRight, subgroups,
                                                  subgroups.empty() ? nullptr : &differences),
                                   options.forestFormat));
        }
        if (destinations.funnel) {
            Write(destinations.funnel->File(),
                  plotModule->Draw(report::FunnelPlotOf(*pooledRows, *pooled, *smallStudy,
                                                        options.funnelContours),
                                   options.funnelFormat));
        }
    }
    if (held && held->Spilled()) {
        std::fprintf(err,
                     "weight, residual, hat and cooks_distance are left empty: a table of more "
                     "than %zu rows is written as it is read, not held until the model is "
                     "fitted\n",
                     kMostRowsHeld);
        if (!held->WriteTo(nullptr)) {
            throw RunError("cannot write the output: " + Reason());
        }
    } else if (held) {
        const std::vector<meta::StudyInfluence> influence =
            StudyInfluences(*pooledRows, pooled ? &*pooled : nullptr,
                            regression ? &*regression : nullptr, err, progress);
        WriteWithInfluence(*held, *pooledRows, influence);
    }
    std::vector<meta::Pooled> leftOneOut;
    if (!options.leaveOneOut.empty()) {
        leftOneOut = LeaveEachOut(options, *pooledRows);
    }
    if (destinations.leaveOneOut) {
        WriteLeaveOneOut(*pooledRows, leftOneOut, destinations.leaveOneOut->File(), delimiter,
                         options.leaveOneOut);
    }
    destinations.CommitAll();
    if (regression) {
        std::fputs(report::RegressionText(*pooledRows, regression->model, regression->design.notes)
                       .c_str(),
                   err);
    }
    if (pooled) {
        std::fputs(report::PooledText(*pooledRows, *pooled).c_str(), err);
        if (!subgroups.empty()) {
            std::fputs(report::SubgroupText(subgroups, differences,
                                            moderatorTest ? &*moderatorTest : nullptr)
                           .c_str(),
                       err);
        }
        std::fputs(report::SmallStudyText(*smallStudy).c_str(), err);
    }
    if (pooledRows) {
        if (options.summary == "-") {
            if (std::fwrite(json.data(), 1, json.size(), out) != json.size() ||
                std::fflush(out) != 0) {
                throw RunError("cannot write the summary to standard output: " + Reason());
            }
        }
        if (options.leaveOneOut == "-") {
            WriteLeaveOneOut(*pooledRows, leftOneOut, out, delimiter, "standard output");
        }
    }
    if (table.RowsWithErrors() > 0) {
        std::fprintf(err, "%ld of %ld rows had errors\n", table.RowsWithErrors(), table.Rows());
        return kSomeRowsFailed;
    }
    return kAllComputed;
}

} // namespace

int RunBatch(const std::vector<std::string>& args, std::FILE* in, std::FILE* out, std::FILE* err) {
    Options options;
    try {
        options = ParseOptions(args);
    } catch (const UsageError& e) {
        std::fprintf(err, "tavrel-batch: %s\nTry 'tavrel-batch --help'.\n", e.what());
        return kUnusable;
    }
    if ((options.help || options.version) && out == nullptr) {
        std::fputs("tavrel-batch: cannot write standard output: it is closed\n", err);
        return kUnusable;
    }
    if (options.help) {
        std::fputs(kUsage, out);
        return kAllComputed;
    }
    if (options.version) {
        std::fprintf(out, "tavrel-batch %s\n", TAVREL_VERSION);
        return kAllComputed;
    }
    // Every exception is caught here, so that the output file's temporary is always removed
    // on the way out and the user always reads one line of why.
    try {
        return Convert(options, in, out, err);
    } catch (const csv::TableLineError& e) {
        Report(err, e.what(), e.Line()); // unreadable CSV, or columns the table lacks
    } catch (const RunError& e) {
        Report(err, e.what(), 0);
    } catch (const outputs::OutputError& e) {
        Report(err, e.what(), 0);
    } catch (const std::bad_alloc&) {
        std::fputs("tavrel-batch: out of memory\n", err);
    } catch (const std::exception& e) {
        std::fprintf(err, "tavrel-batch: unexpected error: %s\n", e.what());
    } catch (...) {
        std::fputs("tavrel-batch: unexpected error\n", err);
    }
    return kUnusable;
}

} // namespace tavrel::cli
