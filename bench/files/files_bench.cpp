#include "files/safefile.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace korimo;

namespace {

// A small file saved over an older one in a folder that holds range(0) other files, as the
// AutoSave folder does after many captures. Each save looks through the folder once for
// temporary files that killed saves left, so the folder's size shows in the time.
void BM_SaveSmallFileAmongOthers(benchmark::State& state) {
    QTemporaryDir dir;
    for (int i = 0; i < state.range(0); ++i) {
        QFile f(dir.filePath(QStringLiteral("auto%1.bmp").arg(i)));
        if (!f.open(QIODevice::WriteOnly)) {
            state.SkipWithError("the folder cannot be filled");
            return;
        }
    }
    const QByteArray bytes(4096, 'x');
    const QString file = dir.filePath(QStringLiteral("frame.bmp"));
    for (auto _ : state)
        writeFileSafely(file, bytes);
}
BENCHMARK(BM_SaveSmallFileAmongOthers)
    ->Arg(0)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);

} // namespace
BENCHMARK_MAIN();
