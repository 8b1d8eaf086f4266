#include "app/mainmenus.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "app/eventlistwindow.h"
#include "app/helpwindow.h"
#include "app/mainwindow.h"
#include "search/marker.h"
#include "session/help.h"

namespace zvl {

namespace {
// An entry's action that runs a command.
std::function<void()> runCommand(MainCommands& c, void (MainCommands::*command)()) {
    return [&c, command] { (c.*command)(); };
}
}  // namespace

QAction* MainMenus::addEntry(QMenu* menu, const char* caption, const char* name, std::function<void()> run) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    QObject::connect(a, &QAction::triggered, menu, std::move(run));
    return a;
}

MainMenus::MainMenus(QMenuBar* bar, MainCommands& c, MainWindow& window) {
    // An entry that runs a command, and one that runs a command on the window's dialog.
    const auto run = [&c](void (MainCommands::*command)()) { return runCommand(c, command); };
    const auto dialog = [&c, &window](void (MainCommands::*command)(ModalDialog&),
                                      std::unique_ptr<ModalDialog> MainWindow::Runners::*which) {
        return [&c, &window, command, which] { (c.*command)(*(window.runners().*which)); };
    };
    bar->setNativeMenuBar(false);
    QMenu* file = buildFileMenu(bar, c, window);

    QMenu* activity = bar->addMenu("&Activity");
    activity->setObjectName("activityMenu");
    addEntry(activity, "&Menu", "startMenuAction", [&window] { window.showStartMenu(); });
    addEntry(activity, "&Upload Stored Data from Pellam", "uploadStoredDataAction",
             run(&MainCommands::uploadStoredData));
    addEntry(activity, "&Collect New Data", "collectNewDataAction", run(&MainCommands::collectNewData));
    addEntry(activity, "&Examine Records", "examineRecordsAction", run(&MainCommands::examineRecords));
    statisticsAction_ = addEntry(activity, "&Statistics...", "statisticsAction",
                                 dialog(&MainCommands::showStatistics, &MainWindow::Runners::statistics));

    QMenu* setup = bar->addMenu("&Setup");
    setup->setObjectName("setupMenu");
    addEntry(setup, "&Display...", "displayAction",
             dialog(&MainCommands::editDisplayOptions, &MainWindow::Runners::displayOptions));
    addEntry(setup, "&Colours...", "coloursAction",
             dialog(&MainCommands::editColours, &MainWindow::Runners::colours));
    addEntry(setup, "&Hardware Settings...", "hardwareSettingsAction",
             dialog(&MainCommands::showHardwareSettings, &MainWindow::Runners::hardware));

    QMenu* tools = bar->addMenu("&Tools");
    tools->setObjectName("toolsMenu");
    addEntry(tools, "&Search Key", "searchKeyAction",
             dialog(&MainCommands::editSearchKey, &MainWindow::Runners::searchKey));
    addEntry(tools, "Set &Date Time", "setDateTimeAction", run(&MainCommands::setDateTime));
    tools->addSeparator();
    addEntry(tools, "&Go To Event...", "goToEventAction",
             dialog(&MainCommands::goToEventOrTime, &MainWindow::Runners::goTo));
    // The event list reads the store: not for a folder's timeline yet.
    storeOnlyActions_.push_back(addEntry(tools, "Event &List", "eventListAction",
                                         [&window] { window.eventList().openBeside(&window); }));
    storeOnlyActions_.push_back(addEntry(tools, "List Ma&tches", "listMatchesAction",
                                         [&window] { window.eventList().listMatches(&window); }));
    tools->addSeparator();
    setMarkerAction_ = addEntry(tools, "Set &Marker", "setMarkerAction", run(&MainCommands::setMarker));
    clearMarkerAction_ =
        addEntry(tools, "Clear M&arker", "clearMarkerAction", run(&MainCommands::clearMarker));

    QMenu* help = bar->addMenu("&Help");
    help->setObjectName("helpMenu");
    // F1 is shown, not bound: the help viewer answers F1 with the page of where it is pressed.
    addEntry(help, "&Contents\tF1", "helpContentsAction", [&window] { window.help().showContents(); });
    addEntry(help, "&How to Use Help", "howToUseHelpAction", [&window] { window.help().showHowToUseHelp(); });
    addEntry(help, "&About...", "aboutAction", dialog(&MainCommands::showAbout, &MainWindow::Runners::about));

    // The shortcuts, shown beside their entries. Exit's goes through the close query.
    for (const auto& [name, keys] : {std::pair{"openAction", "Ctrl+O"},
                                     {"saveAction", "Ctrl+S"},
                                     {"saveAsAction", "Ctrl+Shift+S"},
                                     {"printAction", "Ctrl+P"},
                                     {"exitAction", "Ctrl+Q"},
                                     {"searchKeyAction", "Ctrl+F"},
                                     {"goToEventAction", "Ctrl+G"},
                                     {"setMarkerAction", "Ctrl+M"}})
        bar->findChild<QAction*>(name)->setShortcut(QKeySequence(keys));

    menus_ = {{"File", file}, {"Activity", activity}, {"Setup", setup}, {"Tools", tools}, {"Help", help}};
    // Help contexts of the menus, for the help viewer.
    file->setProperty("helpContext", 146);
    activity->setProperty("helpContext", 147);
    setup->setProperty("helpContext", 148);
    tools->setProperty("helpContext", 149);
    help->setProperty("helpContext", kHelpHelpMenu);
}

