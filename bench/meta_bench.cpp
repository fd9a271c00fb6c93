// Pooling a million studies by each method: the time, and REML's Fisher scoring steps; the
// leave-one-out refits of 2,000 studies by REML; a meta-regression of 100,000 studies on three
// moderators; each study's part (weights, residuals, Cook's distances) in 2,000 studies; and
// every test of small-study effects with trim-and-fill on 10,000 studies, and without it on a
// million.
#include "meta/diagnostics/influence.h"
#include "meta/diagnostics/leave_one_out.h"
#include "meta/model/model.h"
#include "meta/small_study/small_study_effects.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace {

using namespace tavrel;

std::vector<meta::Study> Studies(std::size_t k) {
    std::mt19937_64 random(20261206);
    std::normal_distribution<double> effect(0.35, 0.6);
    std::uniform_int_distribution<int> size(3, 400);
    std::vector<meta::Study> studies(k);
    for (meta::Study& study : studies) {
        const double n1 = size(random);
        const double n2 = size(random);
        const double yi = effect(random);
        study = {yi, (n1 + n2) / (n1 * n2) + yi * yi / (2 * (n1 + n2))};
    }
    return studies;
}

void BM_Pool(benchmark::State& state, meta::Method method) {
    static const std::vector<meta::Study> studies = Studies(1'000'000);
    int iterations = 0;
    for (auto _ : state) {
        const meta::Model pooled = meta::FitModel(studies, {method, meta::Test::Z, 0.95});
        iterations = pooled.iterations;
        benchmark::DoNotOptimize(pooled.Pooled().estimate);
    }
    state.counters["reml_steps"] = iterations;
}
BENCHMARK_CAPTURE(BM_Pool, REML, meta::Method::REML)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Pool, DL, meta::Method::DL)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Pool, FE, meta::Method::FE)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Pool, PM, meta::Method::PM)->Unit(benchmark::kMillisecond);

void BM_LeaveOneOut(benchmark::State& state) {
    const std::vector<meta::Study> studies = Studies(2000);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            meta::LeaveOneOut(studies, {meta::Method::REML, meta::Test::Z, 0.95}).back().tau2);
    }
}
BENCHMARK(BM_LeaveOneOut)->Unit(benchmark::kMillisecond);

// Three moderators: a dose in [0, 10], a year in 1985..2024 and a yes/no design indicator,
// with effects that depend on the first and the last.
meta::Design Moderators(std::span<const meta::Study> studies, std::vector<meta::Study>& shifted) {
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> dose(0, 10);
    std::uniform_int_distribution<int> year(1985, 2024);
    std::bernoulli_distribution crossover(0.3);
    meta::Design x(static_cast<Eigen::Index>(studies.size()), 4);
    shifted.assign(studies.begin(), studies.end());
    for (Eigen::Index i = 0; i < x.rows(); ++i) {
        x.row(i) << 1, dose(random), year(random), crossover(random) ? 1 : 0;
        shifted[static_cast<std::size_t>(i)].yi += 0.04 * x(i, 1) + 0.2 * x(i, 3);
    }
    return x;
}

const std::vector<std::string> kNames = {"intercept", "dose", "year", "design=crossover"};

void BM_Regression(benchmark::State& state, meta::Method method) {
    static std::vector<meta::Study> studies;
    static const meta::Design x = Moderators(Studies(100'000), studies);
    for (auto _ : state) {
        const meta::Model model = meta::FitModel(studies, x, kNames, {method, meta::Test::Z, 0.95});
        benchmark::DoNotOptimize(model.tau2);
    }
}
BENCHMARK_CAPTURE(BM_Regression, REML, meta::Method::REML)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Regression, DL, meta::Method::DL)->Unit(benchmark::kMillisecond);

void BM_Influence(benchmark::State& state) {
    static const std::vector<meta::Study> studies = Studies(2000);
    const meta::Model pooled = meta::FitModel(studies, {meta::Method::REML, meta::Test::Z, 0.95});
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            meta::Influence(studies, meta::InterceptOnly(studies.size()), pooled, true)
                .back()
                .residual);
    }
}
BENCHMARK(BM_Influence)->Unit(benchmark::kMillisecond);

