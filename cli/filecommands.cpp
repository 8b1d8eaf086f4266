// zvl info, export and import: the application's file commands without a window.

#include "cli/filecommands.h"

#include <cerrno>
#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/args.h"
#include "cli/consoleprompts.h"
#include "cli/recordinginput.h"
#include "cli/session.h"
#include "core/codepage.h"
#include "core/version.h"
#include "files/exportfile.h"
#include "files/filecommands.h"
#include "files/folderload.h"
#include "files/journal.h"
#include "files/partfiles.h"
#include "files/recordingfile.h"
#include "files/settings.h"
#include "files/vcdfile.h"
#include "platform/atomicfile.h"
#include "qt/qtclock.h"
#include "search/marker.h"

namespace zvl::cli {

namespace {

const char* const kInfoHelp =
    "usage: zvl info FILE.zvl|DIR [--from T] [--to T] [--all-parts]\n"
    "       zvl info --between A B FILE.zvl [--all-parts]\n"
    "\n"
    "Open a recording file as the application's File > Open does and print what it holds:\n"
    "the number of results (empty results at the end of the file are not counted, as the\n"
    "application drops them), the title line, the ten comment lines, the sixteen input\n"
    "labels with their active flags, and the times of the first and the last result.\n"
    "Text is printed in UTF-8; control characters show as \"?\".\n"
    "\n"
    "--between A B: only the span from result A to result B, as the application's marker\n"
    "measures it, in one line \"A..B: N results, T s (hh:mm:ss)\": N = B - A results on,\n"
    "T the seconds from A's time to B's (both negative when B comes before A).\n"
    "\n" ZVL_ALL_PARTS_HELP
    "With --between, A and B number the results of all the parts together.\n"
    "\n" ZVL_FOLDER_SPAN_HELP
    "For a folder, the first line says what it holds (\"zvl log folder: 31 files, 2,987,311\n"
    "results, 1 Dec 26 00:00:03 .. 7 Dec 26 23:59:58\"), the title, comments and labels are\n"
    "those of its first recording, and a line per recording (its files, results and times)\n"
    "follows, with the gap before it: its length and cause (port lost, stopped; \"no gap\"\n"
    "after a file that rolled over to the next).\n"
    "\n"
    "Questions: none are asked. Exit 0 on success, 1 on a usage error, 2 when the file\n"
    "cannot be opened or ends before all its fields, or A or B is not one of its results\n"
    "(the reason is printed).\n";

const char* const kExportHelp =
    "usage: zvl export FILE.zvl|DIR OUT.csv|OUT.txt|- [--from T] [--to T] [--all-parts]\n"
    "\n"
    "Open FILE as the application's File > Open does, then write its File > Export as CSV\n"
    "or TXT File: the header lines (line 1 names FILE's full path), and one line per result\n"
    "from index 0 with its number, its time as text and in seconds since 1 Jan 2000, and\n"
    "the sixteen inputs as 1 or 0. Both extensions give the same content; the application's\n"
    "closing message for .CSV or .TXT and the summary line are printed on stderr. A name\n"
    "without an extension gets \".CSV\", as in the application's dialog, unless it lies under\n"
    "/dev/ or exists as something other than a regular file: a device or a pipe (/dev/null,\n"
    "/dev/stdout) is written as it stands. OUT \"-\" writes to standard output (no message).\n"
    "\n" ZVL_ALL_PARTS_HELP "\n" ZVL_FOLDER_SPAN_HELP
    "Line 1 of a folder's export names the folder; its comment lines, labels and active\n"
    "inputs are those of its first recording.\n"
    "\n"
    "Questions: replacing an existing OUT is answered Yes (the old file stays whole until\n"
    "the new one is complete). Exit 0 on success, 1 on a usage error (also OUT naming FILE or\n"
    "one of its parts: nothing is written), 2 when FILE cannot be read or OUT cannot be\n"
    "written (nothing is exported when FILE fails).\n";

const char* const kImportHelp =
    "usage: zvl import IN.csv OUT.zvl\n"
    "\n"
    "Read a compliant CSV file as the application's import does (each line: time in seconds\n"
    "since 1 Jan 2000, then the input-state word; further fields ignored; fields are rounded\n"
    "to whole numbers, halves to even; the first line is the start record, the second result\n"
    "1), then save it as File > Save As does: one recording file of up to 32768 results, or\n"
    "part files OUT_1.ZVL, OUT_2.ZVL, ... of 32768 results each (four characters are taken\n"
    "off OUT before \"_n.ZVL\"). A name without an extension gets \".zvl\", unless it lies under\n"
    "/dev/ or is a device or a pipe, which is written as it stands. Input labels and active\n"
    "flags come from the application's settings file, else \"Channel n\", all active.\n"
    "\n"
    "Questions: replacing an existing OUT is answered Yes; part files are replaced without\n"
    "a question, as in the application; the split message and the summary line are printed\n"
    "on stderr. A split save replaces all its parts or none, and removes the higher parts of\n"
    "an older save of the same name. Exit 0 on success, 1 on a usage error (also OUT or one\n"
    "of its parts naming IN: nothing is written), 2 when IN cannot be read or stops the\n"
    "import (the line and the reason are printed, and nothing is written) or OUT cannot be\n"
    "written.\n";

const char* const kRecoverHelp =
    "usage: zvl recover --list [FOLDER...]\n"
    "       zvl recover JOURNAL OUT.zvl\n"
    "\n"
    "A live recording (zvl collect) writes each result to a journal as it is stored, synced to\n"
    "the disk once a second, and removes the journal when the recording is saved or printed\n"
    "whole. A journal left behind is a recording that a crash, a kill or a power cut ended:\n"
    "all its results but those of the last second are in it. Journals (*.zvlj) live in\n"
    "$XDG_STATE_HOME/Pellam/journal (default ~/.local/state/Pellam/journal).\n"
    "\n"
    "  --list     print one line per journal in the default folder, or in the FOLDERs given:\n"
    "             path, start (\"d mmm yy hh:nn:ss\"), number of results, and the blocks cut\n"
    "             from a damaged tail, separated by tabs\n"
    "\n"
    "JOURNAL OUT.zvl writes the journal's results as File > Save As does (one recording file of\n"
    "up to 32768 results, or part files OUT_1.ZVL, OUT_2.ZVL, ...), with the title, comment\n"
    "lines, labels and active inputs the recording started with. A torn or damaged tail (the\n"
    "write a kill interrupted) is cut at the last whole block before it and never read as\n"
    "results; stderr says how many records it held. The journal itself is left as it is.\n"
    "\n"
    "Questions: none are asked; replacing an existing OUT is answered Yes. Exit 0 on success\n"
    "(also a --list that finds no journal), 1 on a usage error, 2 when JOURNAL cannot be read,\n"
    "is no journal, holds no results, or OUT cannot be written.\n";

const char* const kVcdHelp =
    "usage: zvl vcd FILE.zvl|DIR OUT.vcd|- [--from T] [--to T] [--all-parts]\n"
    "\n"
    "Open FILE as the application's File > Open does, then write it as File > Export as VCD\n"
    "does: a Value Change Dump for waveform viewers (GTKWave, PulseView, sigrok) with one\n"
    "1-bit wire per active input, named by its label (characters other than letters, digits\n"
    "and \"_\" become \"_\"; a repeated name gets \"_2\", \"_3\", ...), a time scale of one\n"
    "second, time 0 at result 1, and one time point per second that holds results, giving\n"
    "the state of the last result of that second (a comment says how many results were\n"
    "hidden so). Inactive inputs are left out. A name without an extension gets \".vcd\"\n"
    "unless it lies under /dev/ or exists as something other than a regular file (a device\n"
    "or a pipe is written as it stands); OUT \"-\" writes to standard output. The summary\n"
    "line is printed on stderr.\n"
    "\n" ZVL_ALL_PARTS_HELP "\n" ZVL_FOLDER_SPAN_HELP
    "\n"
    "Questions: replacing an existing OUT is answered Yes. Exit 0 on success, 1 on a usage\n"
    "error (also OUT naming FILE or one of its parts: nothing is written), 2 when FILE\n"
    "cannot be read or OUT cannot be written.\n";

// Messages of the file commands: "zvl: text" on stderr; the tool asks no questions.
class FilePrompts final : public ConsolePrompts {
public:
    FilePrompts() : ConsolePrompts(std::cerr) {}
    void warning(const std::string& text) override { fail(text); }
};

// For printing model text (Windows-1252) on a UTF-8 terminal.
std::string shown(const std::string& text) {
    std::string safe = text;
    for (char& c : safe)
        if (uint8_t(c) < 0x20 || c == 0x7F) c = '?';
    return windows1252ToUtf8(safe);
}

struct FileRun {
    std::unique_ptr<AppState> state = std::make_unique<AppState>();
    QtClock clock;
    FilePrompts prompts;
    ViewHooks view;
    CommandLineDialogs dialogs;
    FileCommands files{*state, dialogs, prompts, view, clock};
};

}  // namespace

std::string dialogAnswer(const std::string& path, const std::string& defaultExtension) {
    std::filesystem::path p = std::filesystem::absolute(path).lexically_normal();
    if (p.has_extension() || defaultExtension.empty() || p.string().rfind("/dev/", 0) == 0) return p.string();
    std::error_code ec;
    const auto status = std::filesystem::status(p, ec);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) return p.string();
    p += "." + defaultExtension;
    return p.string();
}

