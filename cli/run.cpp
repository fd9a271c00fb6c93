#include "cli/run.h"

#include "cli/batch_run.h"
#include "cli/options.h"
#include "cli/run_error.h"
#include "csv/csv_reader.h"
#include "outputs/output_error.h"

#include <memory>
#include <new>

namespace tavrel::cli {

namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Why the run stopped, in one line; `line` names the input's line where one applies.
void Report(std::FILE* err, const char* why, long line) {
    const std::string where = line > 0 ? " (line " + std::to_string(line) + ")" : std::string();
    std::fprintf(err, "tavrel-batch: %s%s\n", why, where.c_str());
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
        throw RunError("cannot read " + options.input + ": " + ErrnoText());
    }
    return opened.get();
}

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
