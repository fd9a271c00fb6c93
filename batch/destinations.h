#pragma once

#include "batch/options.h"

#include <cstdio>

namespace tavrel::batch {

// Refuses a run whose files would overwrite one another: a summary or plot that names the
// input (read from `input`), or two outputs that name one file, or the table and the summary
// both on standard output. The table may replace its own input, as `sort -o` may: it is read
// whole before the new file is put in place. Throws InputError naming both.
void CheckDestinations(const Options& options, std::FILE* input);

} // namespace tavrel::batch