std::optional<std::string> CommandLineDialogs::openFile(const FileDialogSpec& request) {
    // An existing file is taken as named; the default extension is only tried for a name
    // that does not exist.
    const std::string asGiven = dialogAnswer(openPath, "");
    std::error_code ec;
    if (std::filesystem::exists(asGiven, ec)) return asGiven;
    return dialogAnswer(openPath, request.defaultExtension);
}

std::optional<std::string> CommandLineDialogs::saveFile(const FileDialogSpec& request) {
    return dialogAnswer(savePath, request.defaultExtension);
}

int writeStandardOutput(const std::string& text) {
    return writeStandardOutput([&text](const ChunkWriter& write) { return write(text); });
}

int writeStandardOutput(const std::function<bool(const ChunkWriter&)>& produce) {
    int error = 0;
    const bool written = produce([&error](std::string_view chunk) {
        if (std::fwrite(chunk.data(), 1, chunk.size(), stdout) == chunk.size()) return true;
        error = errno;
        return false;
    });
    if (!written || std::fflush(stdout) != 0) {
        fail(fileErrorText("Cannot write file", "(standard output)", written ? errno : error));
        return kExitFailure;
    }
    return kExitOk;
}

void useApplicationDescription(AppState& state) {
    for (int i = 0; i < kInputCount; ++i) {
        state.inputLabels[size_t(i)] = "Channel " + std::to_string(i + 1);
        state.inputActive[size_t(i)] = true;
    }
    auto settings = std::make_unique<AppState>();
    if (loadSettingsFile(settingsFilePath(), *settings) == SettingsRead::Complete) {
        state.inputLabels = settings->inputLabels;
        state.inputActive = settings->inputActive;
    }
}

