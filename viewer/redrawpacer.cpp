#include "viewer/redrawpacer.h"

#include <algorithm>

namespace zvl {

RedrawPacer::RedrawPacer(const AppState& state, TraceRenderer& renderer, const Clock& clock,
                         Timer& frameTimer, Show showPicture)
    : state_(state),
      renderer_(renderer),
      clock_(clock),
      frameTimer_(frameTimer),
      showPicture_(std::move(showPicture)) {
    frameTimer_.setHandler([this] { tick(); });
}

RedrawPacer::~RedrawPacer() {
    frameTimer_.disable();
    frameTimer_.setHandler({});
}

void RedrawPacer::build(const Draw& draw, const PictureDamage& damage) {
    if (building_) {
        again_ = true;
        return;
    }
    building_ = true;
    Draw next = draw;
    PictureDamage area = damage;
    do {
        again_ = false;
        pending_ = false;
        showPicture_(next, area);
        area = PictureDamage{};
        built_ = true;
        lastBuiltMs_ = clock_.milliseconds();
        ++pictures_;
        if (again_) shownKnown_ = false;  // what is on show will be a full redraw
        next = [this](Canvas& c) { renderer_.redrawTraceView(c); };
    } while (again_);
    building_ = false;
    if (warningOpen_) return;  // the box that is open says it already
    warningOpen_ = true;
    renderer_.showPendingWarning();
    warningOpen_ = false;
}

void RedrawPacer::redrawNow() {
    shownKnown_ = false;
    build([this](Canvas& c) { renderer_.redrawTraceView(c); }, PictureDamage{});
}

void RedrawPacer::redrawSoon() {
    renderer_.updateWalkState();
    pending_ = true;
    if (frameTimer_.isActive()) return;  // the running frame timer takes it
    // After an idle spell the first frame comes as soon as the event loop is free, otherwise
    // one frame after the last picture.
    const int64_t sinceLast = built_ ? clock_.milliseconds() - lastBuiltMs_ : kFrameMs;
    frameTimer_.setInterval(int(std::clamp<int64_t>(kFrameMs - sinceLast, 0, kFrameMs)));
    frameTimer_.enable();
}

void RedrawPacer::tick() {
    if (!pending_) {  // nothing asked for since the last frame: idle until the next request
        frameTimer_.disable();
        return;
    }
    if (frameTimer_.interval() != kFrameMs) frameTimer_.setInterval(kFrameMs);
    frame();
}

void RedrawPacer::flush() {
    if (pending_) frame();
}

void RedrawPacer::frame() {
    pending_ = false;
    const Draw draw = [this](Canvas& c) { renderer_.redrawTraceView(c, TraceRenderer::WalkState::Keep); };
    // The record modes' walks only draw; the search walks may also tell the user something,
    // so their pictures are always built, whole.
    if (!state_.operatingMode.isOnline()) {
        shownKnown_ = false;
        build(draw, PictureDamage{});
        return;
    }
    TileFingerprints next(measure_);
    renderer_.redrawTraceView(next, TraceRenderer::WalkState::Keep);
    // The window draws the Event box and the cursor column over the picture from the same
    // state: a change there alone is a change to show too. Only whether it changed counts, so
    // its text is not measured.
    TileFingerprints overlay;
    renderer_.drawWindowOverlay(overlay);
    PictureDamage damage;  // the whole picture, unless the one on show is known
    if (shownKnown_) damage = next.differences(shown_);
    const bool overlayChanged = !shownKnown_ || overlay.value() != shownOverlay_;
    shown_ = next.tiles();
    shownOverlay_ = overlay.value();
    shownKnown_ = true;
    damage.overlayChanged = overlayChanged;
    if (damage.empty()) {
        ++unchanged_;
        if (unchangedFrameHandler_) unchangedFrameHandler_(overlayChanged);
        return;
    }
    build(draw, damage);
}

}  // namespace zvl
