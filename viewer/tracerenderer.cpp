#include "viewer/tracerenderer.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <utility>

#include "core/timebase.h"

namespace zvl {

namespace {
constexpr int kEventCursorX = 447;
constexpr int kLastInput = kInputCount;

int64_t nearest(double v) {
    return int64_t(std::nearbyint(v));
}

bool isOn(uint16_t states, int input) {
    return (states & inputMask(input)) != 0;
}
}  // namespace

const char* modeCaption(OperatingMode operatingMode) {
    return operatingMode.isEvent() ? "Event Mode" : "Timebase Mode";
}

double TraceRenderer::secondsPerPixel() const {
    return double(timebaseRow(state_.timebaseIndex).secondsPerPixel);
}

double TraceRenderer::nowSeconds() const {
    return (dayCount(clock_.now()) - double(kDay2000)) * 86400.0;
}

void TraceRenderer::showPendingWarning() {
    if (warning_.empty()) return;
    const std::string text = std::move(warning_);
    warning_.clear();
    prompts_.warning(text);
}

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

void TraceRenderer::buildPictureFrame(Canvas& c) {
    const bool mono = state_.monochromePrinting;
    const ColourSlots& col = state_.colours;
    c.setFontSize(10);
    c.setFontBold(false);
    c.setPenWidth(2);
    c.setPenColour(mono ? kBlack : kBorderRed);
    c.setFillColour(mono ? kWhite : col.backgroundColour);
    c.rectangle(0, 0, kPictureWidth, kPictureHeight);

    c.setPenWidth(1);
    if (!mono) c.setPenColour(col.gridColour);
    c.setFontColour(kBlack);
    c.textOut(20, 10, "INPUTS");
    c.textOut(600, 10, modeCaption(state_.operatingMode));
    if (!mono) c.setFillColour(kWhite);

    const int x = state_.operatingMode.isEvent() ? kEventCursorX : kTimebaseCursorX;
    c.setFillColour(kBlack);
    c.polygon({{x, 28}, {x - 10, 15}, {x + 10, 15}});
    c.rectangle(x - 2, 3, x + 2, 15);

    for (int k = 1; k <= kLastInput; ++k) drawKeyBox(c, k);
}

void TraceRenderer::drawKeyBox(Canvas& c, int input) {
    const bool mono = state_.monochromePrinting;
    const ColourSlots& col = state_.colours;
    const int y = rowTop(input);
    const bool shown = state_.inputActive[size_t(input - 1)];
    uint8_t condition = state_.searchKey[size_t(input - 1)];
    if (condition > LowToHigh) condition = DoNotCare;
    const std::string number = std::to_string(input);
    const std::vector<CanvasPoint> triangle{{107, y}, {118, y + 9}, {107, y + 18}};

    c.setFontSize(9);
    c.setPenWidth(1);
    c.setPenColour(mono ? kBlack : col.gridColour);
    const int centredX = 113 + (20 - c.textWidth(number)) / 2;

    if (!mono) {
        uint32_t boxFill = kSilver;
        int triangleFill = -1;
        if (shown) {
            switch (condition) {
                case On:
                    boxFill = col.onColour;
                    break;
                case Off:
                    boxFill = col.offColour;
                    break;
                case HighToLow:
                    boxFill = col.offColour;
                    triangleFill = int(col.onColour);
                    break;
                case LowToHigh:
                    boxFill = col.onColour;
                    triangleFill = int(col.offColour);
                    break;
                default:
                    break;
            }
        }
        c.setFillColour(boxFill);
        c.rectangle(107, y, 132, y + 18);
        if (triangleFill >= 0) {
            c.setFillColour(uint32_t(triangleFill));
            c.polygon(triangle);
            c.setFillColour(boxFill);
        }
        c.setFontColour(boxFill == kWhite ? kBlack : kWhite);
        c.textOut(centredX, y + 3, number);
        return;
    }

    // Black and white: the box, its mark, and the number in the contrasting colour.
    const bool blackBox = shown && (condition == On || condition == HighToLow);
    c.setFillColour(blackBox ? kBlack : kWhite);
    c.rectangle(107, y, 132, y + 18);
    int textX = 115;
    if (shown && condition == DoNotCare) {
        c.line(107, y, 132, y + 18);
        c.line(132, y, 107, y + 18);
    } else if (shown && (condition == HighToLow || condition == LowToHigh)) {
        c.setFillColour(blackBox ? kWhite : kBlack);
        c.polygon(triangle);
        c.setFillColour(blackBox ? kBlack : kWhite);
        textX = centredX;
    }
    c.setFontColour(blackBox ? kWhite : kBlack);
    c.textOut(textX, y + 3, number);
}

void TraceRenderer::drawSegment(Canvas& c, int64_t x, int input, int64_t width, SegmentKind kind) {
    if (segmentLog) segmentLog->push_back({x, input, width, kind});
    const int64_t limit = state_.operatingMode.isEvent() ? kEventRight : kTimebaseRight;
    if (x < kPlotLeft) x = kPlotLeft;
    if (width < 0) width = 0;
    if (x > limit) x = limit;
    const int64_t e = std::min(x + width, limit);
    const int y = rowTop(input);
    const int xi = int(x), ei = int(e);

    c.setPenWidth(1);
    if (!state_.monochromePrinting) {
        const ColourSlots& col = state_.colours;
        const uint32_t colour = kind == OffBar  ? col.offColour
                                : kind == OnBar ? col.onColour
                                                : col.changeColour;
        c.setPenColour(colour);
        c.setFillColour(colour);
        if (kind == ChangeMark)
            c.stampEllipse(xi - 3, y, xi + 3, y + 18);
        else
            c.rectangle(xi, y, ei, y + 18);
        return;
    }
    c.setPenColour(kBlack);
    if (kind == OffBar) {
        c.line(xi, y, ei, y);
        c.line(xi, y + 18, ei, y + 18);
    } else if (kind == OnBar) {
        c.setFillColour(kBlack);
        c.rectangle(xi, y, ei, y + 18);
    } else {
        c.setFillColour(kWhite);
        c.setFontSize(12);
        c.setFontColour(kBlack);
        c.textOut(xi - 3, y, "X");
    }
}

void TraceRenderer::drawResultColumn(Canvas& c, int64_t x, int64_t width, int64_t index) {
    const uint16_t states = state_.store.slot(index).inputStates;
    for (int k = 1; k <= kLastInput; ++k)
        if (state_.inputActive[size_t(k - 1)]) drawSegment(c, x, k, width, isOn(states, k) ? OnBar : OffBar);
}

void TraceRenderer::noteColumn(int64_t left, int64_t right, int64_t first, int64_t last) {
    const int64_t limit = state_.operatingMode.isEvent() ? kEventRight : kTimebaseRight;
    left = std::max<int64_t>(left, kPlotLeft);
    right = std::min(right, limit);
    if (right <= left || last < 1) return;
    columns_.push_back({left, right, std::max<int64_t>(first, 1), last});
}

bool TraceRenderer::timesInOrder() const {
    const ResultStore& store = state_.store;
    const int64_t count = state_.resultCount();
    int64_t before = 0;
    for (int64_t i = 1; i <= count; ++i) {
        const int64_t t = store.resultTime(i);
        if (t < before) return false;
        before = t;
    }
    return true;
}

uint16_t TraceRenderer::changesWithin(int64_t first, int64_t last) const {
    uint16_t changed = 0;
    if (first > last) return 0;
    const auto& results = state_.store.results;
    uint16_t before = state_.store.slot(first - 1).inputStates;
    state_.store.slot(last);  // range check once
    for (int64_t i = first; i <= last; ++i) {
        const uint16_t now = results[size_t(i)].inputStates;
        changed |= uint16_t(before ^ now);
        before = now;
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
    const int64_t count = state_.resultCount();
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
        if (s == 31) state_.cursorResult = i;
    }
}

void TraceRenderer::timebaseRecordWalk(WalkSink& out) {
    state_.cursorResult = 1;
    if (!out.draws()) return;  // nothing else of the state comes from this walk
    const double spp = secondsPerPixel();
    const int64_t count = state_.resultCount();
    const ResultStore& store = state_.store;
    auto T = [&](int64_t i) { return store.resultTime(i); };
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
        if (fullWidth < 2 && i >= 2)
            marks.push_back({r, uint16_t(store.slot(i).inputStates ^ store.slot(i - 1).inputStates)});
        r -= w;
        if (r <= kPlotLeft || i == 0) {
            if (w > 0) noteColumn(l, l + w, i, i);
            break;
        }

        int64_t first = i;
        uint16_t changed = 0;
        uint16_t after = store.slot(i - 1).inputStates;
        const ResultRecord* results = store.results.data();  // first - 1 stays within 0..i - 1
        for (int64_t later = T(first); first > 1;) {
            const int64_t earlier = T(first - 1);
            if (std::abs(later - earlier) > still) break;
            --first;  // result first has no width
            const uint16_t before = results[first - 1].inputStates;
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

bool TraceRenderer::timebaseSearchWalk(WalkSink& out) {
    const double spp = secondsPerPixel();
    const int64_t count = state_.resultCount();
    const int64_t start = state_.viewStartTime;
    state_.cursorResult = 1;
    auto T = [&](int64_t i) { return state_.resultTime(i); };
    // Where a moment stands on the chart; anything before the view at its left edge.
    auto X = [&](int64_t t) {
        return t <= start ? int64_t(kPlotLeft) : kPlotLeft + nearest(double(t - start) / spp);
    };
    // The last result lasts until the end of the recording, and is at least one pixel wide
    // when it lies in the view.
    auto endOf = [&](int64_t i) { return i < count ? T(i + 1) : std::max(state_.recordingEndTime, T(i)); };
    auto barEnd = [&](int64_t i, int64_t l) {
        const int64_t r = X(endOf(i));
        return i == count && T(i) >= start ? std::max(r, l + 1) : r;
    };
    const bool ordered = timesInOrder();
    // In time order: the last result from i on that stands on column x (all before it have no
    // width there), searched outwards from i and then halved.
    auto lastOnColumn = [&](int64_t i, int64_t x, int64_t last) {
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
    };

    // The first result whose bar reaches into the view. Any result can start the view; only a
    // view that starts after every result has nothing to plot.
    int64_t i = 0;
    if (ordered && count > 0) {
        int64_t lo = 1, hi = count;
        while (lo < hi) {
            const int64_t mid = lo + (hi - lo) / 2;
            if (endOf(mid) >= start)
                hi = mid;
            else
                lo = mid + 1;
        }
        if (endOf(lo) >= start) i = lo;
    } else {
        for (int64_t k = 1; k <= count && !i; ++k)
            if (endOf(k) >= start) i = k;
    }
    if (!i) return false;

    // Bars. Of the results that share a column only the last one has a width there.
    const CursorChoice& choice = state_.cursorChoice;
    const bool chosenView = choice.viewStartTime == start && choice.timebaseIndex == state_.timebaseIndex &&
                            choice.result >= 1 && choice.result <= count;
    bool spanned = false;
    int64_t r = 0;
    do {
        const int64_t l = X(T(i));
        const int64_t j = l < kTimebaseRight ? lastOnColumn(i, l, count) : i;
        r = barEnd(j, l);
        if (r > kTimebaseCursorX && l <= kTimebaseCursorX) {
            // A chosen result that shares the cursor line's column with later ones stays the
            // cursor result.
            state_.cursorResult =
                chosenView && choice.result <= j && X(T(choice.result)) == l ? choice.result : j;
            spanned = true;
        }
        if (r - l > 0) {
            out.bar(l, r - l, j);
            noteColumn(l, r, i, j);
        }
        i = j + 1;
        // Out of order, a bar beyond the chart's right edge does not end the walk: a result after
        // a step back in time may stand in the view again.
    } while ((r < kTimebaseRight || !ordered) && i <= count);
    if (!spanned && i > count) state_.cursorResult = count;

    // Marks for changes too short to show, from the start of the store; none within 6 pixels
    // of the left edge. Only the picture shows them.
    if (!out.draws()) return true;
    i = 1;
    if (ordered) {  // straight to the first result right of x 138
        int64_t lo = 1, hi = count;
        while (lo < hi) {
            const int64_t mid = lo + (hi - lo) / 2;
            if (X(T(mid)) >= 138)
                hi = mid;
            else
                lo = mid + 1;
        }
        i = std::max<int64_t>(lo - 1, 1);
    }
    const ResultStore& store = state_.store;
    do {
        const int64_t l = X(T(i));
        const int64_t j = l < kTimebaseRight ? lastOnColumn(i, l, std::max<int64_t>(count - 1, i)) : i;
        // Results i..j-1 have no width; j has the width up to the next result.
        r = X(T(j + 1));
        if (l >= 138) {
            out.marks(l, changesWithin(std::max<int64_t>(i, 2), j - 1));
            if (r - l < 2 && j >= 2)
                out.marks(l, uint16_t(store.slot(j).inputStates ^ store.slot(j - 1).inputStates));
        }
        i = j + 1;
    } while ((r < kTimebaseRight || !ordered) && i < count);
    return true;
}

int64_t TraceRenderer::markerX() const {
    const int64_t m = state_.store.markedResult;
    if (m < 1 || m > state_.resultCount()) return -1;
    const bool event = state_.operatingMode.isEvent();
    int64_t x = -1;
    for (const PlotColumn& col : columns_)
        if (m >= col.first && m <= col.last) x = event ? col.left + 5 : col.left;
    // A result whose bar only reaches into the chart from the left does not start in view.
    return x > kPlotLeft && x < (event ? kEventRight : kTimebaseRight) ? x : -1;
}

void TraceRenderer::drawMarker(Canvas& c) {
    const int64_t at = markerX();
    if (at < 0) return;
    const int x = int(at);
    const bool mono = state_.monochromePrinting;
    c.setPenWidth(1);
    // Two pixels wide (x - 1 and x), dashes of 6 pixels and gaps of 4 inside the plot frame.
    // In monochrome the gaps are white: over the black of an "on" band they are what shows.
    for (int y = 31; y < 347; y += 10) {
        const int e = std::min(y + 6, 347);
        c.setPenColour(mono ? kBlack : kMarkerColour);
        c.line(x - 1, y, x - 1, e);
        c.line(x, y, x, e);
        if (!mono || e >= 347) continue;
        const int g = std::min(y + 10, 347);
        c.setPenColour(kWhite);
        c.line(x - 1, e, x - 1, g);
        c.line(x, e, x, g);
    }
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
    return x >= rightmost->right && rightmost->last == state_.resultCount() ? rightmost->last : 0;
}

void TraceRenderer::computeTimeLabels() {
    if (state_.operatingMode.isEvent()) return;
    const TimebaseRow& row = timebaseRow(state_.timebaseIndex);
    const double spp = double(row.secondsPerPixel);
    const int64_t base =
        state_.operatingMode == TimebaseRecord ? nearest(nowSeconds() - 600.0 * spp) : state_.viewStartTime;
    const int idx = state_.timebaseIndex;
    const int tenths = (idx >= 0 && idx <= 2) ? idx + 1 : 0;
    for (size_t j = 0; j < state_.timeLabels.size(); ++j) {
        if (int(j) >= row.labelCount) {
            state_.timeLabels[j].clear();
            continue;
        }
        const int64_t t = base + nearest(double(j) * spp * double(row.gridStep));
        state_.timeLabels[j] = formatTimeLabel(row.labelFormat, t, tenths * 100);
    }
}

uint16_t TraceRenderer::levelSource() const {
    if (state_.operatingMode.isSearch()) {
        if (state_.cursorResult < 1) return 0xFFFF;  // no result under the cursor: all on
        return validSlot(state_.cursorResult) ? state_.store.results[size_t(state_.cursorResult)].inputStates
                                              : 0xFFFF;
    }
    return state_.store.slot(state_.resultCount()).inputStates;
}

void TraceRenderer::drawNameBoxes(Canvas& c) {
    const bool mono = state_.monochromePrinting;
    const ColourSlots& col = state_.colours;
    const uint16_t levels = levelSource();
    c.setFontSize(9);
    c.setPenWidth(1);
    c.setPenColour(mono ? kBlack : col.gridColour);
    for (int k = 1; k <= kLastInput; ++k) {
        const int y = rowTop(k);
        const bool shown = state_.inputActive[size_t(k - 1)];
        const bool on = isOn(levels, k);
        uint32_t fill;
        if (mono)
            fill = (shown && !on) ? kBlack : kWhite;
        else
            fill = !shown ? kSilver : on ? col.highlightOnColour : col.highlightOffColour;
        c.setFillColour(fill);
        c.rectangle(5, y, 105, y + 18);
        c.setFontColour(fill == kWhite ? kBlack : kWhite);
        const std::string& name = state_.inputLabels[size_t(k - 1)];
        c.textOut(5 + (100 - c.textWidth(name)) / 2, y + 2, name);
    }

    if (mono || state_.operatingMode.isTimebase()) return;
    const int cellX = state_.operatingMode == EventRecord ? 762 : 442;
    for (int k = 1; k <= kLastInput; ++k) {
        if (!state_.inputActive[size_t(k - 1)]) continue;
        c.setFillColour(isOn(levels, k) ? col.highlightOnColour : col.highlightOffColour);
        c.rectangle(cellX, rowTop(k), cellX + 10, rowTop(k) + 18);
    }
}

void TraceRenderer::drawGrid(Canvas& c) {
    const bool mono = state_.monochromePrinting;
    const uint32_t ink = mono ? kBlack : state_.colours.gridColour;
    c.setFontSize(10);
    c.setPenWidth(1);
    c.setPenColour(ink);
    c.setFontColour(ink);
    c.setFillColour(mono ? kWhite : state_.colours.backgroundColour);

    if (state_.operatingMode.isTimebase()) {
        const TimebaseRow& row = timebaseRow(state_.timebaseIndex);
        const int first = state_.operatingMode == TimebaseRecord ? 0 : 1;
        for (int j = first; j < row.labelCount; ++j) {
            const int x = kPlotLeft + row.gridStep * j;
            c.line(x, 30, x, 354);
            const std::string& label = state_.timeLabels[size_t(j)];
            c.textOut(x - c.textWidth(label) / 2, 356, label);
        }
        c.setFillColour(ink);
        c.frameRect(kPlotLeft, 30, kTimebaseRight + 1, 348);
        return;
    }

    for (int i = 1; i <= 66; ++i) {
        const int x = kPlotLeft + 10 * i;
        c.line(x, 30, x, 348);
    }
    for (int j = 0; j <= 6; ++j) {
        const int right = kEventCursorX + 50 * j, left = kEventCursorX - 50 * j;
        c.line(right, 348, right, 354);
        c.line(left, 348, left, 354);
        c.textOut(right - 5, 360, j == 0 ? std::string("0") : "+" + std::to_string(5 * j));
        if (j >= 1) c.textOut(left - 8, 360, "-" + std::to_string(5 * j));
    }
    c.setFillColour(ink);
    c.frameRect(kPlotLeft, 30, kEventRight + 1, 348);
}

void TraceRenderer::drawWindowOverlay(Canvas& c) {
    const bool mono = state_.monochromePrinting;
    const uint32_t ink = mono ? kBlack : state_.colours.gridColour;
    c.setPenWidth(2);
    c.setPenColour(ink);
    c.setFillColour(kWhite);
    c.setFontColour(kBlack);
    const bool event = state_.operatingMode.isEvent();
    if (event) {
        const int x = state_.operatingMode == EventRecord ? 769 : 449;
        c.polyline({{x, 131}, {x + 10, 131}, {x + 10, 448}, {x, 448}, {x, 131}});
    }
    const int b = event ? 449 : 438;
    c.setFontSize(10);
    const std::string time = formatResultTime(state_, state_.cursorResult);
    const int h = (c.textWidth(time + "   Event: 99999") + 10) / 2;
    c.rectangle(b - h, 486, b + h, 510);
    c.setPenWidth(1);
    c.textOut(b - h + 5, 490, time + "   Event: " + std::to_string(state_.cursorResult));
}

std::string formatTimeLabel(const char* format, int64_t seconds, int milliseconds) {
    seconds += milliseconds / 1000;
    milliseconds %= 1000;
    const LocalDateTime dt = dateTimeFromTimeStamp(seconds);
    const std::string f = format;
    std::string out;
    char buf[16];
    for (size_t p = 0; p < f.size();) {
        auto take = [&](const char* token) {
            const size_t n = std::char_traits<char>::length(token);
            if (f.compare(p, n, token) != 0) return false;
            p += n;
            return true;
        };
        if (take("zzz")) {
            std::snprintf(buf, sizeof buf, "%03d", milliseconds);
        } else if (take("hh")) {
            std::snprintf(buf, sizeof buf, "%02d", dt.hour);
        } else if (take("h")) {
            std::snprintf(buf, sizeof buf, "%d", dt.hour);
        } else if (take("nn")) {
            std::snprintf(buf, sizeof buf, "%02d", dt.minute);
        } else if (take("ss")) {
            std::snprintf(buf, sizeof buf, "%02d", dt.second);
        } else if (take("dd")) {
            std::snprintf(buf, sizeof buf, "%02d", dt.day);
        } else if (take("mm")) {
            std::snprintf(buf, sizeof buf, "%02d", dt.month);
        } else if (take("yy")) {
            std::snprintf(buf, sizeof buf, "%02d", ((dt.year % 100) + 100) % 100);
        } else {
            buf[0] = f[p++];
            buf[1] = '\0';
        }
        out += buf;
    }
    return out;
}

}  // namespace zvl
