// The six navigation buttons in both views, with the rounding of the time-base distances.
#include <gtest/gtest.h>

#include "search/navigation.h"
#include "tests/search/searchfixture.h"

namespace zvl {
namespace {

using test::SearchRig;

TEST(TimebaseSteps, RoundingRows) {
    struct Row {
        int index;
        int64_t h, q, s;
    };
    // 1/300 x 150 and 1/20 x 150 lie just above a half in single precision, so they round up.
    for (const Row& r : {Row{0, 1, 0, 1}, Row{1, 1, 1, 1}, Row{2, 3, 1, 1}, Row{3, 15, 8, 1},
                         Row{7, 150, 75, 3}, Row{8, 900, 450, 18}, Row{19, 2160000, 1080000, 43200}}) {
        const TimebaseSteps st = timebaseSteps(r.index);
        EXPECT_EQ(st.halfWidth, r.h) << "row " << r.index;
        EXPECT_EQ(st.fastStep, r.q) << "row " << r.index;
        EXPECT_EQ(st.slowStep, r.s) << "row " << r.index;
    }
}

struct EventNavigation : ::testing::Test {
    SearchRig rig;
    AppState& st = rig.state;
    void SetUp() override { st.operatingMode = EventSearch; }
    int64_t press(void (*button)(AppState&, ViewHooks&), int64_t from) {
        st.currentResult = from;
        button(st, rig.view);
        return st.currentResult;
    }
};

TEST_F(EventNavigation, TenResults) {
    rig.fill(10);
    EXPECT_EQ(press(goToLastResult, 0), -21);
    EXPECT_EQ(press(stepRightFast, -30), -21);
    EXPECT_EQ(press(stepLeftSlow, -30), -30);
    EXPECT_EQ(press(stepRightSlow, -22), -21);
    EXPECT_EQ(press(stepRightSlow, -21), -21);
    EXPECT_EQ(press(stepLeftFast, -21), -30);
}

TEST_F(EventNavigation, ThousandResultsFastStepsDiffer) {
    rig.fill(1000);
    EXPECT_EQ(press(stepRightFast, 960), 969);
    EXPECT_EQ(press(stepLeftFast, 969), 937) << "fast left moves 32";
    EXPECT_EQ(press(stepRightFast, 500), 531) << "fast right moves 31";
    EXPECT_EQ(press(stepLeftSlow, 500), 499);
    EXPECT_EQ(press(stepRightSlow, 500), 501);
    EXPECT_EQ(press(stepLeftFast, 0), -30);
}

TEST_F(EventNavigation, NoResults) {
    rig.fill(0);
    EXPECT_EQ(press(goToLastResult, 17), 17) << "Last needs a result";
    EXPECT_EQ(press(stepRightFast, -30), -31);
    EXPECT_EQ(press(stepRightSlow, -30), -31);
}

TEST_F(EventNavigation, OnlyTheBoundOfTheStepsOwnDirection) {
    rig.fill(10);
    EXPECT_EQ(press(stepLeftSlow, 500), 499) << "a step left is not held to the right bound";
    EXPECT_EQ(press(stepRightSlow, -100), -99) << "a step right is not held to the left bound";
}

TEST_F(EventNavigation, FirstSetsBothViewsOthersOnlyTheEventView) {
    rig.fill(10, 1000, 10);
    st.timebaseIndex = 7;
    st.viewStartTime = 77;
    EXPECT_EQ(press(goToFirstResult, 5), -30);
    EXPECT_EQ(st.viewStartTime, 1010 - 150);
    for (auto button : {stepLeftFast, stepLeftSlow, stepRightSlow, stepRightFast, goToLastResult}) {
        st.viewStartTime = 77;
        press(button, 0);
        EXPECT_EQ(st.viewStartTime, 77);
    }
}

TEST_F(EventNavigation, RecordModeCountsAsEventSearchAndEveryButtonRedraws) {
    rig.fill(1000);
    st.operatingMode = EventRecord;
    EXPECT_EQ(press(stepLeftFast, 969), 937);
    EXPECT_EQ(press(goToLastResult, 0), 969);
    EXPECT_EQ(rig.view.redraws, 2);
    for (auto button : {goToFirstResult, stepLeftSlow, stepRightSlow, stepRightFast}) press(button, 0);
    EXPECT_EQ(rig.view.redraws, 6);
    EXPECT_EQ(rig.view.refreshes, 0) << "the buttons redraw the trace, not the whole window";
}

struct TimeNavigation : ::testing::Test {
    SearchRig rig;
    AppState& st = rig.state;
    void SetUp() override {
        st.operatingMode = TimebaseSearch;
        rig.fill(5, 0, 1000);  // results at 1000 .. 5000
    }
    int64_t press(void (*button)(AppState&, ViewHooks&), int64_t from) {
        st.viewStartTime = from;
        button(st, rig.view);
        return st.viewStartTime;
    }
};

TEST_F(TimeNavigation, FiveMinuteTimebase) {
    st.timebaseIndex = 7;  // h 150, q 75, s 3
    EXPECT_EQ(press(goToFirstResult, 2000), 850);
    EXPECT_EQ(press(stepLeftSlow, 850), 850);
    EXPECT_EQ(press(stepRightSlow, 850), 853);
    EXPECT_EQ(press(goToLastResult, 853), 4850);
    EXPECT_EQ(press(stepRightFast, 4850), 4850);
    EXPECT_EQ(press(stepLeftFast, 4850), 4775);
    EXPECT_EQ(press(stepLeftFast, 900), 850);
    EXPECT_EQ(press(stepRightSlow, 4849), 4850);
    EXPECT_EQ(st.currentResult, -30) << "only First moves the event view";
}

TEST_F(TimeNavigation, StepsOfTheRoundingRows) {
    st.timebaseIndex = 0;
    EXPECT_EQ(press(stepLeftFast, 3000), 3000) << "the fast step is 0 at the 1-second time base";
    EXPECT_EQ(press(stepRightFast, 3000), 3000);
    EXPECT_EQ(press(stepRightSlow, 3000), 3001);
    EXPECT_EQ(press(goToFirstResult, 3000), 999);

    st.timebaseIndex = 1;
    EXPECT_EQ(press(stepRightFast, 3000), 3001);
    EXPECT_EQ(press(stepLeftSlow, 3000), 2999);
    st.timebaseIndex = 3;
    EXPECT_EQ(press(stepLeftFast, 3000), 2992);
    EXPECT_EQ(press(stepRightSlow, 3000), 3001);
    EXPECT_EQ(press(goToLastResult, 0), 4985);
    st.timebaseIndex = 8;
    EXPECT_EQ(press(stepRightFast, 2000), 2450);
    EXPECT_EQ(press(stepLeftSlow, 2000), 1982);
    EXPECT_EQ(press(goToFirstResult, 2000), 100);
}

TEST_F(TimeNavigation, OnlyTheBoundOfTheStepsOwnDirection) {
    st.timebaseIndex = 7;
    EXPECT_EQ(press(stepRightSlow, -5000), -4997);
    EXPECT_EQ(press(stepLeftSlow, 9000), 8997);
}

TEST_F(TimeNavigation, RecordModeCountsAsTimebaseSearch) {
    st.operatingMode = TimebaseRecord;
    st.timebaseIndex = 7;
    EXPECT_EQ(press(stepRightSlow, 1000), 1003);
    EXPECT_EQ(press(goToLastResult, 0), 4850);
    st.currentResult = 12;
    EXPECT_EQ(press(stepRightFast, 1000), 1075);
    EXPECT_EQ(st.currentResult, 12);
}

TEST_F(TimeNavigation, LastWithoutResultsGoesToTheStartOf2000) {
    rig.fill(0);
    st.timebaseIndex = 7;
    EXPECT_EQ(press(goToLastResult, 1234), -150);
}

}  // namespace
}  // namespace zvl
