#include "cli/run.h"

#include "analysis/analysis.h"
#include "cli/destinations.h"
#include "cli/held_table.h"
#include "cli/options.h"
#include "cli/plot_module.h"
#include "cli/progress.h"
#include "cli/run_error.h"
#include "csv/csv_reader.h"
#include "csv/csv_writer.h"
#include "outputs/output_file.h"
#include "report/analysis_report.h"
#include "report/forest_data.h"
#include "report/funnel_data.h"
#include "report/leave_one_out_table.h"
#include "table/study_table.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <numeric>
#include <optional>
#include <string_view>
#include <unistd.h>

namespace tavrel::cli {

namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Forest plots of more studies than this cannot be read any more; they are refused.
constexpr std::size_t kMostStudiesInAPlot = 250;

// The columns each pooled row gains: its weight, studentized deleted residual, hat value and
// Cook's distance under the fitted model.
constexpr std::array<std::string_view, 4> kInfluenceColumns = {"weight", "residual", "hat",
                                                               "cooks_distance"};

// A table of more rows is written as it is read, those columns empty: held in memory until
// the model is fitted, a million rows would cost several times the run (about 400 MB, and
// the copying). The studies of a meta-analysis are far fewer.
constexpr std::size_t kMostRowsHeld = 50'000;

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

// The input: the file named, or standard input.
std::FILE* OpenInput(const Options& options, std::FILE* in, FilePtr& opened) {
    if (options.input == "-") {
        if (in == nullptr) {
            throw RunError("cannot read standard input: it is closed");
        }
        return in;
    }
    opened.reset(std::fopen(options.input.c_str(), "rb"));
    if (!opened) {
        throw RunError("cannot read " + options.input + ": " + Reason());
    }
    return opened.get();
}

// What the options ask of the analysis; `held` whether the table waits for the model.
analysis::AnalysisRequest RequestOf(const Options& options, bool held) {
    analysis::AnalysisRequest request;
    request.model = {options.method, options.test, options.level};
    request.bySubgroup = !options.by.empty();
    request.moderators = options.moderators;
    request.trimFill = options.trimFill;
    request.leaveOneOut = !options.leaveOneOut.empty();
    request.influence = held;
    return request;
}

// One run of the tool: parse (done), open, read, analyse, report, commit.
class BatchRun {
  public:
    BatchRun(const Options& options, std::FILE* out, std::FILE* err)
        : options_(options), out_(out), err_(err), delimiter_(options.tsv ? '\t' : ','),
          progress_(err) {}

    // Checks every output and opens it (its temporary file made) before any row is read.
    void Open(std::FILE* input) {
        CheckDestinations(options_, input);
        // Looked up before any output is opened or any row read: a missing module stops the
        // run at once.
        if (!options_.forest.empty() || !options_.funnel.empty()) {
            plotModule_.emplace(options_.forest.empty() ? "--funnel" : "--forest");
        }
        if ((options_.output.empty() || options_.summary == "-" || options_.leaveOneOut == "-") &&
            out_ == nullptr) {
            throw RunError("cannot write standard output: it is closed");
        }
        destinations_.emplace(options_, err_);
        writer_.emplace(destinations_->table ? destinations_->table->File() : out_, delimiter_);
        settings_ = {options_.level, options_.noncentral, options_.label,
                     options_.by,    options_.moderators, {}};
        if (options_.meta) {
            // The table waits for the model, which adds each study's part to its row.
            held_.emplace(*writer_, kInfluenceColumns, kMostRowsHeld);
            pooledRows_.emplace(!options_.forest.empty() || !options_.leaveOneOut.empty(),
                                !options_.by.empty(), options_.moderators.size());
            settings_.appended.assign(kInfluenceColumns.begin(), kInfluenceColumns.end());
        }
        table_.emplace(settings_, held_ ? held_->Writer() : *writer_,
                       pooledRows_ ? &*pooledRows_ : nullptr);
    }

    void Read(std::FILE* input) {
        bool headerSeen = false;
        csv::CsvReader(input, delimiter_).ReadAll([&](const csv::Record& record) {
            if (!headerSeen) {
                table_->Header(record);
                headerSeen = true;
                return;
            }
            table_->Row(record);
            progress_.Rows(table_->Rows());
        });
        progress_.Done();
        if (!headerSeen) {
            throw RunError("the input is empty: the first row must name the columns");
        }
        ReportSources(*table_, err_);
        if (!writer_->Flush()) {
            throw RunError("cannot write the output: " + Reason());
        }
    }

