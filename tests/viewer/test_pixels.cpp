// Pixels of the 780 x 380 trace picture as the Qt canvas paints it (offscreen platform).
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <cstdlib>
#include <set>

#include "core/timebase.h"
#include "qt/qtcanvas.h"
#include "qt/tracepicture.h"
#include "search/navigation.h"
#include "tests/viewer/viewerfixture.h"

namespace zvl {
namespace {

using test::ViewerRig;

uint32_t px(const QImage& img, int x, int y) {
    const QRgb c = img.pixel(x, y);
    return rgb(uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c)));
}

// Writes the picture to $ZVL_PNG_DIR/name.png when that is set, to look at by eye.
void keep(const QImage& img, const char* name) {
    if (const char* dir = std::getenv("ZVL_PNG_DIR")) img.save(QString("%1/%2.png").arg(dir, name));
}

struct Pixels : ::testing::Test {
    ViewerRig rig;
    AppState& st = rig.state;
    const ColourSlots& col = st.colours;
    QImage draw(const char* name = nullptr) {
        QImage img = renderTracePicture(rig.renderer);
        if (name) keep(img, name);
        return img;
    }
    // 300 results of changing inputs in the 5-minute time chart: many bars, marks and texts.
    void showBusyTimeChart() {
        test::fillStore(st, 300, 1000, 7);
        for (int64_t i = 1; i <= 300; ++i) st.store.slot(i).inputStates = uint16_t(i * 0x9E37u);
        st.operatingMode = TimebaseSearch;
        st.timebaseIndex = 7;
        st.viewStartTime = 1500;
    }
};

TEST_F(Pixels, BorderHeadingAndFrame) {
    test::fillStore(st, 0, 1000, 10);
    st.operatingMode = EventSearch;
    const QImage img = draw("empty_event_search");
    ASSERT_EQ(img.width(), 780);
    ASSERT_EQ(img.height(), 380);
    for (auto [x, y] : {std::pair{0, 0}, {1, 1}, {779, 379}, {778, 200}, {400, 378}})
        EXPECT_EQ(px(img, x, y), kBorderRed) << x << "," << y;
    EXPECT_EQ(px(img, 2, 2), col.backgroundColour);
    EXPECT_EQ(px(img, 777, 100), col.backgroundColour);
    // The plot frame of the event modes: 132..772, 30..347.
    EXPECT_EQ(px(img, 772, 100), col.gridColour);
    EXPECT_EQ(px(img, 773, 100), col.backgroundColour);
    EXPECT_EQ(px(img, 300, 347), col.gridColour);
    EXPECT_EQ(px(img, 300, 30), col.gridColour);
    // Cursor arrow at 447: black inside, outlined in the grid colour.
    EXPECT_EQ(px(img, 447, 18), kBlack);
    EXPECT_EQ(px(img, 447, 8), kBlack);

    st.monochromePrinting = true;
    const QImage mono = draw("empty_event_search_mono");
    EXPECT_EQ(px(mono, 0, 0), kBlack);
    EXPECT_EQ(px(mono, 2, 2), kWhite);
    EXPECT_EQ(px(mono, 772, 100), kBlack);
}

TEST_F(Pixels, KeyBoxesOfEveryConditionInColour) {
    test::fillStore(st, 0, 1000, 10);
    for (int k = 0; k < 5; ++k) st.searchKey[size_t(k)] = uint8_t(k);  // inputs 1..5: each condition
    st.searchKey[5] = On;
    st.inputActive[5] = false;  // input 6 not shown: silver whatever its condition
    const QImage img = draw("key_boxes");
    auto fillOf = [&](int k) { return px(img, 130, rowTop(k) + 2); };
    auto triangleOf = [&](int k) { return px(img, 109, rowTop(k) + 9); };
    EXPECT_EQ(px(img, 107, rowTop(1)), col.gridColour) << "outline";
    EXPECT_EQ(fillOf(1), kSilver);
    EXPECT_EQ(fillOf(2), col.onColour);
    EXPECT_EQ(fillOf(3), col.offColour);
    EXPECT_EQ(fillOf(4), col.offColour);
    EXPECT_EQ(triangleOf(4), col.onColour) << "HighToLow: from on to off";
    EXPECT_EQ(fillOf(5), col.onColour);
    EXPECT_EQ(triangleOf(5), col.offColour) << "LowToHigh: from off to on";
    EXPECT_EQ(triangleOf(2), col.onColour) << "no triangle for On";
    EXPECT_EQ(fillOf(6), kSilver);
    // The number is white on the box fill.
    bool white = false;
    for (int x = 113; x < 127; ++x)
        for (int y = rowTop(2) + 3; y < rowTop(2) + 17; ++y) white |= px(img, x, y) == kWhite;
    EXPECT_TRUE(white);
}

