#include <gtest/gtest.h>

#include "session/controlstates.h"
#include "session/lifecycle.h"
#include "session/mainactions.h"
#include "tests/support/fakes.h"

namespace zvl {
namespace {

std::vector<std::string> numbered(int n) {
    std::vector<std::string> v;
    for (int i = 0; i < n; ++i) v.push_back("line " + std::to_string(i));
    return v;
}

TEST(CommentMemo, LeavingItStoresItsLines) {
    AppState st;
    st.commentLines.fill("stale");
    storeCommentLines(st, numbered(3));
    EXPECT_EQ(st.commentLines[0], "line 0");
    EXPECT_EQ(st.commentLines[2], "line 2");
    for (size_t k = 3; k < 11; ++k) EXPECT_EQ(st.commentLines[k], "") << k;

    storeCommentLines(st, numbered(15));
    for (size_t k = 0; k < 11; ++k)
        EXPECT_EQ(st.commentLines[k], "line " + std::to_string(k)) << "first eleven lines";
    EXPECT_EQ(memoLinesToShow(st).size(), 10u) << "only slots 0..9 are shown again";

    storeCommentLines(st, {});
    for (const auto& l : st.commentLines) EXPECT_EQ(l, "");

    st.commentLines = {"a", "", "c"};
    EXPECT_EQ(memoLinesToShow(st), (std::vector<std::string>{"a", "c"})) << "empty slots are not shown";
}

TEST(ControlStates, StatisticsRecentAndTimebaseButtons) {
    AppState st;
    st.operatingMode = TimebaseSearch;
    st.timebaseIndex = 3;
    st.recentFiles = {"a.zvl", "", "c.zvl", ""};
    ControlStates p = controlStates(st);
    EXPECT_FALSE(p.statisticsEnabled);
    EXPECT_FALSE(p.plusEnabled);
    EXPECT_TRUE(p.minusEnabled);
    EXPECT_EQ(p.recentVisible, (std::array<bool, 4>{true, false, true, false}));
    EXPECT_EQ(p.timebaseCaption, "Timebase = 30 Seconds");
    st.store.resultCount = 1;
    st.timebaseIndex = 19;
    p = controlStates(st);
    EXPECT_TRUE(p.statisticsEnabled);
    EXPECT_TRUE(p.plusEnabled);
    EXPECT_FALSE(p.minusEnabled);
    EXPECT_TRUE(controlStates(st).enablesBackAndEventTime);
    st.operatingMode = TimebaseRecord;
    st.collectionActive = true;
    EXPECT_FALSE(controlStates(st).menusEnabled);
    EXPECT_FALSE(controlStates(st).navigationEnabled);
    EXPECT_FALSE(controlStates(st).onlineOfflineEnabled);
    EXPECT_TRUE(controlStates(st).startStopEnabled);
    st.operatingMode = EventRecord;
    st.uploadActive = true;
    EXPECT_FALSE(controlStates(st).startStopEnabled) << "no Stop in the middle of an upload";
}

}  // namespace
}  // namespace zvl

namespace zvl::test {
// Two results and a key no result fits, so a search answers with its message.
inline void fillSearchableStore(AppState& st) {
    for (int k = 0; k < kInputCount; ++k) st.inputActive[size_t(k)] = true;
    st.store.resultCount = 2;
    st.store.results[1].setTime(100);
    st.store.results[2].setTime(110);
    st.searchKey[0] = On;  // input 1 is never on
}
}  // namespace zvl::test

namespace zvl {
namespace {

std::vector<uint8_t> commandCodes(const test::FakePort& port) {
    std::vector<uint8_t> c;
    for (const auto& w : port.writes)
        if (w.size() >= 3 && w[0] == 0x01) c.push_back(w[2]);
    return c;
}

TEST(MainActions, CollectDataStartsALiveTimeBaseRecording) {
    test::Rig rig;
    collectDataFromStartMenu(rig.state, rig.link, rig.prompts, rig.view);
    EXPECT_EQ(commandCodes(rig.port), (std::vector<uint8_t>{0x20, 0x21, 0x22, 0x23, 0x40}));
    EXPECT_EQ(rig.state.operatingMode, TimebaseRecord);
    EXPECT_TRUE(rig.state.collectionActive);

    rig.port.writes.clear();  // pressed again while online: no second handshake, a stop question
    rig.prompts.confirmAnswers = {true};
    collectDataFromStartMenu(rig.state, rig.link, rig.prompts, rig.view);
    EXPECT_TRUE(rig.port.writes.empty());
    EXPECT_EQ(rig.prompts.confirmations.size(), 1u);
}

TEST(MainActions, CollectDataWithASilentInstrumentEndsOfflineAndNextSearches) {
    sim::SimConfig silent;
    silent.silent = true;
    test::Rig rig(silent);
    test::fillSearchableStore(rig.state);
    collectDataFromStartMenu(rig.state, rig.link, rig.prompts, rig.view);
    EXPECT_EQ(rig.prompts.warnings.size(), 1u) << "the not-responding warning";
    EXPECT_EQ(rig.state.operatingMode, TimebaseSearch);
    EXPECT_FALSE(rig.state.collectionActive) << "no recording starts";
    EXPECT_EQ(commandCodes(rig.port), (std::vector<uint8_t>{0x20}));
    EXPECT_EQ(rig.prompts.informations.size(), 1u) << "startStopButton was Next: its no-match message";
    EXPECT_GE(rig.view.refreshes, 1);
    EXPECT_FALSE(rig.prompts.busyNow);
}

TEST(MainActions, CommentLinesForEditingDropTrailingEmptySlots) {
    AppState st;
    st.commentLines = {"a", "", "c", "", ""};
    st.commentLines[10] = "eleventh";
    EXPECT_EQ(commentLinesForEditing(st), (std::vector<std::string>{"a", "", "c"}));
}

}  // namespace
}  // namespace zvl
