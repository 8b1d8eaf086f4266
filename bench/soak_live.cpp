// Live soak: the in-process instrument streams at the line's limit (310 results a second) with
// stray bytes, unknown and invalid signals and malformed packets, on a fake clock, through
// HOURS of simulated time (default 24). Each recording runs to the 100000-result limit; the
// program must stop it there with its one warning and the resident memory must stay flat from
// one recording to the next.
//   signals   only the single-byte signals 0x05 and 0x15, which are dropped on their own: every
//             result sent before the limit must be in the store once and in order.
//   all       stray bytes and malformed packets as well. A stray byte empties the receive
//             buffer with whatever results wait behind it in the same notification, by design;
//             the store must then hold results the instrument sent, in its order, none twice,
//             and the program prints how many went with the stray bytes.
//
//     soak_live [HOURS] [signals|all]      exit status 1 if anything went wrong
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/benchsupport.h"
#include "tests/support/fakes.h"

using namespace zvl;
using bench::residentKb;

int main(int argc, char** argv) {
    const double hours = argc > 1 ? std::atof(argv[1]) : 24;
    sim::SimConfig c;
    c.seed = 4;
    // 6-byte result packets at 310 a second, plus the faults, fill 99 % of the line's 1920
    // bytes a second: the line's limit (320 results alone fill all of it).
    c.resultsPerSecond = 310;
    const bool all = argc > 2 && std::string(argv[2]) == "all";
    c.noiseBytesPerSecond = all ? 20 : 0;
    c.unknownSignalsPerSecond = 0.5;
    c.invalidSignalsPerSecond = 0.5;
    c.malformedPerSecond = all ? 1 : 0;
    test::Rig rig(c);
    // The fake line rounds every byte up to a whole millisecond (1000 bytes a second), too slow
    // for this rate; the instrument's own schedule paces the results instead.
    rig.port.paced = false;
    AppState& st = rig.state;
    std::vector<uint16_t> sent;
    sent.reserve(size_t(kMaxResults) + 10000);
    rig.engine->onLiveResult = [&](uint16_t inputs) { sent.push_back(inputs); };
    rig.link.connect();

    const int64_t endMs = rig.clock.ms + int64_t(hours * 3'600'000);
    const auto wallStart = std::chrono::steady_clock::now();
    int recordings = 0, problems = 0;
    int64_t stored = 0, sentTotal = 0, discarded = 0;
    long firstKb = 0, lastKb = 0, peakKb = 0;
    while (rig.clock.ms < endMs) {
        sent.clear();
        rig.prompts.warnings.clear();
        rig.prompts.choiceCalls.clear();
        rig.link.collectNewData();
        const int64_t startMs = rig.clock.ms;
        while (st.collectionActive && rig.clock.ms - startMs < 3'600'000) rig.run(1000);
        rig.run(2000);  // what was in flight when the stop went out arrives and is dropped
        ++recordings;
        bool good =
            !st.collectionActive && st.resultCount() == kMaxResults &&
            rig.prompts.warnings == std::vector<std::string>{"Maximum Results Received. Pellam Stopped"} &&
            rig.prompts.choiceCalls.size() == 1 && !rig.engine->collecting() &&
            sent.size() > size_t(kMaxResults);
        // Each stored result matched to the next sent one with its input states: in order, none
        // twice (a doubled result would need the same states sent twice in a row), and with
        // signals only, none skipped.
        size_t next = 0;
        for (int64_t i = 1; good && i <= kMaxResults; ++i) {
            const uint16_t inputs = st.store.results[size_t(i)].inputStates;
            const size_t from = next;
            while (next < sent.size() && sent[next] != inputs) ++next;
            good = next < sent.size() && (all || next == from) &&
                   (i == 1 || st.resultTime(i) >= st.resultTime(i - 1));
            if (!good) std::printf("  result %lld: not the next result sent\n", (long long)i);
            ++next;
        }
        discarded += int64_t(next) - kMaxResults;
        if (!good) {
            ++problems;
            std::printf("recording %d: %lld results stored, %zu sent, %zu warnings, collecting %d\n",
                        recordings, (long long)st.resultCount(), sent.size(), rig.prompts.warnings.size(),
                        int(st.collectionActive));
        }
        stored += st.resultCount();
        sentTotal += int64_t(sent.size());
        // The fakes log every byte; that log is the test rig's, not the program's.
        bench::dropRigLogs(rig);
        lastKb = residentKb();
        if (recordings == 2) firstKb = lastKb;  // after the first recording grew every buffer
        peakKb = std::max(peakKb, lastKb);
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    std::printf(
        "%.1f h simulated: %d recordings to the limit, %lld results stored, %lld sent "
        "(the rest after the stop), %lld discarded with stray bytes, %d wrong\n",
        double(rig.clock.ms - (endMs - int64_t(hours * 3'600'000))) / 3'600'000, recordings,
        (long long)stored, (long long)sentTotal, (long long)discarded, problems);
    std::printf("resident memory: %ld kB after recording 2, %ld kB at the end, %ld kB peak; %.1f s wall\n",
                firstKb, lastKb, peakKb, wall);
    const bool flat = lastKb <= firstKb + firstKb / 20;
    if (!flat) std::printf("memory grew\n");
    return problems == 0 && flat ? 0 : 1;
}
