// Point and measure, headless: a click on the plot, the marker and the texts of the span.
#include <gtest/gtest.h>

#include "search/eventlist.h"
#include "search/marker.h"
#include "search/navigation.h"
#include "tests/search/searchfixture.h"

namespace zvl {
namespace {

TEST(Marker, DurationsReadFromTheirLargestUnit) {
    const std::pair<int64_t, const char*> cases[] = {
        {0, "0 s"},
        {59, "59 s"},
        {60, "1 min 00 s"},
        {125, "2 min 05 s"},
        {3725, "1 h 02 min 05 s"},
        {86399, "23 h 59 min 59 s"},
        {90125, "1 d 01 h 02 min 05 s"},
        {-3725, "-1 h 02 min 05 s"},
        {INT64_MIN, "-106751991167300 d 15 h 30 min 08 s"},
    };
    for (const auto& [seconds, text] : cases) EXPECT_EQ(formatDuration(seconds), text) << seconds;
}

TEST(Marker, TheSpanFromTheMarkerToTheCursorInTheWindowTheListAndTheTool) {
    test::SearchRig rig;
    AppState& st = rig.state;
    rig.fill(100);
    rig.setTime(47, rig.state.resultTime(10) + 3725);
    st.cursorResult = 47;
    EXPECT_EQ(markerToCursorText(st), "") << "no marker";
    EXPECT_EQ(fromMarkerCell(st, 47), "");

    ASSERT_TRUE(setMarker(st, 10));
    EXPECT_EQ(markerToCursorText(st), "Marker to cursor: 1 h 02 min 05 s, 37 results");
    EXPECT_EQ(eventListCell(st, 47, kEventListFromMarker), "1 h 02 min 05 s, 37 results");
    EXPECT_EQ(eventListCell(st, 11, kEventListFromMarker), "10 s, 1 result");
    EXPECT_EQ(eventListCell(st, 10, kEventListFromMarker), "0 s, 0 results");
    EXPECT_EQ(eventListCell(st, 9, kEventListFromMarker), "-10 s, -1 result");
    EXPECT_EQ(eventListHeading(st, kEventListFromMarker), "From marker");
    EXPECT_EQ(betweenLine(st, 10, 47), "10..47: 37 results, 3725 s (01:02:05)");
    EXPECT_EQ(betweenLine(st, 47, 10), "47..10: -37 results, -3725 s (-01:02:05)");
    rig.setTime(100, rig.state.resultTime(1) + 360000);
    EXPECT_EQ(betweenLine(st, 1, 100), "1..100: 99 results, 360000 s (100:00:00)");

    st.cursorResult = 0;
    EXPECT_EQ(markerToCursorText(st), "") << "no result under the cursor";
    st.cursorResult = 47;
    st.store.resultCount = 9;  // the marked result is gone
    EXPECT_EQ(markedResult(st), 0);
    EXPECT_EQ(markerToCursorText(st), "");
    EXPECT_FALSE(setMarker(st, 10)) << "only a result of the recording can be marked";
    EXPECT_FALSE(setMarker(st, 0));
}

TEST(Marker, SetMarkerMarksTheCursorResultOfASearchView) {
    const struct {
        OperatingModeValue mode;
        int64_t results;
        int64_t marked;
    } cases[] = {{EventSearch, 50, 20},
                 {TimebaseSearch, 50, 20},
                 {EventRecord, 50, 0},
                 {TimebaseRecord, 50, 0},
                 {EventSearch, 0, 0}};
    for (const auto& c : cases) {
        test::SearchRig rig;
        rig.fill(c.results);
        rig.state.operatingMode = c.mode;
        rig.state.cursorResult = 20;
        EXPECT_EQ(markCursorResult(rig.state), c.marked != 0) << int(c.mode) << " " << c.results;
        EXPECT_EQ(markedResult(rig.state), c.marked) << int(c.mode) << " " << c.results;
    }
}

TEST(Marker, AClickPutsTheResultUnderThePointerUnderTheCursorAndShiftMarksIt) {
    test::SearchRig rig;
    AppState& st = rig.state;
    rig.fill(100);
    st.currentResult = 5;  // results 5 .. 68 in slots 0 .. 63
    test::FakeClock clock;
    TraceRenderer renderer(st, clock, rig.prompts);
    const int slot40 = kPictureLeft + kPlotLeft + 10 * 40 + 3, row = kPictureTop + 200;

    const AppState before = st;
    EXPECT_FALSE(goToResultAtPointer(st, renderer, 139, row)) << "the key column keeps its click";
    st.operatingMode = EventRecord;
    EXPECT_FALSE(goToResultAtPointer(st, renderer, slot40, row)) << "online a click does nothing";
    EXPECT_FALSE(markResultAtPointer(st, renderer, slot40, row));
    st.operatingMode = EventSearch;
    EXPECT_EQ(st.currentResult, before.currentResult);
    EXPECT_EQ(markedResult(st), 0);

    ASSERT_TRUE(markResultAtPointer(st, renderer, slot40, row));
    EXPECT_EQ(markedResult(st), 45);
    EXPECT_EQ(st.currentResult, 5) << "Shift+click leaves the view where it is";

    ASSERT_TRUE(goToResultAtPointer(st, renderer, slot40, row));
    AppState byGoTo = before;
    putUnderCursor(byGoTo, 45);
    EXPECT_EQ(st.currentResult, byGoTo.currentResult);
    EXPECT_EQ(st.viewStartTime, byGoTo.viewStartTime);
    EXPECT_EQ(st.cursorResult, 45);
}

}  // namespace
}  // namespace zvl
