// The result under the pointer and the marker's place, both from the walk of the view.
#include <gtest/gtest.h>

#include "tests/viewer/viewerfixture.h"
#include "viewer/viewmodes.h"

namespace zvl {
namespace {

using test::ViewerRig;

// 100 results 10 s apart at 1010 .. 2000, the recording ending with the last one.
struct View {
    OperatingModeValue mode;
    int32_t timebase;
    int64_t currentResult;
    int64_t viewStart;
};

void show(ViewerRig& rig, const View& v) {
    test::fillStore(rig.state, 100, 1000, 10);
    rig.state.operatingMode = v.mode;
    rig.state.timebaseIndex = v.timebase;
    rig.state.currentResult = v.currentResult;
    rig.state.viewStartTime = v.viewStart;
    NullCanvas picture;
    rig.renderer.redrawTraceView(picture);
}

TEST(PlotHit, AClickTakesTheResultDrawnUnderThePointer) {
    const View events{EventSearch, 6, -30, 0};        // result 1 in slot 31 (x 442..451)
    const View eventsOn{EventSearch, 6, 5, 0};        // results 5 .. 68 in slots 0 .. 63
    const View eventsEnd{EventSearch, 6, 60, 0};      // result 100 in slot 40, slots 41.. empty
    const View chart{TimebaseSearch, 6, 0, 1000};     // 0.2 s a pixel: result k from 132 + 50k
    const View chartEnd{TimebaseSearch, 6, 0, 1950};  // results 95 .. 100, the last until 383
    const View crowded{TimebaseSearch, 12, 0, 1000};  // 30 s a pixel: three results a column
    const View afterAll{TimebaseSearch, 6, 0, 3000};  // nothing to plot
    const struct {
        View view;
        int64_t x;
        int64_t result;
    } cases[] = {
        {events, 132, 0},
        {events, 441, 0},
        {events, 442, 1},
        {events, 451, 1},
        {events, 452, 2},
        {eventsOn, 132, 5},
        {eventsOn, 141, 5},
        {eventsOn, 142, 6},
        {eventsOn, 771, 68},
        {eventsOn, 772, 0},
        {eventsOn, 131, 0},
        {eventsEnd, 532, 100},
        {eventsEnd, 542, 0},
        {eventsEnd, 771, 0},
        // Left of result 1 nothing is in force; between two results the earlier one is.
        {chart, 132, 0},
        {chart, 181, 0},
        {chart, 182, 1},
        {chart, 231, 1},
        {chart, 232, 2},
        {chart, 250, 2},
        {chart, 731, 11},
        {chart, 732, 0},
        // Right of the last bar the last result is still in force.
        {chartEnd, 132, 95},
        {chartEnd, 181, 95},
        {chartEnd, 382, 100},
        {chartEnd, 383, 100},
        {chartEnd, 731, 100},
        // A column shows the last of the results on it.
        {crowded, 132, 1},
        {crowded, 133, 4},
        {crowded, 134, 7},
        {crowded, 135, 10},
        {crowded, 165, 100},
        {crowded, 170, 100},
        {afterAll, 300, 0},
        // The live views take no clicks.
        {{EventRecord, 6, 0, 0}, 500, 0},
        {{TimebaseRecord, 6, 0, 1000}, 500, 0},
    };
    for (const auto& c : cases) {
        ViewerRig rig;
        show(rig, c.view);
        const int64_t cursor = rig.state.cursorResult;
        const std::vector<PlotColumn> columns = rig.renderer.plotColumns();
        const size_t boxes = rig.prompts.warnings.size();
        EXPECT_EQ(rig.renderer.resultAtPictureX(c.x), c.result)
            << "mode " << int(c.view.mode) << " x " << c.x;
        EXPECT_EQ(rig.state.cursorResult, cursor) << "the cursor result stays";
        EXPECT_EQ(rig.renderer.plotColumns(), columns) << "the picture's columns stay";
        EXPECT_EQ(rig.prompts.warnings.size(), boxes) << "a click shows no box";
    }
}

// Where the marker stands; Pixels.TheMarkerIsADashedLineInBothModesAndInMonochrome checks how
// it is drawn there.
TEST(PlotHit, TheMarkerStandsWhereTheWalkLaidItsResultOut) {
    const struct {
        View view;
        int64_t marked;
        int64_t x;  // -1: not in view
    } cases[] = {
        {{EventSearch, 6, 5, 0}, 10, 187},  // slot 5, its middle
        {{EventSearch, 6, 5, 0}, 68, 767},  // slot 63
        {{EventSearch, 6, 5, 0}, 4, -1},
        {{EventSearch, 6, 5, 0}, 69, -1},
        {{EventRecord, 6, 0, 0}, 100, 767},
        {{EventRecord, 6, 0, 0}, 37, 137},
        {{EventRecord, 6, 0, 0}, 36, -1},
        {{TimebaseSearch, 6, 0, 1025}, 3, 157},  // the start of its bar
        {{TimebaseSearch, 6, 0, 1025}, 14, 707},
        {{TimebaseSearch, 6, 0, 1025}, 15, -1},
        {{TimebaseSearch, 6, 0, 1025}, 2, -1},    // started before the view: only its bar is in it
        {{TimebaseSearch, 12, 0, 1000}, 3, 133},  // one of three results on a column
        {{TimebaseSearch, 6, 0, 1025}, 0, -1},
        {{TimebaseSearch, 6, 0, 1025}, 101, -1},
    };
    for (const auto& c : cases) {
        ViewerRig rig;
        show(rig, c.view);
        rig.state.store.markedResult = c.marked;
        EXPECT_EQ(rig.renderer.markerX(), c.x) << "mode " << int(c.view.mode) << " marker " << c.marked;
    }
    // The live time chart: results at now - 30, - 20 and - 10 s at 0.1 s a pixel.
    ViewerRig rig;
    test::fillStore(rig.state, 3, rig.clock.timeStamp() - 40, 10);
    rig.state.operatingMode = TimebaseRecord;
    rig.state.timebaseIndex = 5;
    rig.state.store.markedResult = 2;
    NullCanvas picture;
    rig.renderer.redrawTraceView(picture);
    EXPECT_EQ(rig.renderer.markerX(), 532);
}

TEST(PlotHit, ThePlotTakesClicksRightOfTheKeyColumnWithinItsFrame) {
    const struct {
        OperatingModeValue mode;
        int x, y;
        int64_t column;  // -1: no plot click
    } cases[] = {
        {EventSearch, 139, 200, -1},  // the key column's
        {EventSearch, 140, 200, 134},    {EventSearch, 777, 200, 771},   {EventSearch, 778, 200, -1},
        {TimebaseSearch, 737, 200, 731}, {TimebaseSearch, 738, 200, -1}, {EventSearch, 300, 129, -1},
        {EventSearch, 300, 130, 294},    {EventSearch, 300, 447, 294},   {EventSearch, 300, 448, -1},
        {EventSearch, 300, 500, -1},
    };
    for (const auto& c : cases) {
        const std::optional<int64_t> column = plotClickColumn(c.mode, c.x, c.y);
        EXPECT_EQ(column.value_or(-1), c.column) << c.x << "," << c.y;
        if (column) {
            EXPECT_FALSE(keyColumnInput(c.x, c.y) || inNameColumn(c.x, c.y)) << c.x << "," << c.y;
        }
    }
}

}  // namespace
}  // namespace zvl
