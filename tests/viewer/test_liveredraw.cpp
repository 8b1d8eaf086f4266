// A live stream at the line's limit against a slow picture: every result is stamped when its
// bytes arrive, and the picture a burst of results leaves is the one a redraw after each
// result would have left.
#include <gtest/gtest.h>

#include <QImage>
#include <functional>

#include "qt/qtcanvas.h"
#include "qt/tracepicture.h"
#include "tests/support/fakes.h"
#include "tests/viewer/viewerfixture.h"
#include "viewer/redrawpacer.h"

namespace zvl {
namespace {

sim::SimConfig atTheLinesLimit() {
    sim::SimConfig c;
    c.resultsPerSecond = 320;
    return c;
}

// The link and the instrument with the window's redraws: a command's at once, a result's
// through the pacer, each picture drawn by the Qt canvas and then held up for slowMs while the
// line goes on delivering bytes into the port.
struct LiveRig {
    explicit LiveRig(bool withEngine) : rig(atTheLinesLimit(), withEngine) {
        pacer.setTextMeasure(&measure);
        rig.port.paced = false;  // the engine's own pace: 320 results a second
        rig.pump.addTimer(frame);
        rig.view.onRedraw = [this] { pacer.redrawNow(); };
        rig.view.onRedrawSoon = [this] { pacer.redrawSoon(); };
        for (int k = 0; k < kInputCount; ++k) {
            rig.state.inputActive[size_t(k)] = true;
            rig.state.inputLabels[size_t(k)] = "In " + std::to_string(k + 1);
        }
    }
    void show(const RedrawPacer::Draw& draw, const PictureDamage& damage) {
        drawDamage(picture, draw, damage);  // in place, as the window draws it
        for (int ms = 0; ms < slowMs; ++ms) {
            ++rig.clock.ms;
            if (rig.engine) rig.engine->tick(rig.clock.ms);
            rig.port.pullFromEngine();
        }
    }
    int64_t stampAt(int64_t ms) const {
        test::FakeClock at = rig.clock;
        at.ms = ms;
        return at.timeStamp();
    }

