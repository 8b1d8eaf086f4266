// The walks of the four modes, observed through the drawSegment calls they make.
#include <gtest/gtest.h>

#include "core/timebase.h"
#include "search/goto.h"
#include "search/matchsearch.h"
#include "search/navigation.h"
#include "tests/viewer/viewerfixture.h"
#include "viewer/redrawpacer.h"
#include "viewer/viewmodes.h"

namespace zvl {
namespace {

using test::ViewerRig;

TEST(EventWalk, RecordModePutsTheNewestResultInTheLastSlot) {
    ViewerRig rig;
    test::fillStore(rig.state, 3, 1000, 10);
    rig.state.operatingMode = EventRecord;
    NullCanvas c;
    rig.renderer.redrawTraceView(c);
    EXPECT_EQ(rig.state.cursorResult, 3);
    const auto input1 = rig.of(1, OnBar), input1off = rig.of(1, OffBar);
    ASSERT_EQ(input1.size() + input1off.size(), 3u);
    // Slots 63, 62, 61 hold results 3, 2, 1; input 1 is on in the odd ones.
    EXPECT_EQ(input1, (std::vector<SegmentCall>{{762, 1, 10, OnBar}, {742, 1, 10, OnBar}}));
    EXPECT_EQ(input1off, (std::vector<SegmentCall>{{752, 1, 10, OffBar}}));
}

TEST(EventWalk, RecordModeWithNoResultsShowsTheStartRecord) {
    ViewerRig rig;
    test::fillStore(rig.state, 0, 1000, 10);
    rig.state.inputActive[3] = false;
    rig.state.operatingMode = EventRecord;
    NullCanvas c;
    rig.renderer.redrawTraceView(c);
    EXPECT_EQ(rig.state.cursorResult, 0);
    EXPECT_EQ(rig.segments.size(), 15u) << "slot 63 only, one bar per shown input";
    for (const auto& s : rig.segments) {
        EXPECT_EQ(s.x, 762);
        EXPECT_EQ(s.kind, OffBar);
        EXPECT_NE(s.input, 4);
    }
}

TEST(EventWalk, SearchModeCentresCurrentResultPlus31) {
    ViewerRig rig;
    test::fillStore(rig.state, 100, 1000, 10);
    rig.state.operatingMode = EventSearch;
    rig.state.currentResult = -30;
    NullCanvas c;
    rig.renderer.redrawTraceView(c);
    EXPECT_EQ(rig.state.cursorResult, 1);
    int64_t minX = 10000;
    for (const auto& s : rig.segments) minX = std::min(minX, s.x);
    EXPECT_EQ(minX, 132 + 10 * 31) << "result 1 in slot 31, slots 0..30 empty";
    EXPECT_EQ(rig.of(16, OnBar).size(), 34u) << "slots 31..64 hold results 1..34";

    rig.segments.clear();
    rig.state.currentResult = 69;  // results 69..100 in slots 0..31
    rig.renderer.redrawTraceView(c);
    EXPECT_EQ(rig.state.cursorResult, 100);
    EXPECT_EQ(rig.of(16, OnBar).size(), 32u);
}

TEST(EventWalk, SearchModeCursorStaysAtOneWhenSlot31IsEmpty) {
    ViewerRig rig;
    test::fillStore(rig.state, 20, 1000, 10);
    rig.state.operatingMode = EventSearch;
    rig.state.currentResult = 1;  // slot 31 would be result 32
    NullCanvas c;
    rig.renderer.redrawTraceView(c);
    EXPECT_EQ(rig.state.cursorResult, 1);
    EXPECT_EQ(rig.of(16, OnBar).size(), 20u);
}

TEST(TimebaseRecordWalk, NewestBarReachesNowAndOlderOnesStackLeftwards) {
    ViewerRig rig;
    const int64_t now = rig.clock.timeStamp();
    test::fillStore(rig.state, 3, now - 40, 10);  // results at now-30, -20, -10
    rig.state.operatingMode = TimebaseRecord;
    rig.state.timebaseIndex = 5;  // 0.1 s a pixel
    NullCanvas c;
    rig.renderer.redrawTraceView(c);
    EXPECT_EQ(rig.state.liveTime, now);
    EXPECT_EQ(rig.state.cursorResult, 1);
    // Input 16 is on in results 1..3 and off in the start record.
    EXPECT_EQ(rig.of(16, OnBar), (std::vector<SegmentCall>{
                                     {632, 16, 100, OnBar}, {532, 16, 100, OnBar}, {432, 16, 100, OnBar}}));
    // The start record fills the rest, cut at the left edge: every input off before result 1.
    const auto off = rig.of(16, OffBar);
    ASSERT_EQ(off.size(), 1u);
    EXPECT_EQ(off[0].x, 132);
    EXPECT_EQ(off[0].width, 300);
}

TEST(TimebaseRecordWalk, NoResultYetShowsEveryInputOffAcrossThePlot) {
    ViewerRig rig;
    test::fillStore(rig.state, 0, rig.clock.timeStamp() - 5, 1);
    rig.state.operatingMode = TimebaseRecord;
    NullCanvas c;
    rig.renderer.redrawTraceView(c);
    ASSERT_EQ(rig.segments.size(), 16u);
    for (const auto& s : rig.segments) EXPECT_EQ(s, (SegmentCall{132, s.input, 600, OffBar}));
}

TEST(TimebaseRecordWalk, ShortResultsGetChangeMarksAtTheirRightEnd) {
    ViewerRig rig;
    const int64_t now = rig.clock.timeStamp();
    test::fillStore(rig.state, 4, now - 100, 10);
    // Results 3 and 4 lie 0 s apart: result 3 lasts 0 pixels at the scale of row 12 (30 s a pixel).
    rig.state.store.results[4].setTime(uint32_t(now - 70));
    rig.state.timebaseIndex = 12;
    rig.state.operatingMode = TimebaseRecord;
    NullCanvas c;
    rig.renderer.redrawTraceView(c);
    const auto marks = rig.of(1, ChangeMark);
    ASSERT_FALSE(marks.empty());
    for (const auto& m : marks) EXPECT_LT(m.width, 2);
    EXPECT_TRUE(rig.of(16, ChangeMark).empty()) << "input 16 never changes";
}

TEST(TimebaseSearchWalk, BarsStartAtTheirTimesAndTheCursorResultSpansX432) {
    ViewerRig rig;
    test::fillStore(rig.state, 10, 1000, 10);  // results at 1010, 1020, ... 1100
    rig.state.operatingMode = TimebaseSearch;
    rig.state.viewStartTime = 1000;
    rig.state.timebaseIndex = 6;  // 0.2 s a pixel: 10 s is 50 pixels
    NullCanvas c;
    rig.renderer.redrawTraceView(c);
    const auto bars = rig.of(16, OnBar);
    ASSERT_EQ(bars.size(), 10u) << "results 1..10";
    for (size_t j = 0; j < 9; ++j) EXPECT_EQ(bars[j], (SegmentCall{182 + 50 * int64_t(j), 16, 50, OnBar}));
    EXPECT_EQ(bars[9], (SegmentCall{632, 16, 1, OnBar}))
        << "the last result ends with the recording: one pixel";
    EXPECT_EQ(rig.state.cursorResult, 6) << "result 6 spans 432..482";
    EXPECT_TRUE(rig.prompts.warnings.empty());
    EXPECT_EQ(rig.prompts.busyOn, rig.prompts.busyOff);
}

TEST(TimebaseSearchWalk, TwoTimeBasesScaleTheSameStore) {
    for (int row : {3, 8}) {
        ViewerRig rig;
        test::fillStore(rig.state, 10, 1000, 10);
        rig.state.operatingMode = TimebaseSearch;
        rig.state.viewStartTime = 1005;
        rig.state.timebaseIndex = row;
        NullCanvas c;
        rig.renderer.redrawTraceView(c);
        const double spp = double(timebaseRow(row).secondsPerPixel);
        const auto bars = rig.of(16, OnBar);
        ASSERT_FALSE(bars.empty());
        EXPECT_EQ(bars[0].x, 132 + int64_t(std::nearbyint(5 / spp))) << "row " << row;
        if (row == 8) {  // 3 s a pixel: 10 s rounds to 3 pixels, the whole store fits
            EXPECT_EQ(bars.size(), 10u);
            EXPECT_EQ(bars[0].width, int64_t(std::nearbyint((1020 - 1005) / spp)) - 2);
        }
    }
}

TEST(TimebaseSearchWalk, AViewAfterEveryResultIsAPlottingError) {
    ViewerRig rig;
    test::fillStore(rig.state, 10, 1000, 10);
    rig.state.operatingMode = TimebaseSearch;
    rig.state.viewStartTime = 5000;
    rig.state.cursorResult = 7;
    NullCanvas c;
    rig.renderer.redrawTraceView(c);
    EXPECT_TRUE(rig.prompts.warnings.empty()) << "no box while the picture is drawn";
    rig.renderer.showPendingWarning();
    EXPECT_EQ(rig.prompts.warnings, (std::vector<std::string>{"Plotting Error"}));
    EXPECT_TRUE(rig.segments.empty());
    EXPECT_EQ(rig.state.cursorResult, 1);
    EXPECT_EQ(rig.state.viewStartTime, 5000);
    EXPECT_EQ(rig.prompts.busyOn, rig.prompts.busyOff);

    ViewerRig empty;
    empty.state.operatingMode = TimebaseSearch;
    empty.state.viewStartTime = 1;
    empty.renderer.redrawTraceView(c);
    EXPECT_EQ(empty.renderer.pendingWarning(), "Plotting Error") << "an empty store has nothing to plot";
}

// A picture's warning is shown once the picture is finished; a redraw asked for while a
// picture is built follows it instead of starting inside it, and a redraw from inside the
// warning's box opens no second box.
TEST(TimebaseSearchWalk, ThePacerShowsTheWarningAfterThePictureAndBuildsOneAtATime) {
    ViewerRig rig;
    rig.state.operatingMode = TimebaseSearch;
    rig.state.viewStartTime = 1;  // an empty store: "Plotting Error"
    test::FakeTimer frame{rig.clock, "frame"};
    int depth = 0, pictures = 0, boxes = 0;
    RedrawPacer* pacer = nullptr;
    RedrawPacer paced(rig.state, rig.renderer, rig.clock, frame,
                      [&](const RedrawPacer::Draw& draw, const PictureDamage&) {
                          EXPECT_EQ(depth++, 0) << "a picture inside another";
                          NullCanvas c;
                          draw(c);
                          if (++pictures == 1) pacer->redrawNow();  // asked for while the first is built
                          --depth;
                      });
    pacer = &paced;
    rig.prompts.onWarning = [&] {
        EXPECT_EQ(depth, 0) << "a box while a picture is drawn";
        if (++boxes == 1) pacer->redrawNow();  // a redraw from inside the box
    };
    paced.redrawNow();
    EXPECT_EQ(pictures, 3) << "the first, the one asked for during it, the one from the box";
    EXPECT_EQ(rig.prompts.warnings, std::vector<std::string>{"Plotting Error"});
}

TEST(TimebaseSearchWalk, TheViewMayStartBeyondResult33000) {
    ViewerRig rig;
    test::fillStore(rig.state, 40000, 1000, 10);
    rig.state.operatingMode = TimebaseSearch;
    rig.state.viewStartTime = 1000 + 10 * 35000;  // result 35000 at the left edge
    rig.state.timebaseIndex = 6;
    NullCanvas c;
    rig.renderer.redrawTraceView(c);
    EXPECT_TRUE(rig.prompts.warnings.empty());
    const auto bars = rig.of(16, OnBar);
    ASSERT_FALSE(bars.empty());
    EXPECT_EQ(bars[0].x, 132);
    EXPECT_EQ(rig.state.cursorResult, 35006);
}

TEST(TimebaseSearchWalk, NoChangeMarksLeftOfX138) {
    ViewerRig rig;
    test::fillStore(rig.state, 40, 1000, 1);  // one second apart: 1/30 pixel at row 12
    rig.state.operatingMode = TimebaseSearch;
    rig.state.timebaseIndex = 12;
    rig.state.viewStartTime = 1000 - 30 * 3;  // result 1 lands 3 pixels right of the edge
    NullCanvas c;
    rig.renderer.redrawTraceView(c);
    EXPECT_TRUE(rig.of(1, ChangeMark).empty()) << "every change lies at x 135 or 136, left of 138";

    ViewerRig later;
    test::fillStore(later.state, 200, 1000, 1);
    later.state.operatingMode = TimebaseSearch;
    later.state.timebaseIndex = 12;
    later.state.viewStartTime = 1000 - 30 * 20;  // now at x 152
    later.renderer.redrawTraceView(c);
    const auto marks = later.of(1, ChangeMark);
    ASSERT_FALSE(marks.empty());
    for (const auto& m : marks) EXPECT_GE(m.x, 138);
    EXPECT_TRUE(later.of(16, ChangeMark).empty());
}

TEST(TimebaseSearchWalk, AChosenResultStaysTheCursorResultAmongResultsOfItsSecond) {
    ViewerRig rig;
    test::fillStore(rig.state, 10, 1000, 10);
    for (int64_t i = 6; i <= 8; ++i) rig.state.store.results[size_t(i)].setTime(1050);  // 5..8 share a second
    for (int64_t i : {1, 3}) rig.state.store.results[size_t(i)].inputStates &= 0xFFFE;  // input 1 on: 5, 7, 9
    rig.state.operatingMode = TimebaseSearch;
    rig.state.timebaseIndex = 6;
    rig.state.searchKey[0] = On;  // input 1 is on in the odd results
    NullCanvas c;
    auto cursorAfter = [&](auto&& choose) {
        choose();
        rig.renderer.redrawTraceView(c);
        return rig.state.cursorResult;
    };
    EXPECT_EQ(cursorAfter([&] { findFirstMatch(rig.state, rig.prompts, rig.view); }), 5) << "Find";
    EXPECT_EQ(cursorAfter([&] { findNextMatch(rig.state, rig.prompts); }), 7) << "Next";
    EXPECT_EQ(cursorAfter([&] { findPreviousMatch(rig.state, rig.prompts, rig.view); }), 5) << "Back";
    EXPECT_EQ(cursorAfter([&] { goToEvent(rig.state, rig.prompts, "6"); }), 6) << "Go To";
    test::FakeTimer update{rig.clock, "update"};
    ViewContext ctx{rig.state, rig.renderer, rig.view, update};
    EXPECT_EQ(cursorAfter([&] {
                  toggleEventTimeView(ctx);
                  toggleEventTimeView(ctx);
              }),
              6)
        << "to the event view and back";
    EXPECT_EQ(cursorAfter([&] { stepRightSlow(rig.state, rig.view); }), 8)
        << "the view moved: the last of the second";
}

// A time that steps back (summer time's end, kept backward upload times): each result's bar
// stands at its own time until the next result's; the one before a step has none.
TEST(TimebaseSearchWalk, ATimeThatStepsBackDrawsEachResultAtItsOwnTime) {
    const struct {
        std::vector<int64_t> times;
        int64_t viewStart;
        std::vector<int64_t> barsAt;  // of input 16 (always on), each 50 pixels wide
        int64_t cursor;
    } cases[] = {
        {{1010, 1020, 1030, 1040, 1050, 1060, 1030, 1040, 1050, 1060},
         1000,
         {182, 232, 282, 332, 382, 282, 332, 382, 432},
         10},
        // An hour back, the view after the step: the first two lie right of the chart.
        {{5010, 5020, 5030, 1410, 1420, 1430}, 1400, {18182, 18232, 182, 232, 282}, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        ViewerRig rig;
        test::fillStore(rig.state, int64_t(c.times.size()), 1000, 10);
        for (size_t i = 0; i < c.times.size(); ++i)
            rig.state.store.results[i + 1].setTime(uint32_t(c.times[i]));
        rig.state.recordingEndTime = c.times.back() + 10;
        rig.state.operatingMode = TimebaseSearch;
        rig.state.viewStartTime = c.viewStart;
        rig.state.timebaseIndex = 6;  // 0.2 s a pixel: 10 s is 50 pixels
        NullCanvas canvas;
        rig.renderer.redrawTraceView(canvas);
        std::vector<SegmentCall> bars;
        for (const int64_t x : c.barsAt) bars.push_back({x, 16, 50, OnBar});
        EXPECT_EQ(rig.of(16, OnBar), bars);
        EXPECT_EQ(rig.state.cursorResult, c.cursor);
        EXPECT_TRUE(rig.prompts.warnings.empty());
    }
}

TEST(TimeLabels, CountsAndTextsFollowTheRow) {
    ViewerRig rig;
    rig.state.operatingMode = TimebaseSearch;
    rig.state.viewStartTime = 3600 * 9 + 60 * 5 + 7;  // 1 Jan 2000 09:05:07
    for (int row = 0; row < kTimebaseCount; ++row) {
        rig.state.timebaseIndex = row;
        rig.renderer.updateWalkState();
        int filled = 0;
        for (const auto& l : rig.state.timeLabels) filled += !l.empty();
        EXPECT_EQ(filled, timebaseRow(row).labelCount) << "row " << row;
    }
    rig.state.timebaseIndex = 5;  // 6 s between labels, "h:nn:ss"
    rig.renderer.updateWalkState();
    EXPECT_EQ(rig.state.timeLabels[0], "9:05:07");
    EXPECT_EQ(rig.state.timeLabels[10], "9:06:07");
    rig.state.timebaseIndex = 1;  // 0.2 s between labels, plus 0.2 s: "h:nn:ss:zzz"
    rig.renderer.updateWalkState();
    EXPECT_EQ(rig.state.timeLabels[0], "9:05:07:200");
    EXPECT_EQ(rig.state.timeLabels[10], "9:05:09:200") << "10 x 60 x 1/300 s = 2 s";
    rig.state.timebaseIndex = 19;  // 7200 s a pixel, 120 pixels: 10 days a label
    rig.renderer.updateWalkState();
    EXPECT_EQ(rig.state.timeLabels[1], "11/01/00 09:05");
}

TEST(TimeLabels, RecordModeLabelsEndAtNow) {
    ViewerRig rig;
    rig.state.operatingMode = TimebaseRecord;
    rig.state.timebaseIndex = 3;  // 30 s across, 7 labels of 100 pixels (5 s)
    rig.clock.base = {2026, 12, 7, 10, 0, 0, 0};
    rig.clock.ms = 30'000;
    rig.renderer.updateWalkState();
    EXPECT_EQ(rig.state.timeLabels[0], "10:00:00");
    EXPECT_EQ(rig.state.timeLabels[6], "10:00:30");
    EXPECT_TRUE(rig.state.timeLabels[7].empty());
}

TEST(TimeLabelFormat, EachFormat) {
    const int64_t t = timeStampFromDateTime({2031, 3, 4, 7, 8, 9, 0});
    EXPECT_EQ(formatTimeLabel("nn:ss", t, 0), "08:09");
    EXPECT_EQ(formatTimeLabel("h:nn:ss:zzz", t, 45), "7:08:09:045");
    EXPECT_EQ(formatTimeLabel("h:nn:ss", t, 999), "7:08:09");
    EXPECT_EQ(formatTimeLabel("hh:nn:ss", t, 0), "07:08:09");
    EXPECT_EQ(formatTimeLabel("hh:nn", t, 0), "07:08");
    EXPECT_EQ(formatTimeLabel("dd/mm/yy hh:nn", t, 0), "04/03/31 07:08");
    EXPECT_EQ(formatTimeLabel("h:nn:ss:zzz", t, 1300), "7:08:10:300");
}

TEST(Timebase, ProductsWidenTheSinglePrecisionValueFirst) {
    EXPECT_EQ(std::nearbyint(double(timebaseRow(1).secondsPerPixel) * 150.0), 1.0)
        << "1/300 x 150 rounds to 1";
    EXPECT_EQ(double(timebaseRow(1).secondsPerPixel), double(1.0f / 300.0f));
    for (int row : {0, 1, 2, 3, 4, 5}) EXPECT_EQ(refreshIntervalMs(row), 400) << row;
    EXPECT_EQ(refreshIntervalMs(6), 800);
    EXPECT_EQ(refreshIntervalMs(7), 2000);
    EXPECT_EQ(refreshIntervalMs(8), 12000);
    EXPECT_EQ(refreshIntervalMs(19), 7200 * 20 * 200);
    EXPECT_STREQ(timebaseRow(-1).caption, "Timebase = 1 Minute");
    EXPECT_STREQ(timebaseRow(0).caption, "Timebase = 1 Second");
    EXPECT_STREQ(timebaseRow(19).caption, "Timebase = 50 Days");
}

struct Modes : ::testing::Test {
    ViewerRig rig;
    test::CountingView view;
    test::FakeClock clock;
    test::FakeTimer update{clock, "update"};
    ViewContext ctx{rig.state, rig.renderer, view, update};
};

TEST_F(Modes, RecentreOnCursorPutsTheCursorResultMidViewInBothModes) {
    test::fillStore(rig.state, 100, 1000, 10);
    rig.state.cursorResult = 50;
    rig.state.operatingMode = EventSearch;
    rig.state.timebaseIndex = 5;
    recentreOnCursor(rig.state);
    EXPECT_EQ(rig.state.viewStartTime, 1500 - 30);
    EXPECT_EQ(rig.state.currentResult, 19);
    rig.state.operatingMode = TimebaseSearch;
    recentreOnCursor(rig.state);
    EXPECT_EQ(rig.state.currentResult, -30);
}

TEST_F(Modes, SwitchingEventAndTimeKeepsTheCursorResult) {
    test::fillStore(rig.state, 100, 1000, 10);
    rig.state.operatingMode = EventSearch;
    rig.state.currentResult = 40 - 31;
    NullCanvas c;
    rig.renderer.redrawTraceView(c);
    ASSERT_EQ(rig.state.cursorResult, 40);
    toggleEventTimeView(ctx);
    EXPECT_EQ(rig.state.operatingMode, TimebaseSearch);
    rig.renderer.redrawTraceView(c);
    EXPECT_EQ(rig.state.cursorResult, 40);
    toggleEventTimeView(ctx);
    EXPECT_EQ(rig.state.operatingMode, EventSearch);
    rig.renderer.redrawTraceView(c);
    EXPECT_EQ(rig.state.cursorResult, 40);
    EXPECT_EQ(rig.state.currentResult, 9) << "back in slot 31";
    EXPECT_EQ(view.redraws, 2);
    EXPECT_EQ(view.refreshes, 2);
}

TEST_F(Modes, PlusAndMinusStopAtRows3And19AndFollowTheCursor) {
    test::fillStore(rig.state, 100, 1000, 10);
    rig.state.operatingMode = TimebaseSearch;
    rig.state.timebaseIndex = 4;
    rig.state.viewStartTime = 1000;
    finerTimebase(ctx);
    EXPECT_EQ(rig.state.timebaseIndex, 3);
    EXPECT_EQ(update.interval(), 400);
    // At row 3 (1/20 s a pixel) from the old view start, result 1 spans 332..532 and so the
    // cursor line; the view is then re-centred on it, 300 pixels (15 s) before its time.
    EXPECT_EQ(rig.state.cursorResult, 1);
    EXPECT_EQ(rig.state.viewStartTime, 1010 - 15);
    finerTimebase(ctx);
    EXPECT_EQ(rig.state.timebaseIndex, 3);
    EXPECT_EQ(rig.state.cursorResult, 1);
    EXPECT_EQ(rig.state.viewStartTime, 1010 - 15);
    rig.state.timebaseIndex = 18;
    coarserTimebase(ctx);
    coarserTimebase(ctx);
    EXPECT_EQ(rig.state.timebaseIndex, 19);
    EXPECT_EQ(update.interval(), refreshIntervalMs(19));
    EXPECT_EQ(view.refreshes, 4);
}

TEST_F(Modes, TheLiveRefreshMovesTheViewToTheLiveTime) {
    rig.state.liveTime = 4242;
    updateTimer(ctx);
    EXPECT_EQ(rig.state.viewStartTime, 4242);
    EXPECT_EQ(view.redraws, 1);
}

TEST(Clicks, KeyAndNameColumns) {
    EXPECT_EQ(keyColumnInput(116, 131), 1);
    EXPECT_EQ(keyColumnInput(139, 449), 16);
    EXPECT_EQ(keyColumnInput(125, 150), 2);
    EXPECT_FALSE(keyColumnInput(115, 140));
    EXPECT_FALSE(keyColumnInput(140, 140));
    EXPECT_FALSE(keyColumnInput(120, 130));
    EXPECT_FALSE(keyColumnInput(120, 450));
    EXPECT_TRUE(inNameColumn(14, 131));
    EXPECT_TRUE(inNameColumn(112, 449));
    EXPECT_FALSE(inNameColumn(13, 200));
    EXPECT_FALSE(inNameColumn(50, 130));
    EXPECT_FALSE(inNameColumn(50, 450));

    AppState st;
    const uint8_t cycle[] = {On, Off, HighToLow, LowToHigh, DoNotCare, On};
    for (uint8_t want : cycle) {
        advanceSearchCondition(st, 4);
        EXPECT_EQ(st.searchKey[3], want);
    }
    st.searchKey[0] = 9;  // an unknown condition counts as DoNotCare
    advanceSearchCondition(st, 1);
    EXPECT_EQ(st.searchKey[0], On);
}

}  // namespace
}  // namespace zvl
