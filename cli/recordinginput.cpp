// FILE|DIR and --from/--to of the file commands.

#include "cli/recordinginput.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "cli/filecommands.h"
#include "cli/session.h"
#include "core/timerules.h"

namespace zvl::cli {

std::optional<SpanPoint> parseSpanPoint(const std::string& text) {
    if (const std::optional<long long> n = parseCount(text); n && *n >= 1) return SpanPoint{false, *n};
    if (const std::optional<int64_t> t = parseLocalTime(text)) return SpanPoint{true, *t};
    return std::nullopt;
}

bool spanOption(const ParsedArgs& a, const char* option, std::optional<SpanPoint>& point) {
    point.reset();
    const std::optional<std::string> text = a.value(option);
    if (!text) return true;
    if ((point = parseSpanPoint(*text))) return true;
    fail(std::string(option) + " takes a result number or a time \"YYYY-MM-DD hh:mm:ss\", not \"" + *text +
         "\"");
    return false;
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

// The span the bounds take of `source`, or the exit code.
int takeSpan(const std::optional<SpanPoint>& from, const std::optional<SpanPoint>& to,
             const std::string& path, RecordingInput& in) {
    const ResultSource& whole = in.whole();
    const int64_t count = whole.count();
    for (const auto& p : {from, to}) {
        if (!p || p->isTime || p->value <= count) continue;
        fail("result " + std::to_string(p->value) + " is not in " + path + " (its results are 1.." +
             std::to_string(count) + ")");
        return kExitFailure;
    }
    int64_t first = from && !from->isTime ? from->value : 1, last = to && !to->isTime ? to->value : count;
    if (from && from->isTime) {
        first = 1;
        while (first <= count && whole.time(first) < from->value) ++first;
    }
    if (to && to->isTime) {
        last = first;
        while (last <= count && whole.time(last) <= to->value) ++last;
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
    std::optional<SpanPoint> from, to;
    if (!spanOption(a, "--from", from) || !spanOption(a, "--to", to)) return kExitUsage;
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
    if (!from && !to) return -1;
    return takeSpan(from, to, in.path, in);
}

}  // namespace zvl::cli
