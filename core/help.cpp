#include "core/help.h"

#include <array>
#include <filesystem>
#include <utility>

#include "platform/comports.h"

namespace zvl {

namespace {
constexpr std::array<std::pair<int, const char*>, 18> kPages{{
    {kHelpDisplayOptions, "displayoptions.html"},
    {kHelpColours, "colours.html"},
    {kHelpHelpMenu, "helpmenu.html"},
    {kHelpFileMenu, "filemenu.html"},
    {kHelpActivityMenu, "activitymenu.html"},
    {kHelpSetupMenu, "setupmenu.html"},
    {kHelpToolsMenu, "toolsmenu.html"},
    {kHelpAbout, "about.html"},
    {kHelpStartMenu, "startmenu.html"},
    {kHelpSearchKey, "searchkey.html"},
    {kHelpStatistics, "statistics.html"},
    {kHelpComments, "comments.html"},
    {kHelpHelpWindow, "usinghelp.html"},
    {kHelpChoiceBox, "choicebox.html"},
    {kHelpSelectPort, "linux-instrument.html"},
    {kHelpHardware, "hardware.html"},
    {kHelpEventList, "eventlist.html"},
    {kHelpMainWindow, "mainwindow.html"},
}};
}  // namespace

std::optional<std::string> helpPageForContext(int context) {
    for (const auto& [number, page] : kPages)
        if (number == context) return page;
    return std::nullopt;
}

std::vector<int> helpContexts() {
    std::vector<int> out;
    for (const auto& entry : kPages) out.push_back(entry.first);
    return out;
}

std::vector<std::string> helpFolderCandidates(const std::string& executableDir) {
    const std::filesystem::path dir(executableDir);
    return {(dir / "help").string(), (dir.parent_path() / "share" / "pellam-zvl" / "help").string()};
}

std::optional<std::string> findHelpFolder(const std::string& executableDir) {
    for (const std::string& folder : helpFolderCandidates(executableDir)) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(std::filesystem::path(folder) / kHelpContentsPage, ec))
            return folder;
    }
    return std::nullopt;
}

std::string helpMissingText(const std::string& executableDir) {
    std::string text = "The help pages were not found. Looked for " + std::string(kHelpContentsPage) + " in:";
    for (const std::string& folder : helpFolderCandidates(executableDir)) text += "\n" + folder;
    return text;
}

std::string usefulInformationText(const AppState& state, const std::string& settingsPath) {
    std::string port = "none chosen";
    if (state.comPortNumber > 0)
        port = "COM" + std::to_string(state.comPortNumber) + " (" + comPortPath(state.comPortNumber) + ")";
    std::string text;
    text += "Serial port: " + port + "\n";
    text += "Line: 19200 bit/s, 8 data bits, no parity, 1 stop bit\n";
    text += "COMn names: links in " + portsDirectory() + ", else /dev/ttyS(n-1)\n";
    text +=
        "The port's device must be readable and writable by you (the dialout group on Debian and Ubuntu).\n";
    text += std::string("Instrument: ") + (state.instrumentOnline ? "online" : "offline") + ", firmware " +
            state.firmwareVersion +
            (state.serialNumber.empty() ? std::string() : ", serial number " + state.serialNumber) + "\n";
    text += "Settings file: " + settingsPath + "\n";
    text += "Data folder: " + state.dataDirectory + "\n";
    return text;
}

}  // namespace zvl
