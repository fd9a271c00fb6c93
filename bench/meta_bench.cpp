// Pooling a million studies by each method: the time, and REML's Fisher scoring steps; and
// the leave-one-out refits of 2,000 studies by REML.
#include "meta/leave_one_out.h"
#include "meta/pooling.h"

#include <benchmark/benchmark.h>
#include <random>
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
        const meta::Pooled pooled = meta::Pool(studies, method, meta::Test::Z, 0.95);
        iterations = pooled.iterations;
        benchmark::DoNotOptimize(pooled.estimate);
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
            meta::LeaveOneOut(studies, meta::Method::REML, meta::Test::Z, 0.95).back().tau2);
    }
}
BENCHMARK(BM_LeaveOneOut)->Unit(benchmark::kMillisecond);

} // namespace
