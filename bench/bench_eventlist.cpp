// The event list on 100000 results: opening it (the model over the store, the table shown
// with its first rows) and scrolling to the end (the last rows shown), on the offscreen
// platform. Neither may depend on the number of rows.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <QTableView>

#include "app/eventlistwindow.h"
#include "bench/qtbenchmain.h"

namespace zvl {
namespace {

AppState& bigStore() {
    static AppState st = [] {
        AppState s;
        for (int k = 0; k < kInputCount; ++k) s.inputLabels[size_t(k)] = "Channel " + std::to_string(k + 1);
        for (int64_t i = 1; i <= 100000; ++i) {
            s.store.results[size_t(i)].setTime(uint32_t(800'000'000 + 3 * i));
            s.store.results[size_t(i)].inputStates = uint16_t(i * 0x9E37u);
        }
        s.store.resultCount = 100000;
        return s;
    }();
    return st;
}

// Lays out and paints the window as the screen would show it.
void showNow(QWidget& w) {
    w.repaint();
    QApplication::processEvents();
}

void BM_OpenEventList(benchmark::State& bench) {
    AppState& st = bigStore();
    QWidget main;
    for (auto _ : bench) {
        EventListWindow list(
            st, [](int64_t) {}, &main);
        list.openBeside(&main);
        showNow(list);
        benchmark::DoNotOptimize(list.model().rowCount());
        list.hide();
    }
}
BENCHMARK(BM_OpenEventList)->Unit(benchmark::kMillisecond);

void BM_ScrollEventListToTheEnd(benchmark::State& bench) {
    AppState& st = bigStore();
    QWidget main;
    EventListWindow list(
        st, [](int64_t) {}, &main);
    list.openBeside(&main);
    showNow(list);
    for (auto _ : bench) {
        bench.PauseTiming();
        list.table()->scrollToTop();
        showNow(list);
        bench.ResumeTiming();
        list.table()->scrollToBottom();
        showNow(list);
    }
    if (list.table()->verticalScrollBar()->value() != list.table()->verticalScrollBar()->maximum())
        bench.SkipWithError("not at the end");
}
BENCHMARK(BM_ScrollEventListToTheEnd)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zvl

int main(int argc, char** argv) {
    return zvl::bench::runWithQt<QApplication>(argc, argv);
}
