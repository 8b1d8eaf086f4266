// The live decoder fed byte by byte from the test, without an instrument behind the port.
#include <gtest/gtest.h>

#include "tests/support/fakes.h"

namespace zvl {
namespace {

using Bytes = std::vector<uint8_t>;
using test::Rig;

struct Decoder : ::testing::Test {
    Rig rig{sim::SimConfig{}, /*withEngine=*/false};
    AppState& st = rig.state;
    const Bytes live1234{0x01, 0x04, 0xD0, 0x12, 0x34, 0x04};
};

TEST_F(Decoder, LiveResultTakesTheNextSlotAndThePcTime) {
    st.store.resultCount = 7;
    rig.clock.ms = 62'600;  // 10:01:02.6 on the fake wall clock: rounds up to :03
    rig.feed(live1234);
    ASSERT_EQ(st.resultCount(), 8);
    const ResultRecord& r = st.store.results[8];
    EXPECT_EQ(r.inputStates, 0x1234);
    EXPECT_EQ(int64_t(r.rawTime()), timeStampFromDateTime({2026, 12, 7, 10, 1, 3, 0}));
    EXPECT_EQ(r.kind, 0);
    EXPECT_EQ(r.flags, 0);
    EXPECT_TRUE(st.instrumentOnline);
    EXPECT_EQ(st.link.label, "Online");
    EXPECT_EQ(st.link.lampColour, kLampGreen);
    EXPECT_EQ(rig.view.redraws, 1);
    EXPECT_TRUE(st.rxBuffer.empty());
    EXPECT_EQ(st.rxPacket, RxPacket{}) << "the packet is zeroed after each packet";
}

TEST_F(Decoder, TwoPacketsInOneNotificationAreBothDecodedInOrder) {
    rig.feed({0x01, 0x04, 0xD0, 0x00, 0x01, 0x04, 0x01, 0x04, 0xD0, 0x80, 0x02, 0x04});
    ASSERT_EQ(st.resultCount(), 2);
    EXPECT_EQ(st.store.results[1].inputStates, 0x0001);
    EXPECT_EQ(st.store.results[2].inputStates, 0x8002);
}

TEST_F(Decoder, APacketSplitOverThreeNotificationsIsDecodedOnceWhenComplete) {
    rig.feed({0x01});
    EXPECT_EQ(st.resultCount(), 0);
    rig.feed({0x04, 0xD0});
    EXPECT_EQ(st.resultCount(), 0);
    EXPECT_EQ(st.rxBuffer.size(), 3u);
    rig.feed({0x12, 0x34, 0x04, 0x01});  // the last byte starts the next packet
    ASSERT_EQ(st.resultCount(), 1);
    EXPECT_EQ(st.store.results[1].inputStates, 0x1234);
    EXPECT_EQ(st.rxBuffer, std::string("\x01", 1));
    rig.feed({0x04, 0xD0, 0x00, 0x07, 0x04});
    ASSERT_EQ(st.resultCount(), 2);
    EXPECT_EQ(st.store.results[2].inputStates, 0x0007);
}

TEST_F(Decoder, StatusPacketsFillTheInstrumentStatus) {
    rig.feed({0x01, 0x05, 0xC0, 0xEE, 0x07, 0xA5, 0x04,                             // options
              0x01, 0x06, 0xC1, 0xEE, 0xEE, 0x01, 0x51, 0x04,                       // firmware
              0x01, 0x06, 0xC2, 0x12, 0x34, 0x56, 0x78, 0x04,                       // clock
              0x01, 0x0A, 0xC3, 'Z',  'V',  '0',  '0',  '0',  '4', '1', '7', 0x04,  // serial
              0x01, 0x03, 0x99, 0x42, 0x04});                                       // unknown: ignored
    EXPECT_EQ(st.debounceCode, 0x07);
    EXPECT_EQ(st.hardwareOptions, (std::array<bool, 8>{true, false, true, false, false, true, false, true}));
    EXPECT_EQ(st.firmwareVersion, "1.51");
    EXPECT_EQ(st.instrumentClock, 0x12345678);
    EXPECT_EQ(st.serialNumber, "ZV000417");
    EXPECT_EQ(st.resultCount(), 0);
    EXPECT_TRUE(st.rxBuffer.empty());
}

TEST_F(Decoder, AClockThatWouldOverflowIsMalformed) {
    st.instrumentClock = 42;
    rig.feed({0x01, 0x06, 0xC2, 0x80, 0x00, 0x00, 0x01, 0x04, 0x01, 0x04, 0xD0, 0x00, 0x01, 0x04});
    EXPECT_EQ(st.instrumentClock, 42);
    EXPECT_EQ(st.resultCount(), 1) << "the packet behind it is kept";
    EXPECT_TRUE(st.rxBuffer.empty());
}

// A fault costs at most the packet it touches; the whole packets around it are kept; the rest counted.
TEST_F(Decoder, AFaultCostsAtMostThePacketItTouches) {
    const auto result = [](uint8_t n) { return Bytes{0x01, 0x04, 0xD0, 0x00, n, 0x04}; };
    const auto join = [](std::initializer_list<Bytes> parts) {
        Bytes all;
        for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    struct Case {
        const char* what;
        Bytes bytes;
        std::vector<uint16_t> stored;
        std::pair<int64_t, int64_t> discarded;  // bytes, packets
    };
    const std::vector<Case> cases = {
        {"noise first", join({{0x77}, result(1), result(2)}), {1, 2}, {1, 0}},
        {"noise between", join({result(1), {0x77, 0x78}, result(2)}), {1, 2}, {2, 0}},
        {"noise last", join({result(1), {0x77, 0x78}}), {1}, {2, 0}},
        {"noise, then a signal", join({{0x77, 0x15}, result(1)}), {1}, {1, 0}},
        {"length above 13",
         join({result(1), {0x01, 0x0E, 0xD0, 0x33, 0x44, 0x04}, result(2)}),
         {1, 2},
         {6, 1}},
        {"a lone 01 FF", join({{0x01, 0xFF}, result(1)}), {1}, {2, 1}},
        {"clock overflow",
         join({result(1), {0x01, 0x06, 0xC2, 0x80, 0, 0, 1, 0x04}, result(2)}),
         {1, 2},
         {8, 1}},
        {"noise inside a packet",
         join({{0x01, 0x04, 0xD0, 0x77, 0x00, 0x01, 0x04}, result(2)}),
         {0x7700, 2},
         {1, 0}},
    };
    for (const Case& c : cases) {
        Rig r{sim::SimConfig{}, false};
        r.breakTimer.enable();
        r.feed(c.bytes);
        std::vector<uint16_t> stored;
        for (int64_t i = 1; i <= r.state.resultCount(); ++i)
            stored.push_back(r.state.store.results[size_t(i)].inputStates);
        EXPECT_EQ(stored, c.stored) << c.what;
        const auto d = r.link.liveDiscards();
        EXPECT_EQ(std::make_pair(d.bytes, d.packets), c.discarded) << c.what;
        EXPECT_TRUE(r.state.rxBuffer.empty()) << c.what;
        EXPECT_FALSE(r.breakTimer.isActive()) << c.what;
    }
}

TEST_F(Decoder, ALengthAbove13IsMalformedAsSoonAsTheLengthArrives) {
    // 13 is the longest packet there is: a serial number with three spare bytes is decoded.
    rig.feed({0x01, 0x0D, 0xC3, 'Z', 'V', '0', '0', '0', '0', '1', '3', 0xEE, 0xEE, 0xEE, 0x04});
    EXPECT_EQ(st.serialNumber, "ZV000013");
    EXPECT_TRUE(st.rxBuffer.empty());

    st.linkBreak = true;
    st.firmwareVersion = "9.99";
    rig.breakTimer.enable();
    rig.feed({0x01, 0x0E, 0xC1, 0x00, 0x00, 0x01, 0x51, 0x04});
    EXPECT_TRUE(st.rxBuffer.empty());
    EXPECT_TRUE(st.instrumentOnline);
    EXPECT_FALSE(st.linkBreak);
    EXPECT_FALSE(rig.breakTimer.isActive());
    EXPECT_EQ(st.firmwareVersion, "9.99");
    EXPECT_EQ(st.link.label, "Online");

    // A stray 01 FF does not hold up the results behind it until 257 bytes have come.
    rig.feed({0x01, 0xFF});
    EXPECT_TRUE(st.rxBuffer.empty());
    rig.feed(live1234);
    EXPECT_EQ(st.resultCount(), 1);
}

TEST_F(Decoder, ShortAndEmptyPacketsAreHarmless) {
    rig.feed({0x01, 0x00, 0x01, 0x01, 0xD0});  // L = 0, then a D0 packet with no data bytes
    EXPECT_EQ(st.resultCount(), 1);
    EXPECT_EQ(st.store.results[1].inputStates, 0) << "missing data bytes read as zero";
    EXPECT_TRUE(st.rxBuffer.empty());
}

TEST_F(Decoder, SignalBytesSetTheLampAndDecodingGoesOn) {
    rig.feed({0x15, 0x01, 0x04, 0xD0, 0x00, 0x03, 0x04});
    EXPECT_EQ(st.resultCount(), 1);
    EXPECT_EQ(rig.view.lampHistory, (std::vector<std::string>{"Invalid Signal", "Online"}));

    rig.feed({0x05, 0x06});
    EXPECT_EQ(st.link.label, "Unknown Signal");
    EXPECT_EQ(st.link.lampColour, kLampFuchsia);
    EXPECT_EQ(st.rxBuffer, "\x06") << "a lone byte waits: the loop goes on only while two remain";

    rig.feed({0x15});
    EXPECT_EQ(st.link.label, "Unknown Signal");
    EXPECT_EQ(st.rxBuffer, "\x15");
    rig.feed({0x06});
    EXPECT_EQ(st.link.label, "Invalid Signal");
    EXPECT_EQ(st.link.lampColour, kLampBlue);
    EXPECT_EQ(st.rxBuffer, "\x06");
}

TEST_F(Decoder, AnUnknownFirstByteStopsTheBreakTimerOnlyOnline) {
    rig.breakTimer.enable();
    rig.feed({0x77});
    EXPECT_TRUE(st.rxBuffer.empty());
    EXPECT_FALSE(rig.breakTimer.isActive()) << "online, the break timer is stopped";

    st.operatingMode = EventSearch;
    rig.breakTimer.enable();
    rig.feed({0x77});
    rig.feed({0x78});
    EXPECT_TRUE(rig.breakTimer.isActive()) << "offline, it is left alone";
    EXPECT_TRUE(st.rxBuffer.empty());
}

TEST_F(Decoder, ResultsAreStoredWhateverTheMode) {
    st.operatingMode = EventSearch;
    st.collectionActive = false;
    st.store.resultCount = 3;
    rig.feed(live1234);
    EXPECT_EQ(st.resultCount(), 4);
}

TEST_F(Decoder, TheFileTransferOwnsThePortAndTheUploadGetsTheBytes) {
    st.protocolTransferActive = true;
    std::vector<uint8_t> relayed;
    rig.link.setFileTransferReceiver(
        [&](const std::vector<uint8_t>& b) { relayed.insert(relayed.end(), b.begin(), b.end()); });
    rig.port.inject(live1234);
    rig.link.onSerialDataAvailable(6);
    EXPECT_EQ(relayed, live1234) << "every byte to the file transfer's receiver";
    EXPECT_TRUE(st.rxBuffer.empty());
    EXPECT_EQ(st.resultCount(), 0);
    rig.port.inject(live1234);

    st.protocolTransferActive = false;
    st.uploadActive = true;
    int receiverCalls = 0;
    rig.link.setBlockReceiver([&] { ++receiverCalls; });
    rig.link.onSerialDataAvailable(6);
    EXPECT_EQ(receiverCalls, 1);
    EXPECT_EQ(st.rxBuffer.size(), 6u);
    EXPECT_EQ(st.resultCount(), 0) << "the live decoder leaves upload bytes alone";
}

TEST_F(Decoder, TheHandlerReadsOnlyWhatIsAnnounced) {
    rig.port.inject(live1234);
    rig.link.onSerialDataAvailable(4);
    EXPECT_EQ(st.rxBuffer.size(), 4u);
    EXPECT_EQ(st.resultCount(), 0);
    rig.link.onSerialDataAvailable(10);  // more announced than waiting: reads what is there
    EXPECT_EQ(st.resultCount(), 1);
}

struct Limit : Decoder {
    void SetUp() override {
        st.store.resultCount = kMaxResults;
        st.collectionActive = true;
        st.operatingMode = EventRecord;
        rig.updateTimer.enable();
        rig.breakTimer.enable();
    }
};

TEST_F(Limit, TheResultBeyond100000StoresNothingAndStopsTheInstrument) {
    rig.feed({0x01, 0x04, 0xD0, 0x12, 0x34, 0x04, 0x01, 0x04, 0xD0, 0x00, 0x01, 0x04});
    EXPECT_EQ(st.resultCount(), kMaxResults);
    EXPECT_EQ(st.store.results[100001], ResultRecord{});
    EXPECT_EQ(rig.port.writes, (std::vector<Bytes>{{0x01, 0x02, 0x41, 0x04}}));
    EXPECT_EQ(rig.prompts.warnings, (std::vector<std::string>{"Maximum Results Received. Pellam Stopped"}));
    ASSERT_EQ(rig.prompts.choiceCalls.size(), 1u);
    EXPECT_FALSE(rig.prompts.choiceCalls[0].has_value()) << "the box names no result of its own";
    EXPECT_EQ(st.operatingMode, EventSearch);
    EXPECT_FALSE(st.collectionActive);
    EXPECT_FALSE(rig.updateTimer.isActive());
    EXPECT_FALSE(rig.breakTimer.isActive());
    EXPECT_EQ(st.liveTime, rig.clock.timeStamp());
    EXPECT_EQ(st.recordingEndTime, rig.clock.timeStamp());
    // The time chart at the last result, on the cursor line (30 s in at 0.1 s a pixel), not at
    // "now" after it.
    EXPECT_EQ(st.viewStartTime, st.resultTime(kMaxResults) - 30);
    EXPECT_EQ(rig.prompts.busyOn, rig.prompts.busyOff);

    // Results still in flight find the store full; the user is told once, not per result.
    rig.feed({0x01, 0x04, 0xD0, 0x00, 0x02, 0x04});
    EXPECT_EQ(st.resultCount(), kMaxResults);
    EXPECT_EQ(rig.prompts.warnings.size(), 1u);
    EXPECT_EQ(rig.port.writes.size(), 1u);
}

TEST_F(Limit, TheTimebaseModeGoesOfflineToo) {
    st.operatingMode = TimebaseRecord;
    rig.feed(live1234);
    EXPECT_EQ(st.operatingMode, TimebaseSearch);
}

TEST_F(Limit, ALargerStoreFromAnUploadIsNotCutBack) {
    st.store.resultCount = kLastSlot;
    st.operatingMode = EventSearch;
    rig.feed(live1234);
    EXPECT_EQ(st.resultCount(), kLastSlot);
    EXPECT_EQ(st.operatingMode, EventSearch);
}

TEST_F(Limit, AHandlerRunInsideTheWarningBoxSharesTheBuffer) {
    // The warning box runs a modal loop; a notification served inside it runs the handler
    // again while the first run is still in the limit stop.
    bool nested = false;
    rig.prompts.onWarning = [&] {
        nested = true;
        rig.port.inject({0x01, 0x06, 0xC1, 0, 0, 2, 0x07, 0x04, 0x01, 0x04, 0xD0, 0x00});
        rig.link.onSerialDataAvailable(rig.port.bytesAvailable());
    };
    rig.feed({0x01, 0x04, 0xD0, 0x12, 0x34, 0x04, 0x01, 0x05, 0xC0, 0, 3, 0xFF, 0x04});
    ASSERT_TRUE(nested);
    EXPECT_EQ(st.firmwareVersion, "2.07") << "the nested run decoded what it got";
    EXPECT_EQ(st.debounceCode, 3) << "and the bytes buffered before it";
    EXPECT_EQ(st.rxBuffer, std::string("\x01\x04\xD0\x00", 4)) << "the partial packet waits, intact";
    EXPECT_EQ(st.resultCount(), kMaxResults);
}

// Every moment of every gathering window has the stamp of the window's start.
TEST(GatherWindow, EndsBeforeTheStampChanges) {
    for (const int gatherMs : {20, 40, 100})
        for (int ms = 0; ms < 1000; ++ms) {
            const int window = gatherWindowMs(gatherMs, ms);
            ASSERT_GE(window, 0);
            const auto stamp = [](int at) {
                return timeStampFromDateTime({2026, 12, 7, 10, 0, 5 + at / 1000, at % 1000});
            };
            ASSERT_EQ(stamp(ms + window), stamp(ms)) << gatherMs << " ms from " << ms;
            if (ms + gatherMs < 498 || (ms >= 500 && ms + gatherMs < 1498)) {
                ASSERT_EQ(window, gatherMs) << ms;  // the whole gathering, away from the change
            }
        }
}

}  // namespace
}  // namespace zvl
