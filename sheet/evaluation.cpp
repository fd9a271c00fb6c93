#include "sheet/evaluation.h"

#include "cli/batch_run.h"
#include "cli/run_error.h"
#include "csv/csv_reader.h"
#include "outputs/output_error.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tavrel::sheet {

namespace {

// A stream written into memory; Text() ends the writing and gives what was written.
class MemoryStream {
  public:
    MemoryStream() : file_(open_memstream(&data_, &size_)) {
        if (file_ == nullptr) {
            throw std::bad_alloc();
        }
    }
    ~MemoryStream() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
        std::free(data_);
    }
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    std::FILE* File() const { return file_; }
    std::string Text() {
        std::fflush(file_);
        return {data_, size_};
    }

  private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_;
};

// Runs the table, and the analysis where the options pool; throws what the run throws.
void Run(const project::StudiesProject& studies, const cli::Options& options,
         const std::function<bool()>& cancelled, Evaluation& evaluation, std::string& table) {
    MemoryStream out;
    MemoryStream err;
    cli::BatchRun run(options, out.File(), err.File(), true);
    run.CancelWhen(cancelled);
    run.Open(nullptr);
    run.Read(studies);
    try {
        if (run.Pooling()) {
            run.Analyse();
            run.WriteOutputs();
        }
        run.Commit();
    } catch (...) {
        evaluation.messages = err.Text();
        throw;
    }
    evaluation.messages = err.Text();
    evaluation.toCheck = run.Table().RowsToCheck();
    evaluation.summaryJson = run.SummaryJson();
    evaluation.pooled = run.TakePooledRows();
    evaluation.analysis = run.TakeAnalysis();
    table = out.Text();
}

void ReadTable(const std::string& table, char delimiter, Evaluation& evaluation) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
        fmemopen(const_cast<char*>(table.data()), table.size(), "rb"), &std::fclose);
    if (table.empty() || !file) {
        return;
    }
    bool headerRead = false;
    csv::CsvReader(file.get(), delimiter).ReadAll([&](const csv::Record& record) {
        std::vector<std::string> fields(record.fields.begin(), record.fields.end());
        if (headerRead) {
            evaluation.rows.push_back(std::move(fields));
        } else {
            evaluation.header = std::move(fields);
            headerRead = true;
        }
    });
}

} // namespace

int Evaluation::ColumnOf(std::string_view name) const {
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (header[i] == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

cli::Options AnalysisOptions(const project::StudiesProject& studies) {
    cli::Options options = cli::ParseOptions(project::OptionArguments(studies));
    options.meta = true;
    return options;
}

Evaluation Evaluate(const project::StudiesProject& studies, const cli::Options& options,
                    const std::function<bool()>& cancelled) {
    Evaluation evaluation;
    std::string table;
    try {
        Run(studies, options, cancelled, evaluation, table);
    } catch (const cli::RunCancelled&) {
        Evaluation cancelledRun;
        cancelledRun.cancelled = true;
        return cancelledRun;
    } catch (const cli::RunError& e) {
        // The analysis cannot be had (too few studies, say): the rows are still worth showing.
        evaluation.failure = e.what();
        const std::string messages = evaluation.messages;
        cli::Options rowsAlone = options;
        rowsAlone.meta = false;
        try {
            Run(studies, rowsAlone, {}, evaluation, table);
        } catch (const std::runtime_error&) {
            return evaluation; // the table itself could not be read: said above
        }
        evaluation.messages = messages;
    } catch (const std::runtime_error& e) {
        evaluation.failure = e.what(); // a column missing or given twice
        return evaluation;
    }
    ReadTable(table, options.tsv ? '\t' : ',', evaluation);
    return evaluation;
}

} // namespace tavrel::sheet
