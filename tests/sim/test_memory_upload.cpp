// The instrument engine's memory and its upload: the generated memory (wrap, markers, times
// running backwards), the block framing, the answers to ACK, NAK and CAN, and the faults.

#include <gtest/gtest.h>

#include <algorithm>

#include "sim/engine.h"

namespace zvl::sim {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint8_t SOH = 0x01, EOT = 0x04, ACK = 0x06, NAK = 0x15, CAN = 0x18;

Bytes cmd(uint8_t code) {
    return {0x01, 0x02, code, 0x04};
}

uint32_t timeOf(const MemoryRecord& r) {
    return (uint32_t(r[2]) << 24) | (uint32_t(r[3]) << 16) | (uint32_t(r[4]) << 8) | r[5];
}

Bytes send(InstrumentEngine& e, uint8_t control, int64_t nowMs = 0) {
    e.receive(Bytes{control}, nowMs);
    return e.takeOutput();
}

// A block's parts; checks the framing every block must have.
struct Block {
    uint8_t number;
    std::vector<MemoryRecord> slots;
    bool checksumGood;
};
Block parseBlock(const Bytes& b) {
    EXPECT_EQ(b.size(), 132u);
    EXPECT_EQ(b.at(0), SOH);
    EXPECT_EQ(uint8_t(b.at(1) + b.at(2)), 0xFF) << "the complement of the number";
    Block out{b[1], {}, false};
    for (int s = 0; s < 16; ++s) {
        MemoryRecord r;
        std::copy_n(b.begin() + 3 + 8 * s, 8, r.begin());
        out.slots.push_back(r);
    }
    unsigned sum = 0;
    for (size_t i = 0; i < 131; ++i) sum += b[i];
    out.checksumGood = uint8_t(sum) == b[131];
    return out;
}

// A PC that asks for the memory and acknowledges every good block; NAKs a bad one.
struct Received {
    std::vector<MemoryRecord> records;
    std::vector<uint8_t> numbers;  // of every block seen, resends included
    int badChecksums = 0;
    bool ended = false;
};
Received uploadAll(InstrumentEngine& e) {
    Received r;
    int64_t now = 0;
    e.receive(cmd(0x42), now);
    Bytes pending = send(e, NAK, now);
    uint8_t last = 0;
    for (int guard = 0; guard < 100000; ++guard) {
        while (pending.empty()) {
            ++now;
            e.tick(now);
            pending = e.takeOutput();
        }
        if (pending[0] == EOT) {
            EXPECT_EQ(pending.size(), 1u);
            pending = send(e, ACK, now);
            r.ended = true;
            EXPECT_TRUE(pending.empty());
            return r;
        }
        const Bytes block(pending.begin(), pending.begin() + std::min<size_t>(132, pending.size()));
        EXPECT_EQ(pending.size(), 132u) << "one block at a time";
        const Block b = parseBlock(block);
        r.numbers.push_back(b.number);
        if (!b.checksumGood) {
            ++r.badChecksums;
            pending = send(e, NAK, now);
            continue;
        }
        if (b.number == uint8_t(last + 1)) {
            for (const auto& s : b.slots)
                if (s[1] != 0x1A && s[1] != 0x00) r.records.push_back(s);
            last = b.number;
        }
        pending = send(e, ACK, now);
    }
    ADD_FAILURE() << "the upload did not end";
    return r;
}

SimConfig memoryOf(int64_t n) {
    SimConfig c;
    c.memoryRecords = n;
    c.clockStart = 800'000'000;
    return c;
}

// ---------------------------------------------------------------------------------------
// The memory

TEST(SimMemory, APlainMemoryIsInTimeOrderBeforeTheClock) {
    InstrumentEngine e(memoryOf(500));
    const auto& m = e.memory();
    ASSERT_EQ(m.size(), 500u);
    EXPECT_EQ(e.memoryInWrittenOrder(), m);
    for (size_t i = 0; i < m.size(); ++i) {
        EXPECT_EQ(m[i][1], kKindRecord);
        EXPECT_EQ(m[i][0], 0);
        if (i > 0) {
            EXPECT_GT(timeOf(m[i]), timeOf(m[i - 1]));
            EXPECT_LE(timeOf(m[i]) - timeOf(m[i - 1]), 5u);
            EXPECT_NE(m[i][6] << 8 | m[i][7], m[i - 1][6] << 8 | m[i - 1][7]) << "an input changes each time";
        }
    }
    EXPECT_LT(timeOf(m.back()), 800'000'000u);
    EXPECT_EQ(InstrumentEngine(memoryOf(500)).memory(), m) << "the same for the same seed";
}

TEST(SimMemory, AWrappedMemoryHoldsItsNewestRecordsFirst) {
    SimConfig c = memoryOf(100);
    c.memoryWrapAt = 40;
    InstrumentEngine e(c);
    const auto& m = e.memory();
    const auto w = e.memoryInWrittenOrder();
    ASSERT_EQ(w.size(), 100u);
    EXPECT_EQ(m[0][0] & kFlagWrapped, kFlagWrapped);
    for (size_t i = 1; i < 100; ++i) EXPECT_EQ(m[i][0], 0);
    for (size_t i = 0; i < 100; ++i) EXPECT_EQ(m[i][1], i == 39 ? kKindNewest : kKindRecord) << i;
    // Physical 41..100 are the oldest 60, 1..40 the newest.
    for (size_t j = 0; j < 60; ++j) EXPECT_EQ(w[j], m[40 + j]);
    for (size_t j = 0; j < 40; ++j) EXPECT_EQ(w[60 + j], m[j]);
    for (size_t i = 1; i < 100; ++i) EXPECT_GT(timeOf(w[i]), timeOf(w[i - 1]));

    c.memoryInOrder = true;
    InstrumentEngine ordered(c);
    const auto& o = ordered.memory();
    EXPECT_EQ(ordered.memoryInWrittenOrder(), o);
    EXPECT_EQ(o[0][1], kKindInOrder);
    EXPECT_EQ(o[0][0] & kFlagWrapped, kFlagWrapped);
    EXPECT_EQ(o[99][1], kKindNewest);
}

TEST(SimMemory, TimesRunBackwardsAtTheChosenNumberOfPlaces) {
    SimConfig c = memoryOf(3000);
    c.memoryBackwardTimes = 25;
    c.memoryWrapAt = 1234;
    InstrumentEngine e(c);
    const auto w = e.memoryInWrittenOrder();
    std::vector<size_t> back;
    for (size_t i = 1; i < w.size(); ++i)
        if (timeOf(w[i]) < timeOf(w[i - 1])) back.push_back(i);
    EXPECT_EQ(back.size(), 25u);
    for (size_t i : back) {
        EXPECT_GE(i, 2u) << "never between the first records";
        EXPECT_LT(i, w.size()) << "never after the last";
    }

    SimConfig tiny = memoryOf(10);
    tiny.memoryBackwardTimes = 50;  // at most one in three
    InstrumentEngine t(tiny);
    int n = 0;
    for (size_t i = 1; i < t.memory().size(); ++i) n += timeOf(t.memory()[i]) < timeOf(t.memory()[i - 1]);
    EXPECT_LE(n, 2);
}

TEST(SimMemory, AGivenImageIsSentAsItIsAndTheCapacityHolds) {
    SimConfig c;
    c.memoryImage = {MemoryRecord{1, 2, 3, 4, 5, 6, 7, 8}, MemoryRecord{9, 10, 11, 12, 13, 14, 15, 16}};
    c.memoryRecords = 999;  // the image wins
    InstrumentEngine e(c);
    EXPECT_EQ(e.memory(), c.memoryImage);
    EXPECT_EQ(uploadAll(e).records, c.memoryImage);

    SimConfig big = memoryOf(250000);
    EXPECT_EQ(InstrumentEngine(big).memory().size(), size_t(kMemoryCapacity));
}

// ---------------------------------------------------------------------------------------
// The upload

TEST(SimUpload, BlocksWaitForTheNakAndFollowEachAck) {
    SimConfig c = memoryOf(20);
    c.resultsPerSecond = 50;
    InstrumentEngine e(c);
    e.receive(cmd(0x40), 0);
    EXPECT_TRUE(e.collecting());
    e.receive(cmd(0x42), 100);
    EXPECT_FALSE(e.collecting()) << "the live stream stops for the upload";
    e.takeOutput();
    e.tick(5000);
    EXPECT_FALSE(e.hasOutput()) << "nothing until the PC's NAK";
    EXPECT_TRUE(send(e, ACK, 5000).empty()) << "an ACK does not start it";

    const Block b1 = parseBlock(send(e, NAK, 5000));
    EXPECT_EQ(b1.number, 1);
    EXPECT_TRUE(b1.checksumGood);
    EXPECT_EQ(b1.slots, std::vector<MemoryRecord>(e.memory().begin(), e.memory().begin() + 16));
    EXPECT_EQ(e.mode(), InstrumentEngine::Mode::UploadSending);

    const Block again = parseBlock(send(e, NAK, 5000));
    EXPECT_EQ(again.number, 1) << "NAK: the same block again";
    EXPECT_EQ(again.slots, b1.slots);

    const Block b2 = parseBlock(send(e, ACK, 5000));
    EXPECT_EQ(b2.number, 2);
    for (int s = 0; s < 4; ++s) EXPECT_EQ(b2.slots[size_t(s)], e.memory()[size_t(16 + s)]);
    const MemoryRecord pad{0x1A, 0x1A, 0x1A, 0x1A, 0x1A, 0x1A, 0x1A, 0x1A};
    for (int s = 4; s < 16; ++s) EXPECT_EQ(b2.slots[size_t(s)], pad);

    EXPECT_EQ(send(e, ACK, 5000), Bytes{EOT});
    EXPECT_EQ(send(e, NAK, 5000), Bytes{EOT}) << "EOT again on NAK";
    EXPECT_TRUE(send(e, ACK, 5000).empty());
    EXPECT_EQ(e.mode(), InstrumentEngine::Mode::Live);
    EXPECT_EQ(e.uploadsCompleted(), 1);
    EXPECT_EQ(e.blocksSent(), 3);
    EXPECT_TRUE(send(e, NAK, 5000).empty()) << "a late NAK after the end is ignored";
    EXPECT_FALSE(e.collecting());
}

TEST(SimUpload, CanStopsItAtAnyPoint) {
    for (int stopAfter = 0; stopAfter < 4; ++stopAfter) {
        InstrumentEngine e(memoryOf(40));
        e.receive(cmd(0x42), 0);
        if (stopAfter > 0) send(e, NAK);
        for (int k = 1; k < stopAfter; ++k) send(e, ACK);
        EXPECT_TRUE(send(e, CAN).empty());
        EXPECT_EQ(e.mode(), InstrumentEngine::Mode::Live);
        EXPECT_EQ(e.uploadsCancelled(), 1);
        EXPECT_TRUE(send(e, NAK).empty());
        EXPECT_TRUE(send(e, ACK).empty());
    }
}

TEST(SimUpload, AnEmptyMemorySendsEotAtOnce) {
    InstrumentEngine e(memoryOf(0));
    e.receive(cmd(0x42), 0);
    EXPECT_EQ(send(e, NAK), Bytes{EOT});
    EXPECT_TRUE(send(e, ACK).empty());
    EXPECT_EQ(e.uploadsCompleted(), 1);
}

TEST(SimUploadFaults, ABadChecksumOnlyOnTheFirstSending) {
    SimConfig c = memoryOf(64);
    c.badChecksumChance = 1;
    InstrumentEngine e(c);
    const Received r = uploadAll(e);
    EXPECT_EQ(r.records, e.memory());
    EXPECT_EQ(r.badChecksums, 4);
    EXPECT_EQ(r.numbers, (std::vector<uint8_t>{1, 1, 2, 2, 3, 3, 4, 4}));
}

TEST(SimUploadFaults, ARepeatedBlockComesOnceMoreAfterItsAck) {
    SimConfig c = memoryOf(48);
    c.repeatBlockChance = 1;
    InstrumentEngine e(c);
    const Received r = uploadAll(e);
    EXPECT_EQ(r.records, e.memory());
    EXPECT_EQ(r.numbers, (std::vector<uint8_t>{1, 1, 2, 2, 3, 3}));
}

TEST(SimUploadFaults, GarbageBeforeBlocksNeverLooksLikeABlockOrTheEnd) {
    SimConfig c = memoryOf(16 * 200);
    c.blockGarbageChance = 1;
    InstrumentEngine e(c);
    e.receive(cmd(0x42), 0);
    Bytes out = send(e, NAK);
    int blocks = 0, stray = 0;
    while (!out.empty() && out[0] != EOT) {
        size_t k = 0;
        while (out[k] != SOH) {
            EXPECT_NE(out[k], EOT);
            ++k;
        }
        EXPECT_GE(k, 1u);
        EXPECT_LE(k, 16u);
        stray += int(k);
        EXPECT_TRUE(parseBlock(Bytes(out.begin() + ptrdiff_t(k), out.end())).checksumGood);
        ++blocks;
        out = send(e, ACK);
    }
    EXPECT_EQ(blocks, 200);
    EXPECT_GT(stray, 200 * 4);
}

TEST(SimUploadFaults, APauseHoldsTheBlockUntilItEndsOrTheNakComes) {
    SimConfig c = memoryOf(32);
    c.blockPauseChance = 1;
    c.blockPauseMs = 6000;
    InstrumentEngine e(c);
    e.receive(cmd(0x42), 1000);
    EXPECT_TRUE(send(e, NAK, 1000).empty());
    EXPECT_EQ(e.msUntilNextEvent(1000), 6000);
    e.skip(6500);
    EXPECT_FALSE(e.hasOutput()) << "skip() drops stream events, not a paused block";
    e.tick(6999);
    EXPECT_FALSE(e.hasOutput());
    e.tick(7000);
    EXPECT_EQ(parseBlock(e.takeOutput()).number, 1);

    // The second block pauses too; the PC's retry NAK brings it at once, and only once.
    EXPECT_TRUE(send(e, ACK, 7000).empty());
    EXPECT_EQ(parseBlock(send(e, NAK, 12000)).number, 2);
    e.tick(20000);
    EXPECT_FALSE(e.hasOutput());
    EXPECT_EQ(send(e, ACK, 20000), Bytes{EOT});
}

}  // namespace
}  // namespace zvl::sim
