#pragma once
// When the trace picture is rebuilt. A command (navigation, a switch of mode or time base, a
// search, the live refresh) rebuilds it at once. A live result asks for a redraw too, but at
// 320 results a second those requests come in bursts: the walk's state (cursorResult,
// liveTime, the time labels) is brought up to date at once, and the picture of that state is
// built at most once per display frame, as soon as the event loop is free, so the data handler
// decodes and stamps every packet it holds before anything is drawn.
//
// One picture is built at a time: a redraw asked for while one is being built (from a wait or
// a box of its own) is built once that one is finished. A warning of the picture (the
// renderer keeps it while it draws) is shown after the picture is finished, and not while
// the box of an earlier one is still open.

#include <cstdint>
#include <functional>

#include "platform/canvas.h"
#include "platform/clock.h"
#include "platform/timer.h"
#include "viewer/tracerenderer.h"

namespace zvl {

class RedrawPacer {
public:
    static constexpr int kFrameMs = 16;  // one display frame at 60 a second

    // showPicture(draw) gets the canvas of the picture, runs draw on it and shows the result.
    using Draw = std::function<void(Canvas&)>;
    RedrawPacer(TraceRenderer& renderer, const Clock& clock, Timer& frameTimer,
                std::function<void(const Draw&)> showPicture);
    ~RedrawPacer();
    RedrawPacer(const RedrawPacer&) = delete;
    RedrawPacer& operator=(const RedrawPacer&) = delete;

    // A full redraw now; a picture still waiting for its frame is not built any more.
    void redrawNow();
    // The walk's state now, the picture within a frame.
    void redrawSoon();
    // Builds the waiting picture now, if there is one (before the picture is shown or read).
    void flush();
    bool pending() const { return pending_; }
    int64_t picturesBuilt() const { return pictures_; }

private:
    void build(const Draw& draw);

    TraceRenderer& renderer_;
    const Clock& clock_;
    Timer& frameTimer_;
    std::function<void(const Draw&)> showPicture_;
    bool pending_ = false;
    bool building_ = false;     // a picture is being built: its canvas is open
    bool again_ = false;        // a full redraw was asked for meanwhile
    bool warningOpen_ = false;  // a picture's warning box is open
    bool built_ = false;  // a picture has been built: lastBuiltMs_ holds when
    int64_t lastBuiltMs_ = 0;
    int64_t pictures_ = 0;
};

}  // namespace zvl
