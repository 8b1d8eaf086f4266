#pragma once
// FILE|DIR and --from T --to T of zvl info, export, vcd and stats: a recording file (opened
// into the state's store, as each command opens it), or a folder of recordings read as one
// timeline, and the span of its results the two options take.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/args.h"
#include "core/state.h"
#include "files/folderload.h"

namespace zvl::cli {

// The paragraph of the commands' help texts on folders and spans.
#define ZVL_FOLDER_SPAN_HELP                                                                         \
    "FILE may be a folder (a zvl log folder, or any folder of .zvl files): its recordings (the\n"    \
    "part files of one save count as one) are read as one timeline in the time order of their\n"     \
    "first results, placed by the UTC offset their comment lines give, results numbered from 1\n"    \
    "across them. A recording whose results overlap one before it, or that cannot be read, is\n"     \
    "left out and named on stderr. Nothing in the folder is written; the journal and temporary\n"    \
    "files of a zvl log writing into it and empty files are passed over.\n"                          \
    "\n"                                                                                             \
    "--from T, --to T: only the results of that span, numbered from 1, as a file holding just\n"     \
    "them would give. T is a result number or a time \"YYYY-MM-DD hh:mm:ss\": --from a time takes\n" \
    "the first result at or after it, --to a time the results before the first one after it.\n"

// A point of a span (--from T, --to T): a result number (1 on) or a time stamp, from
// "YYYY-MM-DD hh:mm:ss". nullopt when the text is neither.
struct SpanPoint {
    bool isTime = false;
    int64_t value = 0;
};
std::optional<SpanPoint> parseSpanPoint(const std::string& text);
// The option's point in `point` (reset when the option is not given); false, the reason
// printed, when its value is neither a result number nor a time.
bool spanOption(const ParsedArgs& a, const char* option, std::optional<SpanPoint>& point);

struct RecordingInput {
    std::string path;                      // the file or folder, as the open dialog answers it
    std::unique_ptr<FolderSource> folder;  // set for a folder
    std::unique_ptr<StoreSource> store;    // the store, for a file
    std::unique_ptr<SpanSource> span;      // with --from or --to
    int64_t spanFirst = 0;                 // the span's results in the whole source (with span)
    const ResultSource& whole() const { return folder ? static_cast<const ResultSource&>(*folder) : *store; }
    const ResultSource& source() const { return span ? *span : whole(); }
    // True when the output must be made from source(), not the store as the file left it.
    bool viaSource() const { return folder || span; }
};

// True when `argument` names a folder.
bool isFolderArgument(const std::string& argument);

// The files a command reads for FILE|DIR (a folder's recording files, else inputFiles).
std::vector<std::string> inputFilesOf(const std::string& argument, bool allParts,
                                      const std::string& extension = "ZVL");

// Opens a.positionals[0]: a folder is read (its left-out recordings said on stderr) and its
// first recording's comment lines, labels and active flags, and its path as the file name,
// put in `state`; a file is opened by `openFile` into the state. Then --from/--to are taken.
// Returns -1 when all is well, else the exit code (the reason is printed).
int openRecordingInput(const ParsedArgs& a, AppState& state, const std::function<bool()>& openFile,
                       RecordingInput& in);

}  // namespace zvl::cli
