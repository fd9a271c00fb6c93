#pragma once

#include "cli/options.h"
#include "cli/run_error.h"

#include <cstdio>

namespace tavrel::cli {

// Refuses a run whose files would overwrite one another: a summary or plot that names the
// input (read from `input`), or two outputs that name one file, or the table and the summary
// both on standard output. The table may replace its own input, as `sort -o` may: it is read
// whole before the new file is put in place. Throws RunError naming both.
void CheckDestinations(const Options& options, std::FILE* input);

} // namespace tavrel::cli
