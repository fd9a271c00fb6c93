#include "report/summary_json.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>

namespace tavrel::report {

namespace {

using Json = nlohmann::ordered_json;

// A number at full precision (the shortest text that reads back to the same double), a whole
// one without a decimal point ("k": 13, "q_df": 12), null where the value does not exist.
Json Number(double value) {
    if (!std::isfinite(value)) {
        return nullptr;
    }
    constexpr double kExactIntegers = 9007199254740992.0; // 2^53
    if (value == std::trunc(value) && std::fabs(value) < kExactIntegers) {
        return static_cast<std::int64_t>(value);
    }
    return value;
}

// Numbers under their keys, in order.
void Put(Json& json, std::initializer_list<std::pair<const char*, double>> values) {
    for (const auto& [key, value] : values) {
        json[key] = Number(value);
    }
}

// The heterogeneity's estimates and intervals, as every model reports them.
void AddHeterogeneity(Json& json, const meta::Model& model) {
    Put(json, {{"tau2", model.tau2},
               {"tau", model.tau},
               {"i2", model.i2},
               {"h2", model.h2},
               {"tau2_ci_low", model.tau2CiLow},
               {"tau2_ci_high", model.tau2CiHigh},
               {"tau_ci_low", model.tauCiLow},
               {"tau_ci_high", model.tauCiHigh},
               {"i2_ci_low", model.i2CiLow},
               {"i2_ci_high", model.i2CiHigh},
               {"h2_ci_low", model.h2CiLow},
               {"h2_ci_high", model.h2CiHigh}});
}

// A three-level model's components, their intervals and their shares of the variance.
void AddLevels(Json& json, const meta::Model& model) {
    const meta::LevelComponents& levels = *model.levels;
    Put(json, {{"sigma2_between", levels.sigma2Between},
               {"sigma2_within", levels.sigma2Within},
               {"sigma2_between_ci_low", levels.sigma2BetweenCiLow},
               {"sigma2_between_ci_high", levels.sigma2BetweenCiHigh},
               {"sigma2_within_ci_low", levels.sigma2WithinCiLow},
               {"sigma2_within_ci_high", levels.sigma2WithinCiHigh},
               {"i2", model.i2},
               {"i2_between", levels.i2Between},
               {"i2_within", levels.i2Within}});
}

// The variance components of either model: tau^2 and its kin, or the three-level model's.
void AddVariance(Json& json, const meta::Model& model) {
    model.levels ? AddLevels(json, model) : AddHeterogeneity(json, model);
}

// Coefficient `index`'s cluster-robust test and interval, where the model has them.
void AddRobust(Json& json, const meta::Model& model, std::size_t index) {
    if (!model.robust) {
        return;
    }
    const meta::Coefficient& c = model.robust->coefficients[index];
    Put(json, {{"robust_se", c.se},
               {"robust_statistic", c.statistic},
               {"robust_df", model.robust->df[index]},
               {"robust_p", c.p},
               {"robust_ci_low", c.ciLow},
               {"robust_ci_high", c.ciHigh}});
}

// What every model's object opens with; k_left_out only for the whole table's.
Json Opening(const meta::Model& model, std::optional<std::size_t> leftOut, table::Measure measure) {
    Json json = Json::object();
    if (measure != table::Measure::SMD) {
        json["measure"] = table::Info(measure).name;
    }
    json["method"] = meta::Name(model.settings.method);
    json["test"] = meta::Name(model.settings.test);
    json["level"] = Number(model.settings.level);
    json["k"] = model.k;
    if (leftOut) {
        json["k_left_out"] = *leftOut;
    }
    if (model.levels || model.robust) {
        json["model"] = model.levels ? "three-level" : "two-level";
        json["k_clusters"] = model.levels ? model.levels->clusters : model.robust->clusters;
    }
    return json;
}

// A coefficient's estimate, test and interval: the keys of the pooled estimate as well.
void AddEstimate(Json& json, const meta::Coefficient& c) {
    Put(json, {{"estimate", c.estimate},
               {"se", c.se},
               {"statistic", c.statistic},
               {"p", c.p},
               {"ci_low", c.ciLow},
               {"ci_high", c.ciHigh}});
}

// The keys of a model without moderators, in order; a subgroup's (no `leftOut`) without the
// measure, which the whole object names.
Json PooledJson(const meta::Model& model, std::optional<std::size_t> leftOut,
                table::Measure measure) {
    Json json = Opening(model, leftOut, leftOut ? measure : table::Measure::SMD);
    AddEstimate(json, model.Pooled());
    AddRobust(json, model, 0);
    AddVariance(json, model);
    Put(json, {{"q", model.qe},
               {"q_df", model.qeDf},
               {"q_p", model.qeP},
               {"pi_low", model.piLow},
               {"pi_high", model.piHigh}});
    if (const table::MeasureInfo& info = table::Info(measure);
        info.transform != table::Transform::None) {
        const auto shown = [&](double value) { return table::Shown(info.transform, value); };
        json["transform"] = info.transformName;
        Put(json, {{"estimate_transformed", shown(model.Pooled().estimate)},
                   {"ci_low_transformed", shown(model.Pooled().ciLow)},
                   {"ci_high_transformed", shown(model.Pooled().ciHigh)},
                   {"pi_low_transformed", shown(model.piLow)},
                   {"pi_high_transformed", shown(model.piHigh)}});
    }
    return json;
}

// The omnibus test of the moderators, its keys named with `prefix`; the second df only for F.
void AddModeratorTest(Json& json, const meta::Model* model, const std::string& prefix) {
    const double nan = std::nan("");
    json[prefix + "qm"] = Number(model != nullptr ? model->qm : nan);
    json[prefix + "qm_df"] = Number(model != nullptr ? model->qmDf : nan);
    if (model != nullptr && model->settings.test == meta::Test::KnappHartung) {
        json[prefix + "qm_df2"] = Number(model->qmDf2);
    }
    json[prefix + "qm_p"] = Number(model != nullptr ? model->qmP : nan);
}

// A regression test's keys, named with `prefix`; null where it could not be had.
void AddAsymmetryTest(Json& json, const std::optional<meta::AsymmetryTest>& test,
                      const std::string& prefix, bool withDf) {
    const double nan = std::nan("");
    const meta::AsymmetryTest shown =
        test.value_or(meta::AsymmetryTest{nan, nan, nan, nan, nan, nan});
    json[prefix + "statistic"] = Number(shown.statistic);
    if (withDf) {
        json[prefix + "df"] = Number(shown.df);
    }
    json[prefix + "p"] = Number(shown.p);
    json[prefix + "limit"] = Number(shown.limit);
    json[prefix + "limit_ci_low"] = Number(shown.limitCiLow);
    json[prefix + "limit_ci_high"] = Number(shown.limitCiHigh);
}

void AddTrimAndFill(Json& json, const std::optional<meta::TrimAndFill>& fill) {
    if (!fill) {
        for (const char* key :
             {"trimfill_k0", "trimfill_side", "trimfill_estimate", "trimfill_se", "trimfill_ci_low",
              "trimfill_ci_high", "trimfill_p", "trimfill_tau2"}) {
            json[key] = nullptr;
        }
        return;
    }
    const meta::Coefficient& filled = fill->model.Pooled();
    json["trimfill_k0"] = fill->k0;
    json["trimfill_side"] = fill->side == meta::Side::Left ? "left" : "right";
    Put(json, {{"trimfill_estimate", filled.estimate},
               {"trimfill_se", filled.se},
               {"trimfill_ci_low", filled.ciLow},
               {"trimfill_ci_high", filled.ciHigh},
               {"trimfill_p", filled.p},
               {"trimfill_tau2", fill->model.tau2}});
}

void AddSmallStudyEffects(Json& json, const meta::SmallStudyEffects& effects) {
    AddAsymmetryTest(json, effects.egger, "egger_", true);
    AddAsymmetryTest(json, effects.peese, "peese_", false);
    json["rank_tau"] = Number(effects.rank ? effects.rank->tau : std::nan(""));
    json["rank_p"] = Number(effects.rank ? effects.rank->p : std::nan(""));
    if (effects.trimFillAsked) {
        AddTrimAndFill(json, effects.trimFill);
    }
    json["fail_safe_n"] = Number(effects.failSafeN);
}

std::string Text(const Json& json) {
    return json.dump(2) + "\n";
}

} // namespace

std::string SummaryJson(const meta::Model& pooled, std::size_t leftOut,
                        std::span<const meta::Subgroup> subgroups,
                        const meta::SubgroupTest* differences, const meta::Model* moderatorTest,
                        const meta::SmallStudyEffects* smallStudy, table::Measure measure) {
    Json json = PooledJson(pooled, leftOut, measure);
    if (smallStudy != nullptr) {
        AddSmallStudyEffects(json, *smallStudy);
    }
    if (!subgroups.empty()) {
        Json list = Json::array();
        for (const meta::Subgroup& subgroup : subgroups) {
            Json group = {{"group", subgroup.name}};
            group.update(PooledJson(subgroup.model, std::nullopt, measure));
            if (!subgroup.note.empty()) {
                group["note"] = subgroup.note;
            }
            list.push_back(std::move(group));
        }
        json["subgroups"] = std::move(list);
    }
    if (differences != nullptr) {
        json["subgroup_q"] = Number(differences->q);
        json["subgroup_q_df"] = Number(differences->df);
        json["subgroup_q_p"] = Number(differences->p);
        // One group, or one study to each group: no test of the groups as a moderator.
        AddModeratorTest(json, moderatorTest, "moderator_");
    }
    return Text(json);
}

std::string RegressionJson(const meta::Model& model, std::size_t leftOut, table::Measure measure) {
    Json json = Opening(model, leftOut, measure);
    Json coefficients = Json::array();
    for (std::size_t i = 0; i < model.coefficients.size(); ++i) {
        Json coefficient = {{"name", model.coefficients[i].name}};
        AddEstimate(coefficient, model.coefficients[i]);
        AddRobust(coefficient, model, i);
        coefficients.push_back(std::move(coefficient));
    }
    json["coefficients"] = std::move(coefficients);
    AddModeratorTest(json, &model, "");
    if (model.robust) {
        Put(json, {{"robust_qm", model.robust->qm},
                   {"robust_qm_df", model.robust->qmDf},
                   {"robust_qm_df2", model.robust->qmDf2},
                   {"robust_qm_p", model.robust->qmP}});
    }
    Put(json, {{"qe", model.qe}, {"qe_df", model.qeDf}, {"qe_p", model.qeP}, {"r2", model.r2}});
    AddVariance(json, model);
    return Text(json);
}

} // namespace tavrel::report
