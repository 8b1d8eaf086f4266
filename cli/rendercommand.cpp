// zvl render and zvl print: the trace picture of a recording file as a PNG, drawn exactly as the
// main window draws it after opening the file, and the printed page of that view as a PDF.

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPageSize>
#include <QPrinter>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "cli/args.h"
#include "cli/consoleprompts.h"
#include "cli/filecommands.h"
#include "cli/recordinginput.h"
#include "cli/session.h"
#include "core/codepage.h"
#include "core/timebase.h"
#include "files/recordingfile.h"
#include "files/settings.h"
#include "platform/atomicfile.h"
#include "qt/pageprint.h"
#include "qt/qtclock.h"
#include "qt/tracepicture.h"

namespace zvl::cli {

namespace {

const char* const kRenderHelp =
    "usage: zvl render FILE.zvl|DIR OUT.png [--mode event|timebase] [--mono] [--timebase N]\n"
    "                  [--from T] [--to T] [--all-parts]\n"
    "\n"
    "Draw the 780 x 380 trace picture of a recording file as the main window shows it after\n"
    "File > Open: search mode (event mode unless --mode timebase), the time base fitted to the\n"
    "recording as Open fits it (or row N, 0..19, with --timebase), and the view put at the first\n"
    "result as \"Go to First Result\" puts it. Colours, the search key and the monochrome switch\n"
    "come from the application's settings file when it reads in full, else the defaults;\n"
    "--mono draws the black-and-white picture whatever the settings say.\n"
    "\n" ZVL_ALL_PARTS_HELP "\n" ZVL_FOLDER_SPAN_HELP
    "A folder or a span is drawn as a file holding just its results would be, so it may hold\n"
    "at most 100000 results.\n"
    "\n"
    "OUT \"-\" writes the PNG to standard output.\n"
    "\n"
    "Questions: none are asked; a \"Plotting Error\" of the time chart is printed on stderr.\n"
    "Exit 0 on success, 1 on a usage error (also OUT naming FILE or one of its parts: nothing\n"
    "is written), 2 when a file cannot be read or written.\n";

const char* const kPrintHelp =
    "usage: zvl print FILE.zvl|DIR OUT.pdf [--monochrome] [--mode event|timebase] [--timebase N]\n"
    "                 [--title TEXT] [--from T] [--to T] [--all-parts]\n"
    "\n"
    "Print the page of File > Print to a PDF file on A4 at 600 dots per inch: the trace picture\n"
    "of FILE as zvl render draws it (same options), stretched into the page's picture\n"
    "rectangle, with the caption above it and below it the cursor result's time and number,\n"
    "the title (the file's, or TEXT) and the comment lines that are not empty.\n"
    "\n" ZVL_ALL_PARTS_HELP
    "\n"
    "A folder, and --from and --to, as in zvl render (a folder's title and comment lines are\n"
    "those of its first recording).\n"
    "\n"
    "Questions: none are asked; an existing OUT is replaced (it stays whole, byte for byte,\n"
    "until the new page is complete: the page is written beside it and every write checked).\n"
    "A new OUT gets the permissions of the umask, a replaced one keeps its own; a symbolic\n"
    "link is followed, a device or a pipe written as it stands; OUT \"-\" writes the PDF to\n"
    "standard output. The summary line is printed on stderr. Exit 0 on success, 1 on a usage\n"
    "error (also OUT naming FILE or one of its parts: nothing is written), 2 when FILE cannot\n"
    "be read or OUT cannot be written (the reason is printed).\n";

// A recording file opened as the window opens it, with the view zvl render and zvl print
// draw: the state, and the renderer on it with its walk state up to date.
struct OpenedView {
    std::unique_ptr<AppState> state = std::make_unique<AppState>();
    QtClock clock;
    ConsolePrompts prompts{std::cerr};
    ViewHooks view;
    TraceRenderer renderer{*state, clock, prompts};
};

// A folder or a span is drawn as the file holding just its results would be: they are put in
// the store, which holds at most 100000.
bool showSourceInStore(const ResultSource& source, AppState& st, ViewHooks& view, const char* command) {
    if (source.count() > kMaxResults) {
        fail(std::string("zvl ") + command + " draws at most 100000 results, and these are " +
             std::to_string(source.count()) + ": take a span of them with --from and --to");
        return false;
    }
    std::vector<ResultRecord> records;
    records.reserve(size_t(source.count()));
    forEachResult(source, [&records](int64_t, const ResultRecord& r) { records.push_back(r); });
    st.store.clearResults();
    for (size_t k = 0; k < records.size(); ++k) st.store.slot(int64_t(k) + 1) = records[k];
    st.resultCount() = int64_t(records.size());
    showLoadedRecording(st, view);
    return true;
}

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
    RecordingInput in;
    const int opened = openRecordingInput(
        a, st,
        [&] { return loadRecordingArgument(st, a.positionals[0], a.has("--all-parts"), v.prompts, v.view); },
        in);
    if (opened >= 0) return opened;
    if (in.viaSource() && !showSourceInStore(in.source(), st, v.view, command)) return kExitFailure;
    if (row) {
        st.timebaseIndex = int32_t(*row);
        positionViewAtFirstResult(st);
    }
    st.operatingMode = mode == "event" ? EventSearch : TimebaseSearch;
    return -1;
}

}  // namespace

