#include "search/goto.h"

#include <cctype>
#include <charconv>

#include "core/viewplacement.h"
#include "search/navigation.h"

namespace zvl {

std::string goToEventRangeText(int64_t resultCount) {
    return "Please enter an event number from 1 to " + std::to_string(resultCount) + ".";
}

RecordingSpan recordingSpan(const AppState& state) {
    const ShownResults shown(state);
    RecordingSpan span;
    span.total = shown.count();
    if (span.total > 0) {
        span.start = formatTimeStamp(shown.time(1));
        span.stop = formatTimeStamp(shown.time(span.total));
    }
    return span;
}

int64_t goToPresetTime(const AppState& state) {
    const ShownResults shown(state);
    const int64_t count = shown.count();
    if (state.cursorResult >= 1 && state.cursorResult <= count) return shown.time(state.cursorResult);
    if (count > 0) return shown.time(1);
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
    const int64_t count = ShownResults(state).count();
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
    const ShownResults shown(state);
    const ResultSource& src = shown.source();
    const int64_t count = src.count();
    for (int64_t n = 1; n <= count;) {
        const std::span<const ResultRecord> records = src.run(n);
        if (records.empty()) break;
        for (const ResultRecord& r : records) {
            if (r.time() >= moment) return n;
            ++n;
        }
    }
    return count > 0 ? count : 0;
}

bool goToTime(AppState& state, Prompts& prompts, int64_t moment) {
    if (ShownResults(state).count() <= 0) {
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
