// The walks of the four modes: what each lays out on the chart (bars, change marks, the plot
// columns and the cursor result), handed to a sink that draws it or only keeps the state.

#include <algorithm>
#include <climits>
#include <cmath>
#include <span>
#include <utility>

#include "viewer/tracerenderer.h"
#include "viewer/tracerounding.h"

namespace zvl {

using trace::kLastInput;
using trace::nearest;

// Where a walk puts what it lays out for the picture: the bars of the results and the inputs
// with a change mark at a column, in drawing order. The walk sets the walk's state itself
// (cursorResult, the plot columns); what only the picture shows (the live time chart, the
// time chart's change marks) it looks for only when the sink draws.
class TraceRenderer::WalkSink {
public:
    virtual ~WalkSink() = default;
    virtual bool draws() const = 0;
    // The states of result index as bars from x on, width pixels wide.
    virtual void bar(int64_t x, int64_t width, int64_t index) = 0;
    virtual void marks(int64_t x, uint16_t inputs) = 0;
};

class TraceRenderer::StateOnlySink final : public WalkSink {
public:
    bool draws() const override { return false; }
    void bar(int64_t, int64_t, int64_t) override {}
    void marks(int64_t, uint16_t) override {}
};

// Draws a walk on the picture. The change marks are drawn one column at a time: the marks
// asked for at one x are gathered and drawn once each, when the walk moves on to another
// column (or draws a bar, or ends). Thousands of short results can fall on one pixel column;
// a mark drawn twice at one place leaves the picture as it was, so this draws the same
// picture at the cost of the columns.
class TraceRenderer::PictureSink final : public WalkSink {
public:
    PictureSink(TraceRenderer& r, Canvas& c) : r_(r), c_(c) {
        for (int k = 1; k <= kLastInput; ++k)
            if (r.state_.inputActive[size_t(k - 1)]) active_ |= inputMask(k);
    }
    ~PictureSink() override { flushMarks(); }
    bool draws() const override { return true; }
    void bar(int64_t x, int64_t width, int64_t index) override {
        flushMarks();
        r_.drawResultColumn(c_, x, width, index);
    }
    void marks(int64_t x, uint16_t inputs) override {
        inputs &= active_;
        if (!inputs) return;
        if (x != x_) {
            flushMarks();
            x_ = x;
        }
        todo_ |= inputs;
    }

private:
    void flushMarks() {
        for (int k = 1; k <= kLastInput && todo_; ++k)
            if (todo_ & inputMask(k)) r_.drawSegment(c_, x_, k, 0, ChangeMark);
        todo_ = 0;
    }
    TraceRenderer& r_;
    Canvas& c_;
    uint16_t active_ = 0;
    int64_t x_ = INT64_MIN;
    uint16_t todo_ = 0;  // inputs with a mark to draw at x_
};

void TraceRenderer::redrawTraceView(Canvas& picture, WalkState from) {
    warning_.clear();  // a new picture says what is wrong with it
    buildPictureFrame(picture);
    if (from == WalkState::Update) readLiveTime();
    // The time chart of a search view may pass over a long store.
    const bool searchChart = state_.operatingMode == TimebaseSearch;
    if (searchChart) prompts_.setBusyCursor(true);
    bool plotted = false;
    {
        PictureSink ink(*this, picture);
        plotted = walk(ink);
    }
    if (searchChart) prompts_.setBusyCursor(false);
    if (!plotted) warning_ = kPlottingErrorText;
    if (from == WalkState::Update) computeTimeLabels();
    drawNameBoxes(picture);
    drawGrid(picture);
    drawGaps(picture);
    drawMarker(picture);
}

void TraceRenderer::updateWalkState() {
    readLiveTime();
    StateOnlySink none;
    walk(none);
    computeTimeLabels();
}

void TraceRenderer::readLiveTime() {
    if (state_.operatingMode == TimebaseRecord) state_.liveTime = nearest(nowSeconds());
}

void TraceRenderer::noteColumn(int64_t left, int64_t right, int64_t first, int64_t last) {
    const int64_t limit = state_.operatingMode.isEvent() ? kEventRight : kTimebaseRight;
    left = std::max<int64_t>(left, kPlotLeft);
    right = std::min(right, limit);
    if (right <= left || last < 1) return;
    columns_.push_back({left, right, std::max<int64_t>(first, 1), last});
}

bool TraceRenderer::timesInOrder() const {
    const ResultSource& src = shown_.source();
    int64_t before = 0;
    for (int64_t n = 1, count = src.count(); n <= count;) {
        const std::span<const ResultRecord> records = src.run(n);
        if (records.empty()) break;
        for (const ResultRecord& r : records) {
            const int64_t t = r.time();
            if (t < before) return false;
            before = t;
        }
        n += int64_t(records.size());
    }
    return true;
}

uint16_t TraceRenderer::changesWithin(int64_t first, int64_t last) const {
    uint16_t changed = 0;
    if (first > last) return 0;
    const ResultSource& src = shown_.source();
    uint16_t before = shown_.levels(first - 1);
    for (int64_t n = first; n <= last;) {
        const std::span<const ResultRecord> records = src.run(n);
        if (records.empty()) break;
        const size_t take = size_t(std::min<int64_t>(int64_t(records.size()), last - n + 1));
        for (size_t k = 0; k < take; ++k) {
            const uint16_t now = records[k].inputStates;
            changed |= uint16_t(before ^ now);
            before = now;
        }
        n += int64_t(take);
    }
    return changed;
}

bool TraceRenderer::walk(WalkSink& out) {
    columns_.clear();
    switch (state_.operatingMode.value()) {
        case TimebaseRecord:
            timebaseRecordWalk(out);
            return true;
        case TimebaseSearch:
            return timebaseSearchWalk(out);
        default:
            eventWalk(out);
            return true;
    }
}

void TraceRenderer::eventWalk(WalkSink& out) {
    const int64_t count = shown_.count();
    auto slot = [&](int s, int64_t i) {
        out.bar(kPlotLeft + 10 * s, 10, i);
        noteColumn(kPlotLeft + 10 * s, kPlotLeft + 10 * s + 10, i, i);
    };
    if (state_.operatingMode == EventRecord) {
        // Newest result in slot 63, older ones leftwards down to result 1 (or the start record).
        state_.cursorResult = count;
        for (int s = 63; s >= 0; --s) {
            const int64_t i = count - (63 - s);
            slot(s, i);
            if (i <= 1) break;
        }
        return;
    }
    state_.cursorResult = 1;
    for (int s = 64; s >= 0; --s) {
        const int64_t i = state_.currentResult + s;
        if (i < 1 || i > count) continue;
        slot(s, i);
        if (s == kCursorSlot) state_.cursorResult = i;
    }
}

void TraceRenderer::timebaseRecordWalk(WalkSink& out) {
    state_.cursorResult = 1;
    if (!out.draws()) return;  // nothing else of the state comes from this walk
    const double spp = secondsPerPixel();
    const ResultSource& src = shown_.source();
    const int64_t count = src.count();
    // A live recording is the store: one run, read in place (the walk passes over every result
    // that shares the newest column, up to all of them).
    const std::span<const ResultRecord> all = src.run(1);
    const ResultRecord* flat =
        count > 0 && int64_t(all.size()) == count ? all.data() : nullptr;  // 1.. at [0..]
    const ResultRecord start = src.startRecord();
    auto T = [&](int64_t i) { return flat && i >= 1 && i <= count ? flat[i - 1].time() : src.time(i); };
    auto levels = [&](int64_t i) {
        return flat && i >= 1 && i <= count ? flat[i - 1].inputStates
               : i == 0                     ? start.inputStates
                                            : shown_.levels(i);
    };
    auto widthOf = [&](int64_t i) {
        const int64_t e = i == count ? state_.liveTime : T(i + 1);
        return nearest(double(e - T(i)) / spp);
    };

    // A result lasts until the next one; one whose time differs from the next one's by no more
    // than `still` seconds has no width at this time base.
    int64_t still = int64_t(std::max(0.0, std::floor(spp / 2)));
    while (nearest(double(still + 1) / spp) == 0) ++still;
    while (still > 0 && nearest(double(still) / spp) != 0) --still;

    // Bars from the right edge (now) leftwards; slot 0, the start record, ends the walk. The
    // results without width before a bar stand on its left end: the walk passes over them in
    // one step, noting the inputs that changed among them for the change marks, which are
    // drawn over all the bars at the end.
    struct Marks {
        int64_t x;
        uint16_t inputs;
    };
    std::vector<Marks> marks;
    int64_t i = count, r = kTimebaseRight;
    do {
        const int64_t fullWidth = widthOf(i);
        int64_t w = fullWidth, l = r - w;
        if (l < kPlotLeft) {
            w -= kPlotLeft - l;
            l = kPlotLeft;
        }
        if (w > 0) out.bar(l, w, i);
        // Changes too short for a bar of 2 pixels get a mark at the bar's right end.
        if (fullWidth < 2 && i >= 2) marks.push_back({r, uint16_t(levels(i) ^ levels(i - 1))});
        r -= w;
        if (r <= kPlotLeft || i == 0) {
            if (w > 0) noteColumn(l, l + w, i, i);
            break;
        }

        int64_t first = i;
        uint16_t changed = 0;
        uint16_t after = levels(i - 1);
        for (int64_t later = T(first); first > 1;) {
            const int64_t earlier = T(first - 1);
            if (std::abs(later - earlier) > still) break;
            --first;  // result first has no width
            const uint16_t before = levels(first - 1);
            if (first >= 2) changed |= uint16_t(before ^ after);
            after = before;
            later = earlier;
        }
        if (changed) marks.push_back({r, changed});
        if (w > 0) noteColumn(l, l + w, first, i);
        i = first - 1;
    } while (i >= 0);

    for (const Marks& m : marks) out.marks(m.x, m.inputs);
}

namespace {
// The time chart of a search view as the walk reads it: where a moment stands, how long a
// result lasts, and the searches that are quick when the times stand in order.
struct SearchChart {
    const AppState& state;
    const ResultSource& src;
    double spp;
    int64_t count;
    int64_t start;
    bool ordered;

