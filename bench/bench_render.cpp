// redrawTraceView on a store of 100000 results, in each of the four modes, through the Qt
// canvas onto a fresh 780 x 380 picture (what the main window does after every live result).
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "bench/benchsupport.h"
#include "bench/qtbenchmain.h"
#include "qt/tracepicture.h"

namespace zvl {
namespace {

// 100000 results `step` seconds apart (step 0: all in the same second), inputs changing often.
void fill(AppState& st, int64_t step) {
    for (int k = 0; k < kInputCount; ++k) {
        st.inputActive[size_t(k)] = true;
        st.inputLabels[size_t(k)] = "Channel " + std::to_string(k + 1);
    }
    const int64_t t0 = 800'000'000;
    st.store.results[0].setTime(uint32_t(t0));
    for (int64_t i = 1; i <= 100000; ++i) {
        st.store.results[size_t(i)].setTime(uint32_t(t0 + (step ? step * i : 1)));
        st.store.results[size_t(i)].inputStates = uint16_t(i * 0x9E37u);
    }
    st.store.resultCount = 100000;
    st.recordingEndTime = t0 + step * 100000 + 1;
}

enum Scenario {
    EventRecordEnd,
    EventSearchMiddle,
    TimebaseRecordDense,
    TimebaseRecordSparse,
    TimebaseSearchEnd,
    TimebaseSearchDenseEnd
};

void BM_Redraw(benchmark::State& bench) {
    const auto scenario = Scenario(bench.range(0));
    AppState st;
    bench::StillClock clock;
    bench::QuietPrompts prompts;
    TraceRenderer renderer(st, clock, prompts);
    const bool dense = scenario == TimebaseRecordDense || scenario == TimebaseSearchDenseEnd;
    fill(st, dense ? 0 : 1);
    clock.at = dateTimeFromTimeStamp(st.recordingEndTime + 1);
    st.timebaseIndex = 5;
    switch (scenario) {
        case EventRecordEnd:
            st.operatingMode = EventRecord;
            break;
        case EventSearchMiddle:
            st.operatingMode = EventSearch;
            st.currentResult = 50000;
            break;
        case TimebaseRecordDense:
        case TimebaseRecordSparse:
            st.operatingMode = TimebaseRecord;
            break;
        case TimebaseSearchEnd:
        case TimebaseSearchDenseEnd:
            st.operatingMode = TimebaseSearch;
            st.viewStartTime = st.resultTime(100000) - 30;  // the view at the end: the longest scans
            break;
    }
    for (auto _ : bench) {
        QImage img = renderTracePicture(renderer);
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BM_Redraw)
    ->ArgName("scenario")
    ->Arg(EventRecordEnd)
    ->Arg(EventSearchMiddle)
    ->Arg(TimebaseRecordDense)
    ->Arg(TimebaseRecordSparse)
    ->Arg(TimebaseSearchEnd)
    ->Arg(TimebaseSearchDenseEnd)
    ->Unit(benchmark::kMicrosecond);

// The same redraw onto a picture at a device pixel ratio of 2 (1560 x 760 device pixels), as
// the window draws it on a 200 % desktop.
void BM_RedrawAtRatioTwo(benchmark::State& bench) {
    AppState st;
    bench::StillClock clock;
    bench::QuietPrompts prompts;
    TraceRenderer renderer(st, clock, prompts);
    fill(st, 1);
    st.timebaseIndex = 5;
    st.operatingMode = bench.range(0) == 0 ? EventSearch : TimebaseSearch;
    st.currentResult = 50000;
    st.viewStartTime = st.resultTime(100000) - 30;
    for (auto _ : bench) {
        QImage img = renderTracePicture(renderer, 2.0);
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BM_RedrawAtRatioTwo)->ArgName("timebase")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zvl

int main(int argc, char** argv) {
    return zvl::bench::runWithQt<QGuiApplication>(argc, argv);
}
