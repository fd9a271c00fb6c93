// The Studies window's latencies: a table opened to a painted window, an edited row shown
// again, and the whole analysis (model, influence, small-study tests, plots) that follows an
// edit, for 200 and 2,000 studies. Offscreen; painting is forced with grab().
#include "offscreen_main.h"
#include "plots/forest_layout.h"
#include "plots/funnel_drawing.h"
#include "report/forest_data.h"
#include "report/funnel_data.h"
#include "sheet/evaluation.h"
#include "studies/studies_window.h"

#include <QDir>
#include <QFile>
#include <QTableView>
#include <benchmark/benchmark.h>
#include <random>

namespace {

using namespace tavrel;

// `k` generated studies of two groups, as a researcher's table holds them.
project::StudiesProject Studies(int k) {
    std::mt19937 random(11);
    std::normal_distribution<double> effect(0.1, 0.4);
    std::uniform_int_distribution<int> size(10, 120);
    project::StudiesProject studies;
    studies.columns = {"study", "year", "m1", "sd1", "n1", "m2", "sd2", "n2"};
    for (int i = 0; i < k; ++i) {
        const double sd = 15;
        const auto text = [](double value) { return QString::number(value, 'f', 2).toStdString(); };
        studies.rows.push_back({QStringLiteral("S%1").arg(i + 1).toStdString(),
                                std::to_string(1970 + i % 50), "100", text(sd),
                                std::to_string(size(random)), text(100 + sd * effect(random)),
                                text(sd), std::to_string(size(random))});
    }
    return studies;
}

QString CsvOf(int k) {
    const QString path = QDir::temp().filePath(QStringLiteral("tavrel-bench-%1.csv").arg(k));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    const project::StudiesProject studies = Studies(k);
    file.write(QByteArray::fromStdString("study,year,m1,sd1,n1,m2,sd2,n2\n"));
    for (const auto& row : studies.rows) {
        QStringList fields;
        for (const std::string& cell : row) {
            fields << QString::fromStdString(cell);
        }
        file.write((fields.join(',') + '\n').toUtf8());
    }
    return path;
}

void BM_OpenToPaintedWindow(benchmark::State& state) {
    const QString path = CsvOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        studies::StudiesWindow window;
        QString why;
        window.Open(path, &why);
        window.show();
        benchmark::DoNotOptimize(window.grab());
        state.PauseTiming();
        window.Runner().RunNow(window.Model().Sheet()); // not waited for: the window is shown
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenToPaintedWindow)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_EditedRowShown(benchmark::State& state) {
    studies::StudiesWindow window;
    QString why;
    window.Open(CsvOf(static_cast<int>(state.range(0))), &why);
    sheet::StudiesModel& model = window.Model();
    int edit = 0;
    for (auto _ : state) {
        model.setData(model.index(7, 5), QString::number(100 + (edit++ % 10)), Qt::EditRole);
        benchmark::DoNotOptimize(model.index(7, model.InputColumns() + 2).data());
    }
}
BENCHMARK(BM_EditedRowShown)->Arg(2000)->Unit(benchmark::kMicrosecond);

// What runs after the last keystroke, off the window's thread, and the plots drawn from it.
void BM_AnalysisAfterAnEdit(benchmark::State& state) {
    const project::StudiesProject studies = Studies(static_cast<int>(state.range(0)));
    const cli::Options options = sheet::AnalysisOptions(studies);
    for (auto _ : state) {
        const sheet::Evaluation evaluation = sheet::Evaluate(studies, options);
        const analysis::Analysis& analysis = *evaluation.analysis;
        if (evaluation.pooled->Studies().size() <= 250) {
            benchmark::DoNotOptimize(plots::LayOut(report::PlotOf(
                *evaluation.pooled, analysis.model, options.favoursLeft, options.favoursRight)));
        }
        benchmark::DoNotOptimize(plots::LayOut(
            report::FunnelPlotOf(*evaluation.pooled, analysis.model, *analysis.smallStudy, false)));
    }
}
BENCHMARK(BM_AnalysisAfterAnEdit)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarksOffscreen(argc, argv);
}
