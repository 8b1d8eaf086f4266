// FILE|DIR and --from/--to of the file commands.

#include "cli/recordinginput.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "cli/filecommands.h"
#include "cli/session.h"
#include "core/timerules.h"

namespace zvl::cli {

std::optional<int64_t> parseTimeArgument(const std::string& text) {
    LocalDateTime t;
    char end = 0;
    if (text.size() != 19 || std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &t.year, &t.month, &t.day,
                                         &t.hour, &t.minute, &t.second, &end) != 6)
        return std::nullopt;
    if (t.year < 2000 || t.month < 1 || t.month > 12 || t.day < 1 || t.hour > 23 || t.minute > 59 ||
        t.second > 59 ||
        t.day > int(dayNumber(t.month == 12 ? t.year + 1 : t.year, t.month % 12 + 1, 1) -
                    dayNumber(t.year, t.month, 1)))
        return std::nullopt;
    return timeStampFromDateTime(t);
}

bool isFolderArgument(const std::string& argument) {
    std::error_code ec;
    return std::filesystem::is_directory(argument, ec);
}

std::vector<std::string> inputFilesOf(const std::string& argument, bool allParts,
                                      const std::string& extension) {
    return isFolderArgument(argument) ? recordingFilesIn(argument)
                                      : inputFiles(argument, allParts, extension);
}

namespace {

// A bound of --from or --to: a result number or a time.
struct Bound {
    std::optional<int64_t> result, time;
};

std::optional<Bound> parseBound(const ParsedArgs& a, const char* option) {
    const std::optional<std::string> text = a.value(option);
    if (!text) return Bound{};
    if (const auto n = parseCount(*text)) return Bound{*n, std::nullopt};
    if (const auto t = parseTimeArgument(*text)) return Bound{std::nullopt, *t};
    fail(std::string(option) + " takes a result number or a time \"YYYY-MM-DD hh:mm:ss\", not \"" + *text +
         "\"");
    return std::nullopt;
}

// The span the bounds take of `source`, or the exit code.
int takeSpan(const Bound& from, const Bound& to, const std::string& path, RecordingInput& in) {
    const ResultSource& whole = in.whole();
    const int64_t count = whole.count();
    for (const auto& n : {from.result, to.result}) {
        if (!n || (*n >= 1 && *n <= count)) continue;
        fail("result " + std::to_string(*n) + " is not in " + path + " (its results are 1.." +
             std::to_string(count) + ")");
        return kExitFailure;
    }
    int64_t first = from.result.value_or(1), last = to.result.value_or(count);
    if (from.time) {
        first = 1;
        while (first <= count && whole.time(first) < *from.time) ++first;
    }
    if (to.time) {
        last = first;
        while (last <= count && whole.time(last) <= *to.time) ++last;
        --last;
    }
    if (count == 0 || first > count || last < first) {
        fail("--from and --to leave no results of " + path);
        return kExitFailure;
    }
    in.spanFirst = first;
    in.span = std::make_unique<SpanSource>(whole, first, last);
    return -1;
}

// The folder's description in the state, as a loaded file's would be.
void describeFolder(const FolderSource& folder, AppState& state) {
    const SourceSegment& first = folder.segments().front();
    state.recordingTitle = first.title;
    state.commentLines.fill(std::string());
    std::copy(first.comments.begin(), first.comments.end(), state.commentLines.begin());
    state.inputLabels = folder.labels;
    state.inputActive = folder.active;
    state.saveFileName = state.dataDirectory = folder.folder;
}

}  // namespace

int openRecordingInput(const ParsedArgs& a, AppState& state, const std::function<bool()>& openFile,
                       RecordingInput& in) {
    const std::optional<Bound> from = parseBound(a, "--from"), to = parseBound(a, "--to");
    if (!from || !to) return kExitUsage;
    const std::string& argument = a.positionals[0];
    if (isFolderArgument(argument)) {
        if (a.has("--all-parts")) {
            fail("--all-parts takes a part file, not a folder: " + argument);
            return kExitUsage;
        }
        in.path = dialogAnswer(argument, "");
        std::string error;
        in.folder = loadFolder(in.path, error);
        if (!in.folder) {
            fail(error);
            return kExitFailure;
        }
        if (const std::string warning = leftOutWarning(*in.folder); !warning.empty()) fail(warning);
        describeFolder(*in.folder, state);
    } else {
        if (!openFile()) return kExitFailure;
        in.path = state.dataDirectory.empty() ? dialogAnswer(argument, "") : state.dataDirectory;
        in.store = std::make_unique<StoreSource>(state.store);
        in.store->describe(in.path, state.recordingTitle, state.commentLines);
    }
    if (!from->result && !from->time && !to->result && !to->time) return -1;
    return takeSpan(*from, *to, in.path, in);
}

}  // namespace zvl::cli
