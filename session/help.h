#pragma once
// The program's help: HTML pages shipped in a folder "help" beside the program. Each window,
// dialog and menu carries a help context number; F1 there opens the page of that number.
// "&Contents" and "&How to Use Help" open pages of their own and change nothing else, so F1
// keeps finding its pages afterwards.

#include <optional>
#include <string>
#include <vector>

#include "core/state.h"

namespace zvl {

inline constexpr const char* kSoftwareVersionText = "Software Version 1.51 5th February 2014";
// The About box's contact line: the program's own documentation, where to ask and report.
inline constexpr const char* kAboutContactText = "Contact: see README.md";

// The About box's "Useful Information": the port and its device, the line settings, the
// instrument as last seen, and where the program keeps its files.
std::string usefulInformationText(const AppState& state, const std::string& settingsPath);
// The folder of the data-folder setting, which holds a file's path after an open or a save.
std::string dataFolderOf(const std::string& dataDirectory);

// Help context numbers of the windows, dialogs and menus.
enum HelpContext : int {
    kHelpDisplayOptions = 143,
    kHelpColours = 144,
    kHelpHelpMenu = 145,
    kHelpFileMenu = 146,
    kHelpActivityMenu = 147,
    kHelpSetupMenu = 148,
    kHelpToolsMenu = 149,
    kHelpAbout = 150,
    kHelpStartMenu = 151,
    kHelpSearchKey = 152,  // also the go-to dialog
    kHelpStatistics = 153,
    kHelpComments = 154,
    kHelpHelpWindow = 155,
    kHelpChoiceBox = 156,
    kHelpSelectPort = 157,
    kHelpHardware = 158,
    kHelpEventList = 159,
    kHelpFileDialog = 160,  // every open and save dialog
    kHelpMessageBox = 161,  // the warning, information and question boxes and the input box
    kHelpMainWindow = 1001,
};

inline constexpr const char* kHelpContentsPage = "contents.html";
inline constexpr const char* kHowToUseHelpPage = "usinghelp.html";

// The page of a help context, or nothing for a number the help does not know.
std::optional<std::string> helpPageForContext(int context);
// Every help context that has a page.
std::vector<int> helpContexts();

// Where the help folder is looked for, first to last: "help" beside the program, then the
// installed share folder next to the program's bin folder.
std::vector<std::string> helpFolderCandidates(const std::string& executableDir);
// The first candidate that holds the contents page.
std::optional<std::string> findHelpFolder(const std::string& executableDir);
// The message when no candidate holds the help.
std::string helpMissingText(const std::string& executableDir);
// What the help window shows in place of a page its folder lacks.
std::string helpPageMissingText(const std::string& page, const std::string& folder);

// The order Find goes through the pages: the contents page, then the pages it links to in the
// order of their links, then any other page of the folder in name order. `contentsHtml` is the
// contents page's text, `pagesInFolder` the names of the folder's pages.
std::vector<std::string> helpPageOrder(const std::string& contentsHtml,
                                       std::vector<std::string> pagesInFolder);

}  // namespace zvl