// 3,000 studies in 1,000 labs beside a dose: the model and each study's refit, as --mods lab,dose
// asks of them. The lab is a categorical moderator of 999 indicators.
void BM_InfluenceOfManyLevels(benchmark::State& state) {
    static const std::vector<meta::Study> studies = Studies(3000);
    meta::Design x = meta::Design::Zero(3000, 1001);
    std::vector<std::string> names = {"intercept", "dose"};
    for (int lab = 1; lab < 1000; ++lab) {
        names.push_back("lab=" + std::to_string(lab));
    }
    for (Eigen::Index i = 0; i < x.rows(); ++i) {
        x(i, 0) = 1;
        x(i, 1) = static_cast<double>(i % 7);
        if (const Eigen::Index lab = i % 1000; lab > 0) {
            x(i, 1 + lab) = 1;
        }
    }
    const meta::ModelSettings settings{meta::Method::REML, meta::Test::Z, 0.95};
    for (auto _ : state) {
        const meta::Model model = meta::FitModel(studies, x, names, settings);
        benchmark::DoNotOptimize(meta::Influence(studies, x, model, true).back().residual);
    }
}
BENCHMARK(BM_InfluenceOfManyLevels)->Unit(benchmark::kMillisecond);

} // namespace

// Every test of small-study effects with trim-and-fill on 10,000 studies, from which half of
// the small studies without a significant effect were removed (so trim-and-fill has studies
// to fill and rounds to go).
void BM_SmallStudyEffects(benchmark::State& state, meta::Method method) {
    std::vector<meta::Study> studies;
    const std::vector<meta::Study> drawn = Studies(40'000);
    for (std::size_t i = 0; i < drawn.size() && studies.size() < 10'000; ++i) {
        const meta::Study& study = drawn[i];
        if (study.vi < 0.02 || study.yi / std::sqrt(study.vi) > 1.96 || i % 2 == 0) {
            studies.push_back(study);
        }
    }
    const meta::Model pooled = meta::FitModel(studies, {method, meta::Test::Z, 0.95});
    std::size_t filled = 0;
    for (auto _ : state) {
        const meta::SmallStudyEffects effects =
            meta::AssessSmallStudyEffects(studies, pooled, true);
        filled = effects.trimFill ? effects.trimFill->k0 : 0;
        benchmark::DoNotOptimize(effects.failSafeN);
    }
    state.counters["k"] = static_cast<double>(studies.size());
    state.counters["filled"] = static_cast<double>(filled);
}
BENCHMARK_CAPTURE(BM_SmallStudyEffects, REML, meta::Method::REML)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SmallStudyEffects, DL, meta::Method::DL)->Unit(benchmark::kMillisecond);

// What --meta asks of a million studies beside the pooled model: Egger's and PEESE's regressions,
// Begg's rank correlation and the fail-safe N, without trim-and-fill (side by side, as on two
// cores they run); and one regression and the rank test alone.
void BM_SmallStudyEffectsOfAMillion(benchmark::State& state) {
    static const std::vector<meta::Study> studies = Studies(1'000'000);
    const meta::Model pooled = meta::FitModel(studies, {meta::Method::REML, meta::Test::Z, 0.95});
    for (auto _ : state) {
        benchmark::DoNotOptimize(meta::AssessSmallStudyEffects(studies, pooled, false).failSafeN);
    }
}
BENCHMARK(BM_SmallStudyEffectsOfAMillion)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EggerOfAMillion(benchmark::State& state) {
    static const std::vector<meta::Study> studies = Studies(1'000'000);
    for (auto _ : state) {
        benchmark::DoNotOptimize(meta::RegressionTest(studies,
                                                      meta::AsymmetryPredictor::StandardError,
                                                      {meta::Method::REML, meta::Test::Z, 0.95})
                                     .p);
    }
}
BENCHMARK(BM_EggerOfAMillion)->Unit(benchmark::kMillisecond);

void BM_RankOfAMillion(benchmark::State& state) {
    static const std::vector<meta::Study> studies = Studies(1'000'000);
    for (auto _ : state) {
        benchmark::DoNotOptimize(meta::RankTest(studies).p);
    }
}
BENCHMARK(BM_RankOfAMillion)->Unit(benchmark::kMillisecond);