int saveRecordingAs(AppState& state, const std::string& out, Prompts& prompts, ViewHooks& view,
                    const Clock& clock) {
    CommandLineDialogs dialogs;
    dialogs.savePath = out;
    FileCommands files(state, dialogs, prompts, view, clock);
    if (files.saveAs() != FileOutcome::Done) return kExitFailure;  // the reason is printed already
    const long long count = static_cast<long long>(state.resultCount());
    if (state.resultCount() <= kResultsPerFile) {
        std::fprintf(stderr, "%lld results written to %s\n", count, state.saveFileName.c_str());
    } else {
        const std::string chosen = dialogAnswer(out, "zvl");
        std::fprintf(stderr, "%lld results written to %lld part files, %s .. %s\n", count,
                     (count + kResultsPerFile - 1) / kResultsPerFile, partFileName(chosen, 1).c_str(),
                     state.saveFileName.c_str());
    }
    return kExitOk;
}

std::vector<std::string> inputFiles(const std::string& file, bool allParts, const std::string& extension) {
    if (allParts) {
        PartFiles parts = findPartFiles(dialogAnswer(file, ""));
        parts.paths.push_back(dialogAnswer(file, ""));
        return parts.paths;
    }
    return {dialogAnswer(file, ""), dialogAnswer(file, extension)};
}

