#pragma once

#include "csv/csv_writer.h"
#include "meta/model/model.h"
#include "table/pooled_rows.h"

#include <vector>

namespace tavrel::report {

// The leave-one-out table: a header, then for each pooled study in input order its name (the
// --label text, else its row number) and the model without it: estimate, se, statistic, p,
// ci_low, ci_high, q, q_p, tau2, i2, h2, as metafor's leave1out() names them.
void WriteLeaveOneOut(csv::CsvWriter& out, const table::PooledRows& rows,
                      const std::vector<meta::Model>& fits);

} // namespace tavrel::report
