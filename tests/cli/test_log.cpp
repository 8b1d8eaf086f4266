// zvl log's recorder against the in-process instrument: rolls by count and by time, the
// minute's save, a lost port, a folder that cannot be written.

#include <gtest/gtest.h>

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
    std::map<std::string, std::string> during;
    for (const std::string& name : dir.entries()) during[name] = readBytes(dir.file(name));
    EXPECT_EQ(during, before);
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

// A noisy line: every result the instrument sent is in the files, and each file says what was
// thrown away while it was filled; together that is all the decoder threw away.
TEST(LogNoise, EveryResultIsKeptAndEachFileSaysWhatWasThrownAway) {
    TempDir dir;
    sim::SimConfig noisy = instrument(320);
    noisy.noiseBytesPerSecond = 2;
    noisy.malformedPerSecond = 0.2;
    noisy.unknownSignalsPerSecond = noisy.invalidSignalsPerSecond = 0.5;
    LogRig log(noisy, options(dir, 1000));
    log.run(30'000);
    log.rec.stop("test");
    ASSERT_TRUE(log.rec.allSaved());
    const std::vector<LoggedFile> files = readLoggedFolder(dir.path());
    EXPECT_GT(log.sent.size(), 9000u);
    EXPECT_EQ(log.decoded, log.sent);
    EXPECT_EQ(inputsOf(files), log.decoded);
    const std::string said = "While this file was filled: ";
    int64_t bytes = 0;
    for (const LoggedFile& f : files) {
        ASSERT_EQ(f.comments[4].rfind(said, 0), 0u) << f.comments[4];
        const std::string what = f.comments[4].substr(said.size());
        if (what != "nothing thrown away") bytes += std::stoll(what);
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

}  // namespace
}  // namespace zvl::test
