// The engine against the reference tools on this machine; see TBenchOptions for the command
// line, TBenchmark for what it does and TEngineRun for the engine's side.
#include "bench/BenchOptions.h"
#include "bench/BenchSupport.h"
#include "bench/Benchmark.h"
#include "bench/EngineRun.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    PreferOffscreenPlatform();
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.value(0) == TEngineRun::Flag())
        return TEngineRun::Run(arguments.mid(1));
    TBenchOptions options;
    if (!options.Parse(arguments)) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(options.Error()), qPrintable(TBenchOptions::Usage()));
        return 2;
    }
    return TBenchmark(options).Run();
}
