// The Statistics dialog's figures over a store of 100000 results, for each box choice: the
// pass over the results and the grid's texts, what the dialog computes when it opens or when
// another box choice is picked. The inputs change at every result and the results stand 7 s
// apart (about 8 days), so every holding time is split and the hourly boxes wrap daily.
#include <benchmark/benchmark.h>

#include <memory>

#include "core/state.h"
#include "files/statistics.h"

namespace zvl {
namespace {

constexpr int64_t kResults = 100000;

void BM_Statistics(benchmark::State& bench) {
    const auto choice = BoxChoice(bench.range(0));
    auto st = std::make_unique<AppState>();
    for (int64_t i = 1; i <= kResults; ++i) {
        st->store.results[size_t(i)].setTime(uint32_t(800'000'000 + 7 * i));
        st->store.results[size_t(i)].inputStates = uint16_t(i * 0x9E37);
    }
    st->store.resultCount = kResults;
    int64_t counted = 0;
    for (auto _ : bench) {
        const Statistics stats = computeStatistics(st->store, choice);
        const TextGrid grid = statisticsGrid(stats, *st);
        counted = 0;
        for (const BoxFigures& box : stats.boxes) counted += box.results;
        benchmark::DoNotOptimize(grid.data());
    }
    if (counted != kResults) bench.SkipWithError("results lost between the boxes");
    bench.SetLabel(kBoxChoiceNames[bench.range(0)]);
    bench.SetItemsProcessed(bench.iterations() * kResults);
}
BENCHMARK(BM_Statistics)
    ->Arg(int(BoxChoice::Hourly))
    ->Arg(int(BoxChoice::TenEqual))
    ->Arg(int(BoxChoice::TwentyEqual))
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zvl

BENCHMARK_MAIN();
