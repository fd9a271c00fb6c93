#include "report/leave_one_out_table.h"

#include <string>

namespace tavrel::report {

void WriteLeaveOneOut(csv::CsvWriter& out, const table::PooledRows& rows,
                      const std::vector<meta::Model>& fits) {
    for (const char* name : {"study", "estimate", "se", "statistic", "p", "ci_low", "ci_high", "q",
                             "q_p", "tau2", "i2", "h2"}) {
        out.PlainField(name);
    }
    out.EndRow();
    for (std::size_t i = 0; i < fits.size(); ++i) {
        const table::PlotRow& study = rows.PlotRows()[i];
        study.label.empty() ? out.Integer(study.row) : out.Field(study.label);
        const meta::Model& fit = fits[i];
        for (const double value :
             {fit.Pooled().estimate, fit.Pooled().se, fit.Pooled().statistic, fit.Pooled().p,
              fit.Pooled().ciLow, fit.Pooled().ciHigh, fit.qe, fit.qeP, fit.tau2, fit.i2, fit.h2}) {
            out.Number(value);
        }
        out.EndRow();
    }
}

} // namespace tavrel::report
