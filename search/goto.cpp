#include "search/goto.h"

#include <cctype>
#include <charconv>

#include "search/navigation.h"

namespace zvl {

std::string goToEventRangeText(int64_t resultCount) {
    return "Please enter an event number from 1 to " + std::to_string(resultCount) + ".";
}

RecordingSpan recordingSpan(const AppState& state) {
    RecordingSpan span;
    span.total = state.resultCount();
    if (span.total > 0) {
        span.start = formatResultTime(state, 1);
        span.stop = formatResultTime(state, span.total);
    }
    return span;
}

int64_t goToPresetTime(const AppState& state) {
    const int64_t count = state.resultCount();
    if (state.cursorResult >= 1 && state.cursorResult <= count) return state.resultTime(state.cursorResult);
    if (count > 0) return state.resultTime(1);
    return 0;
}

namespace {
// A whole decimal number with optional blanks around it; nothing else.
bool parseWholeNumber(const std::string& text, int64_t& value) {
    size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
    if (b < e && text[b] == '+') ++b;
    if (b == e) return false;
    const char* first = text.data() + b;
    const char* last = text.data() + e;
    const auto [end, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && end == last;
}
}  // namespace

bool goToEvent(AppState& state, Prompts& prompts, const std::string& eventText) {
    const int64_t count = state.resultCount();
    if (count <= 0) {
        prompts.information(kGoToNoResultsText);
        return false;
    }
    int64_t n = 0;
    if (!parseWholeNumber(eventText, n) || n < 1 || n > count) {
        prompts.information(goToEventRangeText(count));
        return false;
    }
    putUnderCursor(state, n);
    return true;
}

int64_t resultAtOrAfter(const AppState& state, int64_t moment) {
    const int64_t count = state.resultCount();
    for (int64_t n = 1; n <= count; ++n)
        if (state.resultTime(n) >= moment) return n;
    return count > 0 ? count : 0;
}

bool goToTime(AppState& state, Prompts& prompts, int64_t moment) {
    if (state.resultCount() <= 0) {
        prompts.information(kGoToNoResultsText);
        return false;
    }
    if (moment < 0 || moment > kLatestTimeStamp) {
        prompts.information(kGoToTimeRangeText);
        return false;
    }
    putUnderCursor(state, resultAtOrAfter(state, moment));
    return true;
}

void goToEventOrTime(ModalDialog& goToDialog, ViewHooks& view) {
    goToDialog.runModal();
    view.refreshWindow();
}

}  // namespace zvl
