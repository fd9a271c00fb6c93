#include "cli/batch_run.h"

#include "cli/run_error.h"
#include "csv/csv_reader.h"
#include "csv/file_kind.h"
#include "report/analysis_report.h"
#include "report/forest_data.h"
#include "report/funnel_data.h"
#include "report/leave_one_out_table.h"
#include "report/sources_text.h"
#include "workbook/workbook.h"

#include <array>
#include <cmath>
#include <string_view>

namespace tavrel::cli {

namespace {

// The columns each pooled row gains: its weight, studentized deleted residual, hat value and
// Cook's distance under the fitted model.
constexpr std::array<std::string_view, 4> kInfluenceColumns = {"weight", "residual", "hat",
                                                               "cooks_distance"};

// A table of more rows is written with those columns empty: its studies are pooled, but a
// study's part in a pool of more than this many is too small to be worth a column. The
// studies of a meta-analysis are far fewer.
constexpr std::size_t kMostRowsHeld = 50'000;

bool GainsModelColumns(long rows) {
    return static_cast<std::size_t>(rows) <= kMostRowsHeld;
}

void Write(std::FILE* file, const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), file);
}

// The fits without each study, one CSV row per pooled study; `name` names `file` in messages.
void WriteLeaveOneOut(const table::PooledRows& rows, const std::vector<meta::Model>& fits,
                      std::FILE* file, char delimiter, const std::string& name) {
    csv::CsvWriter out(file, delimiter);
    report::WriteLeaveOneOut(out, rows, fits);
    if (!out.Flush() || std::fflush(file) != 0) {
        throw RunError("cannot write " + name + ": " + ErrnoText());
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
        throw RunError("cannot write the output: " + ErrnoText());
    }
}

// What the options ask of the analysis; `held` whether the table waits for the model.
analysis::AnalysisRequest RequestOf(const Options& options, bool held) {
    analysis::AnalysisRequest request;
    request.model = {options.method, options.test, options.level};
    request.bySubgroup = !options.by.empty();
    request.moderators = options.moderators;
    request.robust = options.robust;
    request.trimFill = options.trimFill;
    request.leaveOneOut = !options.leaveOneOut.empty();
    request.influence = held;
    return request;
}

} // namespace

BatchRun::BatchRun(const Options& options, std::FILE* out, std::FILE* err, bool shown)
    : options_(options), shown_(shown), out_(out), err_(err),
      delimiter_(options.tsv                 ? '\t'
                 : options.delimiter != '\0' ? options.delimiter
                                             : ','),
      progress_(err) {}

void BatchRun::Open(std::FILE* input) {
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
    settings_ = {options_.measure,
                 options_.level,
                 options_.noncentral,
                 options_.label,
                 options_.by,
                 options_.moderators,
                 {},
                 shown_,
                 delimiter_ == ';',
                 options_.cluster};
    if (options_.meta) {
        // The table waits for the model, which adds each study's part to its row.
        held_.emplace(*writer_, kInfluenceColumns);
        pooledRows_.emplace(shown_ || !options_.forest.empty() || !options_.leaveOneOut.empty(),
                            !options_.by.empty(), options_.moderators.size(), options_.measure,
                            !options_.cluster.empty());
        settings_.appended.assign(kInfluenceColumns.begin(), kInfluenceColumns.end());
    }
    table_.emplace(settings_, held_ ? held_->Writer() : *writer_,
                   pooledRows_ ? &*pooledRows_ : nullptr);
}

void BatchRun::Read(std::FILE* input) {
    const bool detect = !options_.tsv && options_.delimiter == '\0';
    csv::CsvReader reader(input, detect ? csv::CsvReader::kDetect : delimiter_);
    try {
        ReadRecords([&](const RecordSink& sink) {
            reader.ReadAll([&](const csv::Record& record) {
                if (table_->Rows() == 0 && detect && reader.Delimiter() != delimiter_) {
                    UseDelimiter(reader.Delimiter()); // before the header is written
                }
                sink(record);
            });
        });
    } catch (const csv::TableLineError&) {
        // A file that is no table at all fails at its first record: say what it is instead.
        if (const auto workbook = workbook::KindOf(reader.Beginning());
            workbook && table_->Rows() == 0) {
            throw RunError((options_.input == "-" ? std::string("the input") : options_.input) +
                           " is " + workbook::KindName(*workbook) +
                           ": name it as FILE, as a workbook is read from a file, not a stream");
        }
        const std::optional<std::string> kind = csv::ForeignFileKind(reader.Beginning());
        if (table_->Rows() == 0 && kind) {
            throw RunError(
                csv::NotATable(options_.input == "-" ? "the input" : options_.input, *kind));
        }
        throw;
    }
}

