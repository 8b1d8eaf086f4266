#pragma once
// The sixteen-row timing diagram: builds the 780 x 380 picture through a Canvas, in a fixed
// order (frame, key boxes, the walk of the current mode, name boxes, cursor cells, grid, axis
// texts), and draws the window-level overlay (cursor column and Event box).

#include <cstdint>
#include <string>
#include <vector>

#include "core/state.h"
#include "platform/canvas.h"
#include "platform/clock.h"
#include "platform/prompts.h"

namespace zvl {

constexpr int kPictureWidth = 780;
constexpr int kPictureHeight = 380;
constexpr int kPictureLeft = 6;   // where the picture stands in the main window
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
constexpr int rowTop(int input) { return 20 * input + 10; }

// "Timebase Mode" or "Event Mode".
const char* modeCaption(OperatingMode operatingMode);

class TraceRenderer {
public:
    TraceRenderer(AppState& state, const Clock& clock, Prompts& prompts) : state_(state), clock_(clock), prompts_(prompts) {}

    // Steps 1 to 4 of a redraw into a fresh picture: frame, walk, name boxes and cursor
    // cells, grid and axis. Sets cursorResult (and the time labels in the time-base modes).
    void redrawTraceView(Canvas& picture);

    // A redraw in two halves, for redraws that are put off to the next display frame:
    // updateWalkState sets what the walk of the mode decides (cursorResult, liveTime, the time
    // labels) without drawing; drawPicture later draws the picture of that state, reading
    // neither the clock nor the labels again. Together they give what redrawTraceView gives.
    void updateWalkState();
    void drawPicture(Canvas& picture);

    // Step 1: background, border, heading, mode caption, cursor arrow, the sixteen key boxes.
    void buildPictureFrame(Canvas& picture);
    void drawKeyBox(Canvas& picture, int input);
    // Step 2: the walk of the current mode (time labels included in the time-base modes).
    void runWalk(Canvas& picture);
    void eventWalk(Canvas& picture) { eventWalk(&picture); }
    void timebaseRecordWalk(Canvas& picture);  // liveTime from the clock first
    void timebaseSearchWalk(Canvas& picture) { timebaseSearchWalk(&picture); }
    void computeTimeLabels();
    // Step 3 and 4.
    void drawNameBoxes(Canvas& picture);
    void drawGrid(Canvas& picture);
    // Step 6, in window coordinates: cursor column outline (event modes) and Event box.
    void drawWindowOverlay(Canvas& window);

    void drawSegment(Canvas& picture, int64_t x, int input, int64_t width, SegmentKind kind);

    // The marker of the recording (store.markedResult) as a dashed vertical line over the
    // plot, where the last picture's walk laid its result out: the middle of its slot in the
    // event modes, the start of its bar in the time-base modes; nothing when it is not in view.
    void drawMarker(Canvas& picture);
    // Where the marker stands in the last picture (picture x), or -1 when it is not in view.
    int64_t markerX() const;

    // The result a click at picture column x puts under the cursor of a search view, from the
    // walk of the view as it stands (nothing is drawn and the cursor result stays): the result
    // drawn there; in the time chart right of the last bar the last result, which is still in
    // force there. 0 for none: left of result 1, an empty slot, outside the plot, or a record
    // mode.
    int64_t resultAtPictureX(int64_t x);
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
    class MarkPainter;
    double secondsPerPixel() const;
    double nowSeconds() const;  // the PC clock as real seconds since 2000
    uint16_t levelSource() const;
    // The walks draw on the canvas given, or only set their state when it is null.
    void render(Canvas* picture, bool readClock);
    void walk(Canvas* picture);
    void eventWalk(Canvas* picture);
    void timebaseRecordBars(Canvas* picture);  // at the liveTime already set
    void timebaseSearchWalk(Canvas* picture);
    void drawResultColumn(Canvas* picture, int64_t x, int64_t width, int64_t index);
    // Notes a column of results 1..resultCount that reaches into the plot.
    void noteColumn(int64_t left, int64_t right, int64_t first, int64_t last);
    // Whether results 1..resultCount stand in time order, which lets the time-base walks find
    // a place by binary search and pass over the results that share a pixel column at once.
    bool timesInOrder() const;
    // The inputs that changed from result first - 1 to result last, step by step.
    uint16_t changesWithin(int64_t first, int64_t last) const;

    AppState& state_;
    const Clock& clock_;
    Prompts& prompts_;
    std::vector<PlotColumn> columns_;  // laid out by the last walk
    std::string warning_;  // of the last picture drawn, until it is shown
};

// Label text of a moment (seconds since 2000 plus milliseconds) in a time-base row's format:
// "nn:ss", "h:nn:ss:zzz", "h:nn:ss", "hh:nn:ss", "hh:nn" or "dd/mm/yy hh:nn".
std::string formatTimeLabel(const char* format, int64_t seconds, int milliseconds);

}  // namespace zvl