std::vector<std::string> savedRecordingFiles(const std::string& out) {
    const std::string chosen = dialogAnswer(out, "zvl");
    std::vector<std::string> files = {chosen};
    // As many parts as a store can fill, and the higher parts of an older save a split save
    // removes.
    const int64_t mostParts = (kMaxResults + kResultsPerFile - 1) / kResultsPerFile;
    std::error_code ec;
    for (int64_t n = 1; n <= mostParts || std::filesystem::exists(partFileName(chosen, n), ec); ++n)
        files.push_back(partFileName(chosen, n));
    return files;
}

bool writesOverInput(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs) {
    for (const std::string& out : outputs) {
        if (out == "-") continue;
        for (const std::string& in : inputs) {
            if (!isSameFile(in, out)) continue;
            fail("Cannot write file " + dialogAnswer(out, "") + ": it is the input file " + in);
            return true;
        }
    }
    return false;
}

bool loadRecordingArgument(AppState& state, const std::string& file, bool allParts, Prompts& prompts,
                           ViewHooks& view) {
    return allParts ? loadAllPartFiles(state, dialogAnswer(file, ""), prompts, view)
                    : loadRecordingFile(state, dialogAnswer(file, ""), prompts, view);
}

namespace {

// The recordings of a folder, or of a span of one, each with the gap before it.
void printSegments(const ResultSource& source) {
    std::printf("Recordings:\n");
    for (size_t k = 0; k < source.segments().size(); ++k) {
        const SourceSegment& s = source.segments()[k];
        if (k > 0) std::printf("               %s\n", gapText(s).c_str());
        std::string files = std::filesystem::path(s.files.front().path).filename().string();
        if (s.files.size() > 1)
            files += " .. " + std::filesystem::path(s.files.back().path).filename().string();
        std::printf("%4zu  %s: results %lld..%lld, %s .. %s%s%s\n", k + 1, files.c_str(),
                    static_cast<long long>(s.first), static_cast<long long>(s.last()),
                    formatTimeStamp(source.time(s.first)).c_str(),
                    formatTimeStamp(source.time(s.last())).c_str(), s.utcOffset ? ", " : "",
                    s.utcOffset ? formatUtcOffset(*s.utcOffset).c_str() : "");
    }
}

void printInfo(const RecordingInput& in, const AppState& st, const RecordingRead& details) {
    const ResultSource& source = in.source();
    const int64_t count = source.count();
    if (in.folder) {
        std::printf("%s\n", folderLine(*in.folder).c_str());
        std::printf("Folder:        %s\n", in.path.c_str());
    } else {
        std::printf("File:          %s\n", in.path.c_str());
    }
    std::printf("Results:       %lld", static_cast<long long>(count));
    if (in.span)
        std::printf(" (results %lld..%lld of %lld)", static_cast<long long>(in.spanFirst),
                    static_cast<long long>(in.spanFirst + count - 1),
                    static_cast<long long>(in.whole().count()));
    else if (!in.folder && details.fileCount != st.resultCount())
        std::printf(" (the file holds %lld; the %lld at the end with time 0 are not counted)",
                    static_cast<long long>(details.fileCount),
                    static_cast<long long>(details.fileCount - st.resultCount()));
    std::printf("\nTitle:         %s\n", shown(st.recordingTitle).c_str());
    for (int k = 0; k < 10; ++k) {
        const std::string name = "Comment " + std::to_string(k + 1) + ":";
        std::printf("%-15s%s\n", name.c_str(), shown(st.commentLines[size_t(k)]).c_str());
    }
    for (int i = 0; i < kInputCount; ++i) {
        const std::string name = "Input " + std::to_string(i + 1) + ":";
        std::printf("%-15s%-9s%s\n", name.c_str(), st.inputActive[size_t(i)] ? "active" : "inactive",
                    shown(st.inputLabels[size_t(i)]).c_str());
    }
    if (count == 0) {
        std::printf("First result:  none\nLast result:   none\n");
    } else {
        std::printf("First result:  %s (%lld seconds since 1 Jan 2000)\n",
                    formatTimeStamp(source.time(1)).c_str(), static_cast<long long>(source.time(1)));
        std::printf("Last result:   %s (%lld seconds since 1 Jan 2000)\n",
                    formatTimeStamp(source.time(count)).c_str(), static_cast<long long>(source.time(count)));
    }
    if (in.folder) printSegments(source);
}

}  // namespace

