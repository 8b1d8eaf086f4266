// The live decoder on a noisy line: the in-process instrument streams 320 results a second with
// stray bytes, malformed packets and the single-byte signals, and the port hands the bytes over
// as the live ports do, gathering them for G ms after each notification (zvl log 20 ms, the
// window 40 ms while live, 0 = every millisecond). Prints, per gathering, the results sent, the
// results stored, the fraction lost and what the decoder threw away. Figures in
// docs/reliability.md.
//
//     noisy_line [SECONDS [GATHER_MS...]]     (default 290 s; 0 20 40 ms)
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/serialport.h"
#include "tests/support/fakes.h"

using namespace zvl;

int main(int argc, char** argv) {
    const int64_t seconds = argc > 1 ? std::atoll(argv[1]) : 290;  // 320 a second fill the store in 312 s
    std::vector<int> gathers;
    for (int i = 2; i < argc; ++i) gathers.push_back(std::atoi(argv[i]));
    if (gathers.empty()) gathers = {0, 20, 40};
    std::printf("%-10s %10s %10s %8s  %s\n", "gather ms", "sent", "stored", "lost", "thrown away");
    for (const int gather : gathers) {
        sim::SimConfig c;  // zvl-sim --rate 320 --noise 2 --malformed 0.2 --unknown-signals 0.5
        c.seed = 5;        //         --invalid-signals 0.5
        c.resultsPerSecond = 320;
        c.noiseBytesPerSecond = 2;
        c.malformedPerSecond = 0.2;
        c.unknownSignalsPerSecond = 0.5;
        c.invalidSignalsPerSecond = 0.5;
        test::Rig rig(c);
        rig.port.paced = false;  // the instrument keeps to the line's rate itself
        rig.clock.ms = 0;        // the fake wall clock's second starts at ms 0
        const uint8_t start[] = {0x01, 0x02, 0x40, 0x04};
        rig.engine->receive(start, sizeof start, 0);
        int64_t nextRead = 0;
        for (int64_t ms = 0; ms <= seconds * 1000; ++ms) {
            rig.clock.ms = ms;
            rig.engine->tick(ms);
            rig.port.pullFromEngine();
            if (ms >= nextRead && rig.port.bytesAvailable() > 0) {
                rig.port.deliver();
                nextRead = ms + gatherWindowMs(gather, int(ms % 1000));
            }
        }
        rig.port.deliver();
        const int64_t sent = rig.engine->liveResultsSent(), stored = rig.state.resultCount();
        std::printf("%-10d %10lld %10lld %7.2f%%  %s\n", gather, static_cast<long long>(sent),
                    static_cast<long long>(stored), 100.0 * double(sent - stored) / double(sent),
                    discardedBytesText(rig.link.liveDiscards()).c_str());
    }
    return 0;
}