TEST_F(Pixels, KeyBoxesInMonochrome) {
    test::fillStore(st, 0, 1000, 10);
    for (int k = 0; k < 5; ++k) st.searchKey[size_t(k)] = uint8_t(k);
    st.searchKey[5] = On;
    st.inputActive[5] = false;
    st.monochromePrinting = true;
    const QImage img = draw("key_boxes_mono");
    auto fillOf = [&](int k) { return px(img, 130, rowTop(k) + 2); };
    auto crossed = [&](int k) {  // a black pixel near the top of each diagonal
        bool a = false, b = false;
        for (int x = 108; x <= 111; ++x)
            for (int y = rowTop(k) + 1; y <= rowTop(k) + 3; ++y) a |= px(img, x, y) == kBlack;
        for (int x = 127; x <= 130; ++x)
            for (int y = rowTop(k) + 1; y <= rowTop(k) + 3; ++y) b |= px(img, x, y) == kBlack;
        return a && b;
    };
    EXPECT_EQ(fillOf(1), kWhite);
    EXPECT_TRUE(crossed(1)) << "DoNotCare is a crossed white box";
    EXPECT_EQ(fillOf(2), kBlack);
    EXPECT_EQ(fillOf(3), kWhite);
    EXPECT_FALSE(crossed(3));
    EXPECT_EQ(fillOf(4), kBlack);
    EXPECT_EQ(px(img, 109, rowTop(4) + 9), kWhite) << "HighToLow: white triangle on black";
    EXPECT_EQ(fillOf(5), kWhite);
    EXPECT_EQ(px(img, 109, rowTop(5) + 9), kBlack) << "LowToHigh: black triangle on white";
    EXPECT_EQ(fillOf(6), kWhite);
    EXPECT_FALSE(crossed(6)) << "a hidden input is a plain white box";
}

TEST_F(Pixels, NameBoxesShowTheLevelOfTheCursorResult) {
    test::fillStore(st, 10, 1000, 10);
    st.inputActive[2] = false;
    st.operatingMode = EventSearch;
    st.currentResult = 3 - 31;  // result 3 (input 1 on, input 2 off) under the cursor
    const QImage img = draw("name_boxes");
    ASSERT_EQ(st.cursorResult, 3);
    EXPECT_EQ(px(img, 7, rowTop(1) + 1), col.highlightOnColour);
    EXPECT_EQ(px(img, 7, rowTop(2) + 1), col.highlightOffColour);
    EXPECT_EQ(px(img, 7, rowTop(3) + 1), kSilver);
    EXPECT_EQ(px(img, 5, rowTop(1)), col.gridColour);
    // The cursor cells at slot 31 repeat the levels.
    EXPECT_EQ(px(img, 447, rowTop(1) + 9), col.highlightOnColour);
    EXPECT_EQ(px(img, 447, rowTop(2) + 9), col.highlightOffColour);
    EXPECT_EQ(px(img, 447, rowTop(3) + 9), col.backgroundColour) << "no cell for a hidden input";

    st.monochromePrinting = true;
    const QImage mono = draw("name_boxes_mono");
    EXPECT_EQ(px(mono, 7, rowTop(1) + 1), kWhite);
    EXPECT_EQ(px(mono, 7, rowTop(2) + 1), kBlack);
    EXPECT_EQ(px(mono, 7, rowTop(3) + 1), kWhite);

    // With nothing under the cursor every input counts as on.
    st.monochromePrinting = false;
    st.currentResult = 100;
    const QImage none = draw();
    EXPECT_EQ(st.cursorResult, 1);
    st.store.resultCount = 0;
    st.currentResult = -30;
    const QImage empty = draw();
    ASSERT_EQ(st.cursorResult, 1);
    EXPECT_EQ(px(empty, 7, rowTop(2) + 1), col.highlightOffColour)
        << "result 1 of the old store is not shown";
}

