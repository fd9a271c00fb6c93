#include "report/summary_json.h"

#include "csv/round_trip_number.h"

#include <cmath>
#include <cstdio>
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

// The keys of one model, in order; k_left_out only for the whole.
Fields ModelFields(const meta::Pooled& pooled, const std::size_t* leftOut) {
    Fields fields = {
        {"method", Quoted(meta::Name(pooled.method))},
        {"test", Quoted(meta::Name(pooled.test))},
        {"level", Number(pooled.level)},
        {"k", std::to_string(pooled.k)},
    };
    if (leftOut != nullptr) {
        fields.emplace_back("k_left_out", std::to_string(*leftOut));
    }
    const std::pair<const char*, double> values[] = {
        {"estimate", pooled.estimate},
        {"se", pooled.se},
        {"statistic", pooled.statistic},
        {"p", pooled.p},
        {"ci_low", pooled.ciLow},
        {"ci_high", pooled.ciHigh},
        {"tau2", pooled.tau2},
        {"tau", pooled.tau},
        {"i2", pooled.i2},
        {"h2", pooled.h2},
        {"tau2_ci_low", pooled.tau2CiLow},
        {"tau2_ci_high", pooled.tau2CiHigh},
        {"tau_ci_low", pooled.tauCiLow},
        {"tau_ci_high", pooled.tauCiHigh},
        {"i2_ci_low", pooled.i2CiLow},
        {"i2_ci_high", pooled.i2CiHigh},
        {"h2_ci_low", pooled.h2CiLow},
        {"h2_ci_high", pooled.h2CiHigh},
        {"q", pooled.q},
        {"q_df", pooled.qDf},
        {"q_p", pooled.qP},
        {"pi_low", pooled.piLow},
        {"pi_high", pooled.piHigh},
    };
    for (const auto& [key, value] : values) {
        fields.emplace_back(key, Number(value));
    }
    return fields;
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
                        const meta::SubgroupTest* differences) {
    Fields fields = ModelFields(pooled, &leftOut);
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
    return Object(fields, "") + "\n";
}

} // namespace tavrel::report
