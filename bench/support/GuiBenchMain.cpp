// The main of a benchmark program over windows: an offscreen Qt application
// (unless a platform is chosen) and the workstation's application object,
// then the benchmarks.
#include "toolkit/Forms.h"

#include <QApplication>
#include <benchmark/benchmark.h>

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qtApp(argc, argv);
    tallivo::TApplication app;
    app.SetTitle(QStringLiteral("Tallivo-6"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
