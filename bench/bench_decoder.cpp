// Live decoder throughput: 0xD0 packets decoded and stored per second, fed through the real
// data-available handler in notifications of a given size.
#include <benchmark/benchmark.h>

#include "bench/benchsupport.h"
#include "link/link.h"

namespace zvl {
namespace {

void BM_LiveDecoder(benchmark::State& bench) {
    const size_t chunk = size_t(bench.range(0));
    const int results = 100000;
    AppState state;
    bench::BufferPort port;
    bench::StillClock clock;
    bench::NoPump pump;
    bench::NoTimer t1, t2;
    bench::QuietPrompts prompts;
    ViewHooks view;
    InstrumentLink link(state, port, clock, pump, prompts, view, t1, t2);
    for (int i = 0; i < results; ++i) {
        const uint16_t w = uint16_t(i * 2654435761u >> 16);
        port.data.insert(port.data.end(), {0x01, 0x04, 0xD0, uint8_t(w >> 8), uint8_t(w), 0x04});
    }
    for (auto _ : bench) {
        state.store.clearResults();
        port.pos = 0;
        port.limit = 0;
        while (port.limit < port.data.size()) {
            port.limit = std::min(port.data.size(), port.limit + chunk);
            port.handler(port.bytesAvailable());
        }
        if (state.resultCount() != results) bench.SkipWithError("not every result was stored");
        benchmark::DoNotOptimize(state.store.results.data());
    }
    bench.SetItemsProcessed(int64_t(bench.iterations()) * results);
    bench.SetBytesProcessed(int64_t(bench.iterations()) * int64_t(port.data.size()));
}
BENCHMARK(BM_LiveDecoder)->Arg(6)->Arg(64)->Arg(4096)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zvl

BENCHMARK_MAIN();
