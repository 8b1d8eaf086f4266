#pragma once
// The sixteen-row timing diagram: builds the 780 x 380 picture through a Canvas, in a fixed
// order (frame, key boxes, the walk of the current mode, name boxes, cursor cells, grid, axis
// texts), or only the state its walk sets, and draws the window-level overlay (cursor column
// and Event box).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/state.h"
#include "core/viewplacement.h"
#include "platform/canvas.h"
#include "platform/clock.h"
#include "platform/prompts.h"

namespace zvl {

constexpr int kPictureWidth = 780;
constexpr int kPictureHeight = 380;
constexpr int kPictureLeft = 6;  // where the picture stands in the main window
constexpr int kPictureTop = 100;
constexpr int kPlotLeft = 132;
constexpr int kTimebaseRight = 732;
constexpr int kEventRight = 772;
constexpr int kTimebaseCursorX = 432;  // the cursor line of the time chart
constexpr uint32_t kSilver = rgb(192, 192, 192);
constexpr uint32_t kBlack = rgb(0, 0, 0);
constexpr uint32_t kWhite = rgb(255, 255, 255);
constexpr uint32_t kBorderRed = rgb(255, 0, 0);
constexpr uint32_t kMarkerColour = rgb(128, 0, 128);  // the marker's dashed line, in colour
constexpr uint32_t kGapColour = rgb(64, 64, 64);      // a timeline's gaps, in colour
inline constexpr const char* kPlottingErrorText = "Plotting Error";

enum SegmentKind { OffBar = 1, OnBar = 2, ChangeMark = 4 };

// One drawSegment call as the walks made it (before cutting), for tests and diagnostics.
struct SegmentCall {
    int64_t x;
    int input;
    int64_t width;
    SegmentKind kind;
    bool operator==(const SegmentCall&) const = default;
};

// A stretch of the plot as a walk laid it out (picture x): results first..last stand at left,
// all but the last without width there, and the last one's bar reaches to right (exclusive).
struct PlotColumn {
    int64_t left;
    int64_t right;
    int64_t first;
    int64_t last;
    bool operator==(const PlotColumn&) const = default;
};

// Top of input row k (1..16).
constexpr int rowTop(int input) {
    return 20 * input + 10;
}

// "Timebase Mode" or "Event Mode".
const char* modeCaption(OperatingMode operatingMode);

class TraceRenderer {
public:
    TraceRenderer(AppState& state, const Clock& clock, Prompts& prompts)
        : state_(state), clock_(clock), prompts_(prompts), shown_(state) {}

    // What a picture is drawn from. A command's redraw brings the walk's state up to date as it
    // draws. A redraw put off to the next display frame draws the state updateWalkState set
    // when the redraw was asked for: it reads neither the clock nor the time labels again.
    enum class WalkState { Update, Keep };

    // The picture, in a fixed order: frame and key boxes, the walk of the current mode, name
    // boxes and cursor cells, grid and axis texts, the marker. The walk sets cursorResult and
    // the plot columns; with WalkState::Update the live time chart first reads liveTime from
    // the clock, and the time-base modes set their time labels after the walk.
    void redrawTraceView(Canvas& picture, WalkState from = WalkState::Update);
    // What redrawTraceView(picture) sets, without drawing anything: liveTime, cursorResult, the
    // time labels and the plot columns (the live time chart lays out its columns only when it
    // is drawn: nothing else of the state comes from it).
    void updateWalkState();

    // The key box of an input on the picture, after a click changed its condition.
    void drawKeyBox(Canvas& picture, int input);
    // In window coordinates, over the picture: cursor column outline (event modes) and Event box.
    void drawWindowOverlay(Canvas& window);
    // One bar or change mark of an input, cut to the plot of the mode.
    void drawSegment(Canvas& picture, int64_t x, int input, int64_t width, SegmentKind kind);

    // Where the marker of the recording (store.markedResult) stands in the last picture
    // (picture x), from the columns its walk laid out: the middle of its slot in the event
    // modes, the start of its bar in the time-base modes; -1 when it is not in view.
    int64_t markerX() const;

