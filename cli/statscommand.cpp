// zvl stats: the Statistics dialog's figures of a recording file, as CSV.

#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/args.h"
#include "cli/consoleprompts.h"
#include "cli/filecommands.h"
#include "cli/recordinginput.h"
#include "cli/session.h"
#include "core/codepage.h"
#include "files/recordingfile.h"
#include "files/statistics.h"
#include "platform/atomicfile.h"

namespace zvl::cli {

namespace {

const char* const kStatsHelp =
    "usage: zvl stats FILE.zvl|DIR [--boxes hourly|10|20] [--csv OUT.csv] [--from T] [--to T]\n"
    "                 [--all-parts]\n"
    "\n"
    "Open a recording file as the application's File > Open does and print, as CSV on stdout,\n"
    "one line per input 1..16 (inactive inputs too) after the header line: the changes to on\n"
    "and to off (result 1 is no change), the seconds on and off (result i holds until result\n"
    "i + 1, the last for nothing), the duty in percent, and the shortest and longest closed\n"
    "on period (a period still on at the last result is not counted). Text is printed in\n"
    "UTF-8.\n"
    "\n"
    "--csv OUT.csv also writes the grid of the Statistics dialog for the chosen boxes\n"
    "(hourly boxes repeating daily, the default, or 10 or 20 equal parts of the recording),\n"
    "as its \"Save as CSV File\" does: changes per input and box, the totals, and the results\n"
    "per box, with CR LF line ends and the labels in the file's code page.\n"
    "\n" ZVL_ALL_PARTS_HELP "\n" ZVL_FOLDER_SPAN_HELP
    "\n"
    "Questions: none are asked; an existing OUT is replaced (it stays whole until the new\n"
    "one is complete). Exit 0 on success, 1 on a usage error (also OUT \"-\", or OUT naming\n"
    "FILE or one of its parts: nothing is written), 2 when FILE cannot be read or OUT cannot\n"
    "be written.\n";

}  // namespace

int runStats(const std::vector<std::string>& args) {
    const ParsedArgs a = parseArgs(args, {"--boxes", "--csv", "--from", "--to"}, {"--all-parts"});
    if (int code = checkUsage(a, 1, kStatsHelp, "stats"); code >= 0) return code;
    const std::string boxes = a.value("--boxes").value_or("hourly");
    BoxChoice choice = BoxChoice::Hourly;
    if (boxes == "10") {
        choice = BoxChoice::TenEqual;
    } else if (boxes == "20") {
        choice = BoxChoice::TwentyEqual;
    } else if (boxes != "hourly") {
        fail("--boxes takes hourly, 10 or 20, not \"" + boxes + "\" (see zvl stats --help)");
        return kExitUsage;
    }

    const std::optional<std::string> out = a.value("--csv");
    if (out && *out == "-") {
        fail("--csv wants a file name: standard output carries the summary (see zvl stats --help)");
        return kExitUsage;
    }
    if (out &&
        writesOverInput(inputFilesOf(a.positionals[0], a.has("--all-parts")), {dialogAnswer(*out, "csv")}))
        return kExitUsage;
    auto state = std::make_unique<AppState>();
    ConsolePrompts prompts(std::cerr);
    ViewHooks view;
    RecordingInput in;
    const int opened = openRecordingInput(
        a, *state,
        [&] { return loadRecordingArgument(*state, a.positionals[0], a.has("--all-parts"), prompts, view); },
        in);
    if (opened >= 0) return opened;

    const Statistics stats = computeStatistics(in.source(), choice);
    const std::string summary = windows1252ToUtf8(csvText(inputSummary(stats, *state), "\n"));
    std::fwrite(summary.data(), 1, summary.size(), stdout);
    if (out) {
        const std::string error =
            writeFileAtomically(dialogAnswer(*out, "csv"), csvText(statisticsGrid(stats, *state)));
        if (!error.empty()) {
            fail(error);
            return kExitFailure;
        }
    }
    return kExitOk;
}

}  // namespace zvl::cli
