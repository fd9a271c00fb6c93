#include "report/summary_json.h"

#include "csv/round_trip_number.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace tavrel::report {

namespace {

std::string Number(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char text[csv::kShortestNumberMax];
    return {text, csv::WriteShortest(value, text)};
}

// A string as JSON writes it: quotes and backslashes escaped, control characters as \u00XX.
std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

using Fields = std::vector<std::pair<std::string, std::string>>;

// The heterogeneity's estimates and intervals, as every model reports them (a pooled
// result and a meta-regression name them alike).
template <class Model> void AddHeterogeneity(Fields& fields, const Model& model) {
    const std::pair<const char*, double> values[] = {
        {"tau2", model.tau2},
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
        {"h2_ci_high", model.h2CiHigh},
    };
    for (const auto& [key, value] : values) {
        fields.emplace_back(key, Number(value));
    }
}

// What every model's object opens with; k_left_out only for the whole table's.
template <class Model> Fields Opening(const Model& model, const std::size_t* leftOut) {
    Fields fields = {
        {"method", Quoted(meta::Name(model.method))},
        {"test", Quoted(meta::Name(model.test))},
        {"level", Number(model.level)},
        {"k", std::to_string(model.k)},
    };
    if (leftOut != nullptr) {
        fields.emplace_back("k_left_out", std::to_string(*leftOut));
    }
    return fields;
}

// The keys of one model, in order.
Fields ModelFields(const meta::Pooled& pooled, const std::size_t* leftOut) {
    Fields fields = Opening(pooled, leftOut);
    const std::pair<const char*, double> values[] = {
        {"estimate", pooled.estimate},   {"se", pooled.se},
        {"statistic", pooled.statistic}, {"p", pooled.p},
        {"ci_low", pooled.ciLow},        {"ci_high", pooled.ciHigh},
    };
    for (const auto& [key, value] : values) {
        fields.emplace_back(key, Number(value));
    }
    AddHeterogeneity(fields, pooled);
    const std::pair<const char*, double> rest[] = {
        {"q", pooled.q},          {"q_df", pooled.qDf},       {"q_p", pooled.qP},
        {"pi_low", pooled.piLow}, {"pi_high", pooled.piHigh},
    };
    for (const auto& [key, value] : rest) {
        fields.emplace_back(key, Number(value));
    }
    return fields;
}

// The omnibus test of the moderators, its keys named with `prefix`; the second df only for F.
void AddModeratorTest(Fields& fields, const meta::Regression& model, const std::string& prefix) {
    fields.emplace_back(prefix + "qm", Number(model.qm));
    fields.emplace_back(prefix + "qm_df", Number(model.qmDf));
    if (model.test == meta::Test::KnappHartung) {
        fields.emplace_back(prefix + "qm_df2", Number(model.qmDf2));
    }
    fields.emplace_back(prefix + "qm_p", Number(model.qmP));
}

// A regression test's keys, named with `prefix`; null where it could not be had.
void AddAsymmetryTest(Fields& fields, const std::optional<meta::AsymmetryTest>& test,
                      const std::string& prefix, bool withDf) {
    const double nan = std::nan("");
    const meta::AsymmetryTest shown =
        test.value_or(meta::AsymmetryTest{nan, nan, nan, nan, nan, nan});
    fields.emplace_back(prefix + "statistic", Number(shown.statistic));
    if (withDf) {
        fields.emplace_back(prefix + "df", Number(shown.df));
    }
    fields.emplace_back(prefix + "p", Number(shown.p));
    fields.emplace_back(prefix + "limit", Number(shown.limit));
    fields.emplace_back(prefix + "limit_ci_low", Number(shown.limitCiLow));
    fields.emplace_back(prefix + "limit_ci_high", Number(shown.limitCiHigh));
}

void AddSmallStudyEffects(Fields& fields, const meta::SmallStudyEffects& effects) {
    AddAsymmetryTest(fields, effects.egger, "egger_", true);
    AddAsymmetryTest(fields, effects.peese, "peese_", false);
    fields.emplace_back("rank_tau", Number(effects.rank ? effects.rank->tau : std::nan("")));
    fields.emplace_back("rank_p", Number(effects.rank ? effects.rank->p : std::nan("")));
    if (effects.trimFillAsked) {
        const meta::TrimAndFill* fill = effects.trimFill ? &*effects.trimFill : nullptr;
        const auto value = [&](double meta::Pooled::*member) {
            return Number(fill != nullptr ? fill->model.*member : std::nan(""));
        };
        fields.emplace_back("trimfill_k0", fill != nullptr ? std::to_string(fill->k0) : "null");
        fields.emplace_back("trimfill_side", fill == nullptr                  ? "null"
                                             : fill->side == meta::Side::Left ? Quoted("left")
                                                                              : Quoted("right"));
        fields.emplace_back("trimfill_estimate", value(&meta::Pooled::estimate));
        fields.emplace_back("trimfill_se", value(&meta::Pooled::se));
        fields.emplace_back("trimfill_ci_low", value(&meta::Pooled::ciLow));
        fields.emplace_back("trimfill_ci_high", value(&meta::Pooled::ciHigh));
        fields.emplace_back("trimfill_p", value(&meta::Pooled::p));
        fields.emplace_back("trimfill_tau2", value(&meta::Pooled::tau2));
    }
    fields.emplace_back("fail_safe_n", Number(effects.failSafeN));
}

std::string Object(const Fields& fields, const std::string& indent) {
    std::string json = "{\n";
    for (std::size_t i = 0; i < fields.size(); ++i) {
        json += indent + "  \"" + fields[i].first + "\": " + fields[i].second +
                (i + 1 < fields.size() ? ",\n" : "\n");
    }
    return json + indent + "}";
}

} // namespace

