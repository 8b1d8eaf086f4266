// zvl log's recorder against the in-process instrument: rolls by count and by time, the
// minute's save, a lost port, a folder that cannot be written.

#include <gtest/gtest.h>
#include <unistd.h>

#include <set>

#include "platform/atomicfile.h"
#include "platform/serialport.h"
#include "tests/cli/logrig.h"
#include "tests/files/filetestutil.h"

namespace zvl::test {
namespace {

sim::SimConfig instrument(double rate) {
    sim::SimConfig c;
    c.seed = 7;
    c.resultsPerSecond = rate;
    return c;
}

cli::LogOptions options(const TempDir& dir, int64_t roll, int64_t seconds = 0) {
    cli::LogOptions o;
    o.folder = dir.path().string();
    o.rollCount = roll;
    o.rollSeconds = seconds;
    o.portName = "COM3";
    o.devicePath = "/dev/fake0";
    return o;
}

std::deque<uint16_t> inputsOf(const std::vector<LoggedFile>& files) {
    std::deque<uint16_t> all;
    for (const auto& f : files)
        for (const auto& r : f.records) all.push_back(r.inputStates);
    return all;
}

// Every file but the last holds `roll` results; the names sort in time order; every result
// the instrument sent is in exactly one file, in order.
TEST(LogRoll, EveryResultInExactlyOneFileInOrder) {
    struct Case {
        int64_t roll, seconds;
        size_t partsPerFile;
    } cases[] = {{1000, 20, 1}, {97, 4, 1}, {40000, 260, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE("roll " + std::to_string(c.roll));
        TempDir dir;
        LogRig log(instrument(320), options(dir, c.roll));
        log.run(c.seconds * 1000);
        log.rec.stop("test");
        ASSERT_TRUE(log.rec.allSaved());
        const std::vector<LoggedFile> files = readLoggedFolder(dir.path());
        ASSERT_GT(files.size(), 2u);
        EXPECT_EQ(log.decoded, log.sent);
        EXPECT_EQ(inputsOf(files), log.decoded);
        EXPECT_EQ(log.lines.size(), files.size());
        uint32_t before = 0;
        for (size_t i = 0; i < files.size(); ++i) {
            const LoggedFile& f = files[i];
            const bool last = i + 1 == files.size();
            if (!last) {
                EXPECT_EQ(int64_t(f.records.size()), c.roll) << f.names[0];
                EXPECT_EQ(f.names.size(), c.partsPerFile) << f.names[0];
            }
            EXPECT_EQ(f.comments[0], "zvl log on port COM3 (/dev/fake0)");
            EXPECT_EQ(f.comments[1], "Instrument serial number ZV000417, firmware 1.51");
            EXPECT_EQ(f.comments[2], last ? "Ended: stop (test)"
                                          : "Ended: roll after " + std::to_string(c.roll) + " results");
            ASSERT_FALSE(f.records.empty());
            EXPECT_GE(f.records.front().rawTime(), before) << f.names[0];
            EXPECT_EQ(f.names[0].substr(0, 19),
                      cli::LogRecorder::fileStem("zvl", f.records.front().rawTime()));
            before = f.records.back().rawTime();
        }
    }
}

// A file ends when the duration has passed; the file being filled is on the disk, whole up
// to a minute ago, at every moment.
TEST(LogTime, RollsOnTheClockAndSavesEveryMinute) {
    TempDir dir;
    LogRig log(instrument(20), options(dir, 100000, 1800));
    std::vector<std::pair<int64_t, size_t>> storedAt;  // (ms, results stored by then)
    for (int s = 0; s < 65 * 60; ++s) {
        storedAt.emplace_back(log.rig.clock.ms, log.decoded.size());
        log.run(1000);
        if (s % 97 != 0 || s < 70) continue;
        const std::vector<LoggedFile> files = readLoggedFolder(dir.path());
        size_t onDisk = 0;
        for (const auto& f : files) onDisk += f.records.size();
        size_t minuteAgo = 0;
        for (const auto& [ms, n] : storedAt)
            if (ms <= log.rig.clock.ms - 60'000) minuteAgo = n;
        EXPECT_GE(onDisk, minuteAgo) << "at " << s << " s";
    }
    log.rec.stop("test");
    const std::vector<LoggedFile> files = readLoggedFolder(dir.path());
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(inputsOf(files), log.decoded);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(files[i].comments[2], "Ended: time, after 30m");
        EXPECT_LE(files[i].records.back().rawTime() - files[i].records.front().rawTime(), 1800u);
        EXPECT_GE(files[i].records.back().rawTime() - files[i].records.front().rawTime(), 1795u);
    }
}

// The results before the loss are saved at once; the port is tried every 5 s in the first
// minute, then every minute; one line when it goes and one when it is back; recording goes on
// into a new file that names the gap.
TEST(LogPortLoss, SavedRetriedAndResumedInANewFile) {
    TempDir dir;
    LogRig log(instrument(320), options(dir, 100000));
    struct Gap {
        int64_t backAfterMs, stillLostAtMs, backByMs;
    } gaps[] = {{12'000, 14'900, 16'100}, {150'000, 179'900, 181'100}};
    size_t filesBefore = 0;
    for (const Gap& g : gaps) {
        log.run(10'000);
        log.rig.port.failOpen = true;
        const int64_t lostAt = log.rig.clock.ms;
        log.rig.port.loseDevice();
        log.run(2000);
        EXPECT_EQ(readLoggedFolder(dir.path()).size(), filesBefore + 1)
            << "the results before the loss are saved";
        EXPECT_EQ(inputsOf(readLoggedFolder(dir.path())), log.decoded);
        log.run(lostAt + g.backAfterMs - log.rig.clock.ms);
        log.rig.port.failOpen = false;
        log.run(lostAt + g.stillLostAtMs - log.rig.clock.ms);
        EXPECT_TRUE(log.rec.portIsLost());
        log.run(lostAt + g.backByMs - log.rig.clock.ms);
        EXPECT_FALSE(log.rec.portIsLost());
        filesBefore += 1;
    }
    log.run(5000);
    log.rec.stop("test");
    ASSERT_EQ(log.messages.size(), 4u);
    EXPECT_NE(log.messages[0].find("the instrument's serial port has gone away (Input/output error)"),
              std::string::npos);
    EXPECT_NE(log.messages[1].find("the port COM3 is back"), std::string::npos);
    const std::vector<LoggedFile> files = readLoggedFolder(dir.path());
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(inputsOf(files), log.decoded);
    EXPECT_EQ(files[0].comments[2], "Ended: port lost (Input/output error)");
    EXPECT_EQ(files[0].comments[3], "");
    EXPECT_EQ(files[1].comments[3].rfind("After a gap: port lost ", 0), 0u);
    EXPECT_EQ(files[2].comments[2], "Ended: stop (test)");
    EXPECT_EQ(log.rig.state.resultCount(), 0);  // no stop record is left behind for a file
}

// A folder that cannot be written (the writer fails as a full disk does): one message, the
// results stay in memory, a try each minute, the files saved before are not touched; once the
// folder takes files again, everything is saved.
TEST(LogFullFolder, KeepsTheResultsAndTriesEachMinute) {
    TempDir dir;
    LogRig log(instrument(320), options(dir, 1000));
    bool full = false;
    int tries = 0;
    log.rec.writeFile = [&](const std::string& path, std::string_view bytes) -> std::string {
        if (!full) return writeFileAtomically(path, bytes);
        ++tries;
        return "Cannot create file " + path + ": No space left on device";
    };
    log.run(10'000);
    std::map<std::string, std::string> before;
    for (const std::string& name : dir.entries()) before[name] = readBytes(dir.file(name));
    full = true;
    log.run(180'000);
    // The files saved before are as they were; a name chosen since is only claimed (empty).
    for (const std::string& name : dir.entries())
        if (name != cli::LogRecorder::kJournalName) {
            EXPECT_EQ(readBytes(dir.file(name)), before.count(name) ? before[name] : "") << name;
        }
    EXPECT_GE(tries, 3);
    EXPECT_LE(tries, 4);
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_NE(log.messages[0].find("No space left on device; the results stay in memory"), std::string::npos);
    full = false;
    log.run(61'000);
    log.rec.stop("test");
    EXPECT_TRUE(log.rec.allSaved());
    ASSERT_EQ(log.messages.size(), 2u);
    EXPECT_NE(log.messages[1].find("works again"), std::string::npos);
    const std::vector<LoggedFile> files = readLoggedFolder(dir.path());
    EXPECT_EQ(inputsOf(files), log.decoded);
    EXPECT_EQ(files.size(), (log.decoded.size() + 999) / 1000);
}

// Stops the recorder and checks that the folder (a memory disk's files put there first) holds
// every decoded result, in order.
std::vector<LoggedFile> stopAndCheck(LogRig& log, const TempDir& dir, const MemoryDisk* disk = nullptr) {
    log.rec.stop("test");
    if (disk) disk->dump(dir.path());
    std::vector<LoggedFile> files = readLoggedFolder(dir.path());
    EXPECT_EQ(inputsOf(files), log.decoded);
    return files;
}

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A noisy line: every result is kept; each file says what was thrown away while it was filled.
TEST(LogNoise, EveryResultIsKeptAndEachFileSaysWhatWasThrownAway) {
    TempDir dir;
    sim::SimConfig noisy = instrument(320);
    noisy.noiseBytesPerSecond = 2;
    noisy.malformedPerSecond = 0.2;
    noisy.unknownSignalsPerSecond = noisy.invalidSignalsPerSecond = 0.5;
    LogRig log(noisy, options(dir, 1000));
    log.run(30'000);
    const std::vector<LoggedFile> files = stopAndCheck(log, dir);
    ASSERT_TRUE(log.rec.allSaved());
    EXPECT_GT(log.sent.size(), 9000u);
    EXPECT_EQ(log.decoded, log.sent);
    const std::string said = "While this file was filled: ";
    int64_t bytes = 0;
    for (const LoggedFile& f : files) {
        ASSERT_EQ(f.comments[5].rfind(said, 0), 0u) << f.comments[5];
        if (f.comments[5] != said + "nothing thrown away")
            bytes += std::stoll(f.comments[5].substr(said.size()));
    }
    EXPECT_EQ(bytes, log.rig.link.liveDiscards().bytes);
    EXPECT_GT(bytes, 2 * 30) << "the noise, and the malformed packets' bytes";
}

TEST(LogArgs, DurationsAndNames) {
    const std::pair<const char*, std::optional<int64_t>> durations[] = {
        {"30m", 1800},         {"12h", 43200},        {"1d", 86400},        {"45s", 45},
        {"", std::nullopt},    {"m", std::nullopt},   {"0m", std::nullopt}, {"1.5h", std::nullopt},
        {"-1m", std::nullopt}, {"10x", std::nullopt}, {"10", std::nullopt}};
    for (const auto& [text, seconds] : durations) EXPECT_EQ(cli::parseDuration(text), seconds) << text;
    EXPECT_EQ(cli::durationText(1800), "30m");
    EXPECT_EQ(cli::durationText(90), "90s");
    const int64_t t = timeStampFromDateTime(LocalDateTime{2026, 12, 7, 9, 5, 3, 0});
    EXPECT_EQ(cli::LogRecorder::fileStem("line4", t), "line4-20261207-090503");
}

// Summer time begins or ends: a file ends there, each saying its UTC offset; its times never step.
TEST(LogZone, AFileEndsWhereTheUtcOffsetChanges) {
    const struct {
        int before, after;
        double rate;  // 0.5: a quiet line ends the file at the tick
    } cases[] = {{7200, 3600, 320}, {3600, 7200, 320}, {7200, 3600, 0.5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        TempDir dir;
        LogRig log(instrument(c.rate), options(dir, 100000), c.before, {{20'500, c.after}});
        log.run(40'000);
        log.rec.stop("test");
        std::vector<LoggedFile> files = readLoggedFolder(dir.path());
        ASSERT_EQ(files.size(), 2u);
        if (files[0].comments[4] != "Times are " + formatUtcOffset(c.before)) std::swap(files[0], files[1]);
        EXPECT_EQ(files[0].comments[4], "Times are " + formatUtcOffset(c.before));
        EXPECT_EQ(files[1].comments[4], "Times are " + formatUtcOffset(c.after));
        EXPECT_EQ(files[0].comments[2], "Ended: the local time changed to " + formatUtcOffset(c.after));
        EXPECT_EQ(inputsOf(files), log.decoded);
        for (const LoggedFile& f : files)
            for (size_t i = 1; i < f.records.size(); ++i) {
                const int64_t step = int64_t(f.records[i].rawTime()) - int64_t(f.records[i - 1].rawTime());
                EXPECT_TRUE(step >= 0 && step <= 5) << f.names[0] << " steps by " << step << " s at " << i;
            }
    }
}

// Files that start in one second get suffixes that sort in time order, also past the 999th.
TEST(LogNames, NamesOfOneSecondSortInTimeOrderPastTheThousandth) {
    for (const int64_t taken : {0, 996}) {
        SCOPED_TRACE(taken);
        TempDir dir;
        LogRig log(instrument(320), options(dir, 1));
        MemoryDisk disk(log);
        // Another program holds the first `taken` names of each second.
        std::map<std::string, int64_t> asked;
        std::set<std::string> foreign;
        log.rec.exists = [&](const std::string& path) {
            if (disk.files.count(path) || foreign.count(path)) return true;
            if (path.find("_1.ZVL") != std::string::npos) return false;
            if (asked[std::filesystem::path(path).filename().string().substr(0, 19)]++ >= taken) return false;
            return foreign.insert(path).second;
        };
        log.run(3000);
        EXPECT_GT(stopAndCheck(log, dir, &disk).size(), 900u);  // in the order of the names
    }
    // Further than any run goes: each suffix sorts after the one before.
    for (const int64_t k : {1, 2, 999, 1000, 999'999, 1'000'000})
        EXPECT_LT(cli::LogRecorder::sameSecondSuffix(k) + ".zvl",
                  cli::LogRecorder::sameSecondSuffix(k + 1) + "_1.ZVL")
            << k;
}

// A name another program takes between the look and the save is never written over.
TEST(LogNames, ANameTakenMeanwhileIsNeverWrittenOver) {
    for (const int perSecond : {1, 3}) {
        TempDir dir;
        std::map<std::string, std::string> foreign;
        for (int sec = 0; sec < 6; ++sec)
            for (int k = 1; k <= perSecond; ++k) {
                const std::string name =
                    cli::LogRecorder::fileStem("zvl", timeStampFromDateTime({2026, 12, 7, 10, 0, sec, 0})) +
                    cli::LogRecorder::sameSecondSuffix(k) + ".zvl";
                writeBytes(dir.file(name), foreign[name] = "another program's " + name);
            }
        LogRig log(instrument(320), options(dir, 100));
        log.rec.exists = [](const std::string&) { return false; };  // each taken right after the look
        log.run(4000);
        log.rec.stop("test");
        for (const auto& [name, text] : foreign) {
            EXPECT_EQ(readBytes(dir.file(name)), text) << name;
            std::filesystem::remove(dir.file(name));
        }
        EXPECT_EQ(inputsOf(readLoggedFolder(dir.path())), log.decoded);
    }
}

// A second logger into a folder in use is refused, naming the first; then free again.
TEST(LogLock, ASecondLoggerIntoAFolderInUseIsRefused) {
    TempDir dir;
    const std::string folder = dir.path().string();
    auto first = std::make_unique<cli::FolderLock>();
    EXPECT_EQ(first->take(folder), "");
    cli::FolderLock second, third;
    EXPECT_EQ(second.take(folder), "cannot log into " + folder + ": another zvl log (pid " +
                                       std::to_string(getpid()) + ") is logging into it");
    EXPECT_TRUE(second.inUse());
    first.reset();
    EXPECT_EQ(third.take(folder), "");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{".zvl-log.lock"});  // not a recording's name
}

// Writes slower than files finish: a line says so, one when they catch up; the port is read on.
TEST(LogBehind, SlowWritesAreToldAndNeverHoldThePortLong) {
    for (const bool behind : {true, false}) {
        SCOPED_TRACE(behind);
        TempDir dir;
        LogRig log(instrument(320), options(dir, behind ? 1 : 1000));
        MemoryDisk disk(log);
        disk.writeMs = 5;
        int64_t lastMs = log.rig.clock.ms, longest = 0;
        auto decode = log.rig.view.onRedrawSoon;
        log.rig.view.onRedrawSoon = [&] {
            longest = std::max(longest, log.rig.clock.ms - lastMs);
            lastMs = log.rig.clock.ms;
            decode();
        };
        log.run(10'000);
        disk.writeMs = 0;
        log.run(3000);
        stopAndCheck(log, dir, &disk);
        EXPECT_LE(longest, cli::LogRecorder::kWriteBudgetMs + 50);
        ASSERT_EQ(log.messages.size(), behind ? 2u : 0u);
        if (behind) {
            EXPECT_TRUE(has(log.messages[0], "files finish faster than they can be written"));
            EXPECT_TRUE(has(log.messages[1], "as fast as they come again"));
        }
    }
}

// Results still on the line at the stop roll as well: no file holds more than N.
TEST(LogStop, NoFileHoldsMoreThanN) {
    for (const int64_t roll : {1, 3, 50}) {
        SCOPED_TRACE(roll);
        TempDir dir;
        LogRig log(instrument(320), options(dir, roll));
        MemoryDisk disk(log);
        log.run(2000);
        log.rig.port.paced = true;  // the line falls behind: results are on the way at the stop
        log.run(100);
        const size_t before = log.decoded.size();
        for (const LoggedFile& f : stopAndCheck(log, dir, &disk))
            EXPECT_LE(int64_t(f.records.size()), roll) << f.names[0];
        EXPECT_GT(log.decoded.size(), before);
    }
}

// A stop into a full folder: said at once, tried every 5 s, saved once freed, or given up after
// two minutes without leaving the names it claimed.
TEST(LogStopFullFolder, TriedEveryFewSecondsAndSaidAtOnce) {
    for (const bool freed : {true, false}) {
        SCOPED_TRACE(freed);
        TempDir dir;
        LogRig log(instrument(320), options(dir, 1000));
        bool full = false;
        std::vector<int64_t> tries;
        log.rec.writeFile = [&](const std::string& path, std::string_view bytes) -> std::string {
            if (!full) return writeFileAtomically(path, bytes);
            tries.push_back(log.rig.clock.ms);
            return "Cannot create file " + path + ": No space left on device";
        };
        log.run(5000);
        const auto before = dir.entries();
        full = true;
        log.run(3000);
        log.rec.stop("SIGTERM");
        const int64_t stopMs = log.rig.clock.ms;
        ASSERT_FALSE(log.rec.allSaved());
        ASSERT_FALSE(log.messages.empty());
        const size_t waiting = log.decoded.size() - inputsOf(readLoggedFolder(dir.path())).size();
        EXPECT_TRUE(has(log.messages.back(), "stopping (SIGTERM): " + std::to_string(waiting) +
                                                 " results are not on the disk yet"))
            << log.messages.back();
        EXPECT_TRUE(has(log.messages.back(), "No space left on device); the save is tried every 5 s for 2m"));
        log.run(30'000);
        EXPECT_GE(std::count_if(tries.begin(), tries.end(), [&](int64_t t) { return t > stopMs; }), 5);
        if (freed) {
            full = false;
            log.run(6000);
            EXPECT_TRUE(log.rec.allSaved());
            EXPECT_EQ(inputsOf(readLoggedFolder(dir.path())), log.decoded);
            continue;
        }
        log.run(cli::LogRecorder::kStopGiveUpMs - 30'000 - 1000);
        EXPECT_FALSE(log.rec.stopWaitOver());
        log.run(2000);
        EXPECT_TRUE(log.rec.stopWaitOver());
        EXPECT_TRUE(has(log.rec.giveUp(), "results not saved"));
        EXPECT_EQ(dir.entries(), before);  // no empty file is left for what was not saved
    }
}

// The line about a lost port says where the results are: on the disk, or in memory only.
TEST(LogPortLoss, TheLineSaysWhereTheResultsAre) {
    for (const bool full : {false, true}) {
        TempDir dir;
        LogRig log(instrument(320), options(dir, 100000));
        if (full)
            log.rec.writeFile = [](const std::string& path, std::string_view) {
                return "Cannot create file " + path + ": Read-only file system";
            };
        log.run(5000);
        log.rig.port.failOpen = true;
        log.rig.port.loseDevice();
        log.run(100);
        ASSERT_FALSE(log.messages.empty());
        const std::string& line = log.messages.back();
        EXPECT_TRUE(has(line, "has gone away")) << line;
        EXPECT_EQ(has(line, "the results so far are saved"), !full) << line;
        EXPECT_EQ(has(line, "the results so far are in memory only"), full) << line;
    }
}

// An instrument that stops answering gets a line, and one when it answers again.
TEST(LogStatusPoll, ALineWhenItStopsAnsweringAndOneWhenItAnswersAgain) {
    TempDir dir;
    LogRig log(instrument(20), options(dir, 100000));
    log.run(6000);
    EXPECT_TRUE(log.messages.empty());
    log.rig.engine->config().silent = true;
    log.run(20'000);
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_TRUE(has(log.messages[0], "warning: the instrument stopped answering the status poll"));
    log.rig.engine->config().silent = false;
    log.run(10'000);
    ASSERT_EQ(log.messages.size(), 2u);
    EXPECT_TRUE(has(log.messages[1], "the instrument answers the status poll again"));
}

// The status line's rate is the real one from the first second on, over the last 5 s.
TEST(LogRate, FromTheFirstSecondOn) {
    const struct {
        std::vector<std::pair<int64_t, int64_t>> samples;
        double rate;
    } cases[] = {
        {{{0, 0}}, 0},
        {{{0, 0}, {1000, 320}}, 320},
        {{{0, 0}, {1000, 320}, {2000, 640}, {3000, 660}}, 220},
        {{{0, 0}, {1000, 0}, {2000, 0}, {3000, 0}, {4000, 0}, {5000, 0}, {6000, 320}, {7000, 640}}, 128}};
    for (const auto& c : cases) {
        cli::RateMeter meter;
        double rate = -1;
        for (const auto& [ms, n] : c.samples) rate = meter.add(ms, n);
        EXPECT_DOUBLE_EQ(rate, c.rate) << c.samples.size();
    }
}

// The live ports (zvl's and the window's) gather the bytes for a while after each notification,
// but never past the half second where the rounded stamp changes: a result is stamped with the
// second its bytes came in.
TEST(GatherWindow, NeverRunsIntoTheNextSecond) {
    const struct {
        int gatherMs, msIntoSecond, expected;
    } cases[] = {{20, 0, 20},  {20, 478, 20}, {20, 480, 18}, {20, 497, 1},  {20, 498, 0},
                 {20, 499, 0}, {20, 500, 20}, {20, 980, 20}, {20, 999, 20}, {0, 100, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(gatherWindowMs(c.gatherMs, c.msIntoSecond), c.expected) << c.msIntoSecond;
}

// A logger killed (destroyed without a stop) at some moment, and a new one started on the same
// folder: the folder then holds every result of the first up to its last quarter of a second, each once and
// in order, the results no saved file held in a recovered file of their own.
TEST(LogJournal, AKilledLoggerLosesAtMostTheLastQuarterSecond) {
    struct Case {
        const char* when;
        int64_t roll, killMs;
        bool savesFail, recovers,
            journalOfTheSave = false;  // killed between a save and the journal's restart
        int tickMs = 1000;             // a busy machine's tick comes late
        bool claimLeft = false;        // killed between a name's claim and the journal naming it
    } cases[] = {
        {"between a claim and the journal naming it", 100000, 30'500, false, true, false, 1000, true},
        {"while the tick comes every 3 s", 100000, 29'900, false, true, false, 3000},
        {"within the first second", 100000, 700, false, true},
        {"with no file saved", 100000, 30'500, true, true},
        {"between saves", 100000, 95'500, false, true},
        {"between saves, after rolls", 7000, 95'500, false, true},
        {"soon after a save", 100000, 60'010, false, true},
        {"between a save and the journal's restart", 100000, 60'010, false, false, true},
        {"in parts", 100000, 125'500, false, true},
        {"after a roll, before its save", 1000, 9'390, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        TempDir dir;
        auto first = std::make_unique<LogRig>(instrument(320), options(dir, c.roll));
        first->tick.setInterval(c.tickMs);
        if (c.savesFail) first->rec.writeFile = [](const std::string&, std::string_view) { return "full"; };
        const std::string journal = dir.file(cli::LogRecorder::kJournalName);
        std::string atSave;
        first->rec.writeFile = [&, write = first->rec.writeFile](const std::string& path,
                                                                 std::string_view bytes) {
            const std::string error = write(path, bytes);
            atSave = readBytes(journal);
            return error;
        };
        first->run(c.killMs);
        const std::deque<uint16_t> decoded = first->decoded;
        first.reset();
        if (c.journalOfTheSave) writeBytes(journal, atSave);
        if (c.claimLeft) {  // the claim goes; an empty file of another name is not the logger's
            writeBytes(dir.file("zvl-20000101-000000x002.zvl"), "");
            writeBytes(dir.file("notes.zvl"), "");
        }
        LogRig second(instrument(320), options(dir, c.roll));  // recovers as it starts
        std::vector<std::string> unreadable;
        const std::deque<uint16_t> kept = inputsOf(readLoggedFolder(dir.path(), &unreadable));
        EXPECT_EQ(unreadable,
                  c.claimLeft ? std::vector<std::string>{"notes.zvl"} : std::vector<std::string>{});
        ASSERT_LE(kept.size(), decoded.size());
        // A quarter of a second at 320 a second and the burst on its way; killed between a save
        // and the journal's restart, the second before the save.
        EXPECT_GE(kept.size() + (c.journalOfTheSave ? 330 : 100), decoded.size());
        EXPECT_TRUE(std::equal(kept.begin(), kept.end(), decoded.begin()));
        ASSERT_EQ(second.messages.size(), c.recovers ? 1u : 0u);
        if (c.recovers) {
            EXPECT_NE(second.messages[0].find("results of a zvl log that ended without a stop into"),
                      std::string::npos);
        }
    }
}

// A journal whose last block is cut anywhere loses that block's results and no more.
TEST(LogJournal, ADamagedTailLosesOnlyItsCutBlock) {
    TempDir dir;
    auto log = std::make_unique<LogRig>(instrument(320), options(dir, 100000));
    log->run(20'500);
    const std::string path = dir.file(cli::LogRecorder::kJournalName);
    const std::string whole = readBytes(path);
    do log->run(10);  // one more block
    while (readBytes(path).size() == whole.size());
    const std::deque<uint16_t> decoded = log->decoded;
    log.reset();
    const std::string longer = readBytes(path);
    ASSERT_EQ(longer.substr(0, whole.size()), whole);
    const size_t kept = readJournal(whole).records.size(), block = longer.size() - whole.size();
    const auto from = decoded.begin() + (readJournal(whole).firstIndex - 1);  // the first save's are in dir
    for (const size_t cut : {size_t(1), block / 2, block - 1}) {
        SCOPED_TRACE(cut);
        TempDir other;
        writeBytes(other.file(cli::LogRecorder::kJournalName), longer.substr(0, longer.size() - cut));
        LogRig again(instrument(320), options(other, 100000));
        const std::deque<uint16_t> recovered = inputsOf(readLoggedFolder(other.path()));
        ASSERT_EQ(recovered.size(), kept);
        EXPECT_TRUE(std::equal(recovered.begin(), recovered.end(), from));
        ASSERT_FALSE(again.messages.empty());
        EXPECT_NE(again.messages[0].find("its damaged tail was cut"), std::string::npos) << again.messages[0];
    }
}

// A journal that cannot be written (here its new name is taken by a folder) is said once, and
// logging goes on with every result saved.
TEST(LogJournal, OneThatCannotBeWrittenIsSaidOnceAndLoggingGoesOn) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / cli::LogRecorder::kNewJournalName / "x");
    LogRig log(instrument(320), options(dir, 1000));
    log.run(10'000);
    log.rec.stop("test");
    EXPECT_TRUE(log.rec.allSaved());
    EXPECT_EQ(inputsOf(readLoggedFolder(dir.path())), log.decoded);
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_NE(log.messages[0].find("cannot write the journal ("), std::string::npos) << log.messages[0];
    EXPECT_FALSE(std::filesystem::exists(dir.file(cli::LogRecorder::kJournalName)));
}

}  // namespace
}  // namespace zvl::test
