// Go to an event or a moment, and what the dialog shows of the recording.
#include <gtest/gtest.h>

#include "search/goto.h"
#include "search/navigation.h"
#include "search/searchkey.h"
#include "tests/search/searchfixture.h"

namespace zvl {
namespace {

using test::SearchRig;

struct GoTo : ::testing::Test {
    SearchRig rig;
    AppState& st = rig.state;
    void SetUp() override {
        rig.fill(10, 1000, 100);  // results at 1100 .. 2000
        st.timebaseIndex = 7;     // half width 150 s
        st.currentResult = 4;
        st.viewStartTime = 4444;
        st.cursorResult = 7;
    }
    void expectUnchanged() {
        EXPECT_EQ(st.currentResult, 4);
        EXPECT_EQ(st.viewStartTime, 4444);
        EXPECT_EQ(st.cursorResult, 7);
    }
};

TEST_F(GoTo, EventNumberPutsThatResultUnderBothCursors) {
    EXPECT_TRUE(goToEvent(st, rig.prompts, "5"));
    EXPECT_EQ(st.currentResult, -26);
    EXPECT_EQ(st.viewStartTime, 1500 - 150);
    EXPECT_EQ(st.cursorResult, 5);
    EXPECT_TRUE(goToEvent(st, rig.prompts, "  10 "));
    EXPECT_EQ(st.currentResult, -21);
    EXPECT_EQ(st.viewStartTime, 2000 - 150);
    EXPECT_TRUE(goToEvent(st, rig.prompts, "+1"));
    EXPECT_EQ(st.currentResult, -30);
    EXPECT_TRUE(rig.prompts.informations.empty());
}

TEST_F(GoTo, BadEventNumbersAreRefusedWithAMessage) {
    for (const char* text :
         {"0", "11", "-3", "", "   ", "abc", "5x", "5 5", "2.5", "99999999999999999999", "0x5"}) {
        rig.prompts.informations.clear();
        EXPECT_FALSE(goToEvent(st, rig.prompts, text)) << '"' << text << '"';
        EXPECT_EQ(rig.prompts.informations,
                  std::vector<std::string>{"Please enter an event number from 1 to 10."})
            << '"' << text << '"';
        expectUnchanged();
    }
}

TEST_F(GoTo, MomentPicksTheFirstResultAtOrAfterIt) {
    EXPECT_EQ(resultAtOrAfter(st, 0), 1);
    EXPECT_EQ(resultAtOrAfter(st, 1400), 4);
    EXPECT_EQ(resultAtOrAfter(st, 1401), 5);
    EXPECT_EQ(resultAtOrAfter(st, 2001), 10) << "after the last result: the last result";
    rig.setTime(3, 1900);  // times out of order: the lowest number wins
    EXPECT_EQ(resultAtOrAfter(st, 1850), 3);
    rig.setTime(3, 1300);

    EXPECT_TRUE(goToTime(st, rig.prompts, 1401));
    EXPECT_EQ(st.currentResult, 5 - 31);
    EXPECT_EQ(st.viewStartTime, 1500 - 150);
    EXPECT_EQ(st.cursorResult, 5);
    EXPECT_TRUE(goToTime(st, rig.prompts, kLatestTimeStamp));
    EXPECT_EQ(st.cursorResult, 10);
}

TEST_F(GoTo, MomentsOutsideTheStampRangeAreRefused) {
    EXPECT_FALSE(goToTime(st, rig.prompts, -1));
    EXPECT_FALSE(goToTime(st, rig.prompts, kLatestTimeStamp + 1));
    EXPECT_EQ(rig.prompts.informations, (std::vector<std::string>{kGoToTimeRangeText, kGoToTimeRangeText}));
    expectUnchanged();
    // The message names the last moment a stamp can hold.
    EXPECT_EQ(dateTimeFromTimeStamp(kLatestTimeStamp), (LocalDateTime{2068, 1, 19, 3, 14, 7, 0}));
}

TEST_F(GoTo, EmptyStoreHasNothingToGoTo) {
    rig.fill(0);
    EXPECT_FALSE(goToEvent(st, rig.prompts, "1"));
    EXPECT_FALSE(goToTime(st, rig.prompts, 1000));
    EXPECT_EQ(rig.prompts.informations, (std::vector<std::string>{kGoToNoResultsText, kGoToNoResultsText}));
    expectUnchanged();
    EXPECT_EQ(resultAtOrAfter(st, 0), 0);
}

TEST_F(GoTo, SpanAndPresetTime) {
    RecordingSpan span = recordingSpan(st);
    EXPECT_EQ(span.start, formatResultTime(st, 1));
    EXPECT_EQ(span.stop, formatResultTime(st, 10));
    EXPECT_EQ(span.start, "1 Jan 00 00:18:20");
    EXPECT_EQ(span.total, 10);
    EXPECT_EQ(goToPresetTime(st), 1700) << "the cursor result's time";
    st.cursorResult = 11;
    EXPECT_EQ(goToPresetTime(st), 1100) << "else the first result's";

    rig.fill(0);
    span = recordingSpan(st);
    EXPECT_EQ(span.start, "");
    EXPECT_EQ(span.stop, "");
    EXPECT_EQ(span.total, 0);
    EXPECT_EQ(goToPresetTime(st), 0);
}

TEST(SearchKeyBehaviour, ChoicesOutsideTheFiveAreDoNotCare) {
    AppState st;
    st.searchKey.fill(On);
    std::array<int, kInputCount> choices{};
    for (int i = 0; i < kInputCount; ++i) choices[size_t(i)] = i % 5;
    choices[15] = -1;  // a group with nothing chosen
    choices[14] = 5;
    acceptSearchKey(st, choices);
    EXPECT_EQ(st.searchKey[0], DoNotCare);
    EXPECT_EQ(st.searchKey[3], HighToLow);
    EXPECT_EQ(st.searchKey[4], LowToHigh);
    EXPECT_EQ(st.searchKey[14], DoNotCare);
    EXPECT_EQ(st.searchKey[15], DoNotCare);

    EXPECT_EQ(conditionChoice(LowToHigh), 4);
    EXPECT_EQ(conditionChoice(7), 0);
}

}  // namespace
}  // namespace zvl
