#pragma once
// The main() every bench shares: the registered benchmarks run inside a Qt application on the
// offscreen platform unless the caller's environment names another, after an optional set-up
// that needs the application (and sees the arguments Google Benchmark left).
#include <functional>

#include <QApplication>
#include <benchmark/benchmark.h>

template <class Application = QApplication>
int RunQtBenchmarks(int argc, char** argv, const std::function<void()>& setUp = {})
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (setUp) setUp();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
