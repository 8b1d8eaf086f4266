// The event list's rows and texts, headless.
#include <gtest/gtest.h>

#include "search/eventlist.h"
#include "tests/search/searchfixture.h"

namespace zvl {
namespace {

TEST(EventList, CellsOfAResult) {
    test::SearchRig rig;
    rig.fill(3, 1000, 10);
    rig.setTime(3, 1045);
    rig.set(2, 0x0005);                      // inputs 1 and 3 on
    rig.set(3, 0x0004);                      // input 1 off again
    rig.state.inputLabels[0] = "Pump \xe9";  // é in the files' code page
    EXPECT_EQ(eventListCell(rig.state, 2, 0), "2");
    EXPECT_EQ(eventListCell(rig.state, 2, 1), formatResultTime(rig.state, 2));
    EXPECT_EQ(eventListCell(rig.state, 1, 2), "");
    EXPECT_EQ(eventListCell(rig.state, 3, 2), "25");
    EXPECT_EQ(eventListCell(rig.state, 2, 3), "Pump \u00e9 \u2191  Channel 3 \u2191");
    EXPECT_EQ(eventListCell(rig.state, 3, 3), "Pump \u00e9 \u2193");
    EXPECT_EQ(eventListCell(rig.state, 2, kEventListFirstState + 2), "1");
    EXPECT_EQ(eventListCell(rig.state, 3, kEventListFirstState), "0");
    EXPECT_EQ(eventListHeading(rig.state, kEventListFirstState), "Pump \u00e9");
    // Outside the store or the columns: nothing.
    EXPECT_EQ(eventListCell(rig.state, 4, 0), "");
    EXPECT_EQ(eventListCell(rig.state, 0, 0), "");
    EXPECT_EQ(eventListCell(rig.state, 1, kEventListColumns), "");
}

TEST(EventList, FiltersRowsAndLiveResults) {
    test::SearchRig rig;
    rig.fill(6);
    for (int64_t n : {2, 3, 5}) rig.set(n, inputMask(2));  // input 2 rises at 2 and 5, falls at 4 and 6
    EventListRows rows(rig.state);
    rows.reload();
    EXPECT_EQ(rows.rowCount(), 6);
    EXPECT_EQ(rows.resultAt(5), 6);
    EXPECT_EQ(rows.rowOf(6), 5);

    rows.setFilter({2, false});
    EXPECT_EQ(rows.rowCount(), 4);
    EXPECT_EQ(rows.resultAt(1), 4);
    EXPECT_EQ(rows.rowOf(5), 2);
    EXPECT_EQ(rows.rowOf(3), std::nullopt);
    EXPECT_EQ(rows.resultAt(4), 0);

    rig.key({{2, LowToHigh}});
    rows.setFilter({2, true});
    EXPECT_EQ(rows.rowCount(), 2);
    rows.setFilter({0, true});
    EXPECT_EQ(rows.rowCount(), 2);

    // Live results: only the new ones are looked at; a cleared store asks for a reload.
    rig.state.store.results[7].inputStates = 0;
    rig.state.store.results[8].inputStates = inputMask(2);
    rig.state.store.resultCount = 8;
    EXPECT_EQ(rows.appendNewResults(), 1);
    EXPECT_EQ(rows.resultAt(2), 8);
    EXPECT_EQ(rows.appendNewResults(), 0);
    rig.state.store.resultCount = 0;
    EXPECT_TRUE(rows.storeShrank());
    rows.reload();
    EXPECT_EQ(rows.rowCount(), 0);
}

}  // namespace
}  // namespace zvl
