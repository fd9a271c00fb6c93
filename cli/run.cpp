#include "cli/run.h"

#include "cli/batch_run.h"
#include "cli/options.h"
#include "cli/run_error.h"
#include "csv/csv_reader.h"
#include "outputs/output_error.h"
#include "project/project_file.h"
#include "project/table_file.h"

#include <functional>
#include <memory>
#include <new>
#include <optional>

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

// The options of a run of the project `name`: the project's own, then the command line's,
// which override them. A project is an analysis: it is pooled, as with --meta.
Options WithProjectOptions(const project::StudiesProject& studies,
                           const std::vector<std::string>& args, const std::string& name) {
    std::vector<std::string> merged = project::OptionArguments(studies);
    try {
        ParseOptions(merged);
    } catch (const UsageError& e) {
        throw RunError(name + ": its options cannot be used: " + e.what());
    }
    merged.insert(merged.end(), args.begin(), args.end());
    try {
        Options options = ParseOptions(merged);
        options.meta = true;
        return options;
    } catch (const UsageError& e) {
        throw RunError(std::string(e.what()) + ", with the options of " + name);
    }
}

// The table of the workbook or data file the input is, or nothing where it is none.
std::optional<project::StudiesProject> ReadWorkbook(const Options& options) {
    project::TableFileNotes notes;
    try {
        return project::LoadWorkbook(options.input, options.sheet, notes);
    } catch (const project::ProjectError& e) {
        throw RunError(e.what());
    }
}

// Reads the table from `input`, or `studies` where given, and writes every output.
int Convert(const Options& options, std::FILE* input, const project::StudiesProject* studies,
            std::FILE* out, std::FILE* err) {
    BatchRun run(options, out, err);
    run.Open(input);
    studies != nullptr ? run.Read(*studies) : run.Read(input);
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

// Runs `run`, catching every exception, so that the output file's temporary is always removed
// on the way out and the user always reads one line of why.
int Guarded(std::FILE* err, const std::function<int()>& run) {
    try {
        return run();
    } catch (const csv::TableLineError& e) {
        Report(err, e.what(), e.Line()); // unreadable CSV, or columns the table lacks
    } catch (const RunError& e) {
        Report(err, e.what(), 0);
    } catch (const project::ProjectError& e) {
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
    return Guarded(err, [&] {
        FilePtr opened(nullptr, &std::fclose);
        std::FILE* input = OpenInput(options, in, opened);
        if (!project::IsProjectPath(options.input)) {
            if (options.input != "-") {
                if (const auto table = ReadWorkbook(options)) {
                    return Convert(options, input, &*table, out, err);
                }
            }
            if (!options.sheet.empty()) {
                throw RunError(
                    "--sheet names a sheet of a workbook, and " +
                    (options.input == "-" ? std::string("standard input") : options.input) +
                    " is none");
            }
            return Convert(options, input, nullptr, out, err);
        }
        const project::StudiesProject studies = project::LoadProject(input, options.input);
        return Convert(WithProjectOptions(studies, args, options.input), input, &studies, out, err);
    });
}

int RunBatchOnProject(const project::StudiesProject& studies, const std::string& name,
                      const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    return Guarded(err, [&] {
        Options options = WithProjectOptions(studies, args, name);
        options.input = name.empty() ? "-" : name; // no output may replace the project
        return Convert(options, nullptr, &studies, out, err);
    });
}

} // namespace tavrel::cli
