#include "batch/run.h"

#include "batch/csv_reader.h"
#include "batch/csv_writer.h"
#include "batch/meta_report.h"
#include "batch/options.h"
#include "batch/output_file.h"
#include "batch/study_table.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <unistd.h>

namespace tavrel::batch {

namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

std::string Reason() {
    return std::strerror(errno);
}

// Shows how far a long run has come, on a terminal only.
class Progress {
  public:
    explicit Progress(std::FILE* err) : err_(err), shown_(isatty(fileno(err)) != 0) {}
    void Row(long rows) {
        if (shown_ && rows % kEvery == 0) {
            std::fprintf(err_, "\r%ld rows", rows);
            std::fflush(err_);
            drawn_ = true;
        }
    }
    void Done() {
        if (drawn_) {
            std::fprintf(err_, "\r\033[K");
        }
    }

  private:
    static constexpr long kEvery = 1 << 18;
    std::FILE* err_;
    bool shown_;
    bool drawn_ = false;
};

int Convert(const Options& options, std::FILE* in, std::FILE* out, std::FILE* err) {
    FilePtr opened(nullptr, &std::fclose);
    if (options.input == "-" && in == nullptr) {
        throw InputError("cannot read standard input: it is closed", 0);
    }
    if (options.input != "-") {
        opened.reset(std::fopen(options.input.c_str(), "rb"));
        if (!opened) {
            throw InputError("cannot read " + options.input + ": " + Reason(), 0);
        }
        in = opened.get();
    }
    std::optional<OutputFile> named;
    if (!options.output.empty()) {
        named.emplace(options.output, err);
        out = named->File();
    } else if (out == nullptr) {
        throw InputError("cannot write standard output: it is closed", 0);
    }

    const char delimiter = options.tsv ? '\t' : ',';
    CsvWriter writer(out, delimiter);
    std::optional<PooledRows> pooledRows;
    if (options.meta) {
        pooledRows.emplace(!options.forest.empty());
    }
    StudyTable table(options, writer, pooledRows ? &*pooledRows : nullptr);
    Progress progress(err);
    bool headerSeen = false;
    CsvReader(in, delimiter).ReadAll([&](const Record& record) {
        if (!headerSeen) {
            table.Header(record);
            headerSeen = true;
            return;
        }
        table.Row(record);
        progress.Row(table.Rows());
    });
    progress.Done();
    if (!headerSeen) {
        throw InputError("the input is empty: the first row must name the columns", 0);
    }
    if (!writer.Flush()) {
        throw InputError("cannot write the output: " + Reason(), 0);
    }
    // Pooled before anything is put in place: a refused plot or a model that does not
    // converge leaves every file as it was.
    const std::optional<meta::Pooled> pooled =
        pooledRows ? PoolRows(options, *pooledRows, err) : std::nullopt;
    if (named) {
        named->Commit();
    }
    if (pooled) {
        ReportPooled(options, *pooledRows, *pooled, err);
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
    } catch (const InputError& e) {
        const std::string where =
            e.Line() > 0 ? " (line " + std::to_string(e.Line()) + ")" : std::string();
        std::fprintf(err, "tavrel-batch: %s%s\n", e.what(), where.c_str());
    } catch (const std::bad_alloc&) {
        std::fputs("tavrel-batch: out of memory\n", err);
    } catch (const std::exception& e) {
        std::fprintf(err, "tavrel-batch: unexpected error: %s\n", e.what());
    } catch (...) {
        std::fputs("tavrel-batch: unexpected error\n", err);
    }
    return kUnusable;
}

} // namespace tavrel::batch