int runInfo(const std::vector<std::string>& args) {
    // --between takes two values, A and B, which the option parser's options cannot.
    std::vector<std::string> rest;
    std::vector<std::string> between;
    bool betweenIncomplete = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--between") {
            rest.push_back(args[i]);
            continue;
        }
        betweenIncomplete = betweenIncomplete || !between.empty() || i + 2 >= args.size();
        for (int k = 0; k < 2 && i + 1 < args.size(); ++k) between.push_back(args[++i]);
    }
    const ParsedArgs a = parseArgs(rest, {"--from", "--to"}, {"--all-parts"});
    if (int code = checkUsage(a, 1, kInfoHelp, "info"); code >= 0) return code;
    std::optional<long long> from, to;
    if (!between.empty()) {
        if (!betweenIncomplete) {
            from = parseCount(between[0]);
            to = parseCount(between[1]);
        }
        if (!from || !to) {
            fail("--between needs two result numbers, A and B (see zvl info --help)");
            return kExitUsage;
        }
        if (isFolderArgument(a.positionals[0]) || a.has("--from") || a.has("--to")) {
            fail("--between takes a file, without --from or --to (see zvl info --help)");
            return kExitUsage;
        }
    }
    FileRun run;
    AppState& st = *run.state;
    run.dialogs.openPath = a.positionals[0];
    FileDialogSpec open;
    open.defaultExtension = "ZVL";
    const std::string path =
        isFolderArgument(a.positionals[0]) ? a.positionals[0] : *run.dialogs.openFile(open);
    RecordingRead details;
    RecordingInput in;
    const int opened = openRecordingInput(
        a, st,
        [&] {
            if (a.has("--all-parts")) {
                if (!loadAllPartFiles(st, path, run.prompts, run.view)) return false;
                details.fileCount = st.resultCount();
                return true;
            }
            return loadRecordingFile(st, path, run.prompts, run.view, &details);
        },
        in);
    if (opened >= 0) return opened;
    if (!in.folder) in.path = path;

    if (from) {
        const int64_t count = std::min<int64_t>(st.resultCount(), kMaxResults);
        for (const long long n : {*from, *to}) {
            if (n >= 1 && n <= count) continue;
            fail("result " + std::to_string(n) + " is not in " + path + " (its results are 1.." +
                 std::to_string(count) + ")");
            return kExitFailure;
        }
        std::printf("%s\n", betweenLine(st, *from, *to).c_str());
        return kExitOk;
    }
    printInfo(in, st, details);
    return kExitOk;
}

namespace {

// FILE|DIR OUT of export and vcd: OUT checked against the inputs, then FILE|DIR opened with its
// span. -1 when the command may go on, else its exit status.
int openForOutput(const ParsedArgs& a, const char* extension, FileRun& run, RecordingInput& in) {
    if (writesOverInput(inputFilesOf(a.positionals[0], a.has("--all-parts")),
                        {a.positionals[1] == "-" ? "-" : dialogAnswer(a.positionals[1], extension)}))
        return kExitUsage;
    run.dialogs.openPath = a.positionals[0];
    run.dialogs.savePath = a.positionals[1];
    return openRecordingInput(
        a, *run.state,
        [&] {
            return (a.has("--all-parts") ? run.files.openAllParts() : run.files.open()) == FileOutcome::Done;
        },
        in);
}

}  // namespace

int runExport(const std::vector<std::string>& args) {
    const ParsedArgs a = parseArgs(args, {"--from", "--to"}, {"--all-parts"});
    if (int code = checkUsage(a, 2, kExportHelp, "export"); code >= 0) return code;
    FileRun run;
    RecordingInput in;
    if (const int opened = openForOutput(a, "CSV", run, in); opened >= 0) return opened;
    // Line 1 names the opened file where the application names its save dialog's file.
    run.state->saveFileName = in.path;
    const std::string& out = a.positionals[1];
    if (out == "-")
        return writeStandardOutput([&](const ChunkWriter& write) {
            return exportTextTo(in.source(), *run.state, run.clock.now(), write);
        });
    if (run.files.exportCsvOrTxt(in.source()) != FileOutcome::Done) return kExitFailure;
    std::fprintf(stderr, "%lld results exported to %s\n", static_cast<long long>(in.source().count()),
                 dialogAnswer(out, "CSV").c_str());
    return kExitOk;
}

