// zvl render: the trace picture of a recording file as a PNG, drawn exactly as the main window
// draws it after opening the file.

#include <QImage>
#include <cstdio>
#include <memory>

#include "cli/args.h"
#include "cli/consoleprompts.h"
#include "cli/filecommands.h"
#include "cli/session.h"
#include "core/settings.h"
#include "files/recordingfile.h"
#include "platform/qt/qtclock.h"
#include "platform/qt/tracepicture.h"
#include "viewer/timebase.h"

namespace zvl::cli {

namespace {

const char* const kRenderHelp =
    "usage: zvl render FILE.zvl OUT.png [--mode event|timebase] [--mono] [--timebase N]\n"
    "\n"
    "Draw the 780 x 380 trace picture of a recording file as the main window shows it after\n"
    "File > Open: search mode (event mode unless --mode timebase), the time base fitted to the\n"
    "recording as Open fits it (or row N, 0..19, with --timebase), and the view put at the first\n"
    "result as \"Go to First Result\" puts it. Colours, the search key and the monochrome switch\n"
    "come from the application's settings file when it reads in full, else the defaults;\n"
    "--mono draws the black-and-white picture whatever the settings say.\n"
    "\n"
    "Questions: none are asked; a \"Plotting Error\" of the time chart is printed on stderr.\n"
    "Exit 0 on success, 1 on a usage error, 2 when a file cannot be read or written.\n";

}  // namespace

int runRender(const std::vector<std::string>& args) {
    const ParsedArgs a = parseArgs(args, {"--mode", "--timebase"}, {"--mono"});
    if (int code = checkUsage(a, 2, kRenderHelp, "render"); code >= 0) return code;
    std::string why;
    const std::string mode = a.value("--mode").value_or("event");
    if (why.empty() && mode != "event" && mode != "timebase") why = "--mode takes event or timebase, not \"" + mode + "\"";
    std::optional<long long> row;
    if (auto v = a.value("--timebase"); why.empty() && v) {
        row = parseCount(*v);
        if (!row || *row > 19) why = "--timebase takes a row from 0 to 19, not \"" + *v + "\"";
    }
    if (!why.empty()) {
        fail(why + " (see zvl render --help)");
        return kExitUsage;
    }

    auto state = std::make_unique<AppState>();
    AppState& st = *state;
    // What the window would take from the settings file: colours, search key, monochrome.
    {
        auto settings = std::make_unique<AppState>();
        setDefaultColours(*settings);
        if (loadSettingsFile(settingsFilePath(), *settings) == SettingsRead::Complete) {
            st.colours = settings->colours;
            st.searchKey = settings->searchKey;
            st.monochromePrinting = settings->monochromePrinting;
        }
    }
    if (a.has("--mono")) st.monochromePrinting = true;

    QtClock clock;
    ConsolePrompts prompts(std::cerr);
    ViewHooks view;
    const std::string in = dialogAnswer(a.positionals[0], "");
    if (!loadRecordingFile(st, in, prompts, view)) return kExitFailure;
    if (row) {
        st.timebaseIndex = int32_t(*row);
        positionViewAtFirstResult(st);
    }
    st.operatingMode = mode == "event" ? EventSearch : TimebaseSearch;

    TraceRenderer renderer(st, clock, prompts);
    const QImage picture = renderTracePicture(renderer);
    const std::string out = a.positionals[1];
    if (!picture.save(QString::fromStdString(out), "PNG")) {
        fail("cannot write " + out);
        return kExitFailure;
    }
    std::printf("%s: %s, %s, cursor on result %lld\n", out.c_str(), modeCaption(st.operatingMode),
                timebaseRow(st.timebaseIndex).caption, static_cast<long long>(st.cursorResult));
    return kExitOk;
}

}  // namespace zvl::cli
