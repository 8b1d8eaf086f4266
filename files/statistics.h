#pragma once
// Statistics of a recording: per input the changes, the time spent on and off, the duty and
// the shortest and longest closed on period, over the whole recording and per box of time
// (hours of the day, or 10 or 20 equal parts of the recording). The Statistics dialog and
// `zvl stats` show these figures; nothing here depends on the window.
//
// Over results 1..N: result i holds for d(i) = max(0, T(i+1) - T(i)), the last one for 0.
// A change is a result i >= 2 whose input differs from result i - 1; it counts in the box of
// result i's time. A holding time is split between the boxes it overlaps.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/resultsource.h"
#include "core/resultstore.h"

namespace zvl {

struct AppState;
class FileDialogs;
class Prompts;

enum class BoxChoice { Hourly, TenEqual, TwentyEqual };

// The list's entries, in the order of BoxChoice.
extern const char* const kBoxChoiceNames[3];
int boxCount(BoxChoice choice);

struct InputFigures {
    int64_t toOn = 0, toOff = 0;
    double onTime = 0, offTime = 0;  // seconds; a box gets parts of holding times
};

struct InputSummary : InputFigures {
    std::optional<int64_t> shortestOn, longestOn;  // closed on periods only
};

struct BoxFigures {
    int64_t start = 0;    // seconds since 2000 (hourly: second of the day)
    int64_t results = 0;  // results whose time falls in the box
    std::array<InputFigures, kInputCount> inputs{};
};

struct Statistics {
    BoxChoice choice = BoxChoice::Hourly;
    int64_t resultCount = 0;
    std::array<InputSummary, kInputCount> inputs{};
    std::vector<BoxFigures> boxes;
};

Statistics computeStatistics(const ResultStore& store, BoxChoice choice);
Statistics computeStatistics(const ResultSource& source, BoxChoice choice);

// 100 x on / (on + off) with one decimal; empty when on + off is 0.
std::string dutyText(double onTime, double offTime);

using TextGrid = std::vector<std::vector<std::string>>;

// The dialog's grid: rows 0 and 1 name the boxes and give their starts, rows 2..17 the
// inputs (number, label, changes per box, then "Changes", "On Time", "Duty %"), row 18 "All"
// the results per box. Labels stay Windows-1252 bytes.
TextGrid statisticsGrid(const Statistics& stats, const AppState& state);

// One row per input of one box: number, label, To On, To Off, On time, Off time, Duty, with a
// header row first.
TextGrid boxDetails(const Statistics& stats, const AppState& state, size_t box);

// The per-input summary of `zvl stats`, with its header row.
TextGrid inputSummary(const Statistics& stats, const AppState& state);

// Comma-separated lines, each ended by `lineEnd`; a field holding a comma, a quote or a line
// break is quoted, quotes doubled; a field that begins with =, +, - or @ is quoted with an
// apostrophe in front, so that a spreadsheet shows it as text.
std::string csvText(const TextGrid& grid, const char* lineEnd = "\r\n");

// "Save as CSV File": the save dialog for CSV files, then `grid` as csvText through the safe
// save; a failure is shown with the system's error text. False when cancelled or failed.
bool saveStatisticsCsv(const TextGrid& grid, const std::string& folder, FileDialogs& dialogs,
                       Prompts& prompts);

}  // namespace zvl
