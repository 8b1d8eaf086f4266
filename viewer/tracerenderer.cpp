#include "viewer/tracerenderer.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "core/timebase.h"
#include "viewer/tracerounding.h"

namespace zvl {

using trace::kLastInput;
using trace::nearest;

namespace {
constexpr int kEventCursorX = 447;

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
    const uint16_t states = shown_.levels(index);
    for (int k = 1; k <= kLastInput; ++k)
        if (state_.inputActive[size_t(k - 1)]) drawSegment(c, x, k, width, isOn(states, k) ? OnBar : OffBar);
}

int64_t TraceRenderer::markerX() const {
    const int64_t m = state_.store.markedResult;
    if (m < 1 || m > shown_.count()) return -1;
    const bool event = state_.operatingMode.isEvent();
    int64_t x = -1;
    for (const PlotColumn& col : columns_)
        if (m >= col.first && m <= col.last) x = event ? col.left + 5 : col.left;
    // A result whose bar only reaches into the chart from the left does not start in view.
    return x > kPlotLeft && x < (event ? kEventRight : kTimebaseRight) ? x : -1;
}

void TraceRenderer::drawGaps(Canvas& c) {
    gaps_.clear();
    const ResultSource& src = shown_.source();
    const std::vector<SourceSegment>& segments = src.segments();
    const bool event = state_.operatingMode.isEvent();
    if (state_.operatingMode.isOnline() || segments.size() < 2) return;
    const double spp = secondsPerPixel();
    const auto X = [&](int64_t t) { return kPlotLeft + nearest(double(t - state_.viewStartTime) / spp); };
    for (size_t k = 1; k < segments.size(); ++k) {
        const SourceSegment& s = segments[k];
        if (!isGap(s.gapBefore) || s.count <= 0) continue;
        if (event) {
            const int64_t slot = s.first - state_.currentResult;  // the boundary left of this slot
            if (slot >= 1 && slot <= 64) gaps_.push_back({kPlotLeft + 10 * slot, kPlotLeft + 10 * slot, k});
            continue;
        }
        const int64_t l = std::max<int64_t>(X(src.time(s.first - 1)), kPlotLeft);
        const int64_t r = std::min<int64_t>(X(src.time(s.first)), kTimebaseRight);
        if (r > l) gaps_.push_back({l, r, k});
    }
    const bool mono = state_.monochromePrinting;
    const uint32_t ink = mono ? kBlack : kGapColour;
    c.setPenWidth(1);
    c.setPenColour(ink);
    c.setFillColour(ink);
    for (const GapMark& g : gaps_) {
        if (event) {
            c.rectangle(int(g.left) - 1, 30, int(g.left) + 2, 348);  // three pixels over the boundary
            continue;
        }
        // Hatched: a line from lower left to upper right every 8 pixels, cut to the band.
        const int l = int(g.left), r = int(g.right), top = 31, bottom = 347;
        c.line(l, top, l, bottom);
        c.line(r - 1, top, r - 1, bottom);
        for (int start = l - (bottom - top); start < r; start += 8) {
            // The line x = start + (bottom - y), cut to l <= x < r and top <= y < bottom.
            const int x1 = std::max(start, l), x2 = std::min(start + (bottom - top), r - 1);
            if (x2 <= x1) continue;
            c.line(x1, bottom - (x1 - start), x2, bottom - (x2 - start));
        }
    }
}

std::optional<size_t> TraceRenderer::gapAtPictureX(int64_t x) const {
    for (const GapMark& g : gaps_)
        if (g.left == g.right ? std::abs(x - g.left) <= 3 : x >= g.left && x < g.right) return g.segment;
    return std::nullopt;
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
        return shown_.levels(state_.cursorResult);
    }
    return shown_.levels(shown_.count());
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
    const std::string time = formatTimeStamp(state_.cursorResult < 1 ? 0 : shown_.time(state_.cursorResult));
    // As wide as five digits need, or the number's own (a timeline's run to millions).
    const std::string number = std::to_string(state_.cursorResult);
    const int h =
        (c.textWidth(time + "   Event: " + std::string(std::max<size_t>(5, number.size()), '9')) + 10) / 2;
    c.rectangle(b - h, 486, b + h, 510);
    c.setPenWidth(1);
    c.textOut(b - h + 5, 490, time + "   Event: " + number);
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
