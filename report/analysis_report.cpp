#include "report/analysis_report.h"

#include "report/small_study_text.h"
#include "report/summary_json.h"
#include "report/summary_text.h"

namespace tavrel::report {

std::string SummaryJson(const analysis::Analysis& analysis, const table::PooledRows& rows) {
    if (analysis.model.HasModerators()) {
        return RegressionJson(analysis.model, rows.LeftOut(), rows.EffectMeasure());
    }
    return SummaryJson(analysis.model, rows.LeftOut(), analysis.subgroups,
                       analysis.differences ? &*analysis.differences : nullptr,
                       analysis.moderatorTest ? &*analysis.moderatorTest : nullptr,
                       analysis.smallStudy ? &*analysis.smallStudy : nullptr, rows.EffectMeasure());
}

std::string AnalysisText(const analysis::Analysis& analysis, const table::PooledRows& rows) {
    if (analysis.model.HasModerators()) {
        return RegressionText(rows, analysis.model, analysis.design.notes);
    }
    std::string text = PooledText(rows, analysis.model);
    if (analysis.differences) {
        text += SubgroupText(analysis.subgroups, *analysis.differences,
                             analysis.moderatorTest ? &*analysis.moderatorTest : nullptr,
                             rows.EffectMeasure());
    }
    if (analysis.smallStudy) {
        text += SmallStudyText(*analysis.smallStudy, rows.EffectMeasure());
    }
    return text;
}

} // namespace tavrel::report
