// One whole press of Calculate in the engine: six texts in, eight result texts out.
#include "engine/press.h"

#include <benchmark/benchmark.h>
#include <vector>

namespace {

using namespace tavrel;

void BenchmarkPress(benchmark::State& state, engine::InputTexts texts) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(texts);
        auto pressed = engine::Press(texts);
        benchmark::DoNotOptimize(pressed);
    }
}

// The worked example, and the widest values six typed characters can give.
BENCHMARK_CAPTURE(BenchmarkPress, AllResults, {"100", "15", "20", "110", "15", "20"});
BENCHMARK_CAPTURE(BenchmarkPress, WideValues,
                  {"123.45", "9.876", "999999", "99999.9", ".00001", "999999"});

} // namespace
