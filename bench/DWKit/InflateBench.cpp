// In-memory inflation of downloads that compress well (category stores shrink about tenfold, a
// run of zeros far more): the output buffer grows geometrically, so the time stays linear in the
// inflated size however high the ratio.
#include "DWKit/NSData+DWExtensions.h"

#include <benchmark/benchmark.h>

namespace {

void inflateHighRatio(benchmark::State& state)
{
    const QByteArray plain(qsizetype(state.range(0)) << 20, 'x');
    const QByteArray compressed = *dw::deflate(plain);
    for (auto _ : state)
        benchmark::DoNotOptimize(dw::inflate(compressed));
    state.SetBytesProcessed(int64_t(state.iterations()) * plain.size());
}

} // namespace

BENCHMARK(inflateHighRatio)->Arg(1)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);
