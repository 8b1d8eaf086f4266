#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "core/resultstore.h"
#include "core/state.h"

namespace zvl {
namespace {

ResultRecord rec(uint32_t t, uint16_t states, uint8_t kind = 0, uint8_t flags = 0) {
    ResultRecord r;
    r.kind = kind;
    r.flags = flags;
    r.setTime(t);
    r.inputStates = states;
    return r;
}

TEST(ResultRecord, TimeIsHeldMostSignificantByteFirst) {
    ResultRecord r;
    r.setTime(0x12345678);
    EXPECT_EQ(r.timeStamp[0], 0x12);
    EXPECT_EQ(r.timeStamp[3], 0x78);
    EXPECT_EQ(r.rawTime(), 0x12345678u);
    EXPECT_EQ(inputMask(1), 0x0001);
    EXPECT_EQ(inputMask(16), 0x8000);
}

TEST(ResultStore, ResultTimeReadsOnlyResultSlotsAndClampsTheTopByte) {
    ResultStore s;
    s.results[0] = rec(500, 0);
    s.results[1] = rec(65, 1);
    s.results[100000] = rec(77, 0);
    s.results[100001] = rec(88, 0);
    s.results[2].timeStamp = {0xFF, 0x01, 0x02, 0x03};
    s.results[3].timeStamp = {0x80, 0x00, 0x00, 0x09};  // every top byte from 128 reads as 127
    s.results[4].timeStamp = {0xFE, 0xAA, 0xBB, 0xCC};
    s.results[5].timeStamp = {0x7F, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(s.resultTime(0), 0);
    EXPECT_EQ(s.resultTime(-5), 0);
    EXPECT_EQ(s.resultTime(1), 65);
    EXPECT_EQ(s.resultTime(100000), 77);
    EXPECT_EQ(s.resultTime(100001), 0);
    EXPECT_EQ(s.resultTime(2), 0x7F010203);
    EXPECT_EQ(s.resultTime(3), 0x7F000009);
    EXPECT_EQ(s.resultTime(4), 0x7FAABBCC);
    EXPECT_EQ(s.resultTime(5), 0x7FFFFFFF);
}

// A clear empties slots 0..100000 (and only those: 100001..100005 keep what they hold) and
// writes only the slots written since the one before; whatever way they were written, every
// result slot reads empty after it. A store that goes gives its zeroed slots to the next one,
// which must read empty everywhere.
TEST(ResultStore, ClearEmptiesEverySlotWrittenSinceTheLastClear) {
    struct Use {
        const char* what;
        std::function<void(ResultStore&)> use;
    };
    const Use uses[] = {
        {"a recording through slot()",
         [](ResultStore& s) {
             for (int64_t i = 0; i <= 500; ++i) s.slot(i) = rec(uint32_t(i + 1), 1);
             s.resultCount = 500;
         }},
        {"appended directly up to the count",
         [](ResultStore& s) {
             for (int64_t i = 1; i <= 700; ++i) s.results[size_t(i)] = rec(9, 9);
             s.resultCount = 700;
         }},
        {"a longer recording, then a shorter one over it",
         [](ResultStore& s) {
             for (int64_t i = 1; i <= 900; ++i) s.slot(i) = rec(7, 7);
             s.resultCount = 0;
             for (int64_t i = 1; i <= 10; ++i) s.slot(++s.resultCount) = rec(8, 8);
         }},
        {"a correction high up",
         [](ResultStore& s) {
             s.results[99999] = rec(5, 5);
             (void)s.correctResult(100000);
             s.resultCount = 3;
         }},
        {"written directly far above the count",
         [](ResultStore& s) {
             s.results[70000] = rec(4, 4);
             s.resultCount = 2;
         }},
        {"the top result slot through slot()", [](ResultStore& s) { s.slot(100000) = rec(6, 6); }},
        {"every slot, the marker set, a count beyond the live limit",
         [](ResultStore& s) {
             s.resultCount = 100005;
             s.results[0] = rec(1, 1);
             s.results[100000] = rec(2, 2);
             s.results[100001] = rec(3, 3);
             s.results[100005] = rec(4, 4);
             s.markedResult = 7;
         }},
        {"the upload's reorder copy",
         [](ResultStore& s) {
             s.results[1] = rec(3, 3);
             std::copy(s.results.begin(), s.results.begin() + 9, s.resultsBackup.begin());
             s.resultCount = 1;
         }},
    };
    auto emptyBetween = [](const ResultSlots& slots, int64_t first, int64_t last) {
        int64_t filled = 0;
        for (int64_t i = first; i <= last; ++i) filled += slots[size_t(i)] != ResultRecord{};
        return filled == 0;
    };
    for (const Use& u : uses) {
        {
            ResultStore s;
            for (int round = 0; round < 2; ++round) {  // a fresh store, then one cleared before
                u.use(s);
                const ResultSlots before = s.results;
                s.clearResults();
                EXPECT_EQ(s.resultCount, 0) << u.what;
                EXPECT_EQ(s.markedResult, 0) << u.what << ": the marker goes with the results";
                EXPECT_TRUE(emptyBetween(s.results, 0, kMaxResults)) << u.what << ", round " << round;
                for (int64_t i = kMaxResults + 1; i <= kLastSlot; ++i)
                    EXPECT_EQ(s.results[size_t(i)], before[size_t(i)]) << u.what << ", slot " << i;
            }
            u.use(s);
        }
        const ResultStore next;  // takes the blocks the store above gave back
        EXPECT_TRUE(emptyBetween(next.results, 0, kLastSlot) &&
                    emptyBetween(next.resultsBackup, 0, kLastSlot))
            << u.what << ": the next store";
        EXPECT_EQ(next.results.writtenEnd(), 0u);
    }
}

TEST(ResultStore, CorrectCopiesOnlyThePreviousTime) {
    ResultStore s;
    s.results[0] = rec(1000, 0x00FF, 9, 9);
    s.results[1] = rec(5, 0x1234, 0xA0, 0x80);
    ASSERT_TRUE(s.correctResult(1));  // result 1 takes the start record's time
    EXPECT_EQ(s.results[1], rec(1000, 0x1234, 0xA0, 0x80));
    EXPECT_FALSE(s.correctResult(0));
    EXPECT_FALSE(s.correctResult(100006));
    EXPECT_EQ(s.results[0], rec(1000, 0x00FF, 9, 9));
}

TEST(ResultStore, DeleteMovesLaterResultsDownAndShrinksTheRecording) {
    ResultStore s;
    for (int i = 1; i <= 10; ++i) s.results[size_t(i)] = rec(uint32_t(100 + i), uint16_t(i), uint8_t(i), 0);
    s.resultCount = 10;
    ASSERT_TRUE(s.deleteResult(5));
    EXPECT_EQ(s.resultCount, 9);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(s.results[size_t(i)].inputStates, i);
    for (int i = 5; i <= 9; ++i)
        EXPECT_EQ(s.results[size_t(i)], rec(uint32_t(101 + i), uint16_t(i + 1), uint8_t(i + 1), 0));
    EXPECT_EQ(s.results[10], ResultRecord{}) << "no second copy of the last result";

    ASSERT_TRUE(s.deleteResult(9));  // the last one: nothing moves
    EXPECT_EQ(s.resultCount, 8);
    EXPECT_EQ(s.results[9], ResultRecord{});
    EXPECT_EQ(s.results[8].inputStates, 9);
}

TEST(ResultStore, DeleteRefusesIndicesOutsideTheRecording) {
    ResultStore s;
    s.resultCount = 3;
    for (int i = 0; i <= 3; ++i) s.results[size_t(i)] = rec(uint32_t(i), uint16_t(i));
    const auto before = s.results;
    EXPECT_FALSE(s.deleteResult(0));
    EXPECT_FALSE(s.deleteResult(4));
    EXPECT_FALSE(s.deleteResult(-1));
    EXPECT_FALSE(s.deleteResult(100006));
    EXPECT_EQ(s.resultCount, 3);
    EXPECT_TRUE(s.results == before);
}

TEST(ResultStore, DeleteWorksAtTheTopOfTheStore) {
    ResultStore s;
    s.resultCount = kLastSlot;
    s.results[kLastSlot] = rec(9, 9);
    s.results[kLastSlot - 1] = rec(8, 8);
    ASSERT_TRUE(s.deleteResult(kLastSlot - 1));
    EXPECT_EQ(s.resultCount, kLastSlot - 1);
    EXPECT_EQ(s.results[kLastSlot - 1], rec(9, 9));
    EXPECT_EQ(s.results[kLastSlot], ResultRecord{});
}

TEST(ResultStore, CheckedSlotAccessRefusesOutOfRange) {
    ResultStore s;
    EXPECT_NO_THROW(s.slot(0));
    EXPECT_NO_THROW(s.slot(kLastSlot));
    EXPECT_THROW(s.slot(-1), std::out_of_range);
    EXPECT_THROW(s.slot(kLastSlot + 1), std::out_of_range);
}

TEST(AppStateDefaults, MatchTheProgramsStartValues) {
    AppState st;
    EXPECT_EQ(st.currentResult, 1);
    EXPECT_EQ(st.operatingMode, EventRecord);
    EXPECT_EQ(st.timebaseIndex, 5);
    EXPECT_EQ(st.firmwareVersion, "0.0");
    EXPECT_EQ(st.instrumentClock, 0);
    EXPECT_FALSE(st.collectionActive || st.uploadActive || st.uploadCancel || st.protocolTransferActive);
    EXPECT_EQ(st.eventColumns, 64);
    EXPECT_EQ(st.store.results.size(), size_t(kSlotCount));
    EXPECT_EQ(st.link.lampColour, kLampRed);
}

// Each change moves along one axis of the mode and keeps the other; the number is what the
// settings file stores.
TEST(OperatingMode, ChangesKeepTheOtherAxisAndTheNumbersAreTheStoredOnes) {
    struct Row {
        OperatingModeValue mode;
        bool online, event;
        OperatingModeValue otherView, otherLink, wentOnline, wentOffline;
    };
    const Row rows[] = {
        {TimebaseRecord, true, false, EventRecord, TimebaseSearch, TimebaseRecord, TimebaseSearch},
        {EventRecord, true, true, TimebaseRecord, EventSearch, EventRecord, EventSearch},
        {TimebaseSearch, false, false, EventSearch, TimebaseRecord, TimebaseRecord, TimebaseSearch},
        {EventSearch, false, true, TimebaseSearch, EventRecord, EventRecord, EventSearch},
    };
    for (const Row& r : rows) {
        const OperatingMode m = r.mode;
        SCOPED_TRACE(int(r.mode));
        EXPECT_EQ(m.number(), uint8_t(r.mode));
        EXPECT_EQ(OperatingMode::fromNumber(r.mode), m);
        EXPECT_EQ(OperatingMode::fromNumber(r.mode + 4), m) << "a stored number counts by its low two bits";
        EXPECT_EQ(m.isOnline(), r.online);
        EXPECT_EQ(m.isSearch(), !r.online);
        EXPECT_EQ(m.isEvent(), r.event);
        EXPECT_EQ(m.isTimebase(), !r.event);
        OperatingMode v = m, l = m, on = m, off = m;
        v.toggleEventTimebase();
        l.toggleOnline();
        on.goOnline();
        off.goOffline();
        EXPECT_EQ(v, r.otherView);
        EXPECT_EQ(l, r.otherLink);
        EXPECT_EQ(on, r.wentOnline);
        EXPECT_EQ(off, r.wentOffline);
    }
}

}  // namespace
}  // namespace zvl
