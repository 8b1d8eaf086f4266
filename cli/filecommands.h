#pragma once
// zvl info, zvl export and zvl import, and the recording file of zvl collect -o: the
// application's File commands, run with dialogs that answer from the command line.

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/state.h"
#include "platform/clock.h"
#include "platform/filedialogs.h"
#include "platform/prompts.h"
#include "platform/viewhooks.h"
#include "search/heldmatch.h"

namespace zvl::cli {

// The dialogs of the tool: an open dialog answers with openPath, a save dialog with savePath,
// each as dialogAnswer gives it. A save dialog's overwrite question is answered Yes.
class CommandLineDialogs : public FileDialogs {
public:
    std::optional<std::string> openFile(const FileDialogSpec& request) override;
    std::optional<std::string> saveFile(const FileDialogSpec& request) override;
    std::optional<std::string> openFolder(const FileDialogSpec& request) override {
        return openFile(request);
    }
    std::string openPath, savePath;
};

// OUT "-" of zvl export and vcd: the text on standard output and nothing else there. Returns
// the exit code. (Any other OUT is saved as a file; one that is a device or a pipe, such as
// /dev/null or /dev/stdout, is written as it stands: platform/atomicfile.)
int writeStandardOutput(const std::string& text);
// The same for a text made in pieces: `produce` hands each to the writer it is given, which
// returns false once a write failed.
using ChunkWriter = std::function<bool(std::string_view)>;
int writeStandardOutput(const std::function<bool(const ChunkWriter&)>& produce);

// The path as a dialog would answer it: absolute, normalised, with `defaultExtension` added
// (as the application's dialogs add it to a typed name) when the file name has none, unless
// the path lies under /dev/ or exists as something other than a regular file: the extension
// would name another file (/dev/stdout.vcd).
std::string dialogAnswer(const std::string& path, const std::string& defaultExtension);

// Input labels and active flags as the application would have them: from its settings file
// when that reads in full, else the settings defaults ("Channel n", all active).
void useApplicationDescription(AppState& state);

// Save As of the application to `out` (part files above 32768 results); prints what was
// written on stderr, as every message of the tool. Returns the exit code (0, or 2 when a file
// could not be written).
int saveRecordingAs(AppState& state, const std::string& out, Prompts& prompts, ViewHooks& view,
                    const Clock& clock);

// --all-parts of the commands that open a recording file: FILE names one part of a recording
// saved in parts and all its parts are opened as one. The paragraph of their help texts:
#define ZVL_ALL_PARTS_HELP                                                                       \
    "--all-parts: FILE is one of the part files NAME_1.ZVL .. NAME_n.ZVL of a recording saved\n" \
    "in parts; they are opened, in order, as one recording, as File > Open All Parts does. A\n"  \
    "part continues the recording only if every part before it holds 32768 results, it has\n"    \
    "the same comment lines, labels and active inputs and the same time of saving in its\n"      \
    "title line as part 1, and its first result is not earlier than the last of the part\n"      \
    "before it; the first that does not and the parts after it are left out, and stderr\n"       \
    "names them and says why. FILE missing, part 1 missing or a part of the recording that\n"    \
    "cannot be read stops the command, naming it. OUT may not be one of the parts.\n"

// The files a command reads for its FILE argument: FILE as the open dialog answers it (with
// and without `extension`), or with allParts every part of the recording beside it.
std::vector<std::string> inputFiles(const std::string& file, bool allParts,
                                    const std::string& extension = "ZVL");
// The files Save As to `out` can write or remove: OUT as the dialog answers it and its parts.
std::vector<std::string> savedRecordingFiles(const std::string& out);
// True, with "zvl: Cannot write file OUT: it is the input file IN" said, when one of `outputs`
// is one of `inputs` (the same file, links followed): a command that read one file and wrote
// over it would destroy its own input. "-" (standard output) is never an input.
bool writesOverInput(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs);

// Opens FILE as File > Open does, or with allParts as File > Open All Parts does.
bool loadRecordingArgument(AppState& state, const std::string& file, bool allParts, Prompts& prompts,
                           ViewHooks& view);

// "YYYY-MM-DD hh:mm:ss" as a stamp within what the instrument's clock holds (2000-01-01
// 00:00:00 to 2068-01-19 03:14:07); nullopt for anything else, 31 February too.
std::optional<int64_t> parseLocalTime(const std::string& text);

// The results of zvl find's FILE arguments as runs, handed to `use` one file at a time (each
// run lives only during its call): each FILE a recording file read as File > Open reads it,
// after a gap, or a folder read as one timeline (its runs in time order, a roll between two of
// its files no gap); with allParts the part-file set FILE belongs to, read as File > Open All Parts
// reads it, one run per part, the parts without gaps between. False, with the reason printed,
// when a file cannot be read.
bool readRecordRuns(const std::vector<std::string>& files, bool allParts,
                    const std::function<void(const RecordRun&)>& use);

int runInfo(const std::vector<std::string>& args);
// zvl find: the runs where a key's pattern was held, as CSV.
int runFind(const std::vector<std::string>& args);
int runExport(const std::vector<std::string>& args);
int runVcd(const std::vector<std::string>& args);
int runImport(const std::vector<std::string>& args);
int runRender(const std::vector<std::string>& args);
int runPrint(const std::vector<std::string>& args);
int runStats(const std::vector<std::string>& args);
// zvl recover: lists the journals of live recordings, or writes one as a recording file.
int runRecover(const std::vector<std::string>& args);

}  // namespace zvl::cli
