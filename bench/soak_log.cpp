// Logging soak: zvl log's recorder on the in-process instrument at 320 results a second (the
// line's limit) with stray bytes and the single-byte signals, on a fake clock, through DAYS of
// simulated time (default 7), rolling every 100000 results, the port lost every two to four
// hours for ten seconds to five minutes. The files go to an in-memory folder (a week of minute
// saves would write some 8 GB to a real disk); each finished file is read back with the
// program's own reader as soon as it is announced, then removed.
//
// Checked: every result the decoder stored is in exactly one file, in order, and each of them
// is a result the instrument sent, in its order (a stray byte costs at most the packet it
// touches; results sent while the port is away are never received);
// every file ends for its reason with its comment lines; resident memory stays flat.
//
//     soak_log [DAYS]      exit status 1 if anything went wrong
#include <malloc.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>

#include "bench/benchsupport.h"
#include "files/filecommands.h"
#include "tests/cli/logrig.h"

using namespace zvl;
using bench::residentKb;

namespace {

// Heap in use (what the program holds, without the pages the allocator keeps after a free).
long heapKb() {
    const struct mallinfo2 m = mallinfo2();
    return long((m.uordblks + m.hblkhd) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
    const double days = argc > 1 ? std::atof(argv[1]) : 7;
    cli::keepLargeBuffersApart();  // as zvl log does
    sim::SimConfig c;
    c.seed = 11;
    c.resultsPerSecond = 320;
    c.noiseBytesPerSecond = 5;
    c.unknownSignalsPerSecond = 0.5;
    c.invalidSignalsPerSecond = 0.5;
    cli::LogOptions o;
    o.folder = "/soak";
    o.rollCount = 100000;
    o.portName = "COM1";
    o.devicePath = "/dev/fake0";

    std::map<std::string, std::string> disk;
    auto state = std::make_unique<AppState>();
    int problems = 0;
    int64_t files = 0, logged = 0, notSent = 0, saves = 0;
    std::map<std::string, int64_t> endings;
    long heapAtFile50Kb = 0, heapAtLastFileKb = 0;
    test::LogRig* logp = nullptr;
    auto problem = [&](const std::string& what) {
        if (++problems <= 20) std::printf("  %s\n", what.c_str());
    };
    // A finished file: read back, compared with the decoder's results and what was sent, removed.
    auto check = [&](const std::string& line) {
        test::LogRig& log = *logp;
        const std::string current = log.rec.currentName();
        const std::string currentStem =
            current.empty() ? std::string() : current.substr(0, current.size() - 4);
        std::vector<std::string> names;
        for (const auto& [path, bytes] : disk)
            if (currentStem.empty() || path.rfind(currentStem, 0) != 0) names.push_back(path);
        ++files;
        uint32_t before = 0;
        std::string ended;
        for (const std::string& path : names) {
            state->store.clearResults();
            MemorySource in(disk[path]);
            if (readRecording(*state, in).status != RecordingRead::Complete)
                problem(path + ": does not read whole");
            ended = state->commentLines[2];
            if (state->commentLines[1] != "Instrument serial number ZV000417, firmware 1.51")
                problem(path + ": " + state->commentLines[1]);
            for (int64_t i = 1; i <= state->resultCount(); ++i) {
                const ResultRecord& r = state->store.slot(i);
                if (log.decoded.empty() || r.inputStates != log.decoded.front() || r.rawTime() < before) {
                    problem(path + ": result " + std::to_string(i) + " is not the next one stored");
                    break;
                }
                before = r.rawTime();
                log.decoded.pop_front();
                // The next result sent with these states; those skipped never reached the store.
                while (!log.sent.empty() && log.sent.front() != r.inputStates) {
                    log.sent.pop_front();
                    ++notSent;
                }
                if (log.sent.empty())
                    problem(path + ": a result the instrument did not send");
                else
                    log.sent.pop_front();
                ++logged;
            }
            disk.erase(path);
        }
        ++endings[ended.substr(0, ended.find_first_of("(0123456789"))];
        // Right after a file is finished the file being filled is nearly empty: the heap in use
        // then is the same each time, unless something is kept that should not be.
        if (files == 50) heapAtFile50Kb = heapKb();
        heapAtLastFileKb = heapKb();
        if (names.empty() || line.rfind(names.front(), 0) != 0)
            problem("announced " + line + ", on the disk " + (names.empty() ? "nothing" : names.front()));
    };

    test::LogRig log(c, o);
    logp = &log;
    log.rec.writeFile = [&](const std::string& path, std::string_view bytes) {
        ++saves;
        disk[path] = std::string(bytes);
        return std::string();
    };
    log.rec.exists = [&](const std::string& path) { return disk.count(path) > 0; };
    log.rec.removeFile = [&](const std::string& path) { disk.erase(path); };
    log.rec.claimFile = [&](const std::string& path) {
        return disk.emplace(path, std::string()).second ? 0 : EEXIST;
    };
    log.rec.fileSaved = check;

    std::mt19937 rng(5);
    const int64_t startMs = log.rig.clock.ms;
    const int64_t endMs = startMs + int64_t(days * 86'400'000);
    int64_t nextLossMs = startMs + 7'200'000 + int64_t(rng() % 7'200'000);
    int losses = 0, chunks = 0;
    int64_t breaks = 0, warnings = 0;  // the link's choice boxes (a status poll unanswered) and warnings
    long firstKb = 0, lastKb = 0, peakKb = 0, firstHeapKb = 0, lastHeapKb = 0, peakHeapKb = 0;
    const auto wallStart = std::chrono::steady_clock::now();
    while (log.rig.clock.ms < endMs) {
        log.run(std::min<int64_t>(60'000, nextLossMs - log.rig.clock.ms));
        if (log.rig.clock.ms >= nextLossMs) {
            ++losses;
            log.rig.port.failOpen = true;
            log.rig.port.loseDevice();
            log.run(10'000 + int64_t(rng() % 290'000));
            log.rig.port.failOpen = false;
            nextLossMs = log.rig.clock.ms + 7'200'000 + int64_t(rng() % 7'200'000);
            continue;
        }
        // Every minute: the fakes log every byte and every line; those logs are the rig's, not
        // the program's.
        bench::dropRigLogs(log.rig);
        log.lines.clear();
        breaks += int64_t(log.rig.prompts.choiceCalls.size());
        warnings += int64_t(log.rig.prompts.warnings.size());
        log.rig.prompts.choiceCalls.clear();
        log.rig.prompts.choiceMessages.clear();
        log.rig.prompts.warnings.clear();
        ++chunks;
        if (chunks == 360) {  // after six hours, when every buffer has grown
            firstKb = residentKb();
            firstHeapKb = heapKb();
        }
        lastKb = residentKb();
        lastHeapKb = heapKb();
        peakKb = std::max(peakKb, lastKb);
        peakHeapKb = std::max(peakHeapKb, lastHeapKb);
        if (chunks % 1440 == 0)
            std::printf("day %d: resident %ld kB, heap in use %ld kB, %lld files\n", int(chunks / 1440),
                        lastKb, lastHeapKb, (long long)files);
    }
    log.rec.stop("end of soak");
    if (!log.rec.allSaved()) problem("not everything saved at the stop");
    if (!log.decoded.empty()) problem(std::to_string(log.decoded.size()) + " stored results in no file");
    if (!disk.empty()) problem(std::to_string(disk.size()) + " files left that were never announced");
    // One line when the port goes and one when it is back, per loss (and the status poll's own).
    const auto pollLines = std::count_if(log.messages.begin(), log.messages.end(), [](const std::string& m) {
        return m.find("status poll") != std::string::npos;
    });
    if (log.messages.size() - size_t(pollLines) != size_t(2 * losses))
        problem(std::to_string(log.messages.size()) + " messages");
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    std::printf(
        "%.2f days simulated: %lld files, %lld results in them, %lld sent and not stored (stray bytes, "
        "port away), %d port losses, %lld saves; %d problems\n",
        double(log.rig.clock.ms - startMs) / 86'400'000, (long long)files, (long long)logged,
        (long long)notSent, losses, (long long)saves, problems);
    std::printf("  %lld status polls unanswered (their answers went with stray bytes), %lld warnings\n",
                (long long)breaks, (long long)warnings);
    for (const auto& [why, n] : endings) std::printf("  %lld files \"%s\"\n", (long long)n, why.c_str());
    std::printf(
        "resident memory: %ld kB after 6 hours, %ld kB at the end, %ld kB peak; heap in use %ld kB, %ld kB, "
        "%ld kB peak; %.1f s wall\n",
        firstKb, lastKb, peakKb, firstHeapKb, lastHeapKb, peakHeapKb, wall);
    std::printf("heap in use right after a file is finished: %ld kB after file 50, %ld kB after the last\n",
                heapAtFile50Kb, heapAtLastFileKb);
    // Elsewhere the heap holds the file being filled (up to 800 kB of results, its bytes on the
    // in-memory disk and the rig's queues of sent and stored results) and moves by about 2 MB
    // with where the file stands; the resident size adds the allocator's own pages.
    const bool flat = heapAtLastFileKb <= heapAtFile50Kb + 256 && lastKb <= firstKb + firstKb / 10;
    if (!flat) std::printf("memory grew\n");
    return problems == 0 && flat ? 0 : 1;
}
