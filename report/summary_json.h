#pragma once

#include "meta/diagnostics/subgroups.h"
#include "meta/model/model.h"
#include "meta/small_study/small_study_effects.h"
#include "table/measure/effect_measure.h"

#include <cstddef>
#include <span>
#include <string>

namespace tavrel::report {

// The pooled result as one JSON object with the keys method, test, level, k, k_left_out,
// estimate, se, statistic, p, ci_low, ci_high, tau2, tau, i2 (percent), h2, the heterogeneity's
// intervals (tau2_ci_low ... h2_ci_high), q, q_df, q_p, pi_low, pi_high: numbers at full
// precision (the shortest text that reads back to the same double), null where a value does
// not exist. With subgroups, also "subgroups" (one object per group: "group", the same keys
// but k_left_out, and a "note" where values are missing) and subgroup_q, subgroup_q_df,
// subgroup_q_p; and the test of the groups as a moderator under a common tau^2
// (`moderatorTest`), moderator_qm, moderator_qm_df, moderator_qm_df2 (under knha) and
// moderator_qm_p, all null where there is no such test. With the tests of small-study effects,
// after the model's keys: egger_statistic, egger_df (null under z), egger_p, egger_limit,
// egger_limit_ci_low, egger_limit_ci_high; the same for peese but its df; rank_tau, rank_p;
// with trim-and-fill trimfill_k0, trimfill_side ("left" or "right"), trimfill_estimate,
// trimfill_se, trimfill_ci_low, trimfill_ci_high, trimfill_p, trimfill_tau2; and
// fail_safe_n. A test that could not be had has its keys null.
// In a measure but SMD, "measure" (its name) comes first; a measure shown transformed adds,
// after pi_high, "transform" ("exp" or "tanh") and the estimate, interval and prediction
// interval back-transformed: estimate_transformed, ci_low_transformed, ci_high_transformed,
// pi_low_transformed, pi_high_transformed (in each subgroup's object too).
std::string SummaryJson(const meta::Model& pooled, std::size_t leftOut,
                        std::span<const meta::Subgroup> subgroups = {},
                        const meta::SubgroupTest* differences = nullptr,
                        const meta::Model* moderatorTest = nullptr,
                        const meta::SmallStudyEffects* smallStudy = nullptr,
                        table::Measure measure = table::Measure::SMD);

// A meta-regression as one JSON object: method, test, level, k, k_left_out, coefficients (one
// object per coefficient, the intercept first: name, estimate, se, statistic, p, ci_low,
// ci_high), qm, qm_df, qm_df2 (under knha), qm_p, qe, qe_df, qe_p, r2, and the residual
// heterogeneity tau2, tau, i2, h2 with its intervals (tau2_ci_low ... h2_ci_high). In a measure
// but SMD, "measure" first; the coefficients stay on the analysis scale.
std::string RegressionJson(const meta::Model& model, std::size_t leftOut,
                           table::Measure measure = table::Measure::SMD);

} // namespace tavrel::report
