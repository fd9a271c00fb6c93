// One press of Calculate in the real window: six fields read, the engine run, eight output
// fields written (offscreen, no painting).
#include "platform/controls.h"
#include "ui/control_wnd.h"
#include "ui/shell_links.h"

#include <QApplication>
#include <array>
#include <benchmark/benchmark.h>

namespace {

using namespace tavrel;

void BM_CalculatePressed(benchmark::State& state) {
    auto& window = ui::ControlWnd();
    const std::array<const char*, 6> inputs = {"100", "15", "20", "110", "15", "20"};
    const std::array<const char*, 6> names = {"M1Fld", "SD1Fld", "N1Fld",
                                              "M2Fld", "SD2Fld", "N2Fld"};
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        window.Field(names[i]).SetText(QString::fromLatin1(inputs[i]));
    }
    for (auto _ : state) {
        window.CalcBtn_Action();
        benchmark::DoNotOptimize(window.Field("CLEFFld").text());
    }
}
BENCHMARK(BM_CalculatePressed)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ui::InstallShellLinks({.ShowInformation = [] {}, .HideAbout = [] {}, .ShowAbout = [] {}});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
