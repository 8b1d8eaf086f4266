#pragma once
// Tools > "&Go To Event...": the go-to dialog brings a result under the cursor of both views,
// chosen by its number or by a moment in time. What the dialog does, without the widgets.

#include <cstdint>
#include <string>

#include "core/state.h"
#include "platform/modaldialog.h"
#include "platform/prompts.h"
#include "platform/viewhooks.h"

namespace zvl {

// Time stamps the store can hold: 1 January 2000 00:00:00 .. 2^31 - 1 seconds later.
constexpr int64_t kLatestTimeStamp = 0x7FFFFFFF;

inline constexpr const char* kGoToNoResultsText = "There are no results to go to.";
inline constexpr const char* kGoToTimeRangeText =
    "Please enter a time between 1 January 2000 00:00:00 and 19 January 2068 03:14:07.";
// "Please enter an event number from 1 to N."
std::string goToEventRangeText(int64_t resultCount);

// What the dialog shows of the recording: the first and the last result's time and the
// number of results (empty times when there are none).
struct RecordingSpan {
    std::string start;
    std::string stop;
    int64_t total = 0;
};
RecordingSpan recordingSpan(const AppState& state);

// The time the dialog's date and time fields start at: the cursor result's, else the first
// result's, else 1 January 2000.
int64_t goToPresetTime(const AppState& state);

// "Go To Event": the text of the Event field, a whole number 1..resultCount (blanks around it
// allowed). Anything else gets a message and changes nothing. True when the view moved.
bool goToEvent(AppState& state, Prompts& prompts, const std::string& eventText);

// "Go To Time": the first result (lowest number) whose time is at or after the moment, or the
// last result when none is. A moment outside the store's range of time stamps, or an empty
// store, gets a message and changes nothing. True when the view moved.
bool goToTime(AppState& state, Prompts& prompts, int64_t moment);

// The result "Go To Time" picks for a moment (0 with no results).
int64_t resultAtOrAfter(const AppState& state, int64_t moment);

// Tools > "&Go To Event..." (goToEventOrTime): the dialog modally, then a window refresh.
void goToEventOrTime(ModalDialog& goToDialog, ViewHooks& view);

}  // namespace zvl
