#include "viewer/redrawpacer.h"

#include <algorithm>

namespace zvl {

RedrawPacer::RedrawPacer(TraceRenderer& renderer, const Clock& clock, Timer& frameTimer,
                         std::function<void(const Draw&)> showPicture)
    : renderer_(renderer), clock_(clock), frameTimer_(frameTimer), showPicture_(std::move(showPicture)) {
    frameTimer_.setHandler([this] { flush(); });
}

RedrawPacer::~RedrawPacer() {
    frameTimer_.disable();
    frameTimer_.setHandler({});
}

void RedrawPacer::build(const Draw& draw) {
    if (building_) {
        again_ = true;
        return;
    }
    building_ = true;
    Draw next = draw;
    do {
        again_ = false;
        pending_ = false;
        frameTimer_.disable();
        showPicture_(next);
        built_ = true;
        lastBuiltMs_ = clock_.milliseconds();
        ++pictures_;
        next = [this](Canvas& c) { renderer_.redrawTraceView(c); };
    } while (again_);
    building_ = false;
    if (warningOpen_) return;  // the box that is open says it already
    warningOpen_ = true;
    renderer_.showPendingWarning();
    warningOpen_ = false;
}

void RedrawPacer::redrawNow() {
    build([this](Canvas& c) { renderer_.redrawTraceView(c); });
}

void RedrawPacer::redrawSoon() {
    renderer_.updateWalkState();
    if (pending_) return;  // the picture waiting for its frame will show this state
    pending_ = true;
    // The timer fires once the event loop is free: at once after an idle spell, otherwise one
    // frame after the last picture.
    const int64_t sinceLast = built_ ? clock_.milliseconds() - lastBuiltMs_ : kFrameMs;
    frameTimer_.setInterval(int(std::clamp<int64_t>(kFrameMs - sinceLast, 0, kFrameMs)));
    frameTimer_.enable();
}

void RedrawPacer::flush() {
    if (!pending_) {
        frameTimer_.disable();
        return;
    }
    build([this](Canvas& c) { renderer_.drawPicture(c); });
}

}  // namespace zvl