TEST_F(Pixels, BarsAreCutAtThePlotEdges) {
    for (OperatingModeValue mode : {TimebaseSearch, EventSearch}) {
        st.operatingMode = mode;
        const int limit = mode == EventSearch ? kEventRight : kTimebaseRight;
        QImage img(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QtCanvas c(&img);
            rig.renderer.drawSegment(c, 100, 1, 50, OnBar);           // starts left of the plot
            rig.renderer.drawSegment(c, limit - 20, 2, 100, OffBar);  // runs past the right limit
            rig.renderer.drawSegment(c, limit, 3, 40, OnBar);         // starts at the limit: nothing
            rig.renderer.drawSegment(c, 300, 4, -5, OnBar);           // negative width: nothing
        }
        const int y1 = rowTop(1) + 9, y2 = rowTop(2) + 9;
        EXPECT_EQ(px(img, 131, y1), kWhite);
        EXPECT_EQ(px(img, 132, y1), col.onColour);
        EXPECT_EQ(px(img, 181, y1), col.onColour) << "the width counts from the cut start";
        EXPECT_EQ(px(img, 182, y1), kWhite);
        EXPECT_EQ(px(img, limit - 1, y2), col.offColour);
        EXPECT_EQ(px(img, limit, y2), kWhite);
        EXPECT_EQ(px(img, limit, rowTop(3) + 9), kWhite);
        EXPECT_EQ(px(img, 300, rowTop(4) + 9), kWhite);
        // A bar covers the row from its top to 17 pixels below.
        EXPECT_EQ(px(img, 140, rowTop(1)), col.onColour);
        EXPECT_EQ(px(img, 140, rowTop(1) + 17), col.onColour);
        EXPECT_EQ(px(img, 140, rowTop(1) + 18), kWhite);
    }
}

