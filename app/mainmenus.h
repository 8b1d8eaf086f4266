#pragma once
// The menu bar: File, Activity, Setup, Tools and Help, each entry connected to its command
// (or the window's own: print, exit, the start menu, the event list, help). Entries whose behaviour the
// program does not have yet are there and disabled. The menus apply the availability controlstates computes.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/state.h"
#include "session/controlstates.h"

class QAction;
class QMenu;
class QMenuBar;

namespace zvl {

class MainCommands;
class MainWindow;

class MainMenus {
public:
    MainMenus(QMenuBar* bar, MainCommands& commands, MainWindow& window);
    // Checks, the Reopen list, Save, the marker, the four menus while collecting.
    void apply(const ControlStates& p, const AppState& state);

private:
    QAction* addEntry(QMenu* menu, const char* caption, const char* name, std::function<void()> run);
    QMenu* buildFileMenu(QMenuBar* bar, MainCommands& commands, MainWindow& window);

    std::map<std::string, QMenu*> menus_;
    QAction* saveAction_ = nullptr;
    QAction* monochromeAction_ = nullptr;
    QAction* statisticsAction_ = nullptr;
    QAction* setMarkerAction_ = nullptr;
    QAction* clearMarkerAction_ = nullptr;
    QMenu* reopenMenu_ = nullptr;
    std::vector<QAction*> recentActions_;
    std::vector<QAction*> storeOnlyActions_;  // off while a folder's timeline is shown
};

}  // namespace zvl
