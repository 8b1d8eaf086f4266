// The instrument setup commands run headless against the in-process instrument: what goes on
// the line, the waits before the handshake, and what the instrument reports afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "files/settings.h"
#include "link/commands.h"
#include "link/setup.h"
#include "tests/support/fakes.h"

namespace zvl {
namespace {

using Bytes = std::vector<uint8_t>;
using test::Rig;

struct Setup : ::testing::Test {
    Rig rig;
    InstrumentSetup setup{rig.state, rig.link, rig.prompts, rig.clock, rig.view};
    void SetUp() override { rig.state.operatingMode = EventRecord; }
};

class ScriptedDialog : public ModalDialog {
public:
    std::function<void()> whileOpen;
    bool runModal() override {
        if (whileOpen) whileOpen();
        return false;
    }
};

TEST_F(Setup, AcceptSendsTheSettingsWordWaitsAndReportsWhatTheInstrumentTook) {
    const std::string openPath = rig.port.openedPath;
    const int64_t start = rig.clock.ms;
    setup.acceptChanges("7", {2, 1, true});  // 500 msec, Wrap Around, backlight on
    ASSERT_GE(rig.port.writes.size(), 5u);
    EXPECT_EQ(rig.port.writes[0], (Bytes{0x01, 0x06, 0x30, 0x00, 0x00, 0xA5, 0x80, 0x04}));
    EXPECT_EQ(rig.port.writes[1], (Bytes{0x01, 0x02, 0x20, 0x04})) << "then the handshake";
    EXPECT_GE(rig.clock.ms - start, 17 * kTickMs) << "18 ticks before the handshake";
    EXPECT_EQ(rig.engine->options(), 0xA5);
    EXPECT_TRUE(rig.state.instrumentOnline);
    EXPECT_EQ(reportedChoices(rig.state), (HardwareChoices{2, 1, true}));
    EXPECT_EQ(rig.state.debounceCode, 128);
    EXPECT_EQ(rig.state.comPortNumber, 7);
    EXPECT_EQ(rig.port.openedPath, openPath) << "the running port is not changed";
    EXPECT_EQ(rig.prompts.busyOn, 2) << "the hourglass, then the handshake's own";
    EXPECT_FALSE(rig.prompts.busyNow);

    rig.port.writes.clear();
    setup.acceptChanges("7", {0, 0, false});
    EXPECT_EQ(rig.port.writes[0], (Bytes{0x01, 0x06, 0x30, 0x00, 0x00, 0x00, 0x00, 0x04}));
    EXPECT_EQ(reportedChoices(rig.state), (HardwareChoices{0, 0, false}));
}

TEST(SettingsWord, EachDebounceItemAndNoItem) {
    AppState st;
    const std::pair<int, uint16_t> words[] = {{0, 0x0000}, {1, 0x041A}, {2, 0x0580}, {3, 0x0600}};
    for (auto [item, word] : words) {
        EXPECT_EQ(applyHardwareChoices(st, {item, 0, false}), word) << item;
        EXPECT_EQ(debounceItemOf(st.hardwareOptions), item);
    }
    // With none selected the bits stay as they were and the count is 0.
    EXPECT_EQ(applyHardwareChoices(st, {-1, 1, true}), 0xA600);
    st.hardwareOptions = {true, true, true};
    EXPECT_EQ(reportedChoices(st).debounceItem, -1) << "bits 1, 1, 1 name no item";
}

TEST_F(Setup, TheDialogStoresItsPortForTheNextStartAndANonNumberAsZero) {
    const std::string path = testing::TempDir() + "/setup-settings.ini";
    for (auto [text, port] : {std::pair<const char*, int>{"7", 7}, {"seven", 0}, {"", 0}, {"300", 0}}) {
        ScriptedDialog dialog;
        rig.state.operatingMode = EventSearch;
        dialog.whileOpen = [&] {
            EXPECT_EQ(rig.state.operatingMode, EventRecord);
            EXPECT_TRUE(rig.state.instrumentOnline) << "connected before the dialog shows";
            setup.acceptChanges(text, reportedChoices(rig.state));
        };
        const int refreshes = rig.view.refreshes;
        setup.showHardwareSettings(dialog, path);
        EXPECT_GT(rig.view.refreshes, refreshes);
        AppState read;
        ASSERT_EQ(loadSettingsFile(path, read), SettingsRead::Complete);
        EXPECT_EQ(read.comPortNumber, port) << text;
    }
    std::filesystem::remove(path);
}

TEST_F(Setup, SetTimeSendsTheFieldsAsTheClockAndTheInstrumentReportsIt) {
    const int64_t start = rig.clock.ms;
    setup.setInstrumentTime({2000, 1, 1, 0, 0, 10, 0});
    EXPECT_EQ(rig.port.writes[0], (Bytes{0x01, 0x06, 0x31, 0x00, 0x00, 0x00, 0x0A, 0x04}));
    EXPECT_EQ(rig.port.writes[1], (Bytes{0x01, 0x02, 0x20, 0x04}));
    const int64_t waited = rig.clock.ms - start;
    EXPECT_GE(waited, 35 * kTickMs);
    // The clock was set when the packet arrived; the handshake reads it a few seconds on.
    EXPECT_GE(rig.state.instrumentClock, 10);
    EXPECT_LE(rig.state.instrumentClock, 10 + waited / 1000 + 1);
}

TEST_F(Setup, SetDateTimeSendsTheTimeItAskedAbout) {
    // The fake clock stands at 7 December 2026 10:00:01.
    const std::string question =
        "Send Current PC Date and Time ( 07 December 2026 10:00:01 ) to Pellam ZVL ?";
    EXPECT_FALSE(setup.setDateTime());
    EXPECT_EQ(rig.prompts.confirmations, std::vector<std::string>{question});
    EXPECT_TRUE(rig.port.writes.empty()) << "No sends nothing";

    rig.prompts.confirmAnswers = {true};
    EXPECT_TRUE(setup.setDateTime());
    const int64_t t = timeStampFromDateTime({2026, 12, 7, 10, 0, 1, 0});
    ASSERT_EQ(rig.port.writes.size(), 1u);
    EXPECT_EQ(rig.port.writes[0], buildCommandPacket(0x31, int32_t(t), 4));

    // Synchronise: the waits and the handshake also after No.
    rig.port.writes.clear();
    rig.state.instrumentOnline = false;
    setup.synchroniseToPcClock();
    ASSERT_FALSE(rig.port.writes.empty());
    EXPECT_EQ(rig.port.writes[0], (Bytes{0x01, 0x02, 0x20, 0x04}));
    EXPECT_GE(rig.clock.ms, 1000 + 17 * kTickMs);
    EXPECT_TRUE(rig.state.instrumentOnline);
}

TEST_F(Setup, NothingIsWrittenWhileADownloadRuns) {
    rig.state.protocolTransferActive = true;
    ScriptedDialog dialog;
    bool shown = false;
    dialog.whileOpen = [&] { shown = true; };
    setup.showHardwareSettings(dialog, testing::TempDir() + "/never.ini");
    setup.acceptChanges("7", {1, 0, false});
    setup.setInstrumentTime({2000, 1, 1, 0, 0, 10, 0});
    setup.synchroniseToPcClock();
    rig.prompts.confirmAnswers = {true};
    EXPECT_FALSE(setup.setDateTime());
    EXPECT_FALSE(shown);
    EXPECT_TRUE(rig.port.written.empty());
    EXPECT_EQ(rig.prompts.warnings, std::vector<std::string>(5, kDownloadInProgressText));
    EXPECT_EQ(rig.state.comPortNumber, 0);
}

TEST(SetupLoss, APortLostInACommandsWaitIsToldOnceAndNotOpenedAgainForItsHandshake) {
    // Accept Changes, Set Time (also `zvl hardware` and `zvl set-time`) and Synchronise, each
    // with the device pulled half-way through its wait and still gone: the loss box alone.
    const std::vector<std::function<void(InstrumentSetup&)>> commands = {
        [](InstrumentSetup& s) {
            s.acceptChanges("1", {1, 0, false});
        },
        [](InstrumentSetup& s) {
            s.setInstrumentTime({2000, 1, 1, 0, 0, 10, 0});
        },
        [](InstrumentSetup& s) { s.synchroniseToPcClock(); },
    };
    for (size_t i = 0; i < commands.size(); ++i) {
        Rig rig;
        InstrumentSetup setup{rig.state, rig.link, rig.prompts, rig.clock, rig.view};
        rig.state.operatingMode = EventRecord;
        rig.prompts.confirmAnswers = {true};
        const int64_t pullAt = rig.clock.ms + 300;
        rig.pump.onIdle = [&] {
            if (rig.clock.ms != pullAt) return;
            rig.port.failOpen = true;  // it does not come back
            rig.port.loseDevice();
        };
        commands[i](setup);
        EXPECT_EQ(rig.prompts.warnings,
                  std::vector<std::string>{portLostMessage("Input/output error", LostDuring::Setup)})
            << i;
        EXPECT_EQ(rig.state.operatingMode, EventSearch) << i;
        EXPECT_FALSE(rig.port.isOpen()) << i;
    }
}

}  // namespace
}  // namespace zvl
