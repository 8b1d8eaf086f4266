// The printed page's geometry and text, with text widths given by the test.

#include <gtest/gtest.h>

#include <memory>

#include "core/state.h"
#include "files/printlayout.h"

namespace zvl {
namespace {

int tenPerCharacter(const std::string& text) {
    return 10 * int(text.size());
}

TEST(PrintPage, PictureRectangleScalesWithThePageAndRoundsHalvesToEven) {
    auto st = std::make_unique<AppState>();
    const auto page = printPage(4800, 6600, *st, tenPerCharacter);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->picture, (PageRect{200, 550, 4564, 2530}));  // 600 x 7.2727... = 4363.6...
    // 600 x 1155 / 660 = 1050; 300 x 3005 / 1000 = 901.5 goes up to the even 902, and
    // 300 x 4015 / 1000 = 1204.5 down to the even 1204.
    EXPECT_EQ(printPage(1155, 3005, *st, tenPerCharacter)->picture, (PageRect{200, 550, 1250, 1452}));
    EXPECT_EQ(printPage(1155, 4015, *st, tenPerCharacter)->picture.bottom, 1754);
    EXPECT_FALSE(printPage(65536, 1000, *st, tenPerCharacter));
    EXPECT_FALSE(printPage(4800, 0, *st, tenPerCharacter));
}

TEST(PrintPage, TextLinesAroundThePicture) {
    auto st = std::make_unique<AppState>();
    st->store.results[3].setTime(86400 + 3661);
    st->resultCount() = 3;
    st->cursorResult = 3;
    st->recordingTitle = "Press line 2";
    st->commentLines[0] = "first";
    st->commentLines[2] = "third";
    st->commentLines[10] = "the eleventh is never printed";
    const auto page = printPage(4800, 6600, *st, tenPerCharacter);
    ASSERT_TRUE(page);
    const std::string eventLine = "2 Jan 00 01:01:01   Event: 3";  // 28 characters, 280 wide
    // Centred on 200 + 4800 / 2 = 2600, not on the page's centre 2400.
    EXPECT_EQ(page->texts, (std::vector<PrintedText>{{2600 - 140, 2680, eventLine, true},
                                                     {200, 100, "Corvask Pellam-ZVL", true},
                                                     {200, 2830, "Press line 2", false},
                                                     {200, 2980, "first", false},
                                                     {200, 3130, "third", false}}));
    // An odd width: half of it is truncated toward zero.
    const auto odd = printPage(4801, 6600, *st, [](const std::string&) { return 281; });
    EXPECT_EQ(odd->texts[0].x, 200 + 2400 - 140);
}

}  // namespace
}  // namespace zvl