    void Analyse() {
        const std::size_t k = pooledRows_->Studies().size();
        if (!options_.forest.empty() && k >= 2 && k > kMostStudiesInAPlot) {
            throw RunError("a forest plot of " + std::to_string(k) + " studies cannot be read; " +
                           std::to_string(kMostStudiesInAPlot) + " is the most it draws");
        }
        const bool held = !held_->Spilled();
        try {
            analysis_ =
                analysis::Analyse(RequestOf(options_, held), *pooledRows_,
                                  [&](const char* what, std::size_t done, std::size_t total) {
                                      progress_.Step(what, done, total);
                                  });
        } catch (const analysis::AnalysisError& e) {
            throw RunError(e.what());
        }
        progress_.Done();
    }

    // Writes the summary, the plots and the table with each study's part into their files,
    // still under their temporary names.
    void WriteOutputs() {
        json_ = report::SummaryJson(*analysis_, *pooledRows_);
        if (destinations_->summary) {
            Write(destinations_->summary->File(), json_);
        }
        DrawPlots();
        WriteTable();
        if (destinations_->leaveOneOut) {
            WriteLeaveOneOut(*pooledRows_, analysis_->leftOneOut,
                             destinations_->leaveOneOut->File(), delimiter_, options_.leaveOneOut);
        }
    }

    // Puts every output in place, then tells the reader and writes what goes to standard
    // output.
    void Commit() {
        destinations_->CommitAll();
        if (!analysis_) {
            return;
        }
        std::fputs(report::AnalysisText(*analysis_, *pooledRows_).c_str(), err_);
        if (options_.summary == "-") {
            if (std::fwrite(json_.data(), 1, json_.size(), out_) != json_.size() ||
                std::fflush(out_) != 0) {
                throw RunError("cannot write the summary to standard output: " + Reason());
            }
        }
        if (options_.leaveOneOut == "-") {
            WriteLeaveOneOut(*pooledRows_, analysis_->leftOneOut, out_, delimiter_,
                             "standard output");
        }
    }

    bool Pooling() const { return options_.meta; }
    const table::StudyTable& Table() const { return *table_; }

  private:
    void DrawPlots() {
        const meta::Pooled* pooled = analysis_->pooled ? &*analysis_->pooled : nullptr;
        if (destinations_->plot) {
            const meta::SubgroupTest* differences =
                analysis_->differences ? &*analysis_->differences : nullptr;
            Write(destinations_->plot->File(),
                  plotModule_->Draw(report::PlotOf(*pooledRows_, *pooled, options_.favoursLeft,
                                                   options_.favoursRight, analysis_->subgroups,
                                                   differences),
                                    options_.forestFormat));
        }
        if (destinations_->funnel) {
            Write(destinations_->funnel->File(),
                  plotModule_->Draw(report::FunnelPlotOf(*pooledRows_, *pooled,
                                                         *analysis_->smallStudy,
                                                         options_.funnelContours),
                                    options_.funnelFormat));
        }
    }

    // The held table, with each pooled row's part in the model where it was held.
    void WriteTable() {
        for (const std::string& note : analysis_->notes) {
            std::fprintf(err_, "%s\n", note.c_str());
        }
        if (!held_->Spilled()) {
            WriteWithInfluence(*held_, *pooledRows_, analysis_->influence);
            return;
        }
        std::fprintf(err_,
                     "weight, residual, hat and cooks_distance are left empty: a table of more "
                     "than %zu rows is written as it is read, not held until the model is "
                     "fitted\n",
                     kMostRowsHeld);
        if (!held_->WriteTo(nullptr)) {
            throw RunError("cannot write the output: " + Reason());
        }
    }

    const Options& options_;
    std::FILE* out_;
    std::FILE* err_;
    char delimiter_;
    Progress progress_;
    std::optional<PlotModule> plotModule_;
    std::optional<Destinations> destinations_;
    std::optional<csv::CsvWriter> writer_;
    std::optional<HeldTable> held_;
    std::optional<table::PooledRows> pooledRows_;
    table::TableSettings settings_;
    std::optional<table::StudyTable> table_;
    std::optional<analysis::Analysis> analysis_;
    std::string json_;
};

int Convert(const Options& options, std::FILE* in, std::FILE* out, std::FILE* err) {
    FilePtr opened(nullptr, &std::fclose);
    std::FILE* input = OpenInput(options, in, opened);
    BatchRun run(options, out, err);
    run.Open(input);
    run.Read(input);
    if (run.Pooling()) {
        run.Analyse();
        run.WriteOutputs();
    }
    run.Commit();
    const table::StudyTable& table = run.Table();
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