TEST_F(Pixels, ChangeMarksInColourAndMonochrome) {
    st.operatingMode = TimebaseSearch;
    QImage img(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QtCanvas c(&img);
        rig.renderer.drawSegment(c, 300, 1, 0, ChangeMark);
        rig.renderer.drawSegment(c, 400, 2, 40, ChangeMark);  // the width does not matter
    }
    for (int k : {1, 2}) {
        const int x = k == 1 ? 300 : 400, y = rowTop(k) + 9;
        EXPECT_EQ(px(img, x - 4, y), kWhite);
        for (int xi = x - 3; xi <= x + 2; ++xi) EXPECT_EQ(px(img, xi, y), col.changeColour) << xi;
        EXPECT_EQ(px(img, x + 3, y), kWhite) << "6 pixels wide";
    }

    st.monochromePrinting = true;
    QImage mono(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    mono.fill(QColor(128, 128, 128));
    {
        QtCanvas c(&mono);
        rig.renderer.drawSegment(c, 300, 1, 0, ChangeMark);
        rig.renderer.drawSegment(c, 300, 2, 50, OffBar);
        rig.renderer.drawSegment(c, 300, 3, 50, OnBar);
    }
    int black = 0, white = 0;
    for (int x = 297; x < 310; ++x)
        for (int y = rowTop(1); y < rowTop(1) + 18; ++y)
            (px(mono, x, y) == kBlack ? black : white) += px(mono, x, y) != rgb(128, 128, 128);
    EXPECT_GT(black, 10) << "an X in black";
    EXPECT_GT(white, 20) << "on white";
    // Off: an empty band between two lines; on: a solid band.
    EXPECT_EQ(px(mono, 320, rowTop(2)), kBlack);
    EXPECT_EQ(px(mono, 320, rowTop(2) + 18), kBlack);
    EXPECT_EQ(px(mono, 320, rowTop(2) + 9), rgb(128, 128, 128));
    EXPECT_EQ(px(mono, 349, rowTop(2)), kBlack);
    EXPECT_EQ(px(mono, 350, rowTop(2)), rgb(128, 128, 128)) << "the line stops short of its end";
    EXPECT_EQ(px(mono, 320, rowTop(3) + 9), kBlack);
}

TEST_F(Pixels, EventSlotsInRecordMode) {
    test::fillStore(st, 3, 1000, 10);
    st.operatingMode = EventRecord;
    const QImage img = draw("event_record_three");
    const int y16 = rowTop(16) + 9;
    for (int s : {61, 62, 63})
        EXPECT_EQ(px(img, 132 + 10 * s + 5, y16), s == 63 ? col.highlightOnColour : col.onColour) << s;
    EXPECT_EQ(px(img, 132 + 10 * 60 + 5, y16), col.backgroundColour);
    EXPECT_EQ(px(img, 132 + 10 * 61 + 5, rowTop(1) + 9), col.onColour) << "result 1 has input 1 on";
    EXPECT_EQ(px(img, 132 + 10 * 62 + 5, rowTop(1) + 9), col.offColour);

    test::fillStore(st, 0, 1000, 10);
    const QImage empty = draw("event_record_empty");
    EXPECT_EQ(st.cursorResult, 0);
    EXPECT_EQ(px(empty, 132 + 10 * 62 + 5, y16), col.backgroundColour);
    EXPECT_EQ(px(empty, 7, rowTop(16) + 1), col.highlightOffColour) << "the start record's levels";
}

TEST_F(Pixels, TimeChartGridLinesAndLabels) {
    test::fillStore(st, 10, 1000, 10);
    st.viewStartTime = 1000;
    for (OperatingModeValue mode : {TimebaseRecord, TimebaseSearch}) {
        for (int row : {3, 5, 15}) {
            st.operatingMode = mode;
            st.timebaseIndex = row;
            const QImage img = draw(mode == TimebaseSearch && row == 5 ? "timebase_search" : nullptr);
            const TimebaseRow& tb = timebaseRow(row);
            int lines = 0;
            for (int x = 132; x <= 740; ++x) lines += px(img, x, 352) == col.gridColour;
            EXPECT_EQ(lines, mode == TimebaseRecord ? tb.labelCount : tb.labelCount - 1)
                << int(mode) << " row " << row;
            EXPECT_EQ(px(img, 132 + tb.gridStep, 353), col.gridColour);
            EXPECT_NE(px(img, 132 + tb.gridStep, 354), col.gridColour) << "a line stops one pixel short";
            EXPECT_EQ(px(img, 732, 100), col.gridColour) << "frame";
        }
    }
    // The bars of the small store at row 6: result 1 from x 182 to 232 (input 16 on).
    st.operatingMode = TimebaseSearch;
    st.timebaseIndex = 6;
    const QImage img = draw("timebase_search_row6");
    const int y = rowTop(16) + 9;
    EXPECT_EQ(px(img, 181, y), col.backgroundColour);
    EXPECT_EQ(px(img, 182, y), col.onColour);
    EXPECT_EQ(px(img, 231, y), col.onColour);
    EXPECT_EQ(px(img, 182, rowTop(1) + 9), col.onColour);
    EXPECT_EQ(px(img, 232, rowTop(1) + 9), col.offColour) << "result 2 has input 1 off";
}

TEST_F(Pixels, GoToLastShowsTheLastResultUnderTheCursor) {
    test::fillStore(st, 10, 1000, 10);  // the last result at 1100, input 1 off, input 16 on
    st.operatingMode = TimebaseSearch;
    st.timebaseIndex = 6;  // 0.2 s a pixel
    st.recordingEndTime = 1120;
    goToLastResult(st, rig.view);
    const int y1 = rowTop(1) + 9, y16 = rowTop(16) + 9;
    const QImage img = draw("go_to_last");
    EXPECT_EQ(st.cursorResult, 10);
    EXPECT_EQ(px(img, 431, y1), col.onColour) << "result 9 up to the cursor line";
    EXPECT_EQ(px(img, 433, y1), col.offColour) << "result 10 from it";
    EXPECT_EQ(px(img, 531, y16), col.onColour) << "until the end of the recording";
    EXPECT_EQ(px(img, 532, y16), col.backgroundColour);
    EXPECT_EQ(px(img, 7, rowTop(1) + 1), col.highlightOffColour) << "the name boxes show result 10";

    st.recordingEndTime = 1100;  // ends with its last result: one pixel, under the grid line at 432
    const QImage ending = draw();
    EXPECT_EQ(st.cursorResult, 10);
    EXPECT_EQ(px(ending, 433, y16), col.backgroundColour);
}

// The marker over result 3: a dashed line two pixels wide (6 on, 4 off) over the plot, in its
// own colour, black in monochrome, where the walk laid the result out (markerX, whose places
// PlotHit checks); nothing at all when that is out of view. It shows over an "on" band too: in
// monochrome, where the band is black, its gaps are white.
TEST_F(Pixels, TheMarkerIsADashedLineInBothModesAndInMonochrome) {
    test::fillStore(st, 10, 1000, 10);  // input 2 off throughout
    st.store.markedResult = 3;
    st.timebaseIndex = 6;  // 0.2 s a pixel: result 3 from x 282
    st.viewStartTime = 1000;
    const int y = rowTop(2);  // dashes at y + 1 .. y + 6 and y + 11 .. y + 16
    const struct {
        OperatingModeValue mode;
        int64_t currentResult;  // -30: result 3 in slot 33; 10: not in view
        bool mono;
        bool on = false;  // input 2 on throughout
    } cases[] = {{EventSearch, 10, false},          {EventSearch, -30, false},
                 {EventSearch, -30, true},          {TimebaseSearch, -30, false},
                 {TimebaseSearch, -30, true},       {EventSearch, -30, true, true},
                 {TimebaseSearch, -30, true, true}, {TimebaseSearch, -30, false, true}};
    for (const auto& c : cases) {
        for (int64_t i = 1; i <= 10; ++i) st.store.slot(i).inputStates = c.on ? inputMask(2) : 0;
        st.operatingMode = c.mode;
        st.currentResult = c.currentResult;
        st.monochromePrinting = c.mono;
        const QImage img =
            draw(c.mode == EventSearch ? (c.mono ? "marker_event_mono" : "marker_event") : "marker_timebase");
        const int x = int(rig.renderer.markerX());
        const bool shown = c.currentResult == -30;
        ASSERT_EQ(x >= 0, shown) << int(c.mode) << c.mono;
        int marked = 0;
        for (int yy = 0; yy < kPictureHeight; ++yy)
            for (int xx = 0; xx < kPictureWidth; ++xx) marked += px(img, xx, yy) == kMarkerColour;
        EXPECT_EQ(marked, shown && !c.mono ? 2 * 32 * 6 : 0)
            << int(c.mode) << c.mono << ": 32 dashes from y 31 to 346";
        if (!shown) continue;
        if (c.on) {  // the band's own colour, and something else along the marker
            const uint32_t band = c.mono ? kBlack : col.onColour;
            for (int column : {x - 1, x}) {
                std::set<uint32_t> seen;
                for (int yy = y + 1; yy <= y + 16; ++yy) seen.insert(px(img, column, yy));
                EXPECT_GE(seen.size(), 2u) << int(c.mode) << c.mono << column;
            }
            EXPECT_EQ(px(img, x + 1, y + 3), band) << int(c.mode) << c.mono;
            continue;
        }
        const uint32_t ink = c.mono ? kBlack : kMarkerColour, band = c.mono ? kWhite : col.offColour;
        for (int column : {x - 1, x}) {
            EXPECT_EQ(px(img, column, y + 1), ink) << int(c.mode) << c.mono << column;
            EXPECT_EQ(px(img, column, y + 6), ink) << int(c.mode) << c.mono << column;
            EXPECT_EQ(px(img, column, y + 7), band) << int(c.mode) << c.mono << column << " a gap";
            EXPECT_EQ(px(img, column, y + 11), ink) << int(c.mode) << c.mono << column;
        }
        EXPECT_EQ(px(img, x - 2, y + 3), band) << int(c.mode) << c.mono;
        EXPECT_EQ(px(img, x + 1, y + 3), band) << int(c.mode) << c.mono;
    }
    // The printed page draws the picture of the walk's state as it stands: the marker is on it.
    st.monochromePrinting = false;
    QImage page = tracePictureImage();
    {
        QtCanvas c(&page);
        rig.renderer.redrawTraceView(c, TraceRenderer::WalkState::Keep);
    }
    EXPECT_EQ(px(page, 282, y + 1), kMarkerColour);
}

// At a device pixel ratio of 2 (a 200 % desktop) the picture has four device pixels for each of
// its own: the shapes cover exactly those, the texts are drawn at the finer resolution.
TEST_F(Pixels, AtPixelRatioTwoTheShapesAreTodaysAndTheTextsFiner) {
    showBusyTimeChart();
    const QImage one = draw("ratio1");
    const QImage two = renderTracePicture(rig.renderer, 2.0);
    keep(two, "ratio2");
    ASSERT_EQ(two.size(), QSize(1560, 760));
    EXPECT_EQ(two.deviceIndependentSize(), QSizeF(780, 380));
    // Scaled down (the top left device pixel of each picture pixel): today's picture but for
    // the glyphs' edges. Blocks of four that differ are what makes the texts finer.
    int64_t same = 0, finer = 0;
    for (int y = 0; y < 380; ++y)
        for (int x = 0; x < 780; ++x) {
            same += px(two, 2 * x, 2 * y) == px(one, x, y);
            finer += px(two, 2 * x, 2 * y) != px(two, 2 * x + 1, 2 * y + 1);
        }
    EXPECT_GT(same, 780 * 380 * 97 / 100);
    EXPECT_GT(finer, 500);
    // The shapes of the plot (bars, marks, grid) and the border cover their four device pixels.
    for (int y = 0; y < 348; ++y)
        for (int x = (y < 30 ? 0 : 132); x < 780; x += (y < 30 ? 1 : 3)) {
            if (y < 30 && y > 1) break;
            for (auto [dx, dy] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}})
                ASSERT_EQ(px(two, 2 * x + dx, 2 * y + dy), px(one, x, y)) << x << "," << y;
        }
}

