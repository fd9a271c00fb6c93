#pragma once

#include "table/study_table.h"

#include <string>

namespace tavrel::report {

// What standard error says of a table once read: which input columns computed ones replaced,
// and, where any row's effect size came from something other than means and SDs or its
// reported numbers disagree, the rows by source ("effect sizes from means 68, t 22; 2 rows
// have reported numbers that disagree"). Empty where there is nothing to say.
std::string SourcesText(const table::StudyTable& table);

} // namespace tavrel::report