    // The result a click at picture column x puts under the cursor of a search view, from the
    // walk of the view as it stands (nothing is drawn and the cursor result stays): the result
    // drawn there; in the time chart right of the last bar the last result, which is still in
    // force there. 0 for none: left of result 1, an empty slot, outside the plot, or a record
    // mode.
    int64_t resultAtPictureX(int64_t x);
    // A gap of the timeline on show as the last picture drew it (picture x): in the time chart
    // the hatched band from one recording's last result to the next one's first (left..right),
    // in the event chart the marked slot boundary before the next one's first (left = right).
    struct GapMark {
        int64_t left, right;
        size_t segment;  // the index of the recording after the gap in the source's segments()
    };
    const std::vector<GapMark>& gapMarks() const { return gaps_; }
    // The segment of the gap drawn at picture column x (within 3 pixels of a boundary).
    std::optional<size_t> gapAtPictureX(int64_t x) const;
    const ResultSource& shownSource() const { return shown_.source(); }
    // The columns the last walk laid out, in drawing order.
    const std::vector<PlotColumn>& plotColumns() const { return columns_; }
    // A redraw never opens a box while it draws: the canvas's painter is open, and a box's
    // event loop could start another redraw on the same picture. It keeps its warning (such
    // as "Plotting Error") instead; the caller shows it once the picture is finished.
    const std::string& pendingWarning() const { return warning_; }
    void showPendingWarning();

    // When set, every drawSegment call is appended here.
    std::vector<SegmentCall>* segmentLog = nullptr;

private:
    class WalkSink;
    class PictureSink;
    class StateOnlySink;
    double secondsPerPixel() const;
    double nowSeconds() const;  // the PC clock as real seconds since 2000
    uint16_t levelSource() const;
    void readLiveTime();       // the live time chart's liveTime, from the clock
    void computeTimeLabels();  // the time-base modes' labels; the event modes have none
    // Step 1: background, border, heading, mode caption, cursor arrow, the sixteen key boxes.
    void buildPictureFrame(Canvas& picture);
    // Step 2: the walk of the current mode. Each sets cursorResult and the plot columns and
    // hands what it lays out for the picture to the sink. False when there is nothing to plot.
    bool walk(WalkSink& out);
    void eventWalk(WalkSink& out);
    void timebaseRecordWalk(WalkSink& out);  // at the liveTime already set
    bool timebaseSearchWalk(WalkSink& out);
    // Steps 3 and 4, and the marker over them.
    void drawNameBoxes(Canvas& picture);
    void drawGrid(Canvas& picture);
    void drawMarker(Canvas& picture);
    // The gaps between the recordings of a timeline (the segments whose cause says results may
    // be missing before them), over the walk's bars.
    void drawGaps(Canvas& picture);
    void drawResultColumn(Canvas& picture, int64_t x, int64_t width, int64_t index);
    // Notes a column of the results on show that reaches into the plot.
    void noteColumn(int64_t left, int64_t right, int64_t first, int64_t last);
    // Whether the results on show stand in time order, which lets the time-base walks find
    // a place by binary search and pass over the results that share a pixel column at once.
    bool timesInOrder() const;
    // The inputs that changed from result first - 1 to result last, step by step.
    uint16_t changesWithin(int64_t first, int64_t last) const;

    AppState& state_;
    const Clock& clock_;
    Prompts& prompts_;
    ShownResults shown_;               // what the walks read: the store, or the timeline
    std::vector<PlotColumn> columns_;  // laid out by the last walk
    std::string warning_;              // of the last picture drawn, until it is shown
    std::vector<GapMark> gaps_;        // drawn on the last picture
};

// Label text of a moment (seconds since 2000 plus milliseconds) in a time-base row's format:
// "nn:ss", "h:nn:ss:zzz", "h:nn:ss", "hh:nn:ss", "hh:nn" or "dd/mm/yy hh:nn".
std::string formatTimeLabel(const char* format, int64_t seconds, int milliseconds);

}  // namespace zvl