// The texts written from their kept pixels are the pixels Qt draws: a busy picture (its
// first drawing keeps the texts, the second writes them from there) and texts of every size,
// weight and kind of glyph, some cut by the picture's edges, at ratios 1 and 2. The shapes the
// canvas writes into a 32-bit picture itself are the ones QPainter draws on any other image.
TEST_F(Pixels, TextsFromTheirKeptPixelsAreTheTextsQtDraws) {
    showBusyTimeChart();
    struct Text {
        int x, y, points;
        bool bold;
        const char* text;
    };
    const Text texts[] = {
        {10, 40, 8, false, "gjpqy |_"},          {300, 200, 12, true, "W\xC4\xE9\xDF\xF1 ~"},
        {-6, 100, 10, false, "cut at the left"}, {740, 370, 14, true, "cut right, below"},
        {200, -5, 10, true, "cut above"},        {400, 300, 7, false, "0123456789:.,-"}};
    for (double ratio : {1.0, 2.0}) {
        auto picture = [&](bool keep, QImage::Format format = QImage::Format_RGB32) {
            QImage img = tracePictureImage(ratio).convertToFormat(format);
            img.fill(Qt::white);
            {
                QtCanvas c(&img);
                c.setKeepTextPixels(keep);
                rig.renderer.redrawTraceView(c);
                for (const Text& t : texts) {
                    c.setFontSize(t.points);
                    c.setFontBold(t.bold);
                    c.setFontColour(rgb(200, 0, 50));
                    c.setFillColour(rgb(250, 250, 180));
                    c.textOut(t.x, t.y, t.text);
                }
            }
            return img.convertToFormat(QImage::Format_RGB32);
        };
        const QImage byQt = picture(false);
        EXPECT_EQ(picture(true), byQt) << "ratio " << ratio << ", texts kept";
        EXPECT_EQ(picture(true), byQt) << "ratio " << ratio << ", texts from their kept pixels";
        EXPECT_EQ(picture(false, QImage::Format_RGB888), byQt) << "ratio " << ratio << ", shapes by QPainter";
    }
}

TEST_F(Pixels, TheWindowOverlayDrawsTheEventBox) {
    test::fillStore(st, 5, 1000, 10);
    st.operatingMode = EventRecord;
    const QImage picture = draw();
    const QImage window = renderWindowView(rig.renderer, picture);
    keep(window, "window_event_record");
    EXPECT_EQ(px(window, 6, 100), kBorderRed) << "picture copied at (6, 100)";
    EXPECT_EQ(px(window, 449, 487), col.gridColour) << "Event box outline, 2 pixels";
    EXPECT_EQ(px(window, 449, 508), col.gridColour);
    EXPECT_EQ(px(window, 769, 300), col.gridColour) << "cursor column outline of EventRecord";
    EXPECT_EQ(px(window, 779, 300), col.gridColour);
    EXPECT_EQ(px(window, 774, 300), col.highlightOffColour) << "the cursor cell of input 9 inside it";
}

}  // namespace
}  // namespace zvl

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