    test::Rig rig;
    test::FakeTimer frame{rig.clock, "frame"};
    TraceRenderer renderer{rig.state, rig.clock, rig.prompts};
    QImage picture{kPictureWidth, kPictureHeight, QImage::Format_RGB32};
    QImage measureImage{1, 1, QImage::Format_RGB32};
    QtCanvas measure{&measureImage};
    int slowMs = 0;
    RedrawPacer pacer{
        rig.state, renderer, rig.clock, frame,
        [this](const RedrawPacer::Draw& draw, const PictureDamage& damage) { show(draw, damage); }};
    LiveRig(const LiveRig&) = delete;
};

TEST(LiveRedraw, EveryResultIsStampedWhenItArrivesWhileEachPictureTakes40Ms) {
    for (OperatingModeValue mode : {EventRecord, TimebaseRecord}) {
        LiveRig live(true);
        live.slowMs = 40;
        live.rig.state.operatingMode = mode;
        live.rig.state.timebaseIndex = 7;
        live.rig.link.startStopRecording();
        live.rig.run(3000);
        const AppState& st = live.rig.state;
        ASSERT_GT(st.resultCount(), 900) << int(mode);

        // The k-th live packet on the line is result k; it is stamped within a tick of the
        // arrival of its last byte.
        int64_t k = 0, late = 0, worst = 0;
        const auto& line = live.rig.port.arrived;
        for (size_t i = 0; i + 5 < line.size() && k < st.resultCount(); ++i) {
            if (line[i].second != 0x01 || line[i + 1].second != 0x04 || line[i + 2].second != 0xD0) continue;
            const int64_t arrival = line[i + 5].first, stamp = st.resultTime(++k);
            if (stamp < live.stampAt(arrival) || stamp > live.stampAt(arrival + kTickMs)) {
                ++late;
                worst = std::max(worst, stamp - live.stampAt(arrival));
            }
            i += 5;
        }
        EXPECT_EQ(k, st.resultCount());
        EXPECT_EQ(late, 0) << "mode " << int(mode) << ": up to " << worst << " s late";
        EXPECT_LT(live.pacer.picturesBuilt() * 10, st.resultCount())
            << "pictures " << live.pacer.picturesBuilt();
        EXPECT_GT(live.pacer.picturesBuilt(), 20);
    }
}

TEST(LiveRedraw, TheFramesPictureIsThePictureAfterTheLastResultInEveryMode) {
    struct View {
        OperatingModeValue mode;
        int timebase;
    };
    for (View v :
         {View{EventRecord, 5}, View{EventSearch, 5}, View{TimebaseRecord, 5}, View{TimebaseRecord, 7},
          View{TimebaseRecord, 10}, View{TimebaseSearch, 5}, View{TimebaseSearch, 7}}) {
        LiveRig live(false);
        AppState& st = live.rig.state;
        st.operatingMode = v.mode;
        st.timebaseIndex = v.timebase;
        live.rig.clock.ms = 10'490;
        st.viewStartTime = live.rig.clock.timeStamp() - 30;
        st.currentResult = 100 - 31;
        QImage afterEach;
        live.rig.view.onRedrawSoon = [&] {
            live.pacer.redrawSoon();
            afterEach = renderTracePicture(live.renderer);
        };
        auto burst = [&](uint16_t seed) {
            std::vector<uint8_t> bytes;
            for (uint16_t n = 0; n < 150; ++n) {
                const uint16_t w = uint16_t((seed + n) * 40503u);
                bytes.insert(bytes.end(), {0x01, 0x04, 0xD0, uint8_t(w >> 8), uint8_t(w), 0x04});
            }
            live.rig.feed(bytes);
        };
        burst(1);  // an idle event loop: its picture at once
        live.rig.run(5);
        const int64_t pictures = live.pacer.picturesBuilt();
        burst(2);  // within the frame: its picture waits for the frame, past the half second
        ASSERT_TRUE(live.pacer.pending());
        const int64_t cursorAfterLast = st.cursorResult;
        const int64_t unchanged = live.pacer.framesUnchanged();
        live.rig.run(RedrawPacer::kFrameMs);
        ASSERT_FALSE(live.pacer.pending());
        // One frame: built, or left as it was when it would have been the same picture.
        EXPECT_EQ(live.pacer.picturesBuilt() + live.pacer.framesUnchanged(), pictures + unchanged + 1);
        EXPECT_EQ(st.resultCount(), 300);
        EXPECT_EQ(st.cursorResult, cursorAfterLast);
        EXPECT_TRUE(live.picture == afterEach) << "mode " << int(v.mode) << " row " << v.timebase;
    }
}

TEST(LiveRedraw, AtMost16PicturesASecondAndNoneWhenNothingOnTheChartChanges) {
    // Event mode: each result moves the chart, so each frame has a picture, at most 16 a second,
    // on one frame timer that runs on through the recording.
    {
        LiveRig live(true);
        live.rig.state.operatingMode = EventRecord;
        live.rig.link.startStopRecording();
        const int64_t before = live.pacer.picturesBuilt();
        const int starts = live.frame.starts;
        live.rig.run(3000);
        ASSERT_GT(live.rig.state.resultCount(), 900);
        const int64_t pictures = live.pacer.picturesBuilt() - before;
        EXPECT_LE(pictures, 3000 / RedrawPacer::kFrameMs + 1);
        EXPECT_GE(pictures, 3000 / RedrawPacer::kFrameMs * 4 / 5);
        EXPECT_LE(live.frame.starts - starts, 1) << "the frame timer is started once, not per result";
    }
    // A 50-day chart (2 hours a pixel) whose results keep their inputs: after the first result
    // nothing on it changes, and no picture is built; the pictures left are the state's.
    for (const int row : {19, 7}) {
        LiveRig live(false);
        AppState& st = live.rig.state;
        st.operatingMode = TimebaseRecord;
        st.timebaseIndex = row;
        st.store.slot(0).setTime(uint32_t(live.rig.clock.timeStamp() - 100));
        int64_t wrong = 0;
        live.pacer.setUnchangedFrameHandler([&](bool) {
            QImage now(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
            QtCanvas canvas(&now);
            live.renderer.redrawTraceView(canvas, TraceRenderer::WalkState::Keep);
            if (now != live.picture) ++wrong;
        });
        for (int k = 0; k < 960; ++k) {  // 3 s at 320 a second
            live.rig.feed({0x01, 0x04, 0xD0, 0x12, 0x34, 0x04});
            live.rig.run(3);
        }
        EXPECT_EQ(st.resultCount(), 960);
        EXPECT_EQ(wrong, 0) << "a frame left a picture that was not the state's";
        if (row == 19) {
            EXPECT_LE(live.pacer.picturesBuilt(), 2);
            EXPECT_GE(live.pacer.framesUnchanged(), 3000 / RedrawPacer::kFrameMs * 4 / 5);
        } else {  // 5 minutes: the chart moves 2 pixels a second
            EXPECT_GE(live.pacer.picturesBuilt(), 3);
        }
    }
}

// A frame draws, in place, only the tiles whose fingerprints changed: whatever changed, the
// picture is then the one a whole redraw gives, at either pixel ratio; and a time-base frame
// that adds a result draws a small part of it.
TEST(LiveRedraw, DrawingTheChangedTilesGivesTheWholePicture) {
    struct Case {
        const char* what;
        OperatingModeValue mode;
        int timebase;
        std::function<void(AppState&)> change;
        double mostDrawn;  // of the picture's area
    } cases[] = {
        {"a result, 50 days", TimebaseRecord, 19, [](AppState& st) { ++st.store.resultCount; }, 0.25},
        {"a result, 5 minutes", TimebaseRecord, 7, [](AppState& st) { ++st.store.resultCount; }, 0.35},
        {"three results, event mode", EventRecord, 5, [](AppState& st) { st.store.resultCount += 3; }, 1.0},
        {"a name", TimebaseRecord, 7, [](AppState& st) { st.inputLabels[3] = "Pump running"; }, 0.25},
        {"an input hidden", EventRecord, 5, [](AppState& st) { st.inputActive[9] = false; }, 1.0},
        {"the marker", TimebaseRecord, 7, [](AppState& st) { st.store.markedResult = 1990; }, 0.5},
        {"a search key", EventRecord, 5, [](AppState& st) { st.searchKey[0] = On; }, 0.25},
        {"the background", TimebaseRecord, 7, [](AppState& st) { st.colours.backgroundColour = 0x102030; },
         1.0},
        {"black and white", EventRecord, 5, [](AppState& st) { st.monochromePrinting = true; }, 1.0},
    };
    for (const Case& c : cases)
        for (double ratio : {1.0, 2.0}) {
            LiveRig live(false);
            AppState& st = live.rig.state;
            const int64_t now = live.rig.clock.timeStamp();
            test::fillStore(st, 2000, now - 2000, 1);
            st.store.resultCount = 1995;
            for (int64_t i = 1; i <= 2000; ++i)
                st.store.results[size_t(i)].inputStates = uint16_t(i * 40503u);
            st.operatingMode = c.mode;
            st.timebaseIndex = c.timebase;
            auto drawWhole = [&] {
                live.renderer.updateWalkState();
                QImage picture = tracePictureImage(ratio);
                picture.fill(Qt::white);
                QtCanvas canvas(&picture);
                live.renderer.redrawTraceView(canvas, TraceRenderer::WalkState::Keep);
                return picture;
            };
            auto tiles = [&] {
                TileFingerprints f(&live.measure);
                live.renderer.redrawTraceView(f, TraceRenderer::WalkState::Keep);
                return f;
            };
            QImage picture = drawWhole();
            const TileFingerprints::Tiles before = tiles().tiles();
            c.change(st);
            const QImage expected = drawWhole();
            const PictureDamage damage = tiles().differences(before);
            ASSERT_FALSE(damage.whole);
            drawDamage(
                picture, [&](Canvas& c) { live.renderer.redrawTraceView(c, TraceRenderer::WalkState::Keep); },
                damage);
            EXPECT_TRUE(picture == expected) << c.what << " at ratio " << ratio;
            int64_t drawn = 0;
            for (const PictureRect& r : damage.rects) drawn += int64_t(r.right - r.left) * (r.bottom - r.top);
            EXPECT_GT(drawn, 0) << c.what;
            EXPECT_LE(double(drawn), c.mostDrawn * kPictureWidth * kPictureHeight) << c.what;
        }
}

}  // namespace
}  // namespace zvl