int runVcd(const std::vector<std::string>& args) {
    const ParsedArgs a = parseArgs(args, {"--from", "--to"}, {"--all-parts"});
    if (int code = checkUsage(a, 2, kVcdHelp, "vcd"); code >= 0) return code;
    FileRun run;
    RecordingInput in;
    if (const int opened = openForOutput(a, "vcd", run, in); opened >= 0) return opened;
    const std::string& out = a.positionals[1];
    if (out == "-")
        return writeStandardOutput(
            vcdText(in.source(), *run.state, std::string(kProgramName) + " " + kProgramVersion));
    if (run.files.exportVcd(in.source()) != FileOutcome::Done) return kExitFailure;
    std::fprintf(stderr, "%lld results exported to %s\n", static_cast<long long>(in.source().count()),
                 dialogAnswer(out, "vcd").c_str());
    return kExitOk;
}

int runImport(const std::vector<std::string>& args) {
    const ParsedArgs a = parseArgs(args, {}, {});
    if (int code = checkUsage(a, 2, kImportHelp, "import"); code >= 0) return code;
    if (writesOverInput(inputFiles(a.positionals[0], false, "CSV"), savedRecordingFiles(a.positionals[1])))
        return kExitUsage;
    FileRun run;
    run.dialogs.openPath = a.positionals[0];
    if (run.files.importCompliantCsv() != FileOutcome::Done) return kExitFailure;  // reason printed
    useApplicationDescription(*run.state);
    return saveRecordingAs(*run.state, a.positionals[1], run.prompts, run.view, run.clock);
}

int runRecover(const std::vector<std::string>& args) {
    const ParsedArgs a = parseArgs(args, {}, {"--list"});
    if (a.has("--list")) {
        if (int code = checkUsage(a, a.positionals.size(), kRecoverHelp, "recover"); code >= 0) return code;
        std::vector<std::string> folders = a.positionals;
        if (folders.empty()) folders.push_back(defaultJournalFolder());
        for (const std::string& folder : folders) {
            const std::vector<std::string> journals = journalsInFolder(folder);
            if (journals.empty()) std::fprintf(stderr, "no journals in %s\n", folder.c_str());
            for (const std::string& path : journals) {
                const JournalContents j = readJournalFile(path);
                std::printf("%s\t%s\t%lld results\t%d blocks cut%s%s\n", path.c_str(),
                            j.headerRead ? formatTimeStamp(j.header.startTime).c_str() : "-",
                            static_cast<long long>(j.records.size()), j.blocksCut, j.headerRead ? "" : "\t",
                            j.headerRead ? "" : j.problem.c_str());
            }
        }
        return kExitOk;
    }
    if (int code = checkUsage(a, 2, kRecoverHelp, "recover"); code >= 0) return code;
    const std::string& journalPath = a.positionals[0];
    if (writesOverInput({journalPath}, savedRecordingFiles(a.positionals[1]))) return kExitUsage;
    const JournalContents j = readJournalFile(journalPath);
    if (!j.headerRead) {
        fail("cannot recover " + journalPath + ": " + j.problem);
        return kExitFailure;
    }
    if (j.blocksCut > 0)
        fail(journalPath + ": a damaged tail was cut; " + std::to_string(j.droppedRecords) +
             " records in it are lost");
    if (j.records.empty()) {
        fail(journalPath + " holds no results; nothing is written");
        return kExitFailure;
    }
    FileRun run;
    AppState& st = *run.state;
    for (size_t k = 0; k < j.records.size(); ++k) st.store.slot(int64_t(k) + 1) = j.records[k];
    st.resultCount() = int64_t(j.records.size());
    st.recordingTitle = j.header.title;
    for (size_t k = 0; k < st.commentLines.size(); ++k)
        st.commentLines[k] = k < j.header.commentLines.size() ? j.header.commentLines[k] : std::string();
    st.inputLabels = j.header.labels;
    st.inputActive = j.header.active;
    return saveRecordingAs(st, a.positionals[1], run.prompts, run.view, run.clock);
}

}  // namespace zvl::cli
