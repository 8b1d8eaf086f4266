#include "viewer/redrawpacer.h"

#include <algorithm>

namespace zvl {

namespace {

// A canvas that draws nothing and folds every call into a 64-bit fingerprint: two pictures
// drawn by the same calls are the same picture.
class FingerprintCanvas final : public Canvas {
public:
    uint64_t value() const { return h_; }
    void setFillColour(uint32_t c) override { mix(1, c); }
    void setPenColour(uint32_t c) override { mix(2, c); }
    void setPenWidth(int w) override { mix(3, uint64_t(w)); }
    void setFontSize(int p) override { mix(4, uint64_t(p)); }
    void setFontBold(bool b) override { mix(5, b); }
    void setFontColour(uint32_t c) override { mix(6, c); }
    void rectangle(int l, int t, int r, int b) override { box(7, l, t, r, b); }
    void polygon(const std::vector<CanvasPoint>& points) override { path(8, points); }
    void ellipse(int l, int t, int r, int b) override { box(9, l, t, r, b); }
    void stampEllipse(int l, int t, int r, int b) override { box(9, l, t, r, b); }
    void line(int x1, int y1, int x2, int y2) override { box(10, x1, y1, x2, y2); }
    void polyline(const std::vector<CanvasPoint>& points) override { path(11, points); }
    void frameRect(int l, int t, int r, int b) override { box(12, l, t, r, b); }
    void textOut(int x, int y, const std::string& text) override {
        box(13, x, y, 0, int(text.size()));
        for (char ch : text) mix(14, uint8_t(ch));
    }
    // Any width that depends on the text alone: the calls it leads to depend on the text too.
    int textWidth(const std::string& text) override { return int(text.size()) * 7; }

private:
    void mix(uint64_t kind, uint64_t v) {
        h_ ^= (kind << 56) ^ v;
        h_ *= 0x100000001B3ull;  // FNV-1a's prime
        h_ ^= h_ >> 29;
    }
    void box(uint64_t kind, int a, int b, int c, int d) {
        mix(kind, uint64_t(uint32_t(a)) << 32 | uint32_t(b));
        mix(kind, uint64_t(uint32_t(c)) << 32 | uint32_t(d));
    }
    void path(uint64_t kind, const std::vector<CanvasPoint>& points) {
        mix(kind, points.size());
        for (const CanvasPoint& p : points) mix(kind, uint64_t(uint32_t(p.x)) << 32 | uint32_t(p.y));
    }
    uint64_t h_ = 0xCBF29CE484222325ull;
};

}  // namespace

RedrawPacer::RedrawPacer(const AppState& state, TraceRenderer& renderer, const Clock& clock,
                         Timer& frameTimer, std::function<void(const Draw&)> showPicture)
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
        showPicture_(next);
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
    build([this](Canvas& c) { renderer_.redrawTraceView(c); });
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

uint64_t RedrawPacer::fingerprint() {
    FingerprintCanvas c;
    renderer_.redrawTraceView(c, TraceRenderer::WalkState::Keep);
    // The window draws the Event box and the cursor column over the picture from the same
    // state: a change there alone is a change to show too.
    renderer_.drawWindowOverlay(c);
    return c.value();
}

void RedrawPacer::frame() {
    pending_ = false;
    // The record modes' walks only draw; the search walks may also tell the user something,
    // so their pictures are always built.
    if (state_.operatingMode.isOnline()) {
        const uint64_t next = fingerprint();
        if (shownKnown_ && next == shown_) {
            ++unchanged_;
            if (unchangedFrameHandler_) unchangedFrameHandler_();
        } else {
            shown_ = next;
            shownKnown_ = true;
            build([this](Canvas& c) { renderer_.redrawTraceView(c, TraceRenderer::WalkState::Keep); });
        }
    } else {
        shownKnown_ = false;
        build([this](Canvas& c) { renderer_.redrawTraceView(c, TraceRenderer::WalkState::Keep); });
    }
}

}  // namespace zvl