int runRender(const std::vector<std::string>& args) {
    const ParsedArgs a =
        parseArgs(args, {"--mode", "--timebase", "--from", "--to"}, {"--mono", "--all-parts"});
    if (int code = checkUsage(a, 2, kRenderHelp, "render"); code >= 0) return code;
    // OUT "-" is standard output, written through its own descriptor (never a file named "-").
    const std::string out = a.positionals[1] == "-" ? "/dev/stdout" : a.positionals[1];
    if (writesOverInput(inputFilesOf(a.positionals[0], a.has("--all-parts")), {out})) return kExitUsage;
    OpenedView v;
    if (int code = openView(a, "render", a.has("--mono"), v); code >= 0) return code;
    AppState& st = *v.state;
    const QImage picture = renderTracePicture(v.renderer);
    // Encoded in memory, then saved as every file is (the old one stays whole on a failure).
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) {
        fail("cannot encode the picture as PNG");
        return kExitFailure;
    }
    if (const std::string error =
            writeFileAtomically(out, std::string_view(png.constData(), size_t(png.size())));
        !error.empty()) {
        fail(error);
        return kExitFailure;
    }
    std::fprintf(stderr, "%s: %s, %s, cursor on result %lld\n", out.c_str(), modeCaption(st.operatingMode),
                 timebaseRow(st.timebaseIndex).caption, static_cast<long long>(st.cursorResult));
    return kExitOk;
}

int runPrint(const std::vector<std::string>& args) {
    const ParsedArgs a = parseArgs(args, {"--mode", "--timebase", "--title", "--from", "--to"},
                                   {"--monochrome", "--all-parts"});
    if (int code = checkUsage(a, 2, kPrintHelp, "print"); code >= 0) return code;
    // Printed as every file is saved: OUT is replaced only by a whole page (qt/pageprint); "-"
    // is standard output, written through its own descriptor (never a file named "-").
    const std::string out = a.positionals[1] == "-"
                                ? std::string("/dev/stdout")
                                : std::filesystem::absolute(a.positionals[1]).lexically_normal().string();
    if (writesOverInput(inputFilesOf(a.positionals[0], a.has("--all-parts")), {out})) return kExitUsage;
    OpenedView v;
    if (int code = openView(a, "print", a.has("--monochrome"), v); code >= 0) return code;
    AppState& st = *v.state;
    if (auto title = a.value("--title")) st.recordingTitle = utf8ToWindows1252(*title);
    v.renderer.updateWalkState();  // the walk state the window would show

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QFile::decodeName(QByteArray::fromStdString(out)));
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setCreator(QStringLiteral("zvl print"));
    const std::string error = printTracePage(printer, v.renderer, st);
    v.renderer.showPendingWarning();  // "Plotting Error", once the page is finished
    if (!error.empty()) {
        fail(error);
        return kExitFailure;
    }
    std::fprintf(stderr, "%s: %s, %s, cursor on result %lld\n", out.c_str(), modeCaption(st.operatingMode),
                 timebaseRow(st.timebaseIndex).caption, static_cast<long long>(st.cursorResult));
    return kExitOk;
}

}  // namespace zvl::cli
