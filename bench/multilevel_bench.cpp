// The three-level model of 10,000 rows in 2,000 clusters by REML: the fit with the components'
// profile-likelihood intervals, the fit alone, and the CR2 sandwich with Satterthwaite's
// degrees of freedom. bench/metafor_multilevel.R times rma.mv, confint and robust on the same
// kind of table.
#include "meta/multilevel/cluster_robust.h"
#include "meta/multilevel/multilevel_model.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace tavrel;

struct Table {
    std::vector<meta::Study> studies;
    std::vector<std::string> clusters;
};

// Clusters of 1 to 9 rows (5 on average) with sigma^2 0.05 between and 0.02 within.
Table Clustered(int clusterCount) {
    std::mt19937_64 random(20261208);
    std::uniform_int_distribution<int> rows(1, 9);
    std::normal_distribution<double> between(0, std::sqrt(0.05)), within(0, std::sqrt(0.02));
    std::uniform_real_distribution<double> variance(0.01, 0.2);
    Table table;
    for (int c = 0; c < clusterCount; ++c) {
        const double shift = between(random);
        for (int r = rows(random); r > 0; --r) {
            const double vi = variance(random);
            std::normal_distribution<double> sampling(0, std::sqrt(vi));
            table.studies.push_back({0.3 + shift + within(random) + sampling(random), vi});
            table.clusters.push_back("c" + std::to_string(c));
        }
    }
    return table;
}

const std::string kName = "intercept";

void BM_ThreeLevel(benchmark::State& state, meta::ModelExtras extras) {
    static const Table table = Clustered(2000);
    for (auto _ : state) {
        const meta::Model model = meta::FitMultilevel(table.studies, table.clusters,
                                                      meta::InterceptOnly(table.studies.size()),
                                                      std::span(&kName, 1), {}, extras);
        benchmark::DoNotOptimize(model.levels->sigma2Between);
    }
    state.counters["rows"] = static_cast<double>(table.studies.size());
}
BENCHMARK_CAPTURE(BM_ThreeLevel, WithIntervals, meta::ModelExtras::All)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ThreeLevel, FitAlone, meta::ModelExtras::None)->Unit(benchmark::kMillisecond);

void BM_ClusterRobust(benchmark::State& state) {
    static const Table table = Clustered(2000);
    for (auto _ : state) {
        benchmark::DoNotOptimize(meta::ClusterRobust(table.studies, table.clusters,
                                                     meta::InterceptOnly(table.studies.size()),
                                                     std::span(&kName, 1), {0.05, 0.02}, 0.95)
                                     .df.front());
    }
}
BENCHMARK(BM_ClusterRobust)->Unit(benchmark::kMillisecond);

} // namespace
