// The match test and Find / Next / Back in both views.
#include <gtest/gtest.h>

#include "search/matchsearch.h"
#include "tests/search/searchfixture.h"

namespace zvl {
namespace {

using test::SearchRig;
using Strings = std::vector<std::string>;

TEST(MatchTest, EachConditionAgainstThePreviousResult) {
    struct Case {
        SearchCondition c;
        bool before, now, matches;
    };
    const Case cases[] = {
        {On, false, true, true},        {On, true, true, true},         {On, true, false, false},
        {Off, false, false, true},      {Off, true, false, true},       {Off, false, true, false},
        {HighToLow, true, false, true}, {HighToLow, true, true, false}, {HighToLow, false, false, false},
        {LowToHigh, false, true, true}, {LowToHigh, true, true, false}, {LowToHigh, false, false, false},
        {DoNotCare, true, false, true}, {DoNotCare, false, true, true},
    };
    for (const Case& k : cases) {
        SearchRig rig;
        rig.fill(3);
        rig.set(1, k.before ? 0x0400 : 0);  // input 11
        rig.set(2, k.now ? 0x0400 : 0);
        rig.key({{11, k.c}});
        EXPECT_EQ(resultMatches(rig.state, 2), k.matches)
            << "condition " << int(k.c) << " before " << k.before << " now " << k.now;
    }
}

TEST(MatchTest, EveryActiveInputMustHoldAndInactiveOrUnknownOnesNeverBlock) {
    SearchRig rig;
    rig.fill(3);
    rig.set(1, 0x0001);
    rig.set(2, 0x8001);  // input 1 stays on, input 16 rises
    rig.key({{1, On}, {16, LowToHigh}});
    EXPECT_TRUE(resultMatches(rig.state, 2));
    rig.key({{1, On}, {16, LowToHigh}, {5, On}});
    EXPECT_FALSE(resultMatches(rig.state, 2)) << "input 5 is off";

    rig.state.inputActive[4] = false;
    EXPECT_TRUE(resultMatches(rig.state, 2)) << "an inactive input requires nothing";
    for (uint8_t c : {On, Off, HighToLow, LowToHigh}) {
        rig.state.searchKey[4] = c;
        EXPECT_TRUE(resultMatches(rig.state, 2)) << int(c);
    }

    rig.state.inputActive[4] = true;
    rig.state.searchKey[4] = 7;  // from a hand-edited settings file
    EXPECT_TRUE(resultMatches(rig.state, 2)) << "an unknown condition is DoNotCare";

    rig.state.inputActive.fill(false);
    rig.key({{1, Off}, {2, On}});
    EXPECT_TRUE(resultMatches(rig.state, 1)) << "with no active input everything matches";
}

TEST(MatchTest, ResultOneIsJudgedAgainstTheStartRecord) {
    SearchRig rig;
    rig.fill(2);
    rig.set(1, 0x0001);
    rig.key({{1, LowToHigh}});
    EXPECT_TRUE(resultMatches(rig.state, 1)) << "slot 0 of a live recording has every input off";
    rig.set(0, 0x0001);
    EXPECT_FALSE(resultMatches(rig.state, 1)) << "the previous result of result 1 is slot 0";
}

TEST(FindNextBack, AllDoNotCareStepsResultByResult) {
    SearchRig rig;
    rig.fill(3);
    rig.key({});
    findFirstMatch(rig.state, rig.prompts, rig.view);
    EXPECT_EQ(rig.state.currentMatch, 1);
    EXPECT_TRUE(rig.state.matchFound);
    EXPECT_EQ(rig.state.currentResult, -30) << "result 1 in slot 31";
    EXPECT_EQ(rig.view.controlUpdates, 1);
    EXPECT_EQ(rig.view.refreshes, 1);

    findNextMatch(rig.state, rig.prompts);
    EXPECT_EQ(rig.state.currentMatch, 2);
    EXPECT_EQ(rig.state.currentResult, -29);
    findNextMatch(rig.state, rig.prompts);
    EXPECT_EQ(rig.state.currentMatch, 3);
    findNextMatch(rig.state, rig.prompts);
    EXPECT_EQ(rig.state.currentMatch, 3) << "Next at the last result does nothing";
    EXPECT_EQ(rig.state.currentResult, -28);
    EXPECT_TRUE(rig.prompts.informations.empty()) << "and shows no message";

    findPreviousMatch(rig.state, rig.prompts, rig.view);
    EXPECT_EQ(rig.state.currentMatch, 2);
    EXPECT_EQ(rig.view.refreshes, 2);
}

TEST(FindNextBack, FindWithoutAMatchKeepsThePlainMessage) {
    SearchRig rig;
    rig.fill(5);
    rig.key({{3, On}});
    rig.state.currentResult = 12;
    findFirstMatch(rig.state, rig.prompts, rig.view);
    EXPECT_EQ(rig.prompts.informations, Strings{kNoMatchesText});
    EXPECT_EQ(rig.state.currentMatch, 1);
    EXPECT_FALSE(rig.state.matchFound);
    EXPECT_EQ(rig.state.currentResult, 12) << "the view stays";

    findPreviousMatch(rig.state, rig.prompts, rig.view);
    EXPECT_EQ(rig.prompts.informations.size(), 1u) << "Back from match 1 does nothing";

    findNextMatch(rig.state, rig.prompts);
    EXPECT_EQ(rig.prompts.informations, (Strings{kNoMatchesText, kNoMatchesText}));
    EXPECT_EQ(rig.state.currentMatch, 1);
}

TEST(FindNextBack, NoMoreMatchesNameTheDirectionAndLeaveTheView) {
    SearchRig rig;
    rig.fill(20);
    rig.set(10, 0x0004);
    rig.key({{3, On}});
    findFirstMatch(rig.state, rig.prompts, rig.view);
    ASSERT_EQ(rig.state.currentMatch, 10);
    EXPECT_EQ(rig.state.currentResult, -21);

    findNextMatch(rig.state, rig.prompts);
    EXPECT_EQ(rig.prompts.informations, Strings{kNoMoreForwardText});
    EXPECT_EQ(rig.state.currentMatch, 10);
    EXPECT_EQ(rig.state.currentResult, -21);

    findPreviousMatch(rig.state, rig.prompts, rig.view);
    EXPECT_EQ(rig.prompts.informations, (Strings{kNoMoreForwardText, kNoMoreBackwardText}));
    EXPECT_EQ(rig.state.currentMatch, 10);
    EXPECT_TRUE(rig.state.matchFound);
}

TEST(FindNextBack, EmptyStoreFindsNothingAndSaysNothing) {
    SearchRig rig;
    rig.fill(0);
    rig.state.currentMatch = 7;
    rig.state.matchFound = true;
    findFirstMatch(rig.state, rig.prompts, rig.view);
    EXPECT_EQ(rig.state.currentMatch, 1);
    EXPECT_FALSE(rig.state.matchFound);
    EXPECT_TRUE(rig.prompts.informations.empty());
    EXPECT_EQ(rig.view.refreshes, 1);
}

TEST(FindNextBack, EventViewPutsTheMatchInSlot31AndLeavesTheTimeView) {
    SearchRig rig;
    rig.fill(120);
    rig.set(1, 0x0002);
    rig.set(100, 0x0002);
    rig.key({{2, On}});
    rig.state.viewStartTime = 4242;
    EXPECT_EQ(findMatch(rig.state, rig.prompts, 1, true), 1);
    EXPECT_EQ(rig.state.currentResult, -30);
    EXPECT_EQ(findMatch(rig.state, rig.prompts, 2, true), 100);
    EXPECT_EQ(rig.state.currentResult, 69);
    EXPECT_EQ(rig.state.viewStartTime, 4242);

    rig.state.operatingMode = EventRecord;  // bit 0 alone decides the view
    EXPECT_EQ(findMatch(rig.state, rig.prompts, 99, false), 1);
    EXPECT_EQ(rig.state.currentResult, -30);
}

TEST(FindNextBack, TimeViewPutsTheMatchOnTheCursorLine) {
    SearchRig rig;
    rig.fill(50, 5000, 7);
    rig.set(20, 0x0008);
    rig.key({{4, On}});
    rig.state.operatingMode = TimebaseSearch;
    rig.state.currentResult = 33;
    const int64_t t20 = 5000 + 7 * 20;

    rig.state.timebaseIndex = 0;  // 1/600 s a pixel: 300 pixels are half a second, rounded up
    findFirstMatch(rig.state, rig.prompts, rig.view);
    EXPECT_EQ(rig.state.viewStartTime, t20 - 1);
    rig.state.timebaseIndex = 2;  // 1/120: 2.5000001 s
    findFirstMatch(rig.state, rig.prompts, rig.view);
    EXPECT_EQ(rig.state.viewStartTime, t20 - 3);
    rig.state.timebaseIndex = 8;
    findFirstMatch(rig.state, rig.prompts, rig.view);
    EXPECT_EQ(rig.state.viewStartTime, t20 - 900);
    EXPECT_EQ(rig.state.currentResult, 33) << "the event view keeps its position";

    rig.state.operatingMode = TimebaseRecord;
    rig.state.timebaseIndex = 7;
    findFirstMatch(rig.state, rig.prompts, rig.view);
    EXPECT_EQ(rig.state.viewStartTime, t20 - 150);
}

TEST(FindNextBack, NeverReportsASlotPastTheLastResult) {
    // An earlier, longer recording left its match position and its slots behind.
    SearchRig rig;
    rig.fill(60);
    for (int64_t n : {3, 40, 50}) rig.set(n, 0x0001);
    rig.key({{1, On}});
    findFirstMatch(rig.state, rig.prompts, rig.view);
    findNextMatch(rig.state, rig.prompts);
    EXPECT_EQ(rig.state.currentMatch, 40);
    findNextMatch(rig.state, rig.prompts);
    ASSERT_EQ(rig.state.currentMatch, 50);
    rig.state.store.resultCount = 10;  // a shorter recording; slots 40 and 50 still hold the old results

    findPreviousMatch(rig.state, rig.prompts, rig.view);
    EXPECT_EQ(rig.state.currentMatch, 3);
    EXPECT_EQ(rig.state.currentResult, -28);

    rig.state.currentMatch = 50;
    findNextMatch(rig.state, rig.prompts);
    EXPECT_EQ(rig.state.currentMatch, 50) << "Next past the end does nothing";
    EXPECT_TRUE(rig.prompts.informations.empty());
    EXPECT_EQ(findMatch(rig.state, rig.prompts, 40, true), 0);
    EXPECT_EQ(rig.prompts.informations, Strings{kNoMoreForwardText});
    EXPECT_EQ(findMatch(rig.state, rig.prompts, -5, false), 0);
    EXPECT_EQ(rig.prompts.informations.size(), 2u);
}

}  // namespace
}  // namespace zvl
