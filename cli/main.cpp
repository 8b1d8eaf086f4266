// zvl: the command-line tool on the program's core.

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/filecommands.h"
#include "cli/session.h"
#include "core/version.h"

namespace {

const char* const kHelp =
    "usage: zvl <command> [options]\n"
    "\n"
    "Commands:\n"
    "  status    connect and print the instrument's firmware, serial number, clock and options\n"
    "  collect   run a live recording and print its results\n"
    "  log       record into a folder, file after file, until stopped (unattended logging)\n"
    "  upload    upload the instrument's memory and save it as a recording file\n"
    "  hardware  print or change the instrument's debounce, memory mode and backlight\n"
    "  set-time  set the instrument's clock (to the PC's clock unless a time is given)\n"
    "  download  receive the instrument's memory image by ZMODEM and save it as a BIN file\n"
    "  info      print what a recording file or a folder of them holds\n"
    "  export    write a recording file or a folder as the application's CSV or TXT export\n"
    "  vcd       write a recording file or a folder as a VCD file for waveform viewers\n"
    "  import    read a compliant CSV file and save it as a recording file\n"
    "  render    draw the trace picture of a recording file as a PNG\n"
    "  print     print the page of File > Print of a recording file to a PDF file\n"
    "  stats     print the statistics of a recording file or a folder as CSV\n"
    "  find      list the runs where a pattern of inputs was held, and for how long, as CSV\n"
    "  recover   list the journals of live recordings that ended unsaved, or save one as a file\n"
    "\n"
    "collect and log raise alarms: --alarm 'NAME: KEY [for DURATION]', --idle DURATION and\n"
    "--on-alarm CMD (a line, a row in the log's alarm file, and CMD run for each).\n"
    "\n"
    "zvl <command> --help tells more; zvl --version prints the version. Exit codes: 0 done,\n"
    "1 usage error, 2 instrument or file failure, and for find 3 nothing matched. Every\n"
    "message, progress and summary line goes to stderr; stdout carries only a command's data.\n";

}  // namespace

int main(int argc, char** argv) {
    // Drawing needs fonts, so render runs a GUI application, on the offscreen platform when
    // nothing else is asked for (it never opens a window).
    const bool drawing = argc > 1 && (std::string(argv[1]) == "render" || std::string(argv[1]) == "print");
    if (drawing && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app = drawing ? std::make_unique<QGuiApplication>(argc, argv)
                                                    : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName("zvl");
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::fputs(kHelp, args.empty() ? stderr : stdout);
        return args.empty() ? zvl::cli::kExitUsage : zvl::cli::kExitOk;
    }
    if (args[0] == "--version") {
        std::printf("zvl (%s) %s\n", zvl::kProgramName, zvl::kProgramVersion);
        return zvl::cli::kExitOk;
    }
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "status") return zvl::cli::runStatus(args);
    if (command == "collect") return zvl::cli::runCollect(args);
    if (command == "log") return zvl::cli::runLog(args);
    if (command == "upload") return zvl::cli::runUpload(args);
    if (command == "hardware") return zvl::cli::runHardware(args);
    if (command == "set-time") return zvl::cli::runSetTime(args);
    if (command == "download") return zvl::cli::runDownload(args);
    if (command == "info") return zvl::cli::runInfo(args);
    if (command == "export") return zvl::cli::runExport(args);
    if (command == "vcd") return zvl::cli::runVcd(args);
    if (command == "import") return zvl::cli::runImport(args);
    if (command == "render") return zvl::cli::runRender(args);
    if (command == "print") return zvl::cli::runPrint(args);
    if (command == "stats") return zvl::cli::runStats(args);
    if (command == "find") return zvl::cli::runFind(args);
    if (command == "recover") return zvl::cli::runRecover(args);
    zvl::cli::fail("unknown command \"" + command + "\" (see zvl --help)");
    return zvl::cli::kExitUsage;
}
