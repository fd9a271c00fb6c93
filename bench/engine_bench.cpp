// One whole press of Calculate in the engine: six texts in, eight field texts out.
#include "engine/effect_sizes.h"
#include "engine/presentation.h"
#include "engine/summary_stats.h"
#include "platform/format.h"
#include "platform/real_to_int.h"
#include "platform/val.h"

#include <benchmark/benchmark.h>
#include <vector>

namespace {

using namespace tavrel;

std::vector<engine::FieldText> Press(const engine::InputTexts& texts) {
    const engine::CalcOutcome outcome =
        engine::Calculate(texts, &platform::Val, &platform::RealToInt32);
    const auto& calc = std::get<engine::Calculation>(outcome);
    return engine::PresentResults(calc.Mode, engine::ComputeResults(calc.Stats, calc.Mode),
                                  &platform::Format);
}

void BenchmarkPress(benchmark::State& state, engine::InputTexts texts) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(texts);
        auto fields = Press(texts);
        benchmark::DoNotOptimize(fields);
    }
}

// The worked example, and the widest values six typed characters can give.
BENCHMARK_CAPTURE(BenchmarkPress, AllResults, {"100", "15", "20", "110", "15", "20"});
BENCHMARK_CAPTURE(BenchmarkPress, WideValues,
                  {"123.45", "9.876", "999999", "99999.9", ".00001", "999999"});

} // namespace
