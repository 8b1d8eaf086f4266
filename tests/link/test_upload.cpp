// The stored-data upload against the in-process instrument (or bytes fed by hand) with a
// fake clock: block framing, retries, the reorder of a wrapped memory, the time check with
// the choice box's six buttons, and Cancel.
#include <gtest/gtest.h>

#include "session/lifecycle.h"
#include "tests/link/upload_rig.h"

namespace zvl {
namespace {

using test::Bytes;
using test::memRecord;
using test::UploadRig;

using ctl::ACK;
using ctl::CAN;
using ctl::NAK;

sim::SimConfig memoryOf(int64_t records) {
    sim::SimConfig c;
    c.memoryRecords = records;
    c.resultsPerSecond = 0;
    return c;
}

// The store's results 1..resultCount against records in the order expected.
void expectStoreHolds(const AppState& st, const std::vector<sim::MemoryRecord>& records) {
    ASSERT_EQ(st.resultCount(), int64_t(records.size()));
    for (size_t i = 0; i < records.size(); ++i)
        ASSERT_EQ(st.store.results[i + 1], test::asResult(records[i])) << "result " << i + 1;
}

// ---------------------------------------------------------------------------------------
// Whole uploads from the instrument

class UploadSizes : public ::testing::TestWithParam<int64_t> {};

TEST_P(UploadSizes, EveryRecordArrivesOnceInOrderAndTheStoreIsLeftForExamination) {
    const int64_t n = GetParam();
    UploadRig u(memoryOf(n));
    AppState& st = u.rig.state;
    st.store.resultCount = 7;  // an earlier recording is replaced, with its marker
    st.store.markedResult = 5;
    st.operatingMode = TimebaseRecord;
    if (n > 1000) u.rig.port.paced = false;

    u.upload.uploadStoredData();
    EXPECT_TRUE(st.uploadActive);
    EXPECT_TRUE(st.collectionActive);
    EXPECT_TRUE(u.view.panelVisible);
    EXPECT_EQ(u.view.headings, (std::vector<std::string>{"Uploading Data"}));
    EXPECT_TRUE(u.rig.prompts.busyNow);
    ASSERT_GE(u.rig.port.writes.size(), 2u);
    EXPECT_EQ(u.rig.port.writes[0], buildCommandPacket(0x42));
    EXPECT_EQ(u.rig.port.writes[1], Bytes{NAK});

    u.runToEnd();
    EXPECT_EQ(u.upload.outcome(), StoredDataUpload::Outcome::Completed);
    expectStoreHolds(st, u.rig.engine->memoryInWrittenOrder());
    const int64_t blocks = (n + 15) / 16;
    EXPECT_EQ(u.upload.packetsStored(), blocks);
    EXPECT_EQ(st.bytesTransferred, 128 * blocks);
    EXPECT_EQ(u.countControl(ACK), size_t(blocks + 1)) << "one per block and one for the EOT";
    EXPECT_EQ(u.countControl(NAK), 1u) << "only the one that starts the transfer";
    EXPECT_EQ(u.rig.engine->uploadsCompleted(), 1);
    EXPECT_EQ(st.operatingMode, EventSearch);
    EXPECT_EQ(st.currentResult, 1);
    EXPECT_EQ(st.recordingEndTime, st.resultTime(n));
    EXPECT_EQ(st.store.markedResult, 0);
    EXPECT_FALSE(st.uploadActive);
    EXPECT_FALSE(st.collectionActive);
    EXPECT_FALSE(u.view.panelVisible);
    EXPECT_FALSE(u.rig.prompts.busyNow);
    EXPECT_TRUE(u.rig.prompts.choiceCalls.empty()) << "no time errors, no box";
    EXPECT_FALSE(u.uploadRetryTimer.isActive());

    // Nothing more goes to the instrument once the transfer is over.
    const size_t writes = u.rig.port.writes.size();
    u.rig.run(12'000);
    EXPECT_EQ(u.rig.port.writes.size(), writes);
}

INSTANTIATE_TEST_SUITE_P(Records, UploadSizes, ::testing::Values(1, 16, 17, 100000));

TEST(Upload, AnEmptyMemoryEndsAtOnceWithNoResults) {
    UploadRig u(memoryOf(0));
    u.upload.uploadStoredData();
    u.runToEnd();
    EXPECT_EQ(u.upload.outcome(), StoredDataUpload::Outcome::Completed);
    EXPECT_EQ(u.rig.state.resultCount(), 0);
    EXPECT_EQ(u.rig.state.operatingMode, EventSearch);
    EXPECT_EQ(u.rig.state.recordingEndTime, 0);
}

TEST(Upload, APacketWithTwoEmptySlotsStoresFourteenAndCountsAllItsBytes) {
    UploadRig u(memoryOf(14));
    u.upload.uploadStoredData();
    u.runToEnd();
    expectStoreHolds(u.rig.state, u.rig.engine->memoryInWrittenOrder());
    EXPECT_EQ(u.rig.state.bytesTransferred, 128);

    // Empty slots in the middle of a packet (kind 0x00 or 0x1A) are skipped in place.
    UploadRig h({}, false);
    h.upload.uploadStoredData();
    std::vector<sim::MemoryRecord> recs;
    for (int s = 0; s < 16; ++s) recs.push_back(memRecord(1000 + s, uint16_t(s)));
    recs[3][1] = 0x00;
    recs[9][1] = 0x1A;
    h.rig.feed(test::uploadPacket(1, recs));
    std::vector<sim::MemoryRecord> kept;
    for (int s = 0; s < 16; ++s)
        if (s != 3 && s != 9) kept.push_back(recs[size_t(s)]);
    h.rig.feed({0x04});
    expectStoreHolds(h.rig.state, kept);
    EXPECT_EQ(h.rig.state.bytesTransferred, 128);
}

TEST(Upload, TheByteCounterMovesAfterEveryEighthPacket) {
    UploadRig u(memoryOf(20 * 16));
    u.upload.uploadStoredData();
    u.runToEnd();
    EXPECT_EQ(u.view.counter, (std::vector<int64_t>{0, 1024, 2048}));
    EXPECT_EQ(u.rig.state.bytesTransferred, 20 * 128);

    UploadRig few(memoryOf(7 * 16));
    few.upload.uploadStoredData();
    few.runToEnd();
    EXPECT_EQ(few.view.counter, (std::vector<int64_t>{0})) << "fewer than 8 packets leave it at 0";
}

TEST(Upload, BlockNumbersRunPast255) {
    UploadRig u(memoryOf(300 * 16 - 5));
    u.rig.port.paced = false;
    u.upload.uploadStoredData();
    u.runToEnd();
    expectStoreHolds(u.rig.state, u.rig.engine->memoryInWrittenOrder());
    EXPECT_EQ(u.upload.lastBlockNumber(), 300 - 256);
    EXPECT_EQ(u.upload.repeatedPackets(), 0) << "block 0 after 255 is new, not a repeat";
}

// ---------------------------------------------------------------------------------------
// Faults on the line

TEST(UploadFaults, ABadChecksumIsAnsweredWithNakAndTheResendStoredOnce) {
    sim::SimConfig c = memoryOf(5 * 16);
    c.badChecksumChance = 1;  // every block arrives damaged once
    UploadRig u(c);
    u.upload.uploadStoredData();
    u.runToEnd();
    expectStoreHolds(u.rig.state, u.rig.engine->memoryInWrittenOrder());
    EXPECT_EQ(u.upload.checksumErrors(), 5);
    EXPECT_EQ(u.countControl(NAK), 1u + 5u);
    EXPECT_EQ(u.rig.engine->blocksSent(), 10);

    // By hand: the damaged packet stores nothing, the good one that follows is stored.
    UploadRig h({}, false);
    h.upload.uploadStoredData();
    const std::vector<sim::MemoryRecord> recs{memRecord(10, 1), memRecord(11, 2)};
    h.rig.feed(test::uploadPacket(1, recs, true));
    EXPECT_EQ(h.rig.state.resultCount(), 0);
    EXPECT_EQ(h.controlBytes().back(), NAK);
    h.rig.feed(test::uploadPacket(1, recs));
    EXPECT_EQ(h.controlBytes().back(), ACK);
    h.rig.feed({0x04});
    expectStoreHolds(h.rig.state, recs);
}

TEST(UploadFaults, ARepeatedBlockIsAcknowledgedAndStoredOnce) {
    sim::SimConfig c = memoryOf(6 * 16);
    c.repeatBlockChance = 1;
    UploadRig u(c);
    u.upload.uploadStoredData();
    u.runToEnd();
    expectStoreHolds(u.rig.state, u.rig.engine->memoryInWrittenOrder());
    EXPECT_EQ(u.upload.repeatedPackets(), 6);
    EXPECT_EQ(u.countControl(ACK), 6u * 2 + 1);
}

TEST(UploadFaults, GarbageBeforeAPacketIsDroppedWithoutWaitingForMoreBytes) {
    sim::SimConfig c = memoryOf(8 * 16);
    c.blockGarbageChance = 1;
    UploadRig u(c);
    u.upload.uploadStoredData();
    u.runToEnd();
    expectStoreHolds(u.rig.state, u.rig.engine->memoryInWrittenOrder());
    EXPECT_GE(u.upload.strayBytes(), 8);
    EXPECT_EQ(u.upload.timeouts(), 0);

    // Garbage and a whole packet in one notification: the packet is taken at once.
    UploadRig h({}, false);
    h.upload.uploadStoredData();
    Bytes bytes{0x00, 0xFF, 0x15, 0x06, 0x18, 0x7E};
    const Bytes p = test::uploadPacket(1, {memRecord(5, 5)});
    bytes.insert(bytes.end(), p.begin(), p.end());
    h.rig.feed(bytes);
    EXPECT_EQ(h.rig.state.resultCount(), 1);
    EXPECT_EQ(h.controlBytes().back(), ACK);
    EXPECT_TRUE(h.rig.state.rxBuffer.empty());
}

TEST(UploadFaults, SilenceIsAnsweredByOneNakAfterFiveSeconds) {
    UploadRig h({}, false);
    h.upload.uploadStoredData();
    h.rig.feed(test::uploadPacket(1, {memRecord(5, 5)}));
    ASSERT_EQ(h.controlBytes(), (Bytes{NAK, ACK}));
    h.rig.run(4'900);
    EXPECT_EQ(h.controlBytes(), (Bytes{NAK, ACK}));
    h.rig.run(200);
    EXPECT_EQ(h.controlBytes(), (Bytes{NAK, ACK, NAK}));
    h.rig.run(30'000);
    EXPECT_EQ(h.controlBytes(), (Bytes{NAK, ACK, NAK})) << "the next NAK waits for bytes to arrive again";

    // Bytes that are not a new packet arm it again; it counts from their arrival.
    h.rig.feed({0x33});
    h.rig.run(4'900);
    EXPECT_EQ(h.countControl(NAK), 2u);
    h.rig.run(200);
    EXPECT_EQ(h.countControl(NAK), 3u);

    // A repeat of the last block every second does not put the NAK off: enabling the running
    // timer leaves it alone, so it fires 5 s after the first repeat.
    for (int k = 0; k < 5; ++k) {
        h.rig.feed(test::uploadPacket(1, {memRecord(5, 5)}));
        h.rig.run(1'000);
    }
    h.rig.run(100);
    EXPECT_EQ(h.countControl(NAK), 4u);
}

TEST(UploadFaults, AnInstrumentThatNeverStartsGetsOneRetry) {
    UploadRig h({}, false);
    h.upload.uploadStoredData();
    h.rig.run(30'000);
    EXPECT_EQ(h.controlBytes(), (Bytes{NAK, NAK}));
    EXPECT_TRUE(h.rig.state.uploadActive) << "it waits; Cancel ends it";
}

TEST(UploadFaults, PausesLongerThanTheRetryAreBridgedByTheNak) {
    sim::SimConfig c = memoryOf(3 * 16);
    c.blockPauseChance = 1;
    c.blockPauseMs = 20'000;
    UploadRig u(c);
    u.upload.uploadStoredData();
    const int64_t start = u.rig.clock.ms;
    u.runToEnd();
    expectStoreHolds(u.rig.state, u.rig.engine->memoryInWrittenOrder());
    EXPECT_EQ(u.upload.timeouts(), 3);
    EXPECT_LT(u.rig.clock.ms - start, 3 * 6'000) << "each block waited for the 5 s retry, not the 20 s pause";
}

TEST(UploadFaults, AStalledPartialPacketIsDroppedAtTheRetry) {
    UploadRig h({}, false);
    h.upload.uploadStoredData();
    Bytes p = test::uploadPacket(1, {memRecord(7, 7)});
    h.rig.feed(Bytes(p.begin(), p.begin() + 100));  // the rest was lost on the line
    h.rig.run(5'100);
    EXPECT_EQ(h.controlBytes(), (Bytes{NAK, NAK}));
    h.rig.feed(p);  // the NAK brought it whole
    EXPECT_EQ(h.controlBytes().back(), ACK);
    h.rig.feed({0x04});
    EXPECT_EQ(h.rig.state.resultCount(), 1);
    EXPECT_EQ(h.upload.checksumErrors(), 0);
}

TEST(UploadFaults, ABlockOutOfSequenceEndsTheUploadWithCanKeepingWhatWasStored) {
    UploadRig h({}, false);
    h.upload.uploadStoredData();
    std::vector<sim::MemoryRecord> first;
    for (int s = 0; s < 16; ++s) first.push_back(memRecord(100 + s, uint16_t(s)));
    h.rig.feed(test::uploadPacket(1, first));
    h.rig.feed(test::uploadPacket(3, {memRecord(500, 1)}));
    EXPECT_EQ(h.controlBytes().back(), CAN);
    EXPECT_EQ(h.rig.prompts.warnings, (std::vector<std::string>{kBlockSequenceErrorText}));
    EXPECT_EQ(h.upload.outcome(), StoredDataUpload::Outcome::Failed);
    EXPECT_FALSE(h.rig.state.uploadActive);
    EXPECT_FALSE(h.rig.state.collectionActive);
    EXPECT_FALSE(h.view.panelVisible);
    EXPECT_FALSE(h.rig.prompts.busyNow);
    expectStoreHolds(h.rig.state, first);
}

TEST(UploadFaults, ARepeatOfTheLastNumberIsNeverStoredNotEvenBlockZero) {
    // Block 0 when nothing has been stored has the number of the last stored block (0).
    UploadRig h({}, false);
    h.upload.uploadStoredData();
    h.rig.feed(test::uploadPacket(0, {memRecord(1, 1)}));
    EXPECT_EQ(h.controlBytes().back(), ACK);
    EXPECT_EQ(h.rig.state.resultCount(), 0);
    EXPECT_EQ(h.upload.repeatedPackets(), 1);
}

TEST(UploadFaults, AMemoryLargerThanTheStoreKeepsTheFirst100000AndCancels) {
    UploadRig h({}, false);
    h.upload.uploadStoredData();
    std::vector<sim::MemoryRecord> recs(16);
    for (int64_t b = 1; b <= 6251; ++b) {
        for (int s = 0; s < 16; ++s) recs[size_t(s)] = memRecord(uint32_t(b * 16 + s), uint16_t(b));
        h.rig.feed(test::uploadPacket(uint8_t(b & 0xFF), recs));
    }
    EXPECT_EQ(h.rig.state.resultCount(), 100000);
    EXPECT_EQ(h.controlBytes().back(), CAN);
    EXPECT_EQ(h.rig.prompts.warnings, (std::vector<std::string>{kUploadOverflowText}));
    EXPECT_EQ(h.rig.state.store.results[100000].inputStates, 6250);
    EXPECT_EQ(h.rig.state.store.results[100001], ResultRecord{}) << "nothing written past the limit";
    EXPECT_FALSE(h.rig.state.uploadActive);
}

// ---------------------------------------------------------------------------------------
// Cancel

TEST(UploadCancel, HalfWayKeepsTheRecordsStoredAndStopsTheInstrument) {
    UploadRig u(memoryOf(200 * 16));
    AppState& st = u.rig.state;
    u.upload.uploadStoredData();
    for (int k = 0; k < 100'000 && u.upload.packetsStored() < 100; ++k) u.rig.run(10);
    u.upload.cancelTransfer();
    EXPECT_EQ(u.controlBytes().back(), CAN);
    EXPECT_TRUE(st.uploadCancel);
    EXPECT_FALSE(st.uploadActive);
    EXPECT_FALSE(st.collectionActive);
    EXPECT_FALSE(u.view.panelVisible);
    EXPECT_FALSE(u.rig.prompts.busyNow);
    EXPECT_EQ(st.operatingMode, EventRecord);
    EXPECT_EQ(u.upload.outcome(), StoredDataUpload::Outcome::Cancelled);
    EXPECT_GE(u.view.controlUpdates, 2);

    const int64_t stored = st.resultCount();
    EXPECT_EQ(stored, u.upload.packetsStored() * 16) << "resultCount is the number of records stored";
    const auto written = u.rig.engine->memoryInWrittenOrder();
    expectStoreHolds(st, std::vector<sim::MemoryRecord>(written.begin(), written.begin() + stored));

    const size_t writes = u.rig.port.writes.size();
    u.rig.run(12'000);
    EXPECT_EQ(u.rig.engine->uploadsCancelled(), 1);
    EXPECT_EQ(u.rig.port.writes.size(), writes) << "no retry after a cancel";
    EXPECT_EQ(st.resultCount(), stored);
}

TEST(UploadCancel, StartStopAndTheCloseQueryNeverPutAStopRecordIntoAnUpload) {
    UploadRig u(memoryOf(200 * 16));
    AppState& st = u.rig.state;
    u.upload.uploadStoredData();
    for (int k = 0; k < 100'000 && u.upload.packetsStored() < 20; ++k) u.rig.run(10);
    ASSERT_TRUE(st.uploadActive);
    ASSERT_TRUE(st.collectionActive);
    const size_t writes = u.rig.port.writes.size();
    u.rig.prompts.confirmAnswers = {false};
    u.rig.link.startStopRecording();  // the record mode's Stop
    u.rig.link.stopRecordingAtClose();
    EXPECT_TRUE(u.rig.prompts.confirmations.empty());
    EXPECT_EQ(u.rig.port.writes.size(), writes) << "no 0x41 into the block stream";
    EXPECT_EQ(st.resultCount(), u.upload.packetsStored() * 16) << "no stop record among the uploaded results";
    EXPECT_TRUE(st.collectionActive);

    // Closing the window during the upload asks, and No cancels the upload.
    test::FakeTimer t1(u.rig.clock, "startTimer"), t2(u.rig.clock, "splashTimer"),
        t3(u.rig.clock, "updateTimer"), t4(u.rig.clock, "downloadStatusTimer"),
        t5(u.rig.clock, "journalTimer");
    MainTimers timers{t1, t2, u.rig.statusTimer, u.rig.breakTimer, u.uploadRetryTimer, t3, t4, t5};
    Lifecycle life(st, u.rig.link, u.rig.prompts, u.view, timers, "/nonexistent/Pellam.ini");
    life.setCancelTransfer([&] { u.upload.cancelTransfer(); });
    u.rig.prompts.confirmAnswers = {false};
    EXPECT_TRUE(life.mayClose());
    EXPECT_EQ(u.controlBytes().back(), CAN);
    EXPECT_EQ(u.upload.outcome(), StoredDataUpload::Outcome::Cancelled);
    EXPECT_EQ(st.resultCount(), u.upload.packetsStored() * 16);
}

TEST(UploadStart, AStatusPollWaitingWhenTheUploadStartsSendsNothingMore) {
    UploadRig u(memoryOf(64));
    u.rig.state.operatingMode = EventRecord;
    u.rig.port.writes.clear();
    // The upload starts from a message served inside the poll's 9-tick wait.
    bool started = false;
    u.rig.pump.onIdle = [&] {
        if (!started && u.rig.clock.ms > 1100) {
            started = true;
            u.upload.uploadStoredData();
        }
    };
    u.rig.link.statusPoll();
    u.rig.pump.onIdle = nullptr;
    ASSERT_TRUE(started);
    std::vector<uint8_t> codes;
    for (const Bytes& w : u.rig.port.writes)
        if (w.size() >= 3 && w[0] == 0x01) codes.push_back(w[2]);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), cmd::StatusClock), 0)
        << "no 0x22 after the upload began";
    u.runToEnd();
    EXPECT_EQ(u.rig.state.resultCount(), 64);
    EXPECT_EQ(u.upload.checksumErrors(), 0);
}

TEST(UploadCancel, TheFileTransferIsCancelledToo) {
    UploadRig h({}, false);
    int cancels = 0;
    h.upload.setFileTransferCancel([&] { ++cancels; });
    h.rig.state.protocolTransferActive = true;  // a binary download runs
    h.upload.cancelTransfer();
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(h.controlBytes(), Bytes{CAN});
    EXPECT_TRUE(h.rig.state.uploadCancel);
}

TEST(UploadStart, AnInstrumentThatDoesNotAnswerStartsNothing) {
    sim::SimConfig c = memoryOf(16);
    c.silent = true;
    UploadRig u(c);
    u.rig.state.instrumentOnline = false;
    u.upload.uploadStoredData();
    EXPECT_EQ(u.upload.outcome(), StoredDataUpload::Outcome::NotStarted);
    EXPECT_EQ(u.rig.prompts.warnings.size(), 1u);
    EXPECT_FALSE(u.rig.state.uploadActive);
    EXPECT_FALSE(u.rig.state.collectionActive);
    EXPECT_EQ(u.view.panelChanges, 0);
    EXPECT_FALSE(u.rig.prompts.busyNow);
    for (const Bytes& w : u.rig.port.writes) EXPECT_NE(w, buildCommandPacket(0x42));
}

// ---------------------------------------------------------------------------------------
// The memory put in time order

std::vector<sim::MemoryRecord> numbered(int n, uint32_t t0) {
    std::vector<sim::MemoryRecord> r;
    for (int i = 1; i <= n; ++i) r.push_back(memRecord(t0 + uint32_t(i), uint16_t(i)));
    return r;
}

TEST(UploadOrder, AWrappedMemoryIsTurnedSoTheRecordAfterTheNewestComesFirst) {
    sim::SimConfig c = memoryOf(0);
    c.memoryImage = numbered(100, 5000);
    c.memoryImage[0][0] |= 0x80;  // wrapped
    c.memoryImage[39][1] = 0xBF;  // the newest record, index 40
    UploadRig u(c);
    u.upload.uploadStoredData();
    u.runToEnd();
    const AppState& st = u.rig.state;
    ASSERT_EQ(st.resultCount(), 100);
    EXPECT_EQ(u.upload.ringStart(), 41);
    for (int j = 1; j <= 100; ++j) {
        const int from = j <= 60 ? j + 40 : j - 60;
        EXPECT_EQ(st.store.results[size_t(j)], test::asResult(c.memoryImage[size_t(from - 1)]))
            << "result " << j;
    }
    EXPECT_EQ(st.recordingEndTime, 5040) << "the end is the newest record, after the turn";
}

TEST(UploadOrder, NothingMovesWithAnA0RecordWithoutTheWrapFlagOrWithTheNewestLast) {
    auto uploadOf = [](std::vector<sim::MemoryRecord> image) {
        sim::SimConfig c = memoryOf(0);
        c.memoryImage = image;
        auto u = std::make_unique<UploadRig>(c);
        u->upload.uploadStoredData();
        u->runToEnd();
        expectStoreHolds(u->rig.state, image);
        EXPECT_EQ(u->upload.ringStart(), 1);
    };
    auto image = numbered(100, 5000);
    image[0][0] |= 0x80;
    image[39][1] = 0xBF;
    auto withA0 = image;
    withA0[70][1] = 0xA0;
    uploadOf(withA0);
    auto notWrapped = image;
    notWrapped[0][0] = 0;
    uploadOf(notWrapped);
    auto newestLast = image;
    newestLast[39][1] = sim::kKindRecord;
    newestLast[99][1] = 0xBF;
    uploadOf(newestLast);
    auto twoMarkers = image;  // the last 0xBF counts
    twoMarkers[9][1] = 0xBF;
    sim::SimConfig c = memoryOf(0);
    c.memoryImage = twoMarkers;
    UploadRig u(c);
    u.upload.uploadStoredData();
    u.runToEnd();
    EXPECT_EQ(u.upload.ringStart(), 41);
}

// ---------------------------------------------------------------------------------------
// The time check and the choice box

std::vector<sim::MemoryRecord> withTimes(const std::vector<uint32_t>& times) {
    std::vector<sim::MemoryRecord> r;
    for (size_t i = 0; i < times.size(); ++i) r.push_back(memRecord(times[i], uint16_t(i + 1)));
    return r;
}

std::vector<int64_t> storeTimes(const AppState& st) {
    std::vector<int64_t> t;
    for (int64_t i = 1; i <= st.resultCount(); ++i) t.push_back(st.resultTime(i));
    return t;
}

struct CheckCase {
    const char* name;
    std::vector<uint32_t> times;
    std::vector<ChoiceAnswer> answers;  // then IgnoreThis
    std::vector<int64_t> asked;         // results named by the box, in order
    std::vector<int64_t> after;         // times left in the store
};

void PrintTo(const CheckCase& k, std::ostream* os) {
    *os << k.name;
}

class TimeCheck : public ::testing::TestWithParam<CheckCase> {};

TEST_P(TimeCheck, TheBoxNamesTheFaultyResultAndItsButtonActsOnIt) {
    const CheckCase& k = GetParam();
    sim::SimConfig c = memoryOf(0);
    c.memoryImage = withTimes(k.times);
    UploadRig u(c);
    for (ChoiceAnswer a : k.answers) u.rig.prompts.choiceAnswers.push_back(a);
    u.upload.uploadStoredData();
    u.runToEnd();
    std::vector<int64_t> asked;
    for (const auto& r : u.rig.prompts.choiceCalls) {
        ASSERT_TRUE(r.has_value()) << "the box is never shown without its result at the end of an upload";
        asked.push_back(*r);
    }
    EXPECT_EQ(asked, k.asked);
    EXPECT_EQ(storeTimes(u.rig.state), k.after);
    EXPECT_EQ(u.rig.state.recordingEndTime, k.after.back());
    EXPECT_EQ(u.rig.state.operatingMode, EventSearch);
}

// Results 2..5 of 10, 20, 15, 30 report 4; a second error later (40, 35, 50) reports 7.
const std::vector<uint32_t> kEarly{5, 10, 20, 15, 30, 40, 35, 50};
// 10, 50, 20, 30 report 3 (both following results are earlier than it).
const std::vector<uint32_t> kLate{5, 10, 50, 20, 30, 60, 55, 70};

INSTANTIATE_TEST_SUITE_P(
    SixButtons, TimeCheck,
    ::testing::Values(
        CheckCase{"EarlyDeleteThis", kEarly, {ChoiceAnswer::DeleteThis}, {4, 6}, {5, 10, 20, 30, 40, 35, 50}},
        CheckCase{"EarlyDeleteAll", kEarly, {ChoiceAnswer::DeleteAll}, {4}, {5, 10, 20, 30, 40, 50}},
        CheckCase{
            "EarlyCorrectThis", kEarly, {ChoiceAnswer::CorrectThis}, {4, 7}, {5, 10, 20, 20, 30, 40, 35, 50}},
        CheckCase{
            "EarlyCorrectAll", kEarly, {ChoiceAnswer::CorrectAll}, {4}, {5, 10, 20, 20, 30, 40, 40, 50}},
        CheckCase{
            "EarlyIgnoreThis", kEarly, {ChoiceAnswer::IgnoreThis}, {4, 7}, {5, 10, 20, 15, 30, 40, 35, 50}},
        CheckCase{"EarlyIgnoreAll", kEarly, {ChoiceAnswer::IgnoreAll}, {4}, {5, 10, 20, 15, 30, 40, 35, 50}},
        CheckCase{"LateDeleteThis", kLate, {ChoiceAnswer::DeleteThis}, {3, 6}, {5, 10, 20, 30, 60, 55, 70}},
        CheckCase{"LateDeleteAll", kLate, {ChoiceAnswer::DeleteAll}, {3}, {5, 10, 20, 30, 60, 70}},
        CheckCase{
            "LateCorrectThis", kLate, {ChoiceAnswer::CorrectThis}, {3, 7}, {5, 10, 10, 20, 30, 60, 55, 70}},
        CheckCase{"LateCorrectAll", kLate, {ChoiceAnswer::CorrectAll}, {3}, {5, 10, 10, 20, 30, 60, 60, 70}},
        CheckCase{
            "LateIgnoreThis", kLate, {ChoiceAnswer::IgnoreThis}, {3, 7}, {5, 10, 50, 20, 30, 60, 55, 70}},
        CheckCase{"LateIgnoreAll", kLate, {ChoiceAnswer::IgnoreAll}, {3}, {5, 10, 50, 20, 30, 60, 55, 70}},
        // After a delete the result that moved into the place is looked at against the one
        // before it: 8 (moved into 3) is earlier than 10.
        CheckCase{"DeleteLooksAtTheResultMovedIn",
                  {5, 10, 30, 8, 20, 25},
                  {ChoiceAnswer::DeleteThis},
                  {3, 3},
                  {5, 10, 8, 20, 25}},
        CheckCase{"DeleteAllRunsUntilInOrder",
                  {5, 10, 30, 8, 20, 25},
                  {ChoiceAnswer::DeleteAll},
                  {3},
                  {5, 10, 20, 25}},
        // The first pair is not looked at; the last is.
        CheckCase{"FirstPairLeftLastPairChecked", {50, 10, 20, 30, 25}, {}, {5}, {50, 10, 20, 30, 25}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TimeCheckBox, TheMessageNamesTheResultsTime) {
    sim::SimConfig c = memoryOf(0);
    const uint32_t t = uint32_t(timeStampFromDateTime(LocalDateTime{2024, 3, 9, 7, 5, 3, 0}));
    c.memoryImage = withTimes({t - 100, t - 50, t + 100, t});
    UploadRig u(c);
    u.upload.uploadStoredData();
    u.runToEnd();
    ASSERT_EQ(u.rig.prompts.choiceMessages.size(), 1u);
    EXPECT_EQ(u.rig.prompts.choiceMessages[0], "File Time Error at 9 Mar 24 07:05:03");
    EXPECT_EQ(u.upload.timeCheck().errors, 1);
    EXPECT_EQ(u.upload.timeCheck().asked, 1);
}

TEST(TimeCheckBox, ResultsAbove65535AreNamedAndActedOn) {
    std::vector<sim::MemoryRecord> image = sim::InstrumentEngine(memoryOf(70000)).memory();
    // Result 69000 goes back before result 68998 (and so 68999).
    const uint32_t t = test::asResult(image[68997]).rawTime();
    image[68999] = memRecord(t - 1, 0x5555);
    sim::SimConfig c = memoryOf(0);
    c.memoryImage = image;
    UploadRig v(c);
    v.rig.port.paced = false;
    v.rig.prompts.choiceAnswers = {ChoiceAnswer::DeleteThis};
    v.upload.uploadStoredData();
    v.runToEnd();
    EXPECT_EQ(v.rig.prompts.choiceCalls, (std::vector<std::optional<int64_t>>{69000}));
    EXPECT_EQ(v.rig.state.resultCount(), 69999);
    EXPECT_EQ(v.rig.state.store.results[69000], test::asResult(image[69000]));
    EXPECT_EQ(v.rig.state.store.results[70000], ResultRecord{}) << "the vacated slot is cleared";
}

TEST(TimeCheckBox, NotificationsDuringTheBoxDoNotRunTheEndTwice) {
    sim::SimConfig c = memoryOf(0);
    c.memoryImage = withTimes({5, 10, 20, 15, 30, 40, 35, 50});
    UploadRig u(c);
    int inside = 0;
    u.rig.prompts.onChoice = [&] {
        ++inside;
        // The user takes a while: the EOT is still there, more bytes arrive and are handed
        // over, the retry timer and Cancel are tried, and time passes.
        u.rig.state.rxBuffer += std::string("\x04\x04\x01\x02", 4);
        u.upload.blockReceiver();
        u.upload.onUploadRetryTimer();
        u.upload.cancelTransfer();
        u.rig.port.inject({0x04, 0x01});
        u.rig.run(8'000);
    };
    u.upload.uploadStoredData();
    u.runToEnd();
    EXPECT_EQ(inside, 2);
    EXPECT_EQ(u.rig.prompts.choiceCalls.size(), 2u);
    EXPECT_EQ(u.upload.outcome(), StoredDataUpload::Outcome::Completed);
    EXPECT_EQ(u.countControl(ACK), 2u) << "one block, one EOT";
    EXPECT_EQ(u.countControl(NAK), 1u) << "no retry while the box is open";
    EXPECT_EQ(u.countControl(CAN), 0u);
    EXPECT_EQ(u.rig.engine->uploadsCompleted(), 1);
    EXPECT_EQ(u.rig.state.resultCount(), 8);
}

TEST(UploadCancel, ALostPortEndsTheUploadAsCancelDoes) {
    UploadRig u(memoryOf(200 * 16));
    AppState& st = u.rig.state;
    u.upload.uploadStoredData();
    for (int k = 0; k < 100'000 && u.upload.packetsStored() < 20; ++k) u.rig.run(10);
    u.rig.run(30);  // part of the next block is on its way
    const size_t writes = u.rig.port.writes.size();
    u.rig.port.loseDevice();
    EXPECT_EQ(u.upload.outcome(), StoredDataUpload::Outcome::Cancelled);
    const int64_t stored = st.resultCount();
    EXPECT_EQ(stored, u.upload.packetsStored() * 16) << "whole blocks only";
    const auto written = u.rig.engine->memoryInWrittenOrder();
    expectStoreHolds(st, std::vector<sim::MemoryRecord>(written.begin(), written.begin() + stored));
    EXPECT_TRUE(st.rxBuffer.empty());
    EXPECT_FALSE(st.uploadActive);
    EXPECT_FALSE(st.collectionActive);
    EXPECT_FALSE(u.view.panelVisible);
    EXPECT_EQ(st.operatingMode, EventSearch);
    EXPECT_EQ(u.rig.prompts.warnings,
              (std::vector<std::string>{portLostMessage("Input/output error", LostDuring::Upload, stored)}));
    u.rig.run(30'000);
    EXPECT_EQ(u.rig.port.writes.size(), writes) << "no CAN and no retry NAK into the dead port";
    EXPECT_EQ(u.rig.prompts.warnings.size(), 1u);
}

TEST(TimeCheckBox, ApplyChoiceRefusesAResultThatIsGone) {
    ResultStore store;
    store.resultCount = 3;
    StandingAnswers standing;
    EXPECT_FALSE(applyChoice(store, 4, ChoiceAnswer::DeleteAll, standing));
    EXPECT_FALSE(standing.deleteAll);
    EXPECT_FALSE(applyChoice(store, 0, ChoiceAnswer::CorrectThis, standing));
    EXPECT_EQ(store.resultCount, 3);
}

}  // namespace
}  // namespace zvl
