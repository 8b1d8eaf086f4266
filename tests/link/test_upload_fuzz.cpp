// The block receiver under bounded random input: it never crashes, never writes out of range,
// never waits on bytes it could already take, and whatever the line does in between, an
// instrument that follows the protocol gets every record across once.
#include <gtest/gtest.h>

#include <random>

#include "tests/link/upload_rig.h"

namespace zvl {
namespace {

using test::Bytes;
using test::UploadRig;

Bytes randomPacketish(std::mt19937& rng, uint8_t expected) {
    std::vector<sim::MemoryRecord> recs(rng() % 17);
    for (auto& r : recs)
        for (auto& b : r) b = uint8_t(rng() % 4 == 0 ? rng() % 3 * 0x1A : rng());  // empty kinds often
    const uint8_t numbers[] = {expected, uint8_t(expected - 1), uint8_t(rng()), 0};
    Bytes p = test::uploadPacket(numbers[rng() % 4], recs, rng() % 4 == 0);
    if (rng() % 6 == 0) p.resize(rng() % p.size());  // cut short
    return p;
}

TEST(UploadFuzz, RandomBytesNeverBreakTheReceiver) {
    std::mt19937 rng(20240611);
    UploadRig h({}, false);
    AppState& st = h.rig.state;
    const ChoiceAnswer answers[] = {ChoiceAnswer::DeleteThis,  ChoiceAnswer::DeleteAll,
                                    ChoiceAnswer::CorrectThis, ChoiceAnswer::CorrectAll,
                                    ChoiceAnswer::IgnoreThis,  ChoiceAnswer::IgnoreAll};
    int completed = 0, started = 0;
    for (int round = 0; round < 4000; ++round) {
        if (!h.upload.running()) {
            h.rig.prompts.choiceAnswers.clear();
            for (int k = 0; k < 50; ++k) h.rig.prompts.choiceAnswers.push_back(answers[rng() % 6]);
            h.upload.uploadStoredData();
            ASSERT_TRUE(h.upload.running());
            ++started;
        }
        Bytes chunk;
        const int pieces = 1 + int(rng() % 4);
        for (int k = 0; k < pieces; ++k) {
            const uint32_t what = rng() % 100;
            if (what < 55) {
                const Bytes p = randomPacketish(rng, uint8_t(h.upload.lastBlockNumber() + 1));
                chunk.insert(chunk.end(), p.begin(), p.end());
            } else if (what < 57) {
                chunk.push_back(0x04);
            } else {
                for (uint32_t n = rng() % 20; n > 0; --n) chunk.push_back(uint8_t(rng()));
            }
        }
        // Delivered in notifications of random sizes.
        for (size_t at = 0; at < chunk.size();) {
            const size_t n = std::min(chunk.size() - at, size_t(1 + rng() % 200));
            h.rig.feed(Bytes(chunk.begin() + ptrdiff_t(at), chunk.begin() + ptrdiff_t(at + n)));
            at += n;
            const int64_t count = st.resultCount();
            ASSERT_GE(count, 0);
            ASSERT_LE(count, kUploadLimit);
            if (h.upload.running()) {
                // Nothing that could be taken is left waiting.
                ASSERT_TRUE(st.rxBuffer.empty() ||
                            (uint8_t(st.rxBuffer[0]) == 0x01 && st.rxBuffer.size() < 132))
                    << "round " << round;
            }
        }
        if (rng() % 10 == 0) h.rig.run(int64_t(rng() % 7000));  // the retry timer may fire
        if (rng() % 50 == 0) h.upload.cancelTransfer();
        if (h.upload.outcome() == StoredDataUpload::Outcome::Completed) {
            ++completed;
            for (int64_t i = 1; i <= st.resultCount(); ++i)
                ASSERT_FALSE(isEmptySlotKind(st.store.results[size_t(i)].kind)) << "an empty slot was stored";
            ASSERT_EQ(st.operatingMode, EventSearch);
        }
    }
    // Everything the PC sent is the upload command, or a single control byte.
    for (const Bytes& w : h.rig.port.writes) {
        if (w.size() == 1)
            ASSERT_TRUE(w[0] == 0x06 || w[0] == 0x15 || w[0] == 0x18);
        else
            ASSERT_EQ(w, buildCommandPacket(0x42));
    }
    EXPECT_GT(completed, 20);
    EXPECT_GT(started, completed);
}

TEST(UploadFuzz, EveryRecordArrivesOnceWhateverTheLineDoesBetweenBlocks) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        sim::SimConfig c;
        c.seed = seed;
        c.resultsPerSecond = 0;
        c.memoryRecords = 700 + seed * 113;
        c.memoryWrapAt = seed % 2 ? 0 : int64_t(seed * 97);
        c.badChecksumChance = 0.2;
        c.repeatBlockChance = 0.2;
        c.blockGarbageChance = 0.3;
        c.blockPauseChance = 0.03;
        UploadRig u(c);
        u.upload.uploadStoredData();
        u.runToEnd();
        ASSERT_EQ(u.upload.outcome(), StoredDataUpload::Outcome::Completed) << "seed " << seed;
        const auto written = u.rig.engine->memoryInWrittenOrder();
        ASSERT_EQ(u.rig.state.resultCount(), int64_t(written.size())) << "seed " << seed;
        for (size_t i = 0; i < written.size(); ++i)
            ASSERT_EQ(u.rig.state.store.results[i + 1], test::asResult(written[i]))
                << "seed " << seed << " result " << i + 1;
        EXPECT_GT(u.upload.checksumErrors(), 0);
        EXPECT_GT(u.upload.repeatedPackets(), 0);
    }
}

}  // namespace
}  // namespace zvl
