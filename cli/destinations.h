#pragma once

#include "cli/options.h"
#include "cli/run_error.h"
#include "outputs/output_file.h"

#include <cstdio>
#include <optional>

namespace tavrel::cli {

// Refuses a run whose files would overwrite one another: a summary or plot that names the
// input (read from `input`), or two outputs that name one file, or the table and the summary
// both on standard output. The table may replace its own input, as `sort -o` may (it is read
// whole before the new file is put in place), but not a project. Throws RunError naming both.
void CheckDestinations(const Options& options, std::FILE* input);

// The files a run writes, each opened (its temporary file made) before any work and put in
// place only once all of them are complete: a failure anywhere leaves every one as it was.
// Standard output ("-") is none of them.
struct Destinations {
    std::optional<outputs::OutputFile> table;
    std::optional<outputs::OutputFile> summary;
    std::optional<outputs::OutputFile> plot;
    std::optional<outputs::OutputFile> funnel;
    std::optional<outputs::OutputFile> leaveOneOut;

    // Throws OutputError where a file cannot be opened; `err` hears what could not be kept.
    Destinations(const Options& options, std::FILE* err);
    // Closes every file, then puts every one in place. Throws OutputError.
    void CommitAll();
};

} // namespace tavrel::cli
