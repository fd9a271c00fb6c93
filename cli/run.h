#pragma once

#include "project/studies_project.h"

#include <cstdio>
#include <string>
#include <vector>

namespace tavrel::cli {

enum ExitStatus { kAllComputed = 0, kSomeRowsFailed = 1, kUnusable = 2 };

// The whole program: reads the table named by the arguments (or `in`), writes the results to
// the output file or `out`, reports on `err`, and returns the exit status. With an output file,
// the file appears only once complete; an unusable input leaves no file behind. A null `in` or
// `out` is a standard stream that was closed.
int RunBatch(const std::vector<std::string>& args, std::FILE* in, std::FILE* out, std::FILE* err);

// The program on a project held in memory, as if it were read from the file `name` (empty for
// one never saved) with `args`, which name no input: what a window exports through.
int RunBatchOnProject(const project::StudiesProject& studies, const std::string& name,
                      const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

} // namespace tavrel::cli
