#include "report/leave_one_out_table.h"

#include <string>

namespace tavrel::report {

void WriteLeaveOneOut(csv::CsvWriter& out, const table::PooledRows& rows,
                      const std::vector<meta::Pooled>& fits) {
    for (const char* name : {"study", "estimate", "se", "statistic", "p", "ci_low", "ci_high", "q",
                             "q_p", "tau2", "i2", "h2"}) {
        out.PlainField(name);
    }
    out.EndRow();
    for (std::size_t i = 0; i < fits.size(); ++i) {
        const table::PlotRow& study = rows.PlotRows()[i];
        study.label.empty() ? out.Integer(study.row) : out.Field(study.label);
        const meta::Pooled& fit = fits[i];
        for (const double value : {fit.estimate, fit.se, fit.statistic, fit.p, fit.ciLow,
                                   fit.ciHigh, fit.q, fit.qP, fit.tau2, fit.i2, fit.h2}) {
            out.Number(value);
        }
        out.EndRow();
    }
}

} // namespace tavrel::report
