#include "app/mainmenus.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "app/mainwindow.h"
#include "session/help.h"
#include "search/marker.h"

namespace zvl {

QAction* MainMenus::addEntry(QMenu* menu, const char* caption, const char* name, void (MainWindow::*handler)(), bool built) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    if (handler) QObject::connect(a, &QAction::triggered, &window_, handler);
    // Entries whose behaviour the program does not have yet are there, and disabled.
    if (!built) {
        a->setEnabled(false);
        a->setProperty("notBuilt", true);
    }
    return a;
}

MainMenus::MainMenus(QMenuBar* bar, MainWindow& window) : window_(window) {
    bar->setNativeMenuBar(false);
    QMenu* file = bar->addMenu("&File");
    file->setObjectName("fileMenu");
    addEntry(file, "&Open...", "openAction", &MainWindow::onOpenTriggered);
    // "&Print..." has the P.
    addEntry(file, "Ope&n All Parts...", "openAllPartsAction", &MainWindow::onOpenAllPartsTriggered);
    QMenu* reopen = reopenMenu_ = file->addMenu("&Reopen");
    reopen->setObjectName("reopenMenu");
    reopen->menuAction()->setObjectName("reopenMenu");
    for (int i = 0; i < 4; ++i) {
        QAction* a = reopen->addAction(QString());
        a->setObjectName(QString("reopen%1Action").arg(i + 1));
        QObject::connect(a, &QAction::triggered, &window, [&window, i] { window.onReopenTriggered(i); });
        a->setVisible(false);
        recentActions_.push_back(a);
    }
    saveAction_ = addEntry(file, "&Save", "saveAction", &MainWindow::onSaveTriggered);
    saveAction_->setEnabled(false);
    addEntry(file, "Save &As...", "saveAsAction", &MainWindow::onSaveAsTriggered);
    file->addSeparator();
    addEntry(file, "&Save Settings Only...", "saveSettingsOnlyAction", &MainWindow::onSaveSettingsOnlyTriggered);
    addEntry(file, "Re&Load Settings Only...", "reloadSettingsOnlyAction", &MainWindow::onReloadSettingsOnlyTriggered);
    file->addSeparator();
    addEntry(file, "Save as &Binary File...", "saveBinaryFileAction", &MainWindow::onSaveBinaryFileTriggered);
    addEntry(file, "&Download Binary File...", "downloadBinaryFileAction", &MainWindow::onDownloadBinaryFileTriggered);
    file->addSeparator();
    addEntry(file, "&Export as CSV or TXT File...", "exportAction", &MainWindow::onExportTriggered);
    addEntry(file, "Export as &VCD...", "exportVcdAction", &MainWindow::onExportVcdTriggered);
    file->addSeparator();
    addEntry(file, "Printer Se&tup...", "printerSetupAction", &MainWindow::onPrinterSetupTriggered);
    monochromeAction_ = addEntry(file, "&Monochrome ", "monochromeAction", &MainWindow::onMonochromeTriggered);
    monochromeAction_->setCheckable(true);
    addEntry(file, "&Print...", "printAction", &MainWindow::onPrintTriggered);
    file->addSeparator();
    addEntry(file, "E&xit", "exitAction", &MainWindow::onExitTriggered);

    QMenu* activity = bar->addMenu("&Activity");
    activity->setObjectName("activityMenu");
    addEntry(activity, "&Menu", "startMenuAction", &MainWindow::onStartMenuTriggered);
    addEntry(activity, "&Upload Stored Data from Pellam", "uploadStoredDataAction", &MainWindow::onUploadStoredDataTriggered);
    addEntry(activity, "&Collect New Data", "collectNewDataAction", &MainWindow::onCollectNewDataTriggered);
    addEntry(activity, "&Examine Records", "examineRecordsAction", &MainWindow::onExamineRecordsTriggered);
    statisticsAction_ = addEntry(activity, "&Statistics...", "statisticsAction", &MainWindow::onStatisticsTriggered);

    QMenu* setup = bar->addMenu("&Setup");
    setup->setObjectName("setupMenu");
    addEntry(setup, "&Display...", "displayAction", &MainWindow::onDisplayTriggered);
    addEntry(setup, "&Colours...", "coloursAction", &MainWindow::onColoursTriggered);
    addEntry(setup, "&Hardware Settings...", "hardwareSettingsAction", &MainWindow::onHardwareSettingsTriggered);

    QMenu* tools = bar->addMenu("&Tools");
    tools->setObjectName("toolsMenu");
    addEntry(tools, "&Search Key", "searchKeyAction", &MainWindow::onSearchKeyTriggered);
    addEntry(tools, "Set &Date Time", "setDateTimeAction", &MainWindow::onSetDateTimeTriggered);
    tools->addSeparator();
    addEntry(tools, "&Go To Event...", "goToEventAction", &MainWindow::onGoToEventTriggered);
    addEntry(tools, "Event &List", "eventListAction", &MainWindow::onEventListTriggered);
    tools->addSeparator();
    setMarkerAction_ = addEntry(tools, "Set &Marker", "setMarkerAction", &MainWindow::onSetMarkerTriggered);
    clearMarkerAction_ = addEntry(tools, "Clear M&arker", "clearMarkerAction", &MainWindow::onClearMarkerTriggered);

    QMenu* help = bar->addMenu("&Help");
    help->setObjectName("helpMenu");
    // F1 is shown, not bound: the help viewer answers F1 with the page of where it is pressed.
    addEntry(help, "&Contents\tF1", "helpContentsAction", &MainWindow::onHelpContentsTriggered);
    addEntry(help, "&How to Use Help", "howToUseHelpAction", &MainWindow::onHowToUseHelpTriggered);
    addEntry(help, "&About...", "aboutAction", &MainWindow::onAboutTriggered);

    // The shortcuts, shown beside their entries. Exit's goes through the close query.
    for (const auto& [name, keys] : {std::pair{"openAction", "Ctrl+O"}, {"saveAction", "Ctrl+S"}, {"saveAsAction", "Ctrl+Shift+S"},
                                     {"printAction", "Ctrl+P"}, {"exitAction", "Ctrl+Q"}, {"searchKeyAction", "Ctrl+F"},
                                     {"goToEventAction", "Ctrl+G"}, {"setMarkerAction", "Ctrl+M"}})
        bar->findChild<QAction*>(name)->setShortcut(QKeySequence(keys));

    menus_ = {{"File", file}, {"Activity", activity}, {"Setup", setup}, {"Tools", tools}, {"Help", help}};
    // Help contexts of the menus, for the help viewer.
    file->setProperty("helpContext", 146);
    activity->setProperty("helpContext", 147);
    setup->setProperty("helpContext", 148);
    tools->setProperty("helpContext", 149);
    help->setProperty("helpContext", kHelpHelpMenu);
}

void MainMenus::show(const PaintControls& p, const AppState& state) {
    monochromeAction_->setChecked(p.monochromeChecked);
    statisticsAction_->setEnabled(p.statisticsEnabled);
    for (size_t i = 0; i < recentActions_.size(); ++i) {
        recentActions_[i]->setText(QString::fromStdString(state.recentFiles[i]));
        recentActions_[i]->setVisible(p.recentVisible[i]);
    }
    reopenMenu_->menuAction()->setEnabled(p.reopenEnabled);
    saveAction_->setEnabled(state.saveCommandEnabled);
    setMarkerAction_->setEnabled(canMarkCursorResult(state));
    clearMarkerAction_->setEnabled(markedResult(state) != 0);
}

void MainMenus::enable(const EnabledControls& e) {
    for (const char* name : {"File", "Activity", "Tools", "Setup"}) menus_[name]->menuAction()->setEnabled(e.menusEnabled);
}

}  // namespace zvl
