// Upload soak: N uploads of a full memory (100000 records) from the in-process instrument on a
// fake clock, each with its own seeded mix of faults on the line (bad checksums, repeated
// blocks, garbage before blocks, pauses, ACKs lost on the way to the instrument, a wrapped
// memory, times running backwards). After each upload the store is compared record by record
// with what the instrument holds, in the order it wrote it: nothing lost, nothing doubled.
//
//     soak_upload [RUNS]      (default 200); exit status 1 if any upload went wrong
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "tests/link/upload_rig.h"

using namespace zvl;

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 200;
    int64_t records = 0, checksumErrors = 0, repeats = 0, timeouts = 0, stray = 0, lostAcks = 0, failures = 0;
    int64_t fakeMs = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int run = 1; run <= runs; ++run) {
        std::mt19937 rng{uint32_t(run)};
        std::uniform_real_distribution<double> chance(0, 1);
        sim::SimConfig c;
        c.seed = uint32_t(run);
        c.resultsPerSecond = 0;
        c.memoryRecords = sim::kMemoryCapacity;
        c.memoryWrapAt = rng() % 2 ? 0 : int64_t(1 + rng() % sim::kMemoryCapacity);
        c.memoryBackwardTimes = rng() % 3 ? 0 : int64_t(1 + rng() % 50);
        c.badChecksumChance = chance(rng) * 0.05;
        c.repeatBlockChance = chance(rng) * 0.05;
        c.blockGarbageChance = chance(rng) * 0.05;
        c.blockPauseChance = chance(rng) * 0.002;
        const double ackLoss = chance(rng) * 0.02;

        test::UploadRig u(c);
        u.rig.port.lostOnTheWay = [&](const std::vector<uint8_t>& bytes) {
            const bool lost = bytes.size() == 1 && bytes[0] == 0x06 && chance(rng) < ackLoss;
            lostAcks += lost;
            return lost;
        };
        const int64_t startMs = u.rig.clock.ms;
        u.upload.uploadStoredData();
        u.runToEnd(24 * 3'600'000);
        fakeMs += u.rig.clock.ms - startMs;

        const auto written = u.rig.engine->memoryInWrittenOrder();
        bool good = u.upload.outcome() == StoredDataUpload::Outcome::Completed &&
                    u.rig.state.resultCount() == int64_t(written.size());
        for (size_t i = 0; good && i < written.size(); ++i)
            good = u.rig.state.store.results[i + 1] == test::asResult(written[i]);
        if (!good) {
            ++failures;
            std::printf("run %d: outcome %d, %lld of %zu records, first difference checked above\n", run,
                        int(u.upload.outcome()), (long long)u.rig.state.resultCount(), written.size());
        }
        records += u.rig.state.resultCount();
        checksumErrors += u.upload.checksumErrors();
        repeats += u.upload.repeatedPackets();
        timeouts += u.upload.timeouts();
        stray += u.upload.strayBytes();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d uploads, %lld records stored, %lld failed uploads\n", runs, (long long)records,
                (long long)failures);
    std::printf(
        "faults handled: %lld bad checksums, %lld repeated blocks, %lld lost ACKs, %lld timeouts, "
        "%lld stray bytes\n",
        (long long)checksumErrors, (long long)repeats, (long long)lostAcks, (long long)timeouts,
        (long long)stray);
    std::printf("%.1f s of fake line time, %.1f s wall\n", double(fakeMs) / 1000, seconds);
    return failures == 0 ? 0 : 1;
}
