// "Find" and "Next" over a store of 100000 results where only the last result fits the key,
// and every other result fails only at the last input tested: the longest scan the search
// can make, with all sixteen bit tests on every result.
#include <benchmark/benchmark.h>

#include "bench/benchsupport.h"
#include "search/matchsearch.h"

namespace zvl {
namespace {

constexpr int64_t kResults = 100000;

void fill(AppState& st) {
    st.inputActive.fill(true);
    st.operatingMode = EventSearch;
    for (int64_t i = 1; i <= kResults; ++i) {
        st.store.results[size_t(i)].setTime(uint32_t(800'000'000 + i));
        st.store.results[size_t(i)].inputStates = 0x7FFF;  // inputs 1..15 on, 16 off
    }
    st.store.results[size_t(kResults)].inputStates = 0xFFFF;
    st.store.resultCount = kResults;
    st.searchKey.fill(On);
}

void BM_Find(benchmark::State& bench) {
    AppState st;
    fill(st);
    bench::QuietPrompts prompts;
    ViewHooks view;
    for (auto _ : bench) {
        findFirstMatch(st, prompts, view);
        benchmark::DoNotOptimize(st.currentMatch);
    }
    if (st.currentMatch != kResults || !prompts.informations.empty())
        bench.SkipWithError("the match is not the last result");
    bench.SetItemsProcessed(bench.iterations() * kResults);
}
BENCHMARK(BM_Find)->Unit(benchmark::kMillisecond);

void BM_Next(benchmark::State& bench) {
    AppState st;
    fill(st);
    bench::QuietPrompts prompts;
    st.matchFound = true;
    for (auto _ : bench) {
        st.currentMatch = 1;
        findNextMatch(st, prompts);
        benchmark::DoNotOptimize(st.currentMatch);
    }
    if (st.currentMatch != kResults || !prompts.informations.empty())
        bench.SkipWithError("the match is not the last result");
    bench.SetItemsProcessed(bench.iterations() * (kResults - 1));
}
BENCHMARK(BM_Next)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zvl

BENCHMARK_MAIN();