void BatchRun::UseDelimiter(char delimiter) {
    delimiter_ = delimiter;
    writer_->SetDelimiter(delimiter);
    if (held_) {
        held_->Writer().SetDelimiter(delimiter);
    }
    settings_.decimalComma = delimiter == ';';
}

void BatchRun::Read(const project::StudiesProject& studies) {
    ReadRecords([&](const RecordSink& sink) { project::ForEachRecord(studies, sink); });
}

void BatchRun::ReadRecords(const std::function<void(const RecordSink&)>& readAll) {
    bool headerSeen = false;
    readAll([&](const csv::Record& record) {
        if (!headerSeen) {
            table_->Header(record);
            headerSeen = true;
            return;
        }
        table_->Row(record);
        if (held_ && !GainsModelColumns(table_->Rows())) {
            ReleaseHeldTable();
        }
        progress_.Rows(table_->Rows());
    });
    progress_.Done();
    if (!headerSeen) {
        throw RunError("the input is empty: the first row must name the columns");
    }
    std::fputs(report::SourcesText(*table_).c_str(), err_);
    if (!writer_->Flush()) {
        throw RunError("cannot write the output: " + ErrnoText());
    }
}

void BatchRun::Analyse() {
    const std::size_t k = pooledRows_->Studies().size();
    if (!options_.forest.empty() && k >= 2 && k > plots::kMostStudiesInAPlot) {
        throw RunError("a forest plot of " + std::to_string(k) + " studies cannot be read; " +
                       std::to_string(plots::kMostStudiesInAPlot) + " is the most it draws");
    }
    try {
        analysis_ = analysis::Analyse(RequestOf(options_, held_.has_value()), *pooledRows_,
                                      [&](const char* what, std::size_t done, std::size_t total) {
                                          if (cancelled_ && cancelled_()) {
                                              throw RunCancelled();
                                          }
                                          progress_.Step(what, done, total);
                                      });
    } catch (const analysis::AnalysisError& e) {
        throw RunError(e.what());
    }
    progress_.Done();
}

void BatchRun::WriteOutputs() {
    json_ = report::SummaryJson(*analysis_, *pooledRows_);
    if (destinations_->summary) {
        Write(destinations_->summary->File(), json_);
    }
    DrawPlots();
    WriteTable();
    if (destinations_->leaveOneOut) {
        WriteLeaveOneOut(*pooledRows_, analysis_->leftOneOut, destinations_->leaveOneOut->File(),
                         delimiter_, options_.leaveOneOut);
    }
}

void BatchRun::Commit() {
    destinations_->CommitAll();
    if (!analysis_) {
        return;
    }
    std::fputs(report::AnalysisText(*analysis_, *pooledRows_).c_str(), err_);
    if (options_.summary == "-") {
        if (std::fwrite(json_.data(), 1, json_.size(), out_) != json_.size() ||
            std::fflush(out_) != 0) {
            throw RunError("cannot write the summary to standard output: " + ErrnoText());
        }
    }
    if (options_.leaveOneOut == "-") {
        WriteLeaveOneOut(*pooledRows_, analysis_->leftOneOut, out_, delimiter_, "standard output");
    }
}

void BatchRun::DrawPlots() {
    // Plots are of a model without moderators: the options refuse them beside --mods.
    const meta::Model& pooled = analysis_->model;
    if (destinations_->plot) {
        const meta::SubgroupTest* differences =
            analysis_->differences ? &*analysis_->differences : nullptr;
        Write(destinations_->plot->File(),
              plotModule_->Draw(report::PlotOf(*pooledRows_, pooled, options_.favoursLeft,
                                               options_.favoursRight, analysis_->subgroups,
                                               differences),
                                options_.forestFormat));
    }
    if (destinations_->funnel) {
        Write(destinations_->funnel->File(),
              plotModule_->Draw(report::FunnelPlotOf(*pooledRows_, pooled, *analysis_->smallStudy,
                                                     options_.funnelContours),
                                options_.funnelFormat));
    }
}

// The held table, with each pooled row's part in the model where it was held.
void BatchRun::WriteTable() {
    for (const std::string& note : analysis_->notes) {
        std::fprintf(err_, "%s\n", note.c_str());
    }
    if (held_) {
        WriteWithInfluence(*held_, *pooledRows_, analysis_->influence);
        return;
    }
    std::fprintf(err_,
                 "weight, residual, hat and cooks_distance are left empty: they are written for "
                 "tables of up to %zu rows\n",
                 kMostRowsHeld);
}

// A table too long to gain the model's columns is held no longer: the rows so far go to the
// output with those columns empty, and the rest are written as they are read.
void BatchRun::ReleaseHeldTable() {
    if (!held_->WriteTo(nullptr)) {
        throw RunError("cannot write the output: " + ErrnoText());
    }
    table_->WriteOnTo(*writer_);
    held_.reset();
}

} // namespace tavrel::cli
