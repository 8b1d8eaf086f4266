#include "session/help.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <regex>
#include <utility>

#include "platform/comports.h"

namespace zvl {

namespace {
constexpr std::array<std::pair<int, const char*>, 20> kPages{{
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
    {kHelpFileDialog, "filedialogs.html"},
    {kHelpMessageBox, "messages.html"},
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

std::string helpPageMissingText(const std::string& page, const std::string& folder) {
    return "The help page " + page + " is missing from the help folder " + folder +
           ". Reinstall the program to get it back; the other pages are under Contents.";
}

std::vector<std::string> helpPageOrder(const std::string& contentsHtml,
                                       std::vector<std::string> pagesInFolder) {
    std::sort(pagesInFolder.begin(), pagesInFolder.end());
    std::vector<std::string> order;
    const auto add = [&](const std::string& page) {
        if (std::find(order.begin(), order.end(), page) != order.end()) return;
        if (std::binary_search(pagesInFolder.begin(), pagesInFolder.end(), page)) order.push_back(page);
    };
    add(kHelpContentsPage);
    const std::regex href(R"(href="([^"#:/]+\.html)[^"]*")");
    for (std::sregex_iterator m(contentsHtml.begin(), contentsHtml.end(), href), end; m != end; ++m)
        add((*m)[1].str());
    for (const std::string& page : pagesInFolder) add(page);
    return order;
}

std::string dataFolderOf(const std::string& dataDirectory) {
    // After an open or a save the setting holds the file's path; its folder is what is meant.
    std::error_code ec;
    const std::filesystem::path path(dataDirectory);
    if (dataDirectory.empty() || std::filesystem::is_directory(path, ec) || !path.has_parent_path())
        return dataDirectory;
    return path.parent_path().string();
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
    // The firmware version stays at its "0.0" until the instrument has answered once.
    std::string instrument = "not connected";
    if (state.instrumentOnline || state.firmwareVersion != AppState{}.firmwareVersion)
        instrument = std::string(state.instrumentOnline ? "online" : "offline, as last seen") +
                     ", firmware " + state.firmwareVersion +
                     (state.serialNumber.empty() ? std::string() : ", serial number " + state.serialNumber);
    text += "Instrument: " + instrument + "\n";
    text += "Settings file: " + settingsPath + "\n";
    text += "Data folder: " + dataFolderOf(state.dataDirectory) + "\n";
    return text;
}

}  // namespace zvl
