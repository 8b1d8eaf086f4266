// The instrument engine: answers, settings, the live stream, framing of the PC's bytes and
// the fault switches.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "sim/engine.h"
#include "tests/sim/framewalk.h"

namespace zvl::sim {
namespace {

using testing::StreamItem;
using testing::walkStream;
using Bytes = std::vector<uint8_t>;

Bytes cmd(uint8_t code, Bytes value = {}) {
    Bytes p(value.size() + 4);
    p[0] = 0x01;
    p[1] = uint8_t(value.size() + 2);
    p[2] = code;
    std::copy(value.begin(), value.end(), p.begin() + 3);
    p.back() = 0x04;
    return p;
}

Bytes ask(InstrumentEngine& e, uint8_t code, int64_t nowMs, Bytes value = {}) {
    e.receive(cmd(code, value), nowMs);
    return e.takeOutput();
}

// Runs the engine from fromMs to toMs in steps and returns all it sent.
Bytes run(InstrumentEngine& e, int64_t fromMs, int64_t toMs, int64_t stepMs = 7) {
    Bytes out;
    for (int64_t t = fromMs; t <= toMs; t += stepMs) {
        e.tick(t);
        const Bytes b = e.takeOutput();
        out.insert(out.end(), b.begin(), b.end());
    }
    e.tick(toMs);
    const Bytes b = e.takeOutput();
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

std::vector<uint16_t> liveWords(const testing::WalkResult& w) {
    std::vector<uint16_t> words;
    for (const auto& d : w.packets(0xD0)) words.push_back(uint16_t((d.at(0) << 8) | d.at(1)));
    return words;
}

// ---------------------------------------------------------------------------------------
// Status answers

TEST(SimEngineStatus, AnswersAreByteExact) {
    SimConfig c;
    c.debounce = 7;
    c.options = 0xA5;
    c.firmwareMajor = 1;
    c.firmwareMinor = 0x51;
    c.serialNumber = "AB123456";
    c.clockStart = 0x12345678;
    InstrumentEngine e(c);

    EXPECT_EQ(ask(e, 0x20, 0), (Bytes{0x01, 0x05, 0xC0, 0x00, 0x07, 0xA5, 0x04}));
    EXPECT_EQ(ask(e, 0x21, 0), (Bytes{0x01, 0x06, 0xC1, 0x00, 0x00, 0x01, 0x51, 0x04}));
    EXPECT_EQ(ask(e, 0x22, 0), (Bytes{0x01, 0x06, 0xC2, 0x12, 0x34, 0x56, 0x78, 0x04}));
    EXPECT_EQ(ask(e, 0x23, 0), (Bytes{0x01, 0x0A, 0xC3, 'A', 'B', '1', '2', '3', '4', '5', '6', 0x04}));
    EXPECT_FALSE(e.hasOutput());
}

TEST(SimEngineStatus, SerialNumberIsPaddedOrCutToEight) {
    SimConfig c;
    c.serialNumber = "Z1";
    InstrumentEngine shortSerial(c);
    EXPECT_EQ(ask(shortSerial, 0x23, 0),
              (Bytes{0x01, 0x0A, 0xC3, 'Z', '1', ' ', ' ', ' ', ' ', ' ', ' ', 0x04}));

    c.serialNumber = "0123456789";
    InstrumentEngine longSerial(c);
    EXPECT_EQ(ask(longSerial, 0x23, 0),
              (Bytes{0x01, 0x0A, 0xC3, '0', '1', '2', '3', '4', '5', '6', '7', 0x04}));
}

TEST(SimEngineStatus, StatusCommandsWithValueBytesAreStillAnswered) {
    InstrumentEngine e;
    const Bytes out = ask(e, 0x21, 0, {0x00, 0x01});
    EXPECT_EQ(out, (Bytes{0x01, 0x06, 0xC1, 0x00, 0x00, 0x01, 0x51, 0x04}));
}

// ---------------------------------------------------------------------------------------
// Clock and options

TEST(SimEngineClock, RunsOnFromItsStartValue) {
    SimConfig c;
    c.clockStart = 1000;
    InstrumentEngine e(c);
    EXPECT_EQ(e.instrumentClock(0), 1000u);
    EXPECT_EQ(e.instrumentClock(999), 1000u);
    EXPECT_EQ(e.instrumentClock(1000), 1001u);
    EXPECT_EQ(e.instrumentClock(3'600'000), 1000u + 3600u);
    EXPECT_EQ(ask(e, 0x22, 90'500), (Bytes{0x01, 0x06, 0xC2, 0x00, 0x00, 0x04, 0x42, 0x04}));  // 1090
}

TEST(SimEngineClock, SetClockTakesTheValueAndRunsOnFromThen) {
    InstrumentEngine e;
    e.receive(Bytes{0x01, 0x06, 0x31, 0x12, 0x34, 0x56, 0x78, 0x04}, 5'250);
    EXPECT_EQ(e.instrumentClock(5'250), 305419896u);
    EXPECT_EQ(e.instrumentClock(6'249), 305419896u);  // whole seconds from the moment it was set
    EXPECT_EQ(e.instrumentClock(6'250), 305419897u);
    EXPECT_EQ(ask(e, 0x22, 65'250), (Bytes{0x01, 0x06, 0xC2, 0x12, 0x34, 0x56, 0x78 + 60, 0x04}));
    ASSERT_EQ(e.commandLog().size(), 2u);
    EXPECT_EQ(e.commandLog()[0].code, 0x31);
    EXPECT_EQ(e.commandLog()[0].value, 305419896u);
}

TEST(SimEngineClock, ShortAndLongValuesAreReadBigEndian) {
    InstrumentEngine e;
    e.receive(cmd(0x31, {0x05}), 0);  // the PC leaves out leading zero bytes
    EXPECT_EQ(e.instrumentClock(0), 5u);
    e.receive(cmd(0x31, {}), 0);  // and sends none at all for 0
    EXPECT_EQ(e.instrumentClock(0), 0u);
    e.receive(cmd(0x31, {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04}), 0);  // 11 bytes
    EXPECT_EQ(e.commandLog().back().value, 0x01020304u);
    EXPECT_EQ(e.instrumentClock(0), 0x01020304u);
}

TEST(SimEngineClock, TopByteStaysBelow0x80) {
    InstrumentEngine e;
    e.receive(cmd(0x31, {0xFF, 0xFF, 0xFF, 0xF0}), 0);
    for (int64_t t : {0, 20'000, 100'000}) {
        const Bytes out = ask(e, 0x22, t);
        ASSERT_EQ(out.size(), 8u);
        EXPECT_LT(out[3], 0x80) << "at " << t;
    }
}

TEST(SimEngineOptions, WriteOptionsShowsInTheNextStatus) {
    SimConfig c;
    c.debounce = 3;
    c.options = 0x05;
    InstrumentEngine e(c);
    // 00 00 O D: the option byte and the debounce count come back in 0xC0.
    EXPECT_EQ(ask(e, 0x30, 0, {0x00, 0x00, 0xA5, 0x80}), Bytes{});  // no answer to a write
    EXPECT_EQ(e.options(), 0xA5);
    EXPECT_EQ(e.hardwareSettings(), 0xA580u);
    EXPECT_EQ(ask(e, 0x20, 0), (Bytes{0x01, 0x05, 0xC0, 0x00, 0x80, 0xA5, 0x04}));

    e.receive(cmd(0x30, {0x0A}), 10);
    EXPECT_EQ(ask(e, 0x20, 10), (Bytes{0x01, 0x05, 0xC0, 0x00, 0x0A, 0x00, 0x04}));
    EXPECT_EQ(e.hardwareSettings(), 0x0Au);
}

// ---------------------------------------------------------------------------------------
// Live stream

TEST(SimEngineLive, StreamsAtTheRateBetweenStartAndStop) {
    SimConfig c;
    c.resultsPerSecond = 50;
    InstrumentEngine e(c);
    EXPECT_FALSE(e.collecting());
    EXPECT_EQ(run(e, 0, 2'000), Bytes{});  // nothing before 0x40

    e.receive(cmd(0x40), 2'000);
    EXPECT_TRUE(e.collecting());
    const Bytes out = run(e, 2'000, 12'000);
    const auto w = walkStream(out);
    EXPECT_TRUE(w.problems.empty()) << w.problems.front();
    EXPECT_EQ(w.items.size(), w.count(StreamItem::Packet));  // only live results, no faults by default
    const auto words = liveWords(w);
    EXPECT_NEAR(double(words.size()), 500.0, 1.0);
    EXPECT_EQ(e.liveResultsSent(), int64_t(words.size()));
    ASSERT_FALSE(words.empty());
    EXPECT_EQ(e.inputStates(), words.back());
    EXPECT_NE(words.front(), 0) << "the first result must differ from the all-off state";
    for (size_t i = 1; i < words.size(); ++i) ASSERT_NE(words[i], words[i - 1]) << "result " << i;

    e.receive(cmd(0x41), 12'000);
    EXPECT_FALSE(e.collecting());
    EXPECT_EQ(e.takeOutput(), Bytes{});
    EXPECT_EQ(run(e, 12'000, 20'000), Bytes{});
    EXPECT_EQ(e.msUntilNextEvent(20'000), -1);
}

TEST(SimEngineLive, OneLargeTickEmitsEverythingDueInOrder) {
    SimConfig c;
    c.resultsPerSecond = 2000;
    InstrumentEngine stepped(c), bulk(c);
    stepped.receive(cmd(0x40), 0);
    bulk.receive(cmd(0x40), 0);
    const Bytes a = run(stepped, 0, 3'000, 1);
    bulk.tick(3'000);
    const Bytes b = bulk.takeOutput();
    EXPECT_EQ(a, b);  // same results whether time comes in small or large steps
    EXPECT_NEAR(double(walkStream(b).packets(0xD0).size()), 6000.0, 1.0);
}

TEST(SimEngineLive, CatchUpIsCappedAfterALongGap) {
    SimConfig c;
    c.resultsPerSecond = 100;
    InstrumentEngine e(c);
    e.receive(cmd(0x40), 0);
    e.tick(60'000);  // a minute without ticks
    const size_t burst = walkStream(e.takeOutput()).packets(0xD0).size();
    EXPECT_GT(burst, 0u);
    EXPECT_LE(burst, 1001u);  // at most ten seconds' worth
    // and the stream goes on at its rate afterwards
    e.tick(61'000);
    EXPECT_NEAR(double(walkStream(e.takeOutput()).packets(0xD0).size()), 100.0, 1.0);
}

TEST(SimEngineLive, InputsChangeLikeTheirSignals) {
    SimConfig c;
    c.resultsPerSecond = 100;
    InstrumentEngine e(c);
    e.receive(cmd(0x40), 0);
    const auto words = liveWords(walkStream(run(e, 0, 60'000, 50)));
    ASSERT_GT(words.size(), 5000u);
    size_t changes[16] = {};
    for (size_t i = 1; i < words.size(); ++i)
        for (int bit = 0; bit < 16; ++bit) changes[bit] += ((words[i] ^ words[i - 1]) >> bit) & 1;
    const size_t n = words.size() - 1;
    EXPECT_EQ(changes[0], n);                       // input 1: a clock changing with every result
    EXPECT_NEAR(double(changes[1]), n / 2.0, 1.0);  // input 2: half its rate
    size_t rare = 0, steady = 0;
    for (int bit = 0; bit < 16; ++bit) {
        if (changes[bit] > 0 && changes[bit] < n / 20) ++rare;
        if (changes[bit] == 0) ++steady;
    }
    EXPECT_GE(rare, 2u) << "some inputs should change only now and then";
    EXPECT_GE(steady, 1u) << "some inputs should not change at all";
}

TEST(SimEngineLive, SameSeedSameStreamOtherSeedOtherStream) {
    auto stream = [](uint32_t seed) {
        SimConfig c;
        c.seed = seed;
        c.resultsPerSecond = 40;
        c.noiseBytesPerSecond = 3;
        c.malformedPerSecond = 1;
        InstrumentEngine e(c);
        e.receive(cmd(0x40), 0);
        return run(e, 0, 20'000, 13);
    };
    EXPECT_EQ(stream(7), stream(7));
    EXPECT_NE(stream(7), stream(8));
}

TEST(SimEngineLive, FaultsDoNotChangeTheInputPattern) {
    auto words = [](double noise) {
        SimConfig c;
        c.resultsPerSecond = 40;
        c.noiseBytesPerSecond = noise;
        c.malformedPerSecond = noise;
        InstrumentEngine e(c);
        e.receive(cmd(0x40), 0);
        return liveWords(walkStream(run(e, 0, 10'000)));
    };
    EXPECT_EQ(words(0), words(20));
}

TEST(SimEngineLive, NextEventTimeIsExact) {
    SimConfig c;
    c.resultsPerSecond = 3;
    InstrumentEngine e(c);
    EXPECT_EQ(e.msUntilNextEvent(0), -1);
    e.receive(cmd(0x40), 1'000);
    int64_t now = 1'000;
    for (int k = 0; k < 20; ++k) {
        const int64_t wait = e.msUntilNextEvent(now);
        ASSERT_GE(wait, 0);
        if (wait > 0) {
            e.tick(now + wait - 1);
            ASSERT_FALSE(e.hasOutput()) << "emitted before the time it gave";
        }
        now += wait;
        e.tick(now);
        ASSERT_TRUE(e.hasOutput()) << "nothing at the time it gave";
        EXPECT_EQ(walkStream(e.takeOutput()).packets(0xD0).size(), 1u);
    }
}

TEST(SimEngineLive, TimeGoingBackwardsRepeatsNothing) {
    SimConfig c;
    c.resultsPerSecond = 10;
    InstrumentEngine e(c);
    e.receive(cmd(0x40), 0);
    e.tick(5'000);
    const size_t first = walkStream(e.takeOutput()).packets(0xD0).size();
    e.tick(1'000);
    e.tick(4'000);
    EXPECT_FALSE(e.hasOutput());
    e.tick(6'000);
    const size_t second = walkStream(e.takeOutput()).packets(0xD0).size();
    EXPECT_NEAR(double(first + second), 60.0, 1.0);
}

TEST(SimEngineLive, SkipDropsWhatIsDueAndTheStreamGoesOn) {
    SimConfig c;
    c.resultsPerSecond = 100;
    c.noiseBytesPerSecond = 50;
    InstrumentEngine e(c);
    e.receive(cmd(0x40), 0);
    Bytes out = run(e, 0, 1'000);
    const int64_t before = e.liveResultsSent();
    for (int64_t t = 1'000; t <= 3'000; t += 10) e.skip(t);
    EXPECT_FALSE(e.hasOutput());
    EXPECT_EQ(e.liveResultsSent(), before);
    const Bytes after = run(e, 3'000, 4'000);
    out.insert(out.end(), after.begin(), after.end());
    const auto w = walkStream(out);
    ASSERT_TRUE(w.problems.empty()) << w.problems.front();
    EXPECT_NEAR(double(w.packets(0xD0).size()), 200.0, 2.0);
    const auto words = liveWords(w);
    for (size_t i = 1; i < words.size(); ++i) ASSERT_NE(words[i], words[i - 1]) << "result " << i;
    // a skip still lets a command through
    e.skip(4'500);
    EXPECT_EQ(walkStream(ask(e, 0x21, 4'500)).packets(0xC1).size(), 1u);
}

TEST(SimEngineLive, StartWhileStreamingKeepsTheStreamGoing) {
    SimConfig c;
    c.resultsPerSecond = 20;
    InstrumentEngine e(c);
    e.receive(cmd(0x40), 0);
    for (int64_t t = 100; t <= 10'000; t += 100) e.receive(cmd(0x40), t);
    EXPECT_NEAR(double(walkStream(e.takeOutput()).packets(0xD0).size()), 200.0, 1.0);
}

// ---------------------------------------------------------------------------------------
// Framing of the PC's bytes

TEST(SimEngineFraming, CommandSplitOverManyReceives) {
    InstrumentEngine e;
    const Bytes packet{0x01, 0x06, 0x31, 0x12, 0x34, 0x56, 0x78, 0x04};
    for (size_t i = 0; i < packet.size(); ++i) {
        EXPECT_TRUE(e.commandLog().empty());
        e.receive(&packet[i], 1, int64_t(i));
    }
    ASSERT_EQ(e.commandLog().size(), 1u);
    EXPECT_EQ(e.instrumentClock(7), 305419896u);

    e.receive(Bytes{0x01, 0x02}, 10);
    e.receive(Bytes{0x21}, 11);
    EXPECT_FALSE(e.hasOutput());
    e.receive(Bytes{0x04, 0x01}, 12);
    EXPECT_EQ(e.takeOutput(), (Bytes{0x01, 0x06, 0xC1, 0x00, 0x00, 0x01, 0x51, 0x04}));
    e.receive(Bytes{0x02, 0x20, 0x04}, 13);  // the rest of a packet begun in the last call
    EXPECT_EQ(walkStream(e.takeOutput()).packets(0xC0).size(), 1u);
}

TEST(SimEngineFraming, GarbageBetweenCommandsIsSkipped) {
    InstrumentEngine e;
    Bytes in{0xFF, 0x00, 0x04, 0x37};
    const Bytes a = cmd(0x20), b = cmd(0x21), c = cmd(0x23);
    in.insert(in.end(), a.begin(), a.end());
    in.insert(in.end(), {0x02, 0x40, 0x04, 0x41});  // looks like a packet body without its SOH
    in.insert(in.end(), b.begin(), b.end());
    in.insert(in.end(), {0x01, 0xFF, 0x02});  // SOH with an impossible length
    in.insert(in.end(), c.begin(), c.end());
    e.receive(in, 0);
    const auto w = walkStream(e.takeOutput());
    EXPECT_TRUE(w.problems.empty());
    ASSERT_EQ(w.items.size(), 3u);
    EXPECT_EQ(w.items[0].code, 0xC0);
    EXPECT_EQ(w.items[1].code, 0xC1);
    EXPECT_EQ(w.items[2].code, 0xC3);
    EXPECT_FALSE(e.collecting()) << "0x40 without a frame around it must not start the stream";
}

TEST(SimEngineFraming, ResyncFindsAPacketInsideABrokenOne) {
    InstrumentEngine e;
    // "01 03 21 04" claims one value byte, so its EOT would be the next byte, an SOH: the
    // frame is broken, and that SOH begins the real command.
    e.receive(Bytes{0x01, 0x03, 0x21, 0x04, 0x01, 0x02, 0x20, 0x04}, 0);
    ASSERT_EQ(e.commandLog().size(), 1u);
    EXPECT_EQ(e.commandLog()[0].code, 0x20);
    EXPECT_EQ(e.takeOutput(), (Bytes{0x01, 0x05, 0xC0, 0x00, 0x03, 0x05, 0x04}));

    // SOH SOH: the first is dropped (length 1 is impossible), the second starts the packet.
    e.receive(Bytes{0x01, 0x01, 0x02, 0x21, 0x04}, 0);
    EXPECT_EQ(walkStream(e.takeOutput()).packets(0xC1).size(), 1u);
}

TEST(SimEngineFraming, MalformedFramesAreIgnored) {
    InstrumentEngine e;
    const Bytes bad[] = {
        {0x01, 0x00, 0x20, 0x04},  // length 0
        {0x01, 0x01, 0x20, 0x04},  // length 1
        {0x01, 0x0E, 0x31, 0x10, 0x11, 0x12, 0x13, 0x14, 0x16, 0x17, 0x19, 0x1A, 0x1B, 0x1C, 0x1D,
         0x04},                                                  // length 14
        {0x01, 0x02, 0x20, 0x03},                                // wrong end byte
        {0x01, 0x06, 0x31, 0x12, 0x34, 0x56, 0x78, 0x78, 0x04},  // one value byte too many
    };
    for (const Bytes& b : bad) {
        e.receive(b, 0);
        EXPECT_FALSE(e.hasOutput());
        EXPECT_TRUE(e.commandLog().empty()) << "code " << int(e.commandLog().front().code);
    }
    EXPECT_EQ(e.instrumentClock(0), 0u);
    // and the engine still understands the next good command
    EXPECT_EQ(ask(e, 0x21, 0), (Bytes{0x01, 0x06, 0xC1, 0x00, 0x00, 0x01, 0x51, 0x04}));
}

TEST(SimEngineFraming, ControlBytesAreIgnoredOutsideFramesAndDataInside) {
    InstrumentEngine e;
    e.receive(Bytes{0x06, 0x15, 0x18, 0x06}, 0);
    EXPECT_FALSE(e.hasOutput());
    EXPECT_TRUE(e.commandLog().empty());
    e.receive(cmd(0x30, {0x06, 0x15}), 0);  // the same bytes as a value are just a value
    e.receive(cmd(0x31, {0x15, 0x18}), 0);
    EXPECT_EQ(e.hardwareSettings(), 0x0615u);
    EXPECT_EQ(e.instrumentClock(0), 0x1518u);
}

TEST(SimEngineFraming, UploadCommandsAreLoggedAndUnknownOnesIgnored) {
    InstrumentEngine e;
    e.receive(cmd(0x42), 0);
    EXPECT_EQ(e.mode(), InstrumentEngine::Mode::UploadAwaitingNak);
    e.receive(cmd(0x43), 0);
    e.receive(cmd(0x7E, {0x01}), 0);
    EXPECT_FALSE(e.hasOutput()) << "the blocks wait for the PC's NAK";
    ASSERT_EQ(e.commandLog().size(), 3u);
    EXPECT_EQ(e.commandLog()[0].code, 0x42);
    EXPECT_EQ(e.commandLog()[1].code, 0x43);
    EXPECT_EQ(e.commandLog()[2].code, 0x7E);
    EXPECT_EQ(e.commandLog()[2].value, 1u);
}

TEST(SimEngineFraming, RandomBytesNeverBreakTheEngine) {
    // Random bytes in random chunks, with real commands mixed in: whatever the engine sends
    // stays well-formed, and it still answers a clean command afterwards.
    std::mt19937 rng(12345);
    SimConfig c;
    c.resultsPerSecond = 200;
    InstrumentEngine e(c);
    Bytes out;
    int64_t now = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes chunk(rng() % 40);
        for (auto& b : chunk) {
            const uint32_t r = rng() % 16;
            b = r == 0   ? 0x01
                : r == 1 ? 0x04
                : r == 2 ? uint8_t(2 + rng() % 12)
                : r == 3 ? uint8_t(0x20 + rng() % 4)
                : r == 4 ? 0x40
                         : uint8_t(rng());
        }
        if (rng() % 8 == 0) {
            const Bytes good = cmd(uint8_t(0x20 + rng() % 4));
            chunk.insert(chunk.begin() + ptrdiff_t(chunk.empty() ? 0 : rng() % chunk.size()), good.begin(),
                         good.end());
        }
        now += rng() % 20;
        e.receive(chunk, now);
        const Bytes b = e.takeOutput();
        out.insert(out.end(), b.begin(), b.end());
    }
    const auto w = walkStream(out);
    EXPECT_TRUE(w.problems.empty()) << w.problems.front();
    EXPECT_EQ(w.items.size(), w.count(StreamItem::Packet));
    EXPECT_GT(e.commandLog().size(), 300u);

    e.receive(Bytes(20, 0x00), now);  // end any frame still open
    e.receive(cmd(0x41), now);
    e.takeOutput();
    EXPECT_EQ(ask(e, 0x21, now), (Bytes{0x01, 0x06, 0xC1, 0x00, 0x00, 0x01, 0x51, 0x04}));
}

// ---------------------------------------------------------------------------------------
// Fault switches

struct FaultCase {
    const char* name;
    double SimConfig::*rate;
    StreamItem::Kind kind;
};
void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

class SimEngineFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(SimEngineFaults, FaultsComeOnlyBetweenPacketsAtTheirRate) {
    const FaultCase fc = GetParam();
    SimConfig c;
    c.resultsPerSecond = 30;
    c.*fc.rate = 20;
    InstrumentEngine e(c);
    e.receive(cmd(0x40), 0);
    Bytes out = run(e, 0, 20'000, 11);
    // answers asked for in the middle of the stream stay whole too
    for (int64_t t = 20'000; t < 25'000; t += 250) {
        e.receive(cmd(uint8_t(0x20 + (t / 250) % 4)), t);
        const Bytes b = e.takeOutput();
        out.insert(out.end(), b.begin(), b.end());
    }
    const Bytes tail = run(e, 25'000, 25'000);
    out.insert(out.end(), tail.begin(), tail.end());
    const auto w = walkStream(out);
    ASSERT_TRUE(w.problems.empty()) << fc.name << ": " << w.problems.front();
    EXPECT_NEAR(double(w.packets(0xD0).size()), 30.0 * 25, 1.0);
    EXPECT_EQ(
        w.packets(0xC0).size() + w.packets(0xC1).size() + w.packets(0xC2).size() + w.packets(0xC3).size(),
        20u);
    const size_t faults = w.count(fc.kind);
    EXPECT_NEAR(double(faults), 20.0 * 25, 110.0) << fc.name;  // a Poisson count, about 5 sigma
    EXPECT_EQ(w.items.size(), w.count(StreamItem::Packet) + faults) << fc.name << ": other faults appeared";
    for (const auto& it : w.items) {
        if (it.kind == StreamItem::Malformed) {
            EXPECT_GT(it.data.at(1), 13);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    EachSwitch, SimEngineFaults,
    ::testing::Values(FaultCase{"noise", &SimConfig::noiseBytesPerSecond, StreamItem::Stray},
                      FaultCase{"unknown", &SimConfig::unknownSignalsPerSecond, StreamItem::UnknownSignal},
                      FaultCase{"invalid", &SimConfig::invalidSignalsPerSecond, StreamItem::InvalidSignal},
                      FaultCase{"malformed", &SimConfig::malformedPerSecond, StreamItem::Malformed}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimEngineFaultMix, AllSwitchesTogetherStayBetweenPackets) {
    SimConfig c;
    c.resultsPerSecond = 500;
    c.noiseBytesPerSecond = 200;
    c.unknownSignalsPerSecond = 100;
    c.invalidSignalsPerSecond = 100;
    c.malformedPerSecond = 100;
    InstrumentEngine e(c);
    e.receive(cmd(0x40), 0);
    const auto w = walkStream(run(e, 0, 10'000, 3));
    ASSERT_TRUE(w.problems.empty()) << w.problems.front();
    EXPECT_NEAR(double(w.packets(0xD0).size()), 5000.0, 1.0);
    EXPECT_GT(w.count(StreamItem::Stray), 1000u);
    EXPECT_GT(w.count(StreamItem::UnknownSignal), 500u);
    EXPECT_GT(w.count(StreamItem::InvalidSignal), 500u);
    EXPECT_GT(w.count(StreamItem::Malformed), 500u);
}

TEST(SimEngineFaultMix, NoFaultsWhileNotStreaming) {
    SimConfig c;
    c.noiseBytesPerSecond = 50;
    c.unknownSignalsPerSecond = 50;
    c.invalidSignalsPerSecond = 50;
    c.malformedPerSecond = 50;
    InstrumentEngine e(c);
    EXPECT_EQ(run(e, 0, 5'000), Bytes{});
    e.receive(cmd(0x40), 5'000);
    EXPECT_FALSE(run(e, 5'000, 6'000).empty());
    e.receive(cmd(0x41), 6'000);
    e.takeOutput();
    EXPECT_EQ(run(e, 6'000, 10'000), Bytes{});
}

TEST(SimEngineSilent, AnswersNothingAndStreamsNothing) {
    SimConfig c;
    c.silent = true;
    c.resultsPerSecond = 100;
    c.noiseBytesPerSecond = 100;
    c.malformedPerSecond = 100;
    InstrumentEngine e(c);
    for (uint8_t code : {0x20, 0x21, 0x22, 0x23}) EXPECT_EQ(ask(e, code, 0), Bytes{}) << int(code);
    e.receive(cmd(0x40), 0);
    EXPECT_EQ(run(e, 0, 5'000), Bytes{});
    EXPECT_EQ(e.liveResultsSent(), 0);
    EXPECT_EQ(e.commandLog().size(), 5u);  // it still hears the commands

    // switched back on, it streams again from then on, without a backlog
    e.config().silent = false;
    e.tick(5'000);
    EXPECT_FALSE(e.hasOutput());
    EXPECT_NEAR(double(walkStream(run(e, 5'000, 6'000)).packets(0xD0).size()), 100.0, 1.0);
}

}  // namespace
}  // namespace zvl::sim
