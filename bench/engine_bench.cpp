// One whole calculation in the engine: six texts in, eight result texts out.
#include "engine/calculation.h"

#include <benchmark/benchmark.h>
#include <vector>

namespace {

using namespace tavrel;

void BenchmarkCalculate(benchmark::State& state, engine::InputTexts texts) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(texts);
        auto calculation = engine::Calculate(texts);
        benchmark::DoNotOptimize(calculation);
    }
}

// The worked example, and the widest values six typed characters can give.
BENCHMARK_CAPTURE(BenchmarkCalculate, AllResults, {"100", "15", "20", "110", "15", "20"});
BENCHMARK_CAPTURE(BenchmarkCalculate, WideValues,
                  {"123.45", "9.876", "999999", "99999.9", ".00001", "999999"});

} // namespace