    int64_t T(int64_t i) const { return src.time(i); }
    // Where a moment stands on the chart; anything before the view at its left edge.
    int64_t X(int64_t t) const {
        return t <= start ? int64_t(kPlotLeft) : kPlotLeft + nearest(double(t - start) / spp);
    }
    // The last result lasts until the end of the recording, and is at least one pixel wide
    // when it lies in the view.
    int64_t endOf(int64_t i) const { return i < count ? T(i + 1) : std::max(state.recordingEndTime, T(i)); }
    int64_t barEnd(int64_t i, int64_t l) const {
        const int64_t r = X(endOf(i));
        return i == count && T(i) >= start ? std::max(r, l + 1) : r;
    }
    // In time order: the last result from i on that stands on column x (all before it have no
    // width there), searched outwards from i and then halved.
    int64_t lastOnColumn(int64_t i, int64_t x, int64_t last) const {
        if (!ordered || i >= last || X(T(i + 1)) > x) return i;
        int64_t lo = i + 1, hi = last;  // X(T(lo)) <= x
        for (int64_t step = 2; lo + step <= last; step *= 2) {
            if (X(T(lo + step)) > x) {
                hi = lo + step - 1;
                break;
            }
            lo += step;
        }
        while (lo < hi) {
            const int64_t mid = hi - (hi - lo) / 2;
            if (X(T(mid)) <= x)
                lo = mid;
            else
                hi = mid - 1;
        }
        return lo;
    }
    // The first result whose bar reaches into the view, 0 for none. Any result can start the
    // view; only a view that starts after every result has nothing to plot.
    int64_t firstInView() const {
        if (!ordered || count < 1) {
            for (int64_t k = 1; k <= count; ++k)
                if (endOf(k) >= start) return k;
            return 0;
        }
        int64_t lo = 1, hi = count;
        while (lo < hi) {
            const int64_t mid = lo + (hi - lo) / 2;
            if (endOf(mid) >= start)
                hi = mid;
            else
                lo = mid + 1;
        }
        return endOf(lo) >= start ? lo : 0;
    }
    // Where the change marks begin: just before the first result right of column x (in time
    // order), otherwise result 1.
    int64_t firstMarkFrom(int64_t x) const {
        if (!ordered) return 1;
        int64_t lo = 1, hi = count;
        while (lo < hi) {
            const int64_t mid = lo + (hi - lo) / 2;
            if (X(T(mid)) >= x)
                hi = mid;
            else
                lo = mid + 1;
        }
        return std::max<int64_t>(lo - 1, 1);
    }
};
}  // namespace

bool TraceRenderer::timebaseSearchWalk(WalkSink& out) {
    const ResultSource& src = shown_.source();
    const SearchChart chart{state_,        src, secondsPerPixel(), src.count(), state_.viewStartTime,
                            timesInOrder()};
    const int64_t count = chart.count;
    state_.cursorResult = 1;
    int64_t i = chart.firstInView();
    if (!i) return false;

    // Bars. Of the results that share a column only the last one has a width there.
    const CursorChoice& choice = state_.cursorChoice;
    const bool chosenView = choice.viewStartTime == chart.start &&
                            choice.timebaseIndex == state_.timebaseIndex && choice.result >= 1 &&
                            choice.result <= count;
    bool spanned = false;
    int64_t r = 0;
    do {
        const int64_t l = chart.X(chart.T(i));
        const int64_t j = l < kTimebaseRight ? chart.lastOnColumn(i, l, count) : i;
        r = chart.barEnd(j, l);
        if (r > kTimebaseCursorX && l <= kTimebaseCursorX) {
            // A chosen result that shares the cursor line's column with later ones stays the
            // cursor result.
            state_.cursorResult =
                chosenView && choice.result <= j && chart.X(chart.T(choice.result)) == l ? choice.result : j;
            spanned = true;
        }
        if (r - l > 0) {
            out.bar(l, r - l, j);
            noteColumn(l, r, i, j);
        }
        i = j + 1;
        // Out of order, a bar beyond the chart's right edge does not end the walk: a result after
        // a step back in time may stand in the view again.
    } while ((r < kTimebaseRight || !chart.ordered) && i <= count);
    if (!spanned && i > count) state_.cursorResult = count;

    // Marks for changes too short to show, from the start of the store; none within 6 pixels
    // of the left edge. Only the picture shows them.
    if (!out.draws()) return true;
    i = chart.firstMarkFrom(138);
    do {
        const int64_t l = chart.X(chart.T(i));
        const int64_t j = l < kTimebaseRight ? chart.lastOnColumn(i, l, std::max<int64_t>(count - 1, i)) : i;
        // Results i..j-1 have no width; j has the width up to the next result.
        r = chart.X(chart.T(j + 1));
        if (l >= 138) {
            out.marks(l, changesWithin(std::max<int64_t>(i, 2), j - 1));
            if (r - l < 2 && j >= 2) out.marks(l, uint16_t(shown_.levels(j) ^ shown_.levels(j - 1)));
        }
        i = j + 1;
    } while ((r < kTimebaseRight || !chart.ordered) && i < count);
    return true;
}

int64_t TraceRenderer::resultAtPictureX(int64_t x) {
    if (state_.operatingMode.isOnline()) return 0;  // the live views take no clicks
    const bool event = state_.operatingMode.isEvent();
    if (x < kPlotLeft || x >= (event ? kEventRight : kTimebaseRight)) return 0;
    // The walk of the view as it stands, drawing nothing; the picture's own columns and cursor
    // result stay as they are.
    const int64_t cursor = state_.cursorResult;
    std::vector<PlotColumn> shown = std::move(columns_);
    StateOnlySink none;
    walk(none);
    state_.cursorResult = cursor;
    const std::vector<PlotColumn> laid = std::exchange(columns_, std::move(shown));

    int64_t hit = 0;
    const PlotColumn* rightmost = nullptr;
    for (const PlotColumn& col : laid) {
        if (x >= col.left && x < col.right) hit = col.last;  // a later bar is drawn over an earlier one
        if (!rightmost || col.right > rightmost->right) rightmost = &col;
    }
    if (hit || event || !rightmost) return hit;
    return x >= rightmost->right && rightmost->last == shown_.count() ? rightmost->last : 0;
}

}  // namespace zvl
