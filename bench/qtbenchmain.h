#pragma once
// main() of a benchmark that needs a Qt application object: App is QCoreApplication,
// QGuiApplication or QApplication, on the offscreen platform.
//   int main(int argc, char** argv) { return zvl::bench::runWithQt<QGuiApplication>(argc, argv); }

#include <benchmark/benchmark.h>

#include <QtGlobal>

namespace zvl::bench {

template <class App>
int runWithQt(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    App app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace zvl::bench
