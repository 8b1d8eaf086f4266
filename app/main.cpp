// pellam-zvl: the desktop application.

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "app/mainwindow.h"
#include "core/version.h"
#include "qt/qtclock.h"
#include "qt/qteventpump.h"
#include "qt/qtfiledialogs.h"
#include "qt/qtprompts.h"
#include "qt/qtreceiverprocess.h"
#include "qt/qtserialport.h"
#include "qt/qttimer.h"

namespace {

const char* const kHelp =
    "usage: pellam-zvl [FILE|DIR]\n"
    "       pellam-zvl --version | --help\n"
    "\n"
    "The desktop application of the Corvask Pellam ZVL. FILE, a recording file (.zvl) or a\n"
    "settings-only file (.stg), is opened once the start-up sequence has ended, as File > Open\n"
    "or File > Reload Settings Only would open it; DIR, a folder of recordings (a zvl log\n"
    "folder), as File > Open Folder would: read-only, as one timeline.\n";

// Qt's own options that take the next argument as their value (-platform xcb, --style fusion):
// that value is not one of the program's options.
bool takesQtValue(const std::string& arg) {
    static const std::set<std::string> options = {
        "-platform",    "-platformpluginpath", "-platformtheme", "-plugin",   "-qwindowgeometry",
        "-qwindowicon", "-qwindowtitle",       "-display",       "-geometry", "-title",
        "-style",       "-stylesheet",         "-session",       "-name"};
    return options.count(arg.rfind("--", 0) == 0 ? arg.substr(1) : arg) > 0;
}

}  // namespace

int main(int argc, char** argv) {
    // --version and --help answer before QApplication exists: it would connect to the window
    // system first, and end the program when there is none.
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--version") {
            std::printf("pellam-zvl (%s) %s\n", zvl::kProgramName, zvl::kProgramVersion);
            return 0;
        }
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (takesQtValue(arg) && i + 1 < argc) ++i;
    }
    // Qt's own options (-platform, ...) are taken out of argv by QApplication.
    QApplication app(argc, argv);
    QApplication::setApplicationName("Corvask Morvic ZVL");
    std::string file;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg.size() > 1 && arg[0] == '-') || !file.empty()) {
            std::fprintf(stderr, "pellam-zvl: %s \"%s\"\n%s",
                         file.empty() ? "unknown option" : "one file only, not also", arg.c_str(), kHelp);
            return 1;
        }
        file = std::filesystem::absolute(arg).lexically_normal().string();  // as a dialog answers
    }

    zvl::QtClock clock;
    zvl::QtEventPump pump(clock);
    zvl::QtSerialPort port;
    zvl::QtPrompts prompts;
    zvl::QtFileDialogs fileDialogs;
    zvl::QtReceiverProcess receiver;
    zvl::QtTimer startTimer, splashTimer, statusPollTimer, breakTimer, uploadRetryTimer, updateTimer,
        downloadStatusTimer, journalTimer;
    zvl::MainPlatform platform{port,
                               clock,
                               pump,
                               prompts,
                               fileDialogs,
                               {startTimer, splashTimer, statusPollTimer, breakTimer, uploadRetryTimer,
                                updateTimer, downloadStatusTimer, journalTimer},
                               zvl::settingsFilePath(),
                               &receiver};
    zvl::MainWindow window(platform);
    prompts.setParent(&window);
    fileDialogs.setParent(&window);
    if (!file.empty()) window.openAtStart(file);
    window.show();
    return QApplication::exec();
}
