// A folder as a week of `zvl log` leaves it, for the folder benchmarks: FILES recordings of
// RESULTS results each (part files of 32768 above that, as the logger saves them), named and
// commented as the logger names and comments its files (roll, one lost port with its gap, the
// UTC offset), with consecutive times from 1 Dec 2026 00:00:03 and inputs that change at
// rates from seconds (input 1) to tens of minutes (input 3, a pump).
//
//   make_week_folder FOLDER [FILES [RESULTS]]     (30 files of 100000 results by default)

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "core/state.h"
#include "files/filecommands.h"
#include "files/recordingfile.h"
#include "platform/atomicfile.h"

using namespace zvl;

namespace {

uint64_t seed = 0x9E3779B97F4A7C15ull;
uint64_t nextRandom() {
    seed ^= seed << 13;
    seed ^= seed >> 7;
    seed ^= seed << 17;
    return seed;
}

// Mean seconds between changes of input i (0-based): input 3 (i = 2) is slow, the rest spread
// from 2 s to about an hour.
int64_t meanPeriod(int i) {
    static const int64_t periods[kInputCount] = {2,   10, 1200, 60, 30,  300, 5,    120,
                                                 900, 45, 3600, 20, 240, 600, 1800, 90};
    return periods[i];
}

std::string stem(int64_t t) {
    const LocalDateTime d = dateTimeFromTimeStamp(t);
    char buf[40];
    std::snprintf(buf, sizeof buf, "zvl-%04d%02d%02d-%02d%02d%02d", d.year, d.month, d.day, d.hour, d.minute,
                  d.second);
    return buf;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_week_folder FOLDER [FILES [RESULTS]]\n");
        return 1;
    }
    const std::string folder = argv[1];
    const int files = argc > 2 ? std::atoi(argv[2]) : 30;
    const int64_t perFile = argc > 3 ? std::atoll(argv[3]) : 100000;
    if (files < 1 || perFile < 1 || perFile > kMaxResults) {
        std::fprintf(stderr, "make_week_folder: FILES >= 1 and RESULTS 1..100000\n");
        return 1;
    }
    std::filesystem::create_directories(folder);
    auto state = std::make_unique<AppState>();
    for (int i = 0; i < kInputCount; ++i) {
        state->inputLabels[size_t(i)] = "Input " + std::to_string(i + 1);
        state->inputActive[size_t(i)] = true;
    }
    // A week of results spread evenly: about five a second.
    const int64_t start = timeStampFromDateTime({2026, 12, 1, 0, 0, 3, 0});
    const int64_t week = 7 * 86400 - 10;
    const int64_t total = files * perFile;
    const int lostFile = files / 2;  // the port is lost at its end, for five minutes
    int64_t next[kInputCount];
    for (int i = 0; i < kInputCount; ++i)
        next[i] = start + int64_t(nextRandom() % uint64_t(2 * meanPeriod(i)));
    uint16_t states = 0;
    int64_t shift = 0, lostAt = 0;
    for (int f = 0; f < files; ++f) {
        state->store.clearResults();
        for (int64_t k = 1; k <= perFile; ++k) {
            const int64_t n = f * perFile + k - 1;
            const int64_t t = start + shift + n * week / total;
            for (int i = 0; i < kInputCount; ++i)
                while (next[i] <= t) {
                    states ^= inputMask(i + 1);
                    next[i] += 1 + int64_t(nextRandom() % uint64_t(2 * meanPeriod(i)));
                }
            ResultRecord& r = state->store.slot(k);
            r.setTime(uint32_t(t));
            r.inputStates = states;
        }
        state->resultCount() = perFile;
        const int64_t first = state->resultTime(1), last = state->resultTime(perFile);
        state->commentLines.fill(std::string());
        state->commentLines[0] = "zvl log on port COM1 (/dev/ttyUSB0)";
        state->commentLines[1] = "Instrument serial number 20417, firmware 2.3";
        state->commentLines[2] = f == lostFile ? "Ended: port lost (Input/output error)"
                                               : "Ended: roll after " + std::to_string(perFile) + " results";
        if (f == lostFile + 1)
            state->commentLines[3] =
                "After a gap: port lost " + formatTimeStamp(lostAt) + ", back " + formatTimeStamp(first);
        state->commentLines[4] = "Times are UTC+01:00";
        state->commentLines[5] = "While this file was filled: no bytes thrown away";
        if (f == lostFile) {
            lostAt = last;
            shift += 300;
        }
        const std::string path = (std::filesystem::path(folder) / (stem(first) + ".zvl")).string();
        const LocalDateTime when = dateTimeFromTimeStamp(last + 1);
        for (int64_t p = 1; (p - 1) * kResultsPerFile < perFile; ++p) {
            const bool single = perFile <= kResultsPerFile;
            const std::string name = single ? path : partFileName(path, p);
            const int64_t a = single ? 1 : (p - 1) * kResultsPerFile + 1;
            const int64_t b = single ? perFile : std::min(perFile, p * kResultsPerFile);
            const std::string error =
                writeFileAtomically(name, encodeRecordingFile(*state, a, b, recordingTitleLine(name, when)));
            if (!error.empty()) {
                std::fprintf(stderr, "make_week_folder: %s\n", error.c_str());
                return 2;
            }
            if (single) break;
        }
    }
    std::printf("%d files of %lld results in %s\n", files, static_cast<long long>(perFile), folder.c_str());
    return 0;
}
