// zvl render and zvl print: the trace picture of a recording file as a PNG, drawn exactly as the
// main window draws it after opening the file, and the printed page of that view as a PDF.

#include <unistd.h>

#include <QImage>
#include <QPageSize>
#include <QPrinter>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "cli/args.h"
#include "cli/consoleprompts.h"
#include "cli/filecommands.h"
#include "cli/session.h"
#include "core/codepage.h"
#include "core/settings.h"
#include "files/atomicfile.h"
#include "files/recordingfile.h"
#include "platform/qt/pageprint.h"
#include "platform/qt/qtclock.h"
#include "platform/qt/tracepicture.h"
#include "viewer/timebase.h"

namespace zvl::cli {

namespace {

const char* const kRenderHelp =
    "usage: zvl render FILE.zvl OUT.png [--mode event|timebase] [--mono] [--timebase N]\n"
    "                  [--all-parts]\n"
    "\n"
    "Draw the 780 x 380 trace picture of a recording file as the main window shows it after\n"
    "File > Open: search mode (event mode unless --mode timebase), the time base fitted to the\n"
    "recording as Open fits it (or row N, 0..19, with --timebase), and the view put at the first\n"
    "result as \"Go to First Result\" puts it. Colours, the search key and the monochrome switch\n"
    "come from the application's settings file when it reads in full, else the defaults;\n"
    "--mono draws the black-and-white picture whatever the settings say.\n"
    "\n" ZVL_ALL_PARTS_HELP
    "\n"
    "Questions: none are asked; a \"Plotting Error\" of the time chart is printed on stderr.\n"
    "Exit 0 on success, 1 on a usage error, 2 when a file cannot be read or written.\n";

const char* const kPrintHelp =
    "usage: zvl print FILE.zvl OUT.pdf [--monochrome] [--mode event|timebase] [--timebase N]\n"
    "                 [--title TEXT] [--all-parts]\n"
    "\n"
    "Print the page of File > Print to a PDF file on A4 at 600 dots per inch: the trace picture\n"
    "of FILE as zvl render draws it (same options), stretched into the page's picture\n"
    "rectangle, with the caption above it and below it the cursor result's time and number,\n"
    "the title (the file's, or TEXT) and the comment lines that are not empty.\n"
    "\n" ZVL_ALL_PARTS_HELP
    "\n"
    "Questions: none are asked; an existing OUT is replaced (it stays whole until the new one\n"
    "is complete). Exit 0 on success, 1 on a usage error, 2 when FILE cannot be read or OUT\n"
    "cannot be written.\n";

// A recording file opened as the window opens it, with the view zvl render and zvl print
// draw: the state, and the renderer on it with its walk state up to date.
struct OpenedView {
    std::unique_ptr<AppState> state = std::make_unique<AppState>();
    QtClock clock;
    ConsolePrompts prompts{std::cerr};
    ViewHooks view;
    TraceRenderer renderer{*state, clock, prompts};
};

// Checks the view options and opens FILE; returns an exit code, or -1 when the view is ready.
int openView(const ParsedArgs& a, const char* command, bool monochrome, OpenedView& v) {
    std::string why;
    const std::string mode = a.value("--mode").value_or("event");
    if (why.empty() && mode != "event" && mode != "timebase")
        why = "--mode takes event or timebase, not \"" + mode + "\"";
    std::optional<long long> row;
    if (auto t = a.value("--timebase"); why.empty() && t) {
        row = parseCount(*t);
        if (!row || *row > 19) why = "--timebase takes a row from 0 to 19, not \"" + *t + "\"";
    }
    if (!why.empty()) {
        fail(why + " (see zvl " + command + " --help)");
        return kExitUsage;
    }

    AppState& st = *v.state;
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
    if (monochrome) st.monochromePrinting = true;
    if (!loadRecordingArgument(st, a.positionals[0], a.has("--all-parts"), v.prompts, v.view))
        return kExitFailure;
    if (row) {
        st.timebaseIndex = int32_t(*row);
        positionViewAtFirstResult(st);
    }
    st.operatingMode = mode == "event" ? EventSearch : TimebaseSearch;
    return -1;
}

}  // namespace

int runRender(const std::vector<std::string>& args) {
    const ParsedArgs a = parseArgs(args, {"--mode", "--timebase"}, {"--mono", "--all-parts"});
    if (int code = checkUsage(a, 2, kRenderHelp, "render"); code >= 0) return code;
    OpenedView v;
    if (int code = openView(a, "render", a.has("--mono"), v); code >= 0) return code;
    AppState& st = *v.state;
    const QImage picture = renderTracePicture(v.renderer);
    const std::string out = a.positionals[1];
    if (!picture.save(QString::fromStdString(out), "PNG")) {
        fail("cannot write " + out);
        return kExitFailure;
    }
    std::printf("%s: %s, %s, cursor on result %lld\n", out.c_str(), modeCaption(st.operatingMode),
                timebaseRow(st.timebaseIndex).caption, static_cast<long long>(st.cursorResult));
    return kExitOk;
}

int runPrint(const std::vector<std::string>& args) {
    const ParsedArgs a =
        parseArgs(args, {"--mode", "--timebase", "--title"}, {"--monochrome", "--all-parts"});
    if (int code = checkUsage(a, 2, kPrintHelp, "print"); code >= 0) return code;
    OpenedView v;
    if (int code = openView(a, "print", a.has("--monochrome"), v); code >= 0) return code;
    AppState& st = *v.state;
    if (auto title = a.value("--title")) st.recordingTitle = utf8ToWindows1252(*title);
    NullCanvas walk;
    v.renderer.redrawTraceView(walk);  // the walk state the window would show

    // Printed to a temporary file beside OUT and renamed over it when the page is complete.
    const std::filesystem::path out = std::filesystem::absolute(a.positionals[1]);
    std::string temp = (out.parent_path() / ("." + out.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        fail(fileErrorText("Cannot create file", out.string(), errno));
        return kExitFailure;
    }
    ::close(fd);
    std::string error;
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(temp));
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setCreator(QStringLiteral("zvl print"));
        error = printTracePage(printer, v.renderer, st);
    }
    v.renderer.showPendingWarning();  // "Plotting Error", once the page is finished
    std::error_code ec;
    if (error.empty()) std::filesystem::rename(temp, out, ec);
    if (error.empty() && ec) error = fileErrorText("Cannot write file", out.string(), ec.value());
    if (!error.empty()) {
        std::filesystem::remove(temp, ec);
        fail(error);
        return kExitFailure;
    }
    std::printf("%s: %s, %s, cursor on result %lld\n", out.c_str(), modeCaption(st.operatingMode),
                timebaseRow(st.timebaseIndex).caption, static_cast<long long>(st.cursorResult));
    return kExitOk;
}

}  // namespace zvl::cli