// The File menu: the files, the settings, the exports and the printer.
QMenu* MainMenus::buildFileMenu(QMenuBar* bar, MainCommands& c, MainWindow& window) {
    QMenu* file = bar->addMenu("&File");
    file->setObjectName("fileMenu");
    addEntry(file, "&Open...", "openAction", runCommand(c, &MainCommands::open));
    // "&Print..." has the P.
    addEntry(file, "Ope&n All Parts...", "openAllPartsAction", runCommand(c, &MainCommands::openAllParts));
    addEntry(file, "Open &Folder...", "openFolderAction", runCommand(c, &MainCommands::openFolder));
    QMenu* reopen = reopenMenu_ = file->addMenu("&Reopen");
    reopen->setObjectName("reopenMenu");
    reopen->menuAction()->setObjectName("reopenMenu");
    for (int i = 0; i < 4; ++i) {
        QAction* a =
            addEntry(reopen, "", qPrintable(QString("reopen%1Action").arg(i + 1)), [&c, i] { c.reopen(i); });
        a->setVisible(false);
        recentActions_.push_back(a);
    }
    saveAction_ = addEntry(file, "&Save", "saveAction", runCommand(c, &MainCommands::save));
    saveAction_->setEnabled(false);
    storeOnlyActions_.push_back(
        addEntry(file, "Save &As...", "saveAsAction", runCommand(c, &MainCommands::saveAs)));
    file->addSeparator();
    addEntry(file, "&Save Settings Only...", "saveSettingsOnlyAction",
             runCommand(c, &MainCommands::saveSettingsOnly));
    addEntry(file, "Re&Load Settings Only...", "reloadSettingsOnlyAction",
             runCommand(c, &MainCommands::reloadSettingsOnly));
    file->addSeparator();
    storeOnlyActions_.push_back(addEntry(file, "Save as &Binary File...", "saveBinaryFileAction",
                                         runCommand(c, &MainCommands::saveBinaryFile)));
    addEntry(file, "&Download Binary File...", "downloadBinaryFileAction",
             runCommand(c, &MainCommands::downloadBinaryFile));
    file->addSeparator();
    storeOnlyActions_.push_back(addEntry(file, "&Export as CSV or TXT File...", "exportAction",
                                         runCommand(c, &MainCommands::exportCsvOrTxt)));
    storeOnlyActions_.push_back(
        addEntry(file, "Export as &VCD...", "exportVcdAction", runCommand(c, &MainCommands::exportVcd)));
    file->addSeparator();
    addEntry(file, "Printer Se&tup...", "printerSetupAction", [&window] { window.printerSetup(); });
    monochromeAction_ =
        addEntry(file, "&Monochrome ", "monochromeAction", runCommand(c, &MainCommands::toggleMonochrome));
    monochromeAction_->setCheckable(true);
    storeOnlyActions_.push_back(addEntry(file, "&Print...", "printAction", [&window] { window.print(); }));
    file->addSeparator();
    addEntry(file, "E&xit", "exitAction", [&window] { window.close(); });
    return file;
}

void MainMenus::apply(const ControlStates& p, const AppState& state) {
    monochromeAction_->setChecked(p.monochromeChecked);
    statisticsAction_->setEnabled(p.statisticsEnabled);
    for (size_t i = 0; i < recentActions_.size(); ++i) {
        recentActions_[i]->setText(QString::fromStdString(state.recentFiles[i]));
        recentActions_[i]->setVisible(p.recentVisible[i]);
    }
    reopenMenu_->menuAction()->setEnabled(p.reopenEnabled);
    saveAction_->setEnabled(state.saveCommandEnabled && !p.timelineShown);
    for (QAction* a : storeOnlyActions_) a->setEnabled(!p.timelineShown);
    setMarkerAction_->setEnabled(canMarkCursorResult(state));
    clearMarkerAction_->setEnabled(markedResult(state) != 0);
    for (const char* name : {"File", "Activity", "Tools", "Setup"})
        menus_[name]->menuAction()->setEnabled(p.menusEnabled);
}

}  // namespace zvl
