// The window's commands without the window: fakes for the platform, a view that counts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "session/maincommands.h"
#include "tests/support/fakefiledialogs.h"
#include "tests/support/fakes.h"

namespace zvl {
namespace {

using Lines = std::vector<std::string>;

TEST(CommentMemo, TypingStaysUntilTheCommentLinesChangeAndTheProgramsFillIsNoTyping) {
    AppState st;
    CommentMemo memo(st);
    std::vector<Lines> shown;
    memo.left({"put there by the program"});
    EXPECT_EQ(st.commentLines[0], "") << "nothing typed: leaving stores nothing";
    memo.textChanged({"typed", ""});
    EXPECT_EQ(st.commentLines[0], "typed");
    memo.refresh([&](const Lines& l) { shown.push_back(l); });
    EXPECT_TRUE(shown.empty()) << "the typing stays as it stands";

    st.commentLines[0] = "loaded";
    memo.refresh([&](const Lines& l) {
        memo.textChanged({"echo of the fill"});
        shown.push_back(l);
    });
    EXPECT_EQ(shown, std::vector<Lines>{{"loaded"}});
    memo.left({"older text"});
    EXPECT_EQ(st.commentLines[0], "loaded") << "neither the fill nor leaving the filled memo stores";
}

// The commands on the fakes: no instrument behind the port, nothing is opened.
struct MainCommandsTest : ::testing::Test {
    test::FakeClock clock;
    test::FakePort port{clock, nullptr};
    test::FakePump pump{clock, port, nullptr};
    test::FakeTimer start{clock, "start"}, splash{clock, "splash"}, poll{clock, "poll"}, brk{clock, "break"},
        retry{clock, "retry"}, refresh{clock, "refresh"}, downloadStatus{clock, "downloadStatus"},
        journalTimer{clock, "journal"};
    test::ScriptedPrompts prompts;
    test::ScriptedFileDialogs dialogs;
    test::CountingView view;
    AppState st;
    MainCommands commands{st,
                          {port,
                           clock,
                           pump,
                           prompts,
                           dialogs,
                           {start, splash, poll, brk, retry, refresh, downloadStatus, journalTimer},
                           "unused.ini",
                           nullptr,
                           "/nonexistent/journal"},
                          view};
};

TEST_F(MainCommandsTest, EachCommandEndsWithTheRefreshItNeeds) {
    st.operatingMode = EventRecord;

    // Cancelled: offline all the same, and the whole window follows, before the dialog (which
    // stands over the offline window) and at the end.
    commands.open();
    EXPECT_EQ(st.operatingMode, EventSearch);
    EXPECT_EQ(view.controlUpdates, 0);
    EXPECT_EQ(view.refreshes, 2);
    commands.open();  // offline already: once, at the end
    EXPECT_EQ(view.refreshes, 3);
    commands.reloadSettingsOnly();  // cancelled: only the controls follow
    EXPECT_EQ(view.controlUpdates, 1);
    EXPECT_EQ(view.refreshes, 3);
    commands.toggleMonochrome();
    EXPECT_TRUE(st.monochromePrinting);
    EXPECT_EQ(view.refreshes, 4);

    commands.startTimers();
    EXPECT_TRUE(start.isActive() && poll.isActive());
}

TEST_F(MainCommandsTest, CommandsThatWouldWriteToThePortWaitForADownload) {
    port.open("/dev/fake0");
    st.protocolTransferActive = true;
    st.operatingMode = EventRecord;
    commands.uploadStoredData();
    commands.uploadFromStartMenu();
    commands.collectNewData();
    commands.collectDataFromStartMenu();
    commands.startOrStopOrNext();
    commands.downloadBinaryFile();
    commands.setDateTime();
    st.operatingMode = EventSearch;
    commands.toggleOnline();  // going online would connect
    EXPECT_EQ(prompts.warnings, Lines(8, kDownloadInProgressText));
    EXPECT_TRUE(port.written.empty());
    EXPECT_TRUE(prompts.confirmations.empty());
    EXPECT_FALSE(st.collectionActive);
    EXPECT_FALSE(st.uploadActive);
    // Offline the button is Next, a search, which does not touch the port.
    commands.startOrStopOrNext();
    EXPECT_EQ(prompts.warnings.size(), 8u);
}

TEST_F(MainCommandsTest, GoingOfflineAfterALiveRecordingShowsTheNewestResult) {
    st.operatingMode = TimebaseRecord;
    st.store.resultCount = 2;
    st.store.results[1].setTime(1000);
    st.store.results[2].setTime(1010);
    st.timebaseIndex = 5;     // 0.1 s a pixel: the cursor line is 30 s from the left edge
    st.viewStartTime = 5000;  // the live edge, after every result
    commands.toggleOnline();
    EXPECT_EQ(st.operatingMode, TimebaseSearch);
    EXPECT_EQ(st.viewStartTime, 1010 - 30);

    st.operatingMode = TimebaseRecord;
    st.viewStartTime = 1010;  // the stop record's time: nothing to draw either
    commands.toggleOnline();
    EXPECT_EQ(st.viewStartTime, 1010 - 30);

    st.operatingMode = TimebaseRecord;
    st.viewStartTime = 1005;  // a view with results in it stays where it is
    commands.toggleOnline();
    EXPECT_EQ(st.viewStartTime, 1005);
}

// A "Not Responding" box left open for 6 s: the status poll meanwhile must find the program offline.
TEST_F(MainCommandsTest, EveryHandshakeGoesOfflineBeforeItsNotRespondingBox) {
    struct NoDialog : ModalDialog {
        bool runModal() override { return false; }
    } dialog;
    const std::vector<std::pair<const char*, std::function<void()>>> callers = {
        {"Online", [&] { commands.toggleOnline(); }},
        {"Collect New Data", [&] { commands.collectNewData(); }},
        {"start menu's Collect", [&] { commands.collectDataFromStartMenu(); }},
        {"Upload", [&] { commands.uploadStoredData(); }},
        {"Download", [&] { commands.downloadBinaryFile(); }},
        {"Hardware Settings", [&] { commands.showHardwareSettings(dialog); }},
        {"About", [&] { commands.showAbout(dialog); }},
    };
    port.open("/dev/fake0");  // nothing behind it answers
    pump.addTimer(poll);
    pump.addTimer(brk);
    commands.startTimers();
    start.disable();
    prompts.onWarning = [&] {
        if (prompts.warnings.back() == kNotRespondingText) pump.processEventsUntil(clock.ms + 6'000);
    };
    for (const auto& [name, run] : callers) {
        st.operatingMode = name == std::string("Online") ? EventSearch : EventRecord;
        prompts.warnings.clear();
        run();
        EXPECT_EQ(prompts.warnings, Lines{kNotRespondingText}) << name;
        EXPECT_TRUE(prompts.choiceCalls.empty()) << name << ": a choice box over the warning";
        EXPECT_FALSE(st.linkBreak) << name;
        EXPECT_TRUE(st.operatingMode.isSearch()) << name;
        prompts.choiceCalls.clear();
        st.linkBreak = false;
    }
}

TEST_F(MainCommandsTest, StartUpMakesTheFoldersOfTheDataAndThePortLinks) {
    const std::filesystem::path home = std::filesystem::temp_directory_path() / "zvl-startup-folders";
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    const std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string oldConfigText = oldConfig ? oldConfig : "";
    ::setenv("HOME", home.c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    commands.activate();
    EXPECT_TRUE(std::filesystem::is_directory(home / ".config/Pellam/ports"));
    EXPECT_TRUE(std::filesystem::is_directory(home / "Pellam"));
    ::setenv("HOME", oldHome.c_str(), 1);
    if (oldConfig) ::setenv("XDG_CONFIG_HOME", oldConfigText.c_str(), 1);
    std::filesystem::remove_all(home);
}

}  // namespace
}  // namespace zvl
