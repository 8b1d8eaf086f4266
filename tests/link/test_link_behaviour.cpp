// The link run headless against the in-process instrument: a fake port and a fake clock whose
// waits let the instrument answer, deliver its bytes and fire the timers.
#include <gtest/gtest.h>

#include "core/timebase.h"
#include "link/commands.h"
#include "link/setup.h"
#include "platform/comports.h"
#include "tests/link/upload_rig.h"
#include "tests/support/fakes.h"

namespace zvl {
namespace {

using Bytes = std::vector<uint8_t>;
using test::Rig;

std::vector<uint8_t> codesWritten(const test::FakePort& port) {
    std::vector<uint8_t> codes;
    for (const Bytes& w : port.writes)
        if (w.size() >= 3 && w[0] == 0x01) codes.push_back(w[2]);
    return codes;
}

sim::SimConfig liveConfig(double rate = 4.0) {
    sim::SimConfig c;
    c.resultsPerSecond = rate;
    c.serialNumber = "ZV123456";
    c.options = 0x81;
    c.debounce = 7;
    return c;
}

TEST(Connect, AnAnsweringInstrumentFillsTheStatus) {
    Rig rig(liveConfig());
    rig.link.connect();
    EXPECT_EQ(codesWritten(rig.port), (Bytes{0x20, 0x21, 0x22, 0x23}));
    EXPECT_TRUE(rig.state.instrumentOnline);
    EXPECT_EQ(rig.state.operatingMode, EventRecord);
    EXPECT_EQ(rig.state.firmwareVersion, "1.51");
    EXPECT_EQ(rig.state.serialNumber, "ZV123456");
    EXPECT_EQ(rig.state.debounceCode, 7);
    EXPECT_TRUE(rig.state.hardwareOptions[0]);
    EXPECT_TRUE(rig.state.hardwareOptions[7]);
    EXPECT_FALSE(rig.state.hardwareOptions[1]);
    EXPECT_NEAR(double(rig.state.instrumentClock), double(rig.clock.timeStamp()), 2.0);
    EXPECT_TRUE(rig.prompts.warnings.empty());
    EXPECT_EQ(rig.prompts.busyOn, rig.prompts.busyOff);
    EXPECT_FALSE(rig.prompts.busyNow);
    EXPECT_GE(rig.view.refreshes, 1);
    // Four waits of 3 ticks: the handshake takes between 9 and 12 ticks of 55 ms.
    EXPECT_GE(rig.clock.ms - 1000, 9 * 55);
    EXPECT_LE(rig.clock.ms - 1000, 12 * 55);
}

TEST(Connect, ASilentInstrumentLeavesTheProgramOfflineAfterOneWarning) {
    sim::SimConfig c = liveConfig();
    c.silent = true;
    Rig rig(c);
    rig.state.operatingMode = TimebaseRecord;
    rig.link.connect();
    EXPECT_EQ(codesWritten(rig.port), (Bytes{0x20}));
    EXPECT_FALSE(rig.state.instrumentOnline);
    EXPECT_EQ(
        rig.prompts.warnings,
        (std::vector<std::string>{
            "Pellam ZVL Not Responding. Check COM Port, Connections and Ensure Pellam is switched ON."}));
    EXPECT_EQ(rig.state.operatingMode, TimebaseSearch);
    EXPECT_FALSE(rig.prompts.busyNow);
}

TEST(Connect, OfflineItAsksNothing) {
    Rig rig(liveConfig());
    rig.state.operatingMode = EventSearch;
    rig.state.instrumentOnline = true;
    rig.link.connect();
    EXPECT_TRUE(rig.port.writes.empty());
    EXPECT_FALSE(rig.state.instrumentOnline);
    EXPECT_GE(rig.view.refreshes, 1);
}

TEST(Connect, ToggleOnlineSwapsTheModesAndConnectsWhenGoingOnline) {
    Rig rig(liveConfig());
    rig.state.operatingMode = TimebaseSearch;
    rig.link.toggleOnline();
    EXPECT_EQ(rig.state.operatingMode, EventRecord) << "going online always lands in event mode";
    EXPECT_EQ(codesWritten(rig.port), (Bytes{0x20, 0x21, 0x22, 0x23}));
    EXPECT_TRUE(rig.state.instrumentOnline);

    rig.port.writes.clear();
    rig.link.toggleOnline();
    EXPECT_EQ(rig.state.operatingMode, EventSearch);
    EXPECT_TRUE(rig.port.writes.empty());
    EXPECT_EQ(rig.view.controlUpdates, 2);
}

TEST(Port, OpenUsesTheConfiguredComPort) {
    Rig rig(liveConfig());
    rig.port.close();
    rig.state.comPortNumber = 3;
    EXPECT_TRUE(rig.link.openPort());
    EXPECT_EQ(rig.port.openedPath, comPortPath(3));
    EXPECT_TRUE(rig.prompts.offeredPorts.empty()) << "no choice offered for a configured port";
}

// A device path whose leading slash was dropped (systemd's %I of zvl-log@dev-ttyUSB0) is
// the device under /dev, not a path under /dev/dev; other names reach the port as given.
TEST(Port, ADevicePathWithoutItsSlashOpensTheDevice) {
    const std::pair<std::string, std::string> cases[] = {
        {"dev/ttyUSB0", "/dev/ttyUSB0"},  {"dev/pts/7", "/dev/pts/7"},
        {"/dev/ttyACM0", "/dev/ttyACM0"}, {"ttyS1", "ttyS1"},
        {"./dev/ttyS2", "./dev/ttyS2"},   {"devx/ttyS3", "devx/ttyS3"}};
    for (const auto& [name, device] : cases) {
        Rig rig(liveConfig());
        rig.port.close();
        EXPECT_TRUE(rig.link.openDevice(name));
        EXPECT_EQ(rig.port.openedPath, device) << name;
    }
}

TEST(Port, AFailedOpenEndsTheSplashWarnsAndGoesOffline) {
    Rig rig(liveConfig());
    rig.port.close();
    rig.port.failOpen = true;
    rig.state.comPortNumber = 1;
    EXPECT_FALSE(rig.link.openPort());
    EXPECT_EQ(rig.view.splashCloses, 1);
    EXPECT_EQ(rig.prompts.warnings, (std::vector<std::string>{"COM Port Error"}));
    EXPECT_EQ(rig.state.operatingMode, EventSearch);
    EXPECT_FALSE(rig.port.isOpen());
    rig.link.sendCommand(0x40);
    EXPECT_TRUE(rig.port.writes.empty()) << "a command on a closed port is dropped";
}

TEST(Port, PortZeroOffersThePortsThatExistForThisRunOnly) {
    Rig rig(liveConfig());
    rig.port.close();
    rig.state.comPortNumber = 0;
    rig.port.probes[comPortPath(2)] = PortProbe::Available;
    rig.port.probes[comPortPath(5)] = PortProbe::Busy;  // held by another program: still listed
    rig.port.probes[comPortPath(50)] = PortProbe::Available;
    rig.port.probes[comPortPath(51)] = PortProbe::Available;  // beyond the list
    rig.prompts.portChoice = 5;
    EXPECT_TRUE(rig.link.openPort());
    EXPECT_EQ(rig.prompts.offeredPorts, (std::vector<int>{2, 5, 50}));
    EXPECT_EQ(rig.port.openedPath, comPortPath(5));
    EXPECT_EQ(rig.state.comPortNumber, 0);

    Rig cancelled(liveConfig());
    cancelled.port.close();
    cancelled.prompts.portChoice = std::nullopt;
    EXPECT_FALSE(cancelled.link.openPort());
    EXPECT_EQ(cancelled.prompts.warnings, (std::vector<std::string>{"COM Port Error"}));
    EXPECT_EQ(cancelled.state.operatingMode, EventSearch);
}

TEST(Waits, TicksEndOnTheTickBoundaryAndOnlyMessageWaitsServeThePort) {
    Rig rig(liveConfig());
    rig.clock.ms = 1000;  // tick 18 runs from 990 to 1044
    rig.link.waitTicks(3, true);
    EXPECT_EQ(rig.clock.ms, 21 * 55);

    rig.link.sendCommand(0x21);
    rig.link.waitTicks(3, false);
    EXPECT_EQ(rig.clock.ms, 24 * 55);
    EXPECT_EQ(rig.state.firmwareVersion, "0.0") << "a plain wait serves nothing";
    EXPECT_GT(rig.port.bytesAvailable(), 0);
    rig.link.waitTicks(1, true);
    EXPECT_EQ(rig.state.firmwareVersion, "1.51");
}

struct Recording : ::testing::Test {
    Rig rig{liveConfig(4.0)};
    AppState& st = rig.state;
    void SetUp() override {
        rig.link.connect();
        rig.port.writes.clear();
    }
};

TEST_F(Recording, CollectNewDataStartsALiveTimebaseRecording) {
    st.store.resultCount = 50;  // an old recording is replaced
    st.store.results[20].setTime(5);
    rig.link.collectNewData();
    EXPECT_EQ(codesWritten(rig.port), (Bytes{0x20, 0x21, 0x22, 0x23, 0x40}));
    EXPECT_EQ(st.operatingMode, TimebaseRecord);
    EXPECT_TRUE(st.collectionActive);
    EXPECT_EQ(rig.view.focuses, 1);
    EXPECT_EQ(st.store.results[20], ResultRecord{});
    const int64_t startTime = st.liveTime;
    EXPECT_EQ(int64_t(st.store.results[0].rawTime()), startTime);
    EXPECT_EQ(st.store.results[0].inputStates, 0);
    EXPECT_EQ(st.recordingEndTime, startTime);
    EXPECT_EQ(st.viewStartTime, startTime);
    EXPECT_TRUE(rig.updateTimer.isActive());
    EXPECT_EQ(rig.updateTimer.interval(), refreshIntervalMs(5));
    EXPECT_FALSE(rig.prompts.busyNow);

    rig.run(10'000);
    EXPECT_EQ(st.resultCount(), rig.engine->liveResultsSent());
    EXPECT_GE(st.resultCount(), 30);
    EXPECT_LE(st.resultCount(), 50);
    for (int64_t i = 1; i <= st.resultCount(); ++i) {
        EXPECT_GE(st.resultTime(i), st.resultTime(i - 1 < 1 ? 1 : i - 1));
        EXPECT_GE(st.resultTime(i), startTime);
    }
    EXPECT_EQ(st.store.results[size_t(st.resultCount())].inputStates, rig.engine->inputStates());
    EXPECT_EQ(rig.view.redraws, st.resultCount());
    EXPECT_TRUE(st.instrumentOnline);
}

TEST(CollectNewData, FromAnyModeTheHandshakeComesFirstAndSilenceStaysOffline) {
    for (const bool silent : {false, true}) {
        for (const OperatingModeValue mode : {TimebaseRecord, EventRecord, TimebaseSearch, EventSearch}) {
            sim::SimConfig c = liveConfig();
            c.silent = silent;
            Rig rig(c);
            rig.state.operatingMode = mode;
            rig.link.collectNewData();
            rig.run(6'000);
            const std::string where = std::to_string(silent) + "/" + std::to_string(mode);
            if (!silent) {
                EXPECT_EQ(codesWritten(rig.port), (Bytes{0x20, 0x21, 0x22, 0x23, 0x40})) << where;
                EXPECT_EQ(rig.state.operatingMode, TimebaseRecord) << where;
                EXPECT_TRUE(rig.state.collectionActive) << where;
                EXPECT_TRUE(rig.prompts.warnings.empty()) << where;
                continue;
            }
            EXPECT_EQ(codesWritten(rig.port), Bytes{0x20}) << where << ": no start command";
            EXPECT_EQ(rig.prompts.warnings, std::vector<std::string>{kNotRespondingText}) << where;
            EXPECT_EQ(rig.state.operatingMode, OperatingMode::fromNumber(mode | 2))
                << where << ": offline, the same kind of view";
            EXPECT_FALSE(rig.state.collectionActive) << where;
            EXPECT_TRUE(rig.prompts.choiceCalls.empty()) << where;
        }
    }
}

TEST_F(Recording, StopAddsTheStopRecordAndStopsTheInstrument) {
    rig.link.collectNewData();
    rig.run(3'000);
    const int64_t before = st.resultCount();
    ASSERT_GT(before, 0);
    const uint16_t lastState = st.store.results[size_t(before)].inputStates;
    rig.port.writes.clear();

    rig.prompts.confirmAnswers = {false};  // "Continue Collecting Data ?" No
    rig.link.startStopRecording();
    EXPECT_EQ(rig.prompts.confirmations, (std::vector<std::string>{"Continue Collecting Data ?"}));
    EXPECT_EQ(codesWritten(rig.port), (Bytes{0x41}));
    EXPECT_FALSE(st.collectionActive);
    EXPECT_FALSE(rig.engine->collecting());
    ASSERT_EQ(st.resultCount(), before + 1);
    EXPECT_EQ(st.store.results[size_t(before + 1)].inputStates, lastState);
    EXPECT_EQ(st.resultTime(before + 1), st.liveTime);
    EXPECT_EQ(rig.prompts.choiceCalls, (std::vector<std::optional<int64_t>>{std::nullopt}));
    EXPECT_FALSE(rig.updateTimer.isActive());

    rig.run(3'000);
    EXPECT_EQ(st.resultCount(), before + 1) << "nothing more once the instrument stopped";
}

TEST_F(Recording, AnsweringYesKeepsCollecting) {
    rig.link.collectNewData();
    rig.run(1'000);
    rig.port.writes.clear();
    rig.prompts.confirmAnswers = {true};
    rig.link.startStopRecording();
    EXPECT_TRUE(st.collectionActive);
    EXPECT_TRUE(rig.port.writes.empty());
    EXPECT_TRUE(rig.prompts.choiceCalls.empty());
    const int64_t n = st.resultCount();
    rig.run(2'000);
    EXPECT_GT(st.resultCount(), n);
}

TEST_F(Recording, EventModeRecordingHasNoLiveRefresh) {
    st.operatingMode = EventRecord;
    rig.link.startStopRecording();
    EXPECT_TRUE(st.collectionActive);
    EXPECT_FALSE(rig.updateTimer.isActive());
}

TEST_F(Recording, OfflineTheButtonDoesNotRecord) {
    st.operatingMode = EventSearch;
    rig.link.startStopRecording();
    EXPECT_FALSE(st.collectionActive);
    EXPECT_TRUE(rig.port.writes.empty());
}

TEST_F(Recording, StopAtCloseUsesTheLastLiveTime) {
    rig.link.collectNewData();
    rig.run(2'000);
    st.liveTime += 1;  // as the last refresh tick left it
    const int64_t n = st.resultCount();
    rig.link.stopRecordingAtClose();
    EXPECT_FALSE(st.collectionActive);
    EXPECT_EQ(st.resultTime(n + 1), st.liveTime);
    EXPECT_TRUE(rig.prompts.confirmations.empty());

    rig.port.writes.clear();
    rig.link.stopRecordingAtClose();  // nothing running: nothing happens
    EXPECT_TRUE(rig.port.writes.empty());
    EXPECT_EQ(st.resultCount(), n + 1);
}

TEST_F(Recording, ResultsThroughNoiseAndSignalsAllArrive) {
    rig.engine->config().unknownSignalsPerSecond = 2;
    rig.engine->config().invalidSignalsPerSecond = 2;
    rig.link.collectNewData();
    rig.run(20'000);
    EXPECT_EQ(st.resultCount(), rig.engine->liveResultsSent());
    EXPECT_GT(st.resultCount(), 50);
}

TEST_F(Recording, ALostPortEndsTheRecordingWithItsStopRecordAndOneMessage) {
    rig.statusTimer.enable();
    rig.link.collectNewData();
    rig.run(3'000);
    const int64_t n = st.resultCount();
    ASSERT_GT(n, 0);
    const uint16_t lastState = st.store.results[size_t(n)].inputStates;
    rig.port.writes.clear();
    rig.port.loseDevice("Input/output error");
    EXPECT_EQ(
        rig.prompts.warnings,
        (std::vector<std::string>{"The instrument's serial port has gone away (Input/output error). The "
                                  "results collected so far are kept."}));
    EXPECT_TRUE(rig.prompts.choiceCalls.empty()) << "one box";
    EXPECT_EQ(st.operatingMode, EventSearch);
    EXPECT_FALSE(st.collectionActive);
    ASSERT_EQ(st.resultCount(), n + 1);
    EXPECT_EQ(st.resultTime(n + 1), rig.clock.timeStamp()) << "stopped when the loss was seen";
    EXPECT_EQ(st.store.results[size_t(n + 1)].inputStates, lastState);
    EXPECT_EQ(st.currentResult + 31, n + 1) << "the stop record under the cursor";
    EXPECT_FALSE(rig.statusTimer.isActive());
    EXPECT_FALSE(rig.breakTimer.isActive());
    EXPECT_FALSE(rig.updateTimer.isActive());
    rig.run(20'000);
    EXPECT_TRUE(rig.port.writes.empty());
    EXPECT_EQ(rig.prompts.warnings.size(), 1u);
}

TEST_F(Recording, APortLostInsideAWaitIsToldOnceAndEndsNothingTwice) {
    // Met in the handshake's wait: the loss is the one box, not "Not Responding" as well.
    Rig handshake{liveConfig()};
    handshake.pump.onIdle = [&] { handshake.port.loseDevice(); };
    handshake.link.connect();
    EXPECT_EQ(handshake.prompts.warnings,
              (std::vector<std::string>{portLostMessage("Input/output error", LostDuring::Nothing)}));

    // Met in the start's wait: no recording runs on a closed port.
    rig.pump.onIdle = [&] { rig.port.loseDevice(); };
    st.operatingMode = TimebaseRecord;
    rig.link.startStopRecording();
    EXPECT_FALSE(st.collectionActive);
    EXPECT_EQ(rig.prompts.warnings.size(), 1u);

    // Met in the stop's wait, after the stop record: no second one.
    Rig other{liveConfig(4.0)};
    other.link.connect();
    other.link.collectNewData();
    other.run(2'000);
    other.engine->config().silent = true;  // nothing in flight behind the stop record
    other.run(500);
    const int64_t n = other.state.resultCount();
    other.pump.onIdle = [&] { other.port.loseDevice(); };
    other.link.startStopRecording();  // "Continue Collecting Data ?" No
    EXPECT_EQ(other.state.resultCount(), n + 1);
    EXPECT_FALSE(other.state.collectionActive);
    EXPECT_EQ(other.prompts.warnings.size(), 1u);
}

TEST(Port, ALostPortIsOpenedAgainByTheNextConnect) {
    Rig rig(liveConfig());
    ASSERT_TRUE(rig.link.openDevice("/dev/fake0"));
    rig.statusTimer.enable();
    rig.link.connect();
    rig.port.loseDevice();
    rig.port.writes.clear();

    // Still gone: one box, offline, nothing sent.
    rig.port.failOpen = true;
    rig.link.toggleOnline();
    EXPECT_EQ(rig.prompts.warnings.size(), 2u);
    EXPECT_EQ(rig.prompts.warnings.back(), "COM Port Error");
    EXPECT_EQ(rig.state.operatingMode, EventSearch);
    EXPECT_TRUE(rig.port.writes.empty());
    EXPECT_FALSE(rig.statusTimer.isActive());
    // Collect New Data on the device still gone starts no recording on the closed port.
    rig.link.collectNewData();
    EXPECT_FALSE(rig.state.collectionActive);
    EXPECT_EQ(rig.state.operatingMode, EventSearch);
    EXPECT_TRUE(rig.port.writes.empty());

    // Back: the same device, the handshake, and the status poll runs again.
    rig.port.failOpen = false;
    rig.port.openedPath.clear();
    rig.link.toggleOnline();
    EXPECT_EQ(rig.port.openedPath, "/dev/fake0");
    EXPECT_EQ(codesWritten(rig.port), (Bytes{0x20, 0x21, 0x22, 0x23}));
    EXPECT_TRUE(rig.state.instrumentOnline);
    EXPECT_EQ(rig.state.operatingMode, EventRecord);
    EXPECT_TRUE(rig.statusTimer.isActive());
    EXPECT_EQ(rig.prompts.warnings.size(), 3u);
}

TEST(StatusPoll, EachPollShowsOfflineUntilTheAnswerTurnsTheLampGreen) {
    Rig rig(liveConfig());
    rig.link.connect();
    rig.statusTimer.enable();
    rig.view.lampHistory.clear();
    rig.run(5'000);  // the poll fires once
    ASSERT_EQ(rig.statusTimer.fired, 1);
    EXPECT_EQ(rig.view.lampHistory, (std::vector<std::string>{"Offline", "Online"}));
    EXPECT_EQ(rig.state.link.lampColour, kLampGreen);
    EXPECT_TRUE(rig.state.instrumentOnline);
    EXPECT_FALSE(rig.breakTimer.isActive()) << "the answer stopped the break timer";
    EXPECT_EQ(rig.breakTimer.fired, 0);
    const auto codes = codesWritten(rig.port);
    EXPECT_EQ(Bytes(codes.end() - 2, codes.end()), (Bytes{0x20, 0x22}));

    // The answer to 0x20 has nine ticks before 0x22 goes out.
    rig.statusTimer.disable();
    rig.clock.ms = 200 * kTickMs;
    rig.link.statusPoll();
    EXPECT_EQ(rig.clock.ms, 209 * kTickMs);
}

TEST(StatusPoll, OfflineThePollOnlyTurnsTheLampRed) {
    Rig rig(liveConfig());
    rig.state.operatingMode = EventSearch;
    rig.state.instrumentOnline = true;
    rig.state.link = {kLampGreen, "Online"};
    rig.link.statusPoll();
    EXPECT_TRUE(rig.port.writes.empty());
    EXPECT_FALSE(rig.breakTimer.isActive());
    EXPECT_FALSE(rig.state.instrumentOnline);
    EXPECT_EQ(rig.state.link.label, "Offline");
}

TEST(StatusPoll, NothingGoesOutBeforeThePortIsOpen) {
    Rig rig(liveConfig());
    rig.port.close();
    rig.state.instrumentOnline = true;
    rig.link.statusPoll();
    EXPECT_TRUE(rig.port.writes.empty());
    EXPECT_FALSE(rig.breakTimer.isActive()) << "no break can be declared for a port that is not open";
    EXPECT_FALSE(rig.state.instrumentOnline);
    EXPECT_EQ(rig.state.link.label, "Offline");
}

TEST(StatusPoll, IdleWhileAnUploadATransferOrABreakRuns) {
    for (int which = 0; which < 3; ++which) {
        Rig rig(liveConfig());
        rig.state.instrumentOnline = true;
        (which == 0   ? rig.state.uploadActive
         : which == 1 ? rig.state.protocolTransferActive
                      : rig.state.linkBreak) = true;
        rig.link.statusPoll();
        EXPECT_TRUE(rig.port.writes.empty());
        EXPECT_TRUE(rig.state.instrumentOnline);
    }
}

TEST(BreakTimer, ATransferStartedAfterThePollIsNotABreak) {
    Rig rig(liveConfig());
    rig.breakTimer.enable();
    rig.state.uploadActive = true;
    rig.link.breakTimerFired();
    EXPECT_FALSE(rig.state.linkBreak);
    EXPECT_TRUE(rig.prompts.choiceCalls.empty());
    EXPECT_FALSE(rig.breakTimer.isActive());
}

TEST(BreakTimer, FiresWhenTheInstrumentGoesSilentAndClearsWithTheNextPacket) {
    Rig rig(liveConfig(4.0));
    rig.link.connect();
    rig.link.collectNewData();
    rig.statusTimer.enable();
    rig.run(2'000);
    rig.engine->config().silent = true;
    rig.run(6'000);  // the poll at 5 s goes unanswered; 500 ms later the break timer fires
    EXPECT_TRUE(rig.state.linkBreak);
    EXPECT_EQ(rig.breakTimer.fired, 1);
    EXPECT_FALSE(rig.breakTimer.isActive());
    EXPECT_EQ(rig.prompts.choiceCalls, (std::vector<std::optional<int64_t>>{std::nullopt}));
    EXPECT_EQ(rig.state.link.label, "Offline");

    const size_t writesAtBreak = rig.port.writes.size();
    rig.run(10'000);
    EXPECT_EQ(rig.port.writes.size(), writesAtBreak) << "no polling during a break";
    EXPECT_EQ(rig.prompts.choiceCalls.size(), 1u);

    rig.engine->config().silent = false;  // the stream resumes
    rig.run(2'000);
    EXPECT_FALSE(rig.state.linkBreak);
    EXPECT_TRUE(rig.state.instrumentOnline);
    EXPECT_EQ(rig.state.link.label, "Online");
    rig.run(5'000);
    EXPECT_GT(rig.port.writes.size(), writesAtBreak) << "polling again";
}

// The box about a lost port says what became of what was going on, and only that.
TEST(PortLost, TheBoxSaysWhatWasGoingOn) {
    const std::string gone = "The instrument's serial port has gone away (Input/output error). ";
    struct LoseInDialog : ModalDialog {
        test::FakePort* port = nullptr;
        bool runModal() override { return port->loseDevice(), false; }
    };
    struct Case {
        const char* what;
        std::function<std::string(test::UploadRig&)> run;  // what the box says after `gone`
    };
    const std::vector<Case> cases = {
        {"idle online",
         [&](test::UploadRig& u) {
             u.rig.link.connect();
             u.rig.port.loseDevice();
             return "No recording was running; the program is offline now.";
         }},
        {"live recording",
         [&](test::UploadRig& u) {
             u.rig.link.collectNewData();
             u.rig.run(2'000);
             u.rig.port.loseDevice();
             return "The results collected so far are kept.";
         }},
        {"hardware dialog",
         [&](test::UploadRig& u) {
             InstrumentSetup setup{u.rig.state, u.rig.link, u.rig.prompts, u.rig.clock, u.rig.view};
             LoseInDialog dialog;
             dialog.port = &u.rig.port;
             setup.showHardwareSettings(dialog, testing::TempDir() + "/lost-in-dialog.ini");
             return "The instrument's settings cannot be read or changed until the port is back.";
         }},
        {"handshake of an upload",
         [&](test::UploadRig& u) {
             u.rig.state.instrumentOnline = false;
             u.rig.pump.onIdle = [&] { u.rig.port.loseDevice(); };
             u.upload.uploadStoredData();
             return "The upload was not started.";
         }},
        {"upload before its first block",
         [&](test::UploadRig& u) {
             u.rig.engine->config().silent = true;  // no block comes
             u.upload.uploadStoredData();
             u.rig.run(1'000);
             u.rig.port.loseDevice();
             return "The upload has ended before any result arrived.";
         }},
        {"upload",
         [&](test::UploadRig& u) {
             u.upload.uploadStoredData();
             while (u.upload.packetsStored() < 3) u.rig.run(10);
             u.rig.port.loseDevice();
             return "The upload has ended; the " + std::to_string(u.rig.state.resultCount()) +
                    " results received are kept.";
         }},
    };
    for (const Case& c : cases) {
        sim::SimConfig config = liveConfig();
        config.memoryRecords = 200;
        test::UploadRig u(config);
        u.rig.port.failOpen = true;  // it does not come back
        const std::string expected = c.run(u);
        EXPECT_EQ(u.rig.prompts.warnings, std::vector<std::string>{gone + expected}) << c.what;
        EXPECT_TRUE(u.rig.state.operatingMode.isSearch()) << c.what;
    }
}

}  // namespace
}  // namespace zvl
