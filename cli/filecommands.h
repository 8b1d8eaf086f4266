#pragma once
// zvl info, zvl export and zvl import, and the recording file of zvl collect -o: the
// application's File commands, run with dialogs that answer from the command line.

#include <cstdio>
#include <string>
#include <vector>

#include "core/state.h"
#include "platform/clock.h"
#include "platform/filedialogs.h"
#include "platform/prompts.h"
#include "platform/viewhooks.h"

namespace zvl::cli {

// The dialogs of the tool: an open dialog answers with openPath, a save dialog with savePath,
// each made absolute, with the dialog's default extension added to a name that has none (as
// the application's dialogs add it to a typed name) unless it exists as something other than
// a regular file. A save dialog's overwrite question is
// answered Yes.
class CommandLineDialogs : public FileDialogs {
public:
    std::optional<std::string> openFile(const FileDialogSpec& request) override;
    std::optional<std::string> saveFile(const FileDialogSpec& request) override;
    std::string openPath, savePath;
};

// OUT of zvl export and vcd written as a stream rather than replaced as a file: "-" (standard
// output), or a name that exists as something other than a regular file or a folder (a
// device such as /dev/null, a pipe).
bool isStreamOutput(const std::string& out);
// Writes text to such an OUT and, unless it is standard output, prints the summary line.
// Returns the exit code.
int writeStreamOutput(const std::string& out, const std::string& text, int64_t results);

// The path as a dialog would answer it: absolute, normalised, with `defaultExtension` added
// when the file name has no extension.
std::string dialogAnswer(const std::string& path, const std::string& defaultExtension);

// Input labels and active flags as the application would have them: from its settings file
// when that reads in full, else the settings defaults ("Channel n", all active).
void useApplicationDescription(AppState& state);

// Save As of the application to `out` (part files above 32768 results); prints what was
// written on `summary`. Returns the exit code (0, or 2 when a file could not be written).
int saveRecordingAs(AppState& state, const std::string& out, Prompts& prompts, ViewHooks& view,
                    const Clock& clock, std::FILE* summary);

// --all-parts of the commands that open a recording file: FILE names one part of a recording
// saved in parts and all its parts are opened as one. The paragraph of their help texts:
#define ZVL_ALL_PARTS_HELP                                                                        \
    "--all-parts: FILE is one of the part files NAME_1.ZVL .. NAME_n.ZVL of a recording saved\n"  \
    "in parts; they are opened, in order, as one recording, as File > Open All Parts does. A\n"    \
    "part continues the recording only if every part before it holds 32768 results and it has\n" \
    "the same comment lines, labels and active inputs; the first that does not and the parts\n"  \
    "after it are left out, and stderr names them and says why. FILE missing, part 1 missing\n"  \
    "or a part of the recording that cannot be read stops the command, naming it.\n"

// Opens FILE as File > Open does, or with allParts as File > Open All Parts does.
bool loadRecordingArgument(AppState& state, const std::string& file, bool allParts, Prompts& prompts,
                           ViewHooks& view);

int runInfo(const std::vector<std::string>& args);
int runExport(const std::vector<std::string>& args);
int runVcd(const std::vector<std::string>& args);
int runImport(const std::vector<std::string>& args);
int runRender(const std::vector<std::string>& args);
int runPrint(const std::vector<std::string>& args);
int runStats(const std::vector<std::string>& args);

}  // namespace zvl::cli
