#pragma once

#include <QApplication>
#include <benchmark/benchmark.h>

// The benchmarks of windows run them offscreen, under an application of their own.
inline int RunBenchmarksOffscreen(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
