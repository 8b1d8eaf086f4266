#include <gtest/gtest.h>

#include "core/controlstates.h"
#include "core/lifecycle.h"

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
    Memo1Exit(st, numbered(3));
    EXPECT_EQ(st.commentLines[0], "line 0");
    EXPECT_EQ(st.commentLines[2], "line 2");
    for (size_t k = 3; k < 11; ++k) EXPECT_EQ(st.commentLines[k], "") << k;

    Memo1Exit(st, numbered(15));
    for (size_t k = 0; k < 11; ++k) EXPECT_EQ(st.commentLines[k], "line " + std::to_string(k)) << "first eleven lines";
    EXPECT_EQ(memoLinesToShow(st).size(), 10u) << "only slots 0..9 are shown again";

    Memo1Exit(st, {});
    for (const auto& l : st.commentLines) EXPECT_EQ(l, "");

    st.commentLines = {"a", "", "c"};
    EXPECT_EQ(memoLinesToShow(st), (std::vector<std::string>{"a", "c"})) << "empty slots are not shown";
}

TEST(ControlStates, StatisticsRecentAndTimebaseButtons) {
    AppState st;
    st.operatingMode = TimebaseSearch;
    st.timebaseIndex = 3;
    st.recentFiles = {"a.zvl", "", "c.zvl", ""};
    PaintControls p = paintControls(st);
    EXPECT_FALSE(p.statisticsEnabled);
    EXPECT_FALSE(p.plusEnabled);
    EXPECT_TRUE(p.minusEnabled);
    EXPECT_EQ(p.recentVisible, (std::array<bool, 4>{true, false, true, false}));
    EXPECT_EQ(p.timebaseCaption, "Timebase = 30 Seconds");
    st.store.resultCount = 1;
    st.timebaseIndex = 19;
    p = paintControls(st);
    EXPECT_TRUE(p.statisticsEnabled);
    EXPECT_TRUE(p.plusEnabled);
    EXPECT_FALSE(p.minusEnabled);
    EXPECT_TRUE(enabledControls(st).changesButtons34);
    st.operatingMode = TimebaseRecord;
    st.collectionActive = true;
    EXPECT_FALSE(enabledControls(st).menusEnabled);
    EXPECT_FALSE(enabledControls(st).navigationEnabled);
    EXPECT_FALSE(paintControls(st).button5Enabled);
    EXPECT_TRUE(enabledControls(st).button2Enabled);
    st.operatingMode = EventRecord;
    st.uploadActive = true;
    EXPECT_FALSE(enabledControls(st).button2Enabled) << "no Stop in the middle of an upload";
}

}  // namespace
}  // namespace zvl
