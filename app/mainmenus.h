#pragma once
// The menu bar: File, Activity, Setup, Tools and Help, each entry wired to its slot of the
// window. Entries whose behaviour the program does not have yet are there and disabled. The
// menus apply the availability controlstates computes.

#include <map>
#include <string>
#include <vector>

#include "session/controlstates.h"
#include "core/state.h"

class QAction;
class QMenu;
class QMenuBar;

namespace zvl {

class MainWindow;

class MainMenus {
public:
    MainMenus(QMenuBar* bar, MainWindow& window);
    void show(const PaintControls& p, const AppState& state);  // checks, the Reopen list, Save, the marker
    void enable(const EnabledControls& e);                     // the four menus while collecting

private:
    QAction* addEntry(QMenu* menu, const char* caption, const char* name, void (MainWindow::*handler)(), bool built = true);

    MainWindow& window_;
    std::map<std::string, QMenu*> menus_;
    QAction* saveAction_ = nullptr;
    QAction* monochromeAction_ = nullptr;
    QAction* statisticsAction_ = nullptr;
    QAction* setMarkerAction_ = nullptr;
    QAction* clearMarkerAction_ = nullptr;
    QMenu* reopenMenu_ = nullptr;
    std::vector<QAction*> recentActions_;
};

}  // namespace zvl
