#pragma once
// When the trace picture is rebuilt. A command (navigation, a switch of mode or time base, a
// search) rebuilds it at once. A live result (and the live refresh tick) asks for a redraw
// too, but at 320 results a second those requests come one every 3 ms: the walk's state
// (cursorResult, liveTime, the time labels) is brought up to date at once, and the picture of
// that state is built at most once per frame of 64 ms (16 a second), and only when it would
// differ from the picture on show. In a time-base view most results fall on the column of the
// one before, and most frames change nothing that can be seen; a frame that changes a few
// tiles of the picture draws only those (see picturedamage.h).
//
// One frame timer paces the pictures: started by the first request after an idle spell, it
// keeps running while requests come and stops at the first frame that finds none.
//
// One picture is built at a time: a redraw asked for while one is being built (from a wait or
// a box of its own) is built once that one is finished. A warning of the picture (the
// renderer keeps it while it draws) is shown after the picture is finished, and not while
// the box of an earlier one is still open.

#include <cstdint>
#include <functional>

#include "core/state.h"
#include "platform/canvas.h"
#include "platform/clock.h"
#include "platform/timer.h"
#include "viewer/picturedamage.h"
#include "viewer/tracerenderer.h"

namespace zvl {

class RedrawPacer {
public:
    static constexpr int kFrameMs = 64;  // at most 16 pictures a second

    // showPicture(draw, damage) gets the canvas of the picture on show, runs draw on it within
    // the damage (the whole picture, or the tiles that changed: the rest is the same already)
    // and shows the result.
    using Draw = std::function<void(Canvas&)>;
    using Show = std::function<void(const Draw&, const PictureDamage&)>;
    RedrawPacer(const AppState& state, TraceRenderer& renderer, const Clock& clock, Timer& frameTimer,
                Show showPicture);
    ~RedrawPacer();
    RedrawPacer(const RedrawPacer&) = delete;
    RedrawPacer& operator=(const RedrawPacer&) = delete;

    // A full redraw now; a picture still waiting for its frame is not built any more.
    void redrawNow();
    // The walk's state now, the picture within a frame.
    void redrawSoon();
    // Builds the waiting picture now, if there is one and it differs from the one on show
    // (before the picture is shown or read).
    void flush();
    // Called at a frame whose picture would not change, in place of showPicture (the event
    // list follows the new results with it), with whether what the window draws over the
    // picture (the Event box) changed.
    void setUnchangedFrameHandler(std::function<void(bool overlayChanged)> handler) {
        unchangedFrameHandler_ = std::move(handler);
    }
    // The canvas the frames measure texts with, drawing text as the picture's canvas does.
    // Without it a live frame draws the whole picture whenever anything on it changed.
    void setTextMeasure(Canvas* measure) { measure_ = measure; }
    bool pending() const { return pending_; }
    int64_t picturesBuilt() const { return pictures_; }
    // Frames whose picture would have been the one on show, so none was built.
    int64_t framesUnchanged() const { return unchanged_; }

private:
    void build(const Draw& draw, const PictureDamage& damage);
    void frame();
    void tick();

    const AppState& state_;
    TraceRenderer& renderer_;
    const Clock& clock_;
    Timer& frameTimer_;
    Show showPicture_;
    std::function<void(bool)> unchangedFrameHandler_;
    Canvas* measure_ = nullptr;
    bool pending_ = false;
    bool building_ = false;     // a picture is being built: its canvas is open
    bool again_ = false;        // a full redraw was asked for meanwhile
    bool warningOpen_ = false;  // a picture's warning box is open
    bool built_ = false;        // a picture has been built: lastBuiltMs_ holds when
    int64_t lastBuiltMs_ = 0;
    bool shownKnown_ = false;  // the fingerprints of the picture on show and its overlay
    TileFingerprints::Tiles shown_{};
    uint64_t shownOverlay_ = 0;
    int64_t pictures_ = 0;
    int64_t unchanged_ = 0;
};

}  // namespace zvl
