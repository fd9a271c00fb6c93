// One press of Calculate in the real window: six fields read, the engine run, eight result
// fields written (offscreen, no painting).
#include "offscreen_main.h"
#include "windows/calculator_window.h"
#include "windows/input_field.h"
#include "windows/result_field.h"

#include <array>
#include <benchmark/benchmark.h>

namespace {

using namespace tavrel;

void BM_CalculatePressed(benchmark::State& state) {
    windows::CalculatorWindow window;
    const std::array<const char*, engine::kInputCount> inputs = {"100", "15", "20",
                                                                 "110", "15", "20"};
    for (const engine::Input input : engine::kInputs) {
        window.FieldOf(input).setText(QString::fromLatin1(inputs[Index(input)]));
    }
    for (auto _ : state) {
        window.Calculate();
        benchmark::DoNotOptimize(window.FieldOf(engine::Result::CommonLanguage).text());
    }
}
BENCHMARK(BM_CalculatePressed)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarksOffscreen(argc, argv);
}
