#include "report/summary_json.h"

#include "csv/round_trip_number.h"

#include <cmath>
#include <utility>

namespace tavrel::report {

namespace {

std::string Number(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char text[csv::kShortestNumberMax];
    return {text, csv::WriteShortest(value, text)};
}

} // namespace

std::string SummaryJson(const meta::Pooled& pooled, std::size_t leftOut) {
    const std::pair<const char*, std::string> fields[] = {
        {"method", "\"" + std::string(meta::Name(pooled.method)) + "\""},
        {"test", "\"" + std::string(meta::Name(pooled.test)) + "\""},
        {"level", Number(pooled.level)},
        {"k", std::to_string(pooled.k)},
        {"k_left_out", std::to_string(leftOut)},
        {"estimate", Number(pooled.estimate)},
        {"se", Number(pooled.se)},
        {"statistic", Number(pooled.statistic)},
        {"p", Number(pooled.p)},
        {"ci_low", Number(pooled.ciLow)},
        {"ci_high", Number(pooled.ciHigh)},
        {"tau2", Number(pooled.tau2)},
        {"tau", Number(pooled.tau)},
        {"i2", Number(pooled.i2)},
        {"h2", Number(pooled.h2)},
        {"tau2_ci_low", Number(pooled.tau2CiLow)},
        {"tau2_ci_high", Number(pooled.tau2CiHigh)},
        {"tau_ci_low", Number(pooled.tauCiLow)},
        {"tau_ci_high", Number(pooled.tauCiHigh)},
        {"i2_ci_low", Number(pooled.i2CiLow)},
        {"i2_ci_high", Number(pooled.i2CiHigh)},
        {"h2_ci_low", Number(pooled.h2CiLow)},
        {"h2_ci_high", Number(pooled.h2CiHigh)},
        {"q", Number(pooled.q)},
        {"q_df", Number(pooled.qDf)},
        {"q_p", Number(pooled.qP)},
        {"pi_low", Number(pooled.piLow)},
        {"pi_high", Number(pooled.piHigh)},
    };
    std::string json = "{\n";
    for (const auto& [key, value] : fields) {
        json += std::string(json.size() > 2 ? ",\n" : "") + "  \"" + key + "\": " + value;
    }
    return json + "\n}\n";
}

} // namespace tavrel::report