std::string SummaryJson(const meta::Pooled& pooled, std::size_t leftOut,
                        std::span<const meta::Subgroup> subgroups,
                        const meta::SubgroupTest* differences,
                        const meta::Regression* moderatorTest,
                        const meta::SmallStudyEffects* smallStudy) {
    Fields fields = ModelFields(pooled, &leftOut);
    if (smallStudy != nullptr) {
        AddSmallStudyEffects(fields, *smallStudy);
    }
    if (!subgroups.empty()) {
        std::string list = "[\n";
        for (std::size_t i = 0; i < subgroups.size(); ++i) {
            Fields group = {{"group", Quoted(subgroups[i].name)}};
            const Fields model = ModelFields(subgroups[i].pooled, nullptr);
            group.insert(group.end(), model.begin(), model.end());
            if (!subgroups[i].note.empty()) {
                group.emplace_back("note", Quoted(subgroups[i].note));
            }
            list += "    " + Object(group, "    ") + (i + 1 < subgroups.size() ? ",\n" : "\n");
        }
        fields.emplace_back("subgroups", list + "  ]");
    }
    if (differences != nullptr) {
        fields.emplace_back("subgroup_q", Number(differences->q));
        fields.emplace_back("subgroup_q_df", Number(differences->df));
        fields.emplace_back("subgroup_q_p", Number(differences->p));
    }
    if (moderatorTest != nullptr) {
        AddModeratorTest(fields, *moderatorTest, "moderator_");
    } else if (differences != nullptr) {
        // One group, or one study to each group: no test of the groups as a moderator.
        for (const char* key : {"moderator_qm", "moderator_qm_df", "moderator_qm_p"}) {
            fields.emplace_back(key, "null");
        }
    }
    return Object(fields, "") + "\n";
}

std::string RegressionJson(const meta::Regression& model, std::size_t leftOut) {
    Fields fields = Opening(model, &leftOut);
    std::string list = "[\n";
    for (std::size_t i = 0; i < model.coefficients.size(); ++i) {
        const meta::Coefficient& c = model.coefficients[i];
        const Fields coefficient = {
            {"name", Quoted(c.name)},
            {"estimate", Number(c.estimate)},
            {"se", Number(c.se)},
            {"statistic", Number(c.statistic)},
            {"p", Number(c.p)},
            {"ci_low", Number(c.ciLow)},
            {"ci_high", Number(c.ciHigh)},
        };
        list += "    " + Object(coefficient, "    ") +
                (i + 1 < model.coefficients.size() ? ",\n" : "\n");
    }
    fields.emplace_back("coefficients", list + "  ]");
    AddModeratorTest(fields, model, "");
    fields.emplace_back("qe", Number(model.qe));
    fields.emplace_back("qe_df", Number(model.qeDf));
    fields.emplace_back("qe_p", Number(model.qeP));
    fields.emplace_back("r2", Number(model.r2));
    AddHeterogeneity(fields, model);
    return Object(fields, "") + "\n";
}

} // namespace tavrel::report
