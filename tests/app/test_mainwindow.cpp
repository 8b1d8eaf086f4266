// The main window on the offscreen platform, against the in-process instrument behind a fake
// port, with a fake clock and fake timers driven by the fake event pump.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QFrame>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <tuple>

#include "app/aboutbox.h"
#include "app/coloursdialog.h"
#include "app/commentsdialog.h"
#include "app/displayoptionsdialog.h"
#include "app/eventlistwindow.h"
#include "app/hardwaredialog.h"
#include "app/helpwindow.h"
#include "app/mainwindow.h"
#include "app/startmenudialog.h"
#include "core/viewplacement.h"
#include "files/journal.h"
#include "files/recordingfile.h"
#include "files/settings.h"
#include "files/settingsonlyfile.h"
#include "link/commands.h"
#include "platform/comports.h"
#include "qt/choicebox.h"
#include "qt/qtcanvas.h"
#include "qt/qtfiledialogs.h"
#include "qt/qtprompts.h"
#include "qt/selectportdialog.h"
#include "search/marker.h"
#include "search/navigation.h"
#include "session/controlstates.h"
#include "session/help.h"
#include "session/windowjournal.h"
#include "tests/qt/modal.h"
#include "tests/support/fakefiledialogs.h"
#include "tests/support/fakes.h"
#include "tests/support/filesizelimit.h"

namespace zvl {
namespace {

using Bytes = std::vector<uint8_t>;

struct WindowRig {
    // boxes: the prompts the window shows its boxes with (the scripted ones when none).
    explicit WindowRig(bool writeSettingsFile = true, uint8_t comPort = 1,
                       OperatingModeValue mode = EventRecord, Prompts* boxes = nullptr) {
        dir = std::filesystem::temp_directory_path() /
              ("zvl-main-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(dir);
        settingsPath = (dir / "Pellam.ini").string();
        if (writeSettingsFile) {
            AppState st;
            for (int k = 0; k < kInputCount; ++k) {
                st.inputLabels[size_t(k)] = "Line " + std::to_string(k + 1);
                st.inputActive[size_t(k)] = true;
            }
            st.comPortNumber = comPort;
            st.operatingMode = mode;
            st.dataDirectory = dir.string();
            std::ofstream(settingsPath, std::ios::binary) << encodeSettings(st);
        }
        for (test::FakeTimer* t : {&startTimer, &splashTimer, &statusPollTimer, &breakTimer,
                                   &uploadRetryTimer, &updateTimer, &downloadStatusTimer, &journalTimer})
            pump.addTimer(*t);
        makeWindow(boxes);
    }
    // The window (again, as at the program's next start), on the rig's settings and journals.
    void makeWindow(Prompts* boxes = nullptr) {
        window = std::make_unique<MainWindow>(
            MainPlatform{port,
                         clock,
                         pump,
                         boxes ? *boxes : prompts,
                         fileDialogs,
                         {startTimer, splashTimer, statusPollTimer, breakTimer, uploadRetryTimer, updateTimer,
                          downloadStatusTimer, journalTimer},
                         settingsPath,
                         nullptr,
                         journalFolder()});
        window->startMenuRunner = [this](StartMenuDialog&) { ++startMenuShown; };
        window->modalDialogRunner = [this](QDialog& d) {
            dialogsShown.push_back(d.windowTitle().toStdString());
            return dialogAnswer;
        };
        window->printDialogRunner = [this](QDialog& d) {
            dialogsShown.push_back(d.metaObject()->className());
            return false;
        };
    }
    ~WindowRig() {
        window.reset();
        std::filesystem::remove_all(dir);
    }
    template <class T>
    T* find(const char* name) {
        return window->findChild<T*>(name);
    }
    std::vector<uint8_t> codes() const {
        std::vector<uint8_t> c;
        for (const Bytes& w : port.writes)
            if (w.size() >= 3 && w[0] == 0x01) c.push_back(w[2]);
        return c;
    }
    void run(int64_t ms) { pump.processEventsUntil(clock.ms + ms); }
    // The live recordings' journals of this rig (they outlive the window: a run that was killed).
    std::string journalFolder() const { return (dir / "journal").string(); }
    // A recording file of three results with the given first comment line.
    std::string recording(const char* name, const char* comment) {
        AppState st;
        st.store.resultCount = 3;
        for (int64_t i = 1; i <= 3; ++i) st.store.slot(i).setTime(uint32_t(100 + i));
        st.commentLines[0] = comment;
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << encodeRecordingFile(st, 1, 3, "title");
        return path;
    }
    // What a command showed first: a file dialog, a dialog, a box, the start menu, the help,
    // the last command it sent, the settings written at the close, the Monochrome check.
    std::string shown() {
        if (!fileDialogs.shown.empty()) {
            const FileDialogSpec& d = fileDialogs.shown[0].request;
            return (fileDialogs.shown[0].save ? "save " : "open ") + (d.title.empty() ? d.filter : d.title);
        }
        if (!dialogsShown.empty()) return dialogsShown[0];
        for (const auto* box : {&prompts.confirmations, &prompts.warnings, &prompts.informations})
            if (!box->empty()) return box->front();
        if (startMenuShown) return "start menu";
        if (const HelpWindow* help = window->help().window(); help && help->isVisible())
            return help->currentPage().toStdString();
        if (!codes().empty()) return "sent " + std::to_string(codes().back());
        if (std::filesystem::exists(settingsPath)) return "settings written";
        return window->state().monochromePrinting ? "monochrome" : "";
    }
    // The window shown and active with the focus in the memo, as after a click in it.
    QPlainTextEdit* focusedMemo() {
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        auto* memo = find<QPlainTextEdit>("commentsMemo");
        memo->setFocus();
        EXPECT_TRUE(memo->hasFocus());
        return memo;
    }

    static inline int counter = 0;
    std::filesystem::path dir;
    std::string settingsPath;
    test::FakeClock clock;
    sim::InstrumentEngine engine{[] {
        sim::SimConfig c;
        c.resultsPerSecond = 5;
        return c;
    }()};
    test::FakePort port{clock, &engine};
    test::FakePump pump{clock, port, &engine};
    test::FakeTimer startTimer{clock, "startTimer"}, splashTimer{clock, "splashTimer"},
        statusPollTimer{clock, "statusPollTimer"}, breakTimer{clock, "breakTimer"},
        uploadRetryTimer{clock, "uploadRetryTimer"}, updateTimer{clock, "updateTimer"},
        downloadStatusTimer{clock, "downloadStatusTimer"}, journalTimer{clock, "journalTimer"};
    test::ScriptedPrompts prompts;
    test::ScriptedFileDialogs fileDialogs;
    std::unique_ptr<MainWindow> window;
    int startMenuShown = 0;
    std::vector<std::string> dialogsShown;
    bool dialogAnswer = false;
};

TEST(MainWindow, AtCreation) {
    WindowRig rig;
    EXPECT_EQ(rig.window->windowTitle(), "Corvask Pellam-ZVL");
    EXPECT_FALSE(rig.find<QAction>("saveAction")->isEnabled());
    EXPECT_FALSE(rig.find<QPushButton>("backButton")->isEnabled());
    EXPECT_TRUE(rig.find<QFrame>("progressPanel")->isHidden());
    EXPECT_EQ(rig.find<QLabel>("linkStatusLabel")->text(), "");
    EXPECT_EQ(rig.window->state().link.lampColour, kLampRed);
    EXPECT_EQ(rig.find<QLineEdit>("titleEdit")->text(), "Title");
    EXPECT_EQ(rig.find<QLineEdit>("titleEdit")->geometry(), QRect(260, 1, 513, 23));
    EXPECT_EQ(rig.find<QPushButton>("cancelTransferButton")->text(), "Cancel");
    EXPECT_EQ(rig.find<QLabel>("modeCaptionLabel")->text(), "Pellam - ZVL Mode :");
    EXPECT_TRUE(rig.startTimer.isActive());
    EXPECT_TRUE(rig.statusPollTimer.isActive());
    EXPECT_FALSE(rig.breakTimer.isActive());
    EXPECT_FALSE(rig.updateTimer.isActive());
    EXPECT_EQ(rig.window->state().colours, ColourSlots{});
    EXPECT_EQ(rig.window->traceBitmap().size(), QSize(780, 380));
    // The controls stand at fixed places: the window keeps its size.
    rig.window->layout()->activate();
    EXPECT_EQ(rig.window->minimumSize(), rig.window->maximumSize());
}

// The program's icon on the main window, on every dialog it owns and on a box with no parent:
// a dark panel (#1d2b3a) with transparent corners, at the small and the large sizes.
TEST(MainWindow, TheWindowAndEveryDialogCarryTheProgramsIcon) {
    WindowRig rig;
    const QIcon icon = rig.window->windowIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_TRUE(icon.availableSizes().contains(QSize(16, 16)));
    EXPECT_TRUE(icon.availableSizes().contains(QSize(256, 256)));
    const QImage image = icon.pixmap(48, 48).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.size(), QSize(48, 48));
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(image.pixel(7, 20), qRgb(0x1d, 0x2b, 0x3a));

    std::vector<QWidget*> windows;
    for (QDialog* d : rig.window->findChildren<QDialog*>()) windows.push_back(d);
    EXPECT_GE(windows.size(), 8u);
    QMessageBox box;  // as a box shown before the window exists would be
    windows.push_back(&box);
    for (QWidget* w : windows)
        EXPECT_EQ(w->windowIcon().pixmap(48, 48).toImage().convertToFormat(QImage::Format_ARGB32), image)
            << w->metaObject()->className();
}

TEST(MainWindow, EveryMenuEntryRunsItsCommand) {
    const std::vector<std::pair<const char*, const char*>> entries = {
        {"openAction", "open Open Stored Sorvantiker Files"},
        {"openAllPartsAction", "open Open Stored Sorvantiker Files"},
        {"openFolderAction", "open Open a Folder of Recordings"},
        {"saveAsAction", "save Save Sorvantiker Files"},
        {"saveSettingsOnlyAction", "save Setings Only|*.STG"},
        {"reloadSettingsOnlyAction", "open Settings Only|*.STG"},
        {"saveBinaryFileAction", "save Binary Files|*.BIN"},
        {"exportAction", "save Save Pellam Files as CSV or TXT"},
        {"exportVcdAction", "save Export as VCD"},
        {"monochromeAction", "monochrome"},
        {"printerSetupAction", "QPageSetupDialog"},
        {"printAction", "QPrintDialog"},
        {"exitAction", "settings written"},
        {"startMenuAction", "start menu"},
        {"uploadStoredDataAction", "sent 66"},
        {"collectNewDataAction", "sent 64"},
        {"examineRecordsAction", "open Open Stored Sorvantiker Files"},
        {"searchKeyAction", "Corvask Pellam - ZVL   Define Search Key"},
        {"goToEventAction", "Corvask Pellam - Go To Event"},
        {"displayAction", "Corvask Pellam - ZVL Display Options"},
        {"coloursAction", "Corvask Pellam - ZVL Colours"},
        {"helpContentsAction", "contents.html"},
        {"howToUseHelpAction", "usinghelp.html"},
        {"aboutAction", "About Corvask Pellam - ZVL"},
        {"setDateTimeAction", "Send Current PC Date and Time ( 07 December 2026 10:00:01 ) to Pellam ZVL ?"},
        {"hardwareSettingsAction", "Corvask Pellam ZVL - Hardware Setup"},
        {"downloadBinaryFileAction", "open Crude Binary Files|*.BIN"},
    };
    for (const auto& [action, shown] : entries) {
        WindowRig rig;
        QAction* a = rig.find<QAction>(action);
        ASSERT_NE(a, nullptr) << action;
        ASSERT_TRUE(a->isEnabled()) << action;
        rig.window->help().programDirectory = ZVL_BINARY_DIR;
        if (std::string(shown).starts_with("sent") || action == std::string("downloadBinaryFileAction")) {
            rig.window->lifecycle().startOnFirstActivation();  // with the instrument connected
            rig.run(1100);
            rig.startMenuShown = 0;
        }
        std::filesystem::remove(rig.settingsPath);
        a->trigger();
        EXPECT_EQ(rig.shown(), shown) << action;
        // Live results gather at the port for a while; an upload's blocks are answered at once.
        if (std::string(shown).starts_with("sent")) {
            EXPECT_EQ(rig.port.gatherMs, action == std::string("collectNewDataAction") ? 40 : 0) << action;
        }
    }
    // Entries the program does not have yet are there and disabled, and Statistics while the
    // store is empty.
    WindowRig rig;
    for (const char* name : {"statisticsAction"}) {
        QAction* a = rig.find<QAction>(name);
        ASSERT_NE(a, nullptr) << name;
        EXPECT_FALSE(a->isEnabled()) << name;
    }
    EXPECT_EQ(rig.find<QMenu>("fileMenu")->property("helpContext").toInt(), 146);
    EXPECT_EQ(rig.find<QMenu>("toolsMenu")->property("helpContext").toInt(), 149);
    EXPECT_EQ(rig.window->property("helpContext").toInt(), 1001);
    // The File menu's separators: after Save As, Reload Settings Only, Download Binary File,
    // Export, and before Exit.
    QStringList file;
    for (QAction* a : rig.find<QMenu>("fileMenu")->actions())
        file << (a->isSeparator() ? "-" : a->objectName());
    EXPECT_EQ(file.join(' ').toStdString(),
              "openAction openAllPartsAction openFolderAction reopenMenu saveAction saveAsAction - "
              "saveSettingsOnlyAction "
              "reloadSettingsOnlyAction - saveBinaryFileAction downloadBinaryFileAction - "
              "exportAction exportVcdAction - printerSetupAction monochromeAction printAction - exitAction");
    // Four Reopen entries, hidden while empty.
    for (const char* name : {"reopen1Action", "reopen2Action", "reopen3Action", "reopen4Action"})
        EXPECT_FALSE(rig.find<QAction>(name)->isVisible()) << name;
}

TEST(MainWindow, StatisticsOnceTheStoreHoldsAResultAndPrintToAPdfFile) {
    WindowRig rig;
    AppState& st = rig.window->state();
    st.store.results[1].setTime(1000);
    st.store.results[2].setTime(1060);
    st.store.results[2].inputStates = 1;
    st.resultCount() = 2;
    rig.window->refreshWindow();
    QAction* statistics = rig.find<QAction>("statisticsAction");
    ASSERT_TRUE(statistics->isEnabled());
    statistics->trigger();
    EXPECT_EQ(rig.dialogsShown, std::vector<std::string>{"Corvask Pellam - ZVL  Statistics"});

    // The print dialog answered with a PDF file: the page is printed at 600 dots per inch.
    const std::string pdf = (rig.dir / "page.pdf").string();
    rig.window->printDialogRunner = [&](QDialog&) {
        rig.window->printer().setOutputFormat(QPrinter::PdfFormat);
        rig.window->printer().setOutputFileName(QString::fromStdString(pdf));
        return true;
    };
    rig.find<QAction>("printAction")->trigger();
    EXPECT_EQ(rig.window->printer().resolution(), 600);
    const auto readFile = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string page = readFile(pdf);
    EXPECT_EQ(page.substr(0, 5), "%PDF-");
    EXPECT_TRUE(rig.prompts.warnings.empty());

    // On a full disk the warning names the file, and the page printed before stays whole.
    {
        test::FileSizeLimit fullDisk(8192);
        rig.find<QAction>("printAction")->trigger();
    }
    EXPECT_EQ(rig.prompts.warnings,
              std::vector<std::string>{"Cannot write file " + pdf + ": File too large"});
    EXPECT_TRUE(readFile(pdf) == page) << "the page printed before was changed";
}

// Each button of the strip leaves the state its command leaves, from the same start.
struct ModeRow {
    OperatingModeValue mode;
    const char* button4;
    bool timebaseVisible;
    const char* label6;
    bool searchVisible;
    const char* button2;
    const char* button5;
    const char* button2Hint;
};

TEST(MainWindow, ControlsFollowTheMode) {
    const ModeRow rows[] = {
        {TimebaseRecord, "Event", true, "Record Mode", false, "Start", "Offline", "Start Recording"},
        {EventRecord, "Time", false, "Record Mode", false, "Start", "Offline", "Start Recording"},
        {TimebaseSearch, "Event", true, "Search Mode.............", true, "Next", "Online",
         "Next Match (F3)"},
        {EventSearch, "Time", false, "Search Mode.............", true, "Next", "Online", "Next Match (F3)"},
    };
    WindowRig rig;
    for (const ModeRow& row : rows) {
        rig.window->state().operatingMode = row.mode;
        rig.window->refreshWindow();
        rig.window->updateControlStates();
        EXPECT_EQ(rig.find<QPushButton>("eventTimeButton")->text(), row.button4) << int(row.mode);
        EXPECT_EQ(!rig.find<QPushButton>("timebasePlusButton")->isHidden(), row.timebaseVisible)
            << int(row.mode);
        EXPECT_EQ(!rig.find<QLabel>("timebaseLabel")->isHidden(), row.timebaseVisible);
        EXPECT_EQ(rig.find<QFrame>("timebasePanel")->isEnabled(), row.timebaseVisible);
        EXPECT_EQ(rig.find<QLabel>("recordOrSearchLabel")->text(), row.label6);
        EXPECT_EQ(!rig.find<QPushButton>("findButton")->isHidden(), row.searchVisible);
        EXPECT_EQ(!rig.find<QPushButton>("backButton")->isHidden(), row.searchVisible);
        EXPECT_EQ(!rig.find<QFrame>("keyPanel")->isHidden(), row.searchVisible);
        EXPECT_EQ(rig.find<QPushButton>("startStopButton")->text(), row.button2);
        EXPECT_EQ(rig.find<QPushButton>("startStopButton")->toolTip(), row.button2Hint);
        EXPECT_EQ(rig.find<QPushButton>("onlineOfflineButton")->text(), row.button5);
        const bool search = OperatingMode(row.mode).isSearch();
        EXPECT_EQ(rig.find<QToolButton>("firstButton")->isEnabled(), search);
        EXPECT_TRUE(rig.find<QMenu>("fileMenu")->menuAction()->isEnabled());
    }
    // Collecting in a record mode: Stop, the four menus and Offline disabled.
    rig.window->state().operatingMode = EventRecord;
    rig.window->state().collectionActive = true;
    rig.window->refreshWindow();
    rig.window->updateControlStates();
    EXPECT_EQ(rig.find<QPushButton>("startStopButton")->text(), "Stop");
    EXPECT_EQ(rig.find<QPushButton>("startStopButton")->toolTip(), "Stop Recording");
    EXPECT_FALSE(rig.find<QPushButton>("onlineOfflineButton")->isEnabled());
    for (const char* menu : {"fileMenu", "activityMenu", "toolsMenu", "setupMenu"})
        EXPECT_FALSE(rig.find<QMenu>(menu)->menuAction()->isEnabled()) << menu;
    EXPECT_TRUE(rig.find<QMenu>("helpMenu")->menuAction()->isEnabled());
}

TEST(MainWindow, StartUpReadsSettingsOpensThePortConnectsAndOpensTheStartMenu) {
    WindowRig rig;
    rig.window->lifecycle().startOnFirstActivation();
    AppState& st = rig.window->state();
    EXPECT_EQ(st.inputLabels[0], "Line 1");
    EXPECT_EQ(rig.port.openedPath, comPortPath(1));
    EXPECT_TRUE(rig.prompts.warnings.empty());
    EXPECT_TRUE(rig.splashTimer.isActive());
    rig.run(1100);  // the splash timer (30 ms) opens the start menu; the start timer (1 s) connects
    EXPECT_EQ(rig.startMenuShown, 1);
    EXPECT_EQ(rig.codes(), (Bytes{0x20, 0x21, 0x22, 0x23}));
    EXPECT_TRUE(st.instrumentOnline);
    EXPECT_FALSE(rig.startTimer.isActive()) << "one-shot";
    EXPECT_EQ(rig.find<QLabel>("linkStatusLabel")->text(), "Online");
    EXPECT_EQ(st.firmwareVersion, "1.51");
    EXPECT_FALSE(rig.window->lifecycle().startOnFirstActivation())
        << "only the first activation reads the settings";
}

// Whatever mode the last session ended in, the start-up survives every start-menu button.
// The box a start-up redraw may show ("Plotting Error" of an empty time chart) runs its own
// event loop, in which the splash timer opens the start menu: the picture must be finished
// before that box opens, and a redraw from inside it must draw a whole picture again.
TEST(MainWindow, StartUpSurvivesEveryStartMenuButtonInEveryMode) {
    for (const OperatingModeValue mode : {TimebaseRecord, EventRecord, TimebaseSearch, EventSearch}) {
        for (const StartMenuDialog::Choice button : StartMenuDialog::kChoices) {
            SCOPED_TRACE("mode " + std::to_string(mode) + ", choice " + std::to_string(int(button)));
            WindowRig rig(true, 1, mode);
            int boxesOpen = 0, menus = 0;
            rig.prompts.onWarning = [&] {
                EXPECT_FALSE(rig.window->traceBitmap().paintingActive())
                    << "a box while the picture is drawn";
                EXPECT_EQ(boxesOpen++, 0) << "a box inside another";
                rig.run(100);  // the box's own event loop
                --boxesOpen;
            };
            rig.window->startMenuRunner = [&](StartMenuDialog& menu) {
                ++menus;
                menu.button(button)->click();
            };
            rig.window->lifecycle().startOnFirstActivation();
            rig.run(4000);
            EXPECT_EQ(menus, 1);
            // The picture is whole: its red border and the background inside it.
            const QImage picture = rig.window->traceBitmap();
            EXPECT_EQ(picture.pixelColor(0, 0), QColor(255, 0, 0));
            EXPECT_EQ(picture.pixelColor(300, 20), toQColor(rig.window->state().colours.backgroundColour));
        }
    }
}

// Escape on the start menu is its Cancel: the menu closes and nothing is started.
TEST(MainWindow, EscapeOnTheStartMenuIsCancel) {
    for (const bool escape : {true, false}) {
        WindowRig rig;
        rig.window->show();
        bool closed = false;
        rig.window->startMenuRunner = [&](StartMenuDialog& menu) {
            menu.show();
            QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            if (escape)
                QApplication::sendEvent(&menu, &key);
            else
                menu.button(StartMenuDialog::Choice::Cancel)->click();
            closed = menu.isHidden() && menu.result() == QDialog::Rejected;
            menu.hide();
        };
        rig.window->lifecycle().startOnFirstActivation();
        rig.run(1100);
        EXPECT_TRUE(closed) << escape;
        EXPECT_TRUE(rig.fileDialogs.shown.empty()) << escape;
        EXPECT_FALSE(rig.window->state().collectionActive) << escape;
        EXPECT_TRUE(rig.window->isVisible()) << escape;
    }
}

TEST(MainWindow, FirstRunWithoutSettingsAsksForThePortAndStaysOffline) {
    WindowRig rig(false);
    rig.prompts.inputAnswers = {"3"};
    rig.window->lifecycle().startOnFirstActivation();
    EXPECT_EQ(rig.prompts.warnings, (std::vector<std::string>{"INI File Error. Defaults Loaded"}));
    EXPECT_EQ(rig.window->state().comPortNumber, 3);
    EXPECT_EQ(rig.window->state().operatingMode, EventSearch);
    EXPECT_FALSE(rig.splashTimer.isActive()) << "the start menu does not open by itself";
    rig.run(4000);
    EXPECT_EQ(rig.startMenuShown, 0);
    EXPECT_TRUE(rig.codes().empty()) << "offline: no handshake";
}

// The first run's box opens from the event loop once the window is on the screen, never inside
// the window system's show or activation event, and only once.
TEST(MainWindow, StartUpBoxesOpenAfterTheWindowIsShownNotInsideItsEvents) {
    for (const QEvent::Type first : {QEvent::WindowActivate, QEvent::Show}) {
        WindowRig rig(false);
        rig.prompts.inputAnswers = {"3"};
        QEvent e(first);
        QApplication::sendEvent(rig.window.get(), &e);
        EXPECT_TRUE(rig.prompts.warnings.empty()) << "a box inside event " << first;
        rig.window->show();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !rig.prompts.warnings.empty(); }, 3000));
        QApplication::processEvents();
        EXPECT_EQ(rig.prompts.warnings, (std::vector<std::string>{"INI File Error. Defaults Loaded"}))
            << first;
        EXPECT_TRUE(rig.window->isVisible());
    }
}

TEST(MainWindow, CloseQueryWhileCollecting) {
    WindowRig rig;
    rig.window->lifecycle().startOnFirstActivation();
    rig.run(1100);
    rig.window->show();
    EXPECT_EQ(rig.port.gatherMs, 0) << "online, no recording";
    rig.find<QPushButton>("startStopButton")->click();  // Start in EventRecord
    AppState& st = rig.window->state();
    ASSERT_TRUE(st.collectionActive);
    EXPECT_EQ(rig.port.gatherMs, 40);
    rig.run(2000);
    ASSERT_GT(st.resultCount(), 3);

    rig.prompts.confirmAnswers = {true};  // "Continue Collecting Data ?" Yes: stay open
    EXPECT_FALSE(rig.window->close());
    EXPECT_TRUE(rig.window->isVisible());
    EXPECT_TRUE(st.collectionActive);
    EXPECT_FALSE(std::filesystem::exists(rig.settingsPath + ".new"));

    rig.port.writes.clear();
    const int64_t before = st.resultCount();
    rig.prompts.confirmAnswers = {false};  // No: stop and close
    EXPECT_TRUE(rig.window->close());
    EXPECT_FALSE(st.collectionActive);
    EXPECT_EQ(st.resultCount(), before + 1) << "the stop record";
    EXPECT_EQ(rig.codes(), (Bytes{0x41}));
    EXPECT_FALSE(rig.port.isOpen()) << "online at close: the port is closed";
    AppState reread;
    EXPECT_EQ(loadSettingsFile(rig.settingsPath, reread), SettingsRead::Complete)
        << "settings written at close";
    EXPECT_EQ(rig.prompts.confirmations,
              (std::vector<std::string>{"Continue Collecting Data ?", "Continue Collecting Data ?"}));
}

// A box or a file dialog stands over the window as the state is: the control strip and the
// picture of the mode and the settings as they stand when it opens (the first run's boxes after
// the defaults are loaded; Open, Open All Parts and Download after their change of mode).
TEST(MainWindow, ABoxOrAFileDialogShowsTheWindowUpToDateBehindIt) {
    const auto upToDate = [](WindowRig& rig, const char* what) {
        const ControlStates controls = controlStates(rig.window->state());
        EXPECT_EQ(rig.find<QLabel>("recordOrSearchLabel")->text().toStdString(),
                  controls.recordOrSearchCaption)
            << what;
        EXPECT_EQ(rig.find<QPushButton>("startStopButton")->text().toStdString(), controls.startStopCaption)
            << what;
        const QImage shown = rig.window->traceBitmap().copy();
        rig.window->redrawTraceView();
        EXPECT_TRUE(shown == rig.window->traceBitmap()) << what << ": the picture is not the state's";
    };
    {
        WindowRig rig(false);  // the first run
        rig.prompts.inputAnswers = {"1"};
        rig.prompts.onWarning = [&] { upToDate(rig, "INI File Error"); };
        rig.prompts.onInput = [&] { upToDate(rig, "Commmunication Port"); };
        rig.window->lifecycle().startOnFirstActivation();
        ASSERT_EQ(rig.prompts.inputCalls.size(), 1u);
    }
    for (const char* action : {"openAction", "openAllPartsAction", "downloadBinaryFileAction"}) {
        WindowRig rig;
        rig.window->lifecycle().startOnFirstActivation();
        rig.run(1100);  // online, in record mode
        if (std::string(action) == "downloadBinaryFileAction")
            rig.find<QPushButton>("onlineOfflineButton")->click();
        const OperatingMode before = rig.window->state().operatingMode;
        rig.fileDialogs.onShow = [&] {
            EXPECT_NE(rig.window->state().operatingMode, before) << action;
            upToDate(rig, action);
        };
        rig.find<QAction>(action)->trigger();
        ASSERT_EQ(rig.fileDialogs.shown.size(), 1u) << action;
    }
}

// Every question the program asks, answered with the Escape key on its real box: the answer
// that leaves things as they are.
TEST(MainWindow, EscapeOnEveryQuestionLeavesThingsAsTheyAre) {
    using Rig = WindowRig;
    const auto clickIn = [](const char* button) {
        return [button](QDialog& d) {
            if (auto* b = d.findChild<QPushButton*>(button)) b->click();
            return true;
        };
    };
    const auto start = [](Rig& rig) { rig.find<QPushButton>("startStopButton")->click(), rig.run(1000); };
    const auto collecting = [](Rig& rig) {
        EXPECT_TRUE(rig.window->state().collectionActive);
        EXPECT_TRUE(rig.window->isVisible());
        rig.window->state().collectionActive = false;
    };
    const auto clockNotSent = [](Rig& rig) {
        const std::vector<uint8_t> codes = rig.codes();
        EXPECT_EQ(std::count(codes.begin(), codes.end(), cmd::SetClock), 0);
    };
    const struct {
        const char* question;
        std::function<void(Rig&)> ask, check;
    } questions[] = {
        {"Set All Morvic ZVL Colours to Default Values ?",
         [&](Rig& rig) {
             rig.window->state().colours.onColour = 0x123456;
             rig.window->modalDialogRunner = clickIn("defaultButton");
             rig.find<QAction>("coloursAction")->trigger();
         },
         [](Rig& rig) { EXPECT_EQ(rig.window->state().colours.onColour, 0x123456u); }},
        {"Send Current PC Date and Time", [](Rig& rig) { rig.find<QAction>("setDateTimeAction")->trigger(); },
         clockNotSent},
        {"Send Current PC Date and Time",
         [&](Rig& rig) {
             rig.window->modalDialogRunner = clickIn("SynchroniseButton");
             rig.find<QAction>("hardwareSettingsAction")->trigger();
         },
         clockNotSent},
        {"Continue Collecting Data ?", [&](Rig& rig) { start(rig), start(rig); }, collecting},
        {"Continue Collecting Data ?", [&](Rig& rig) { start(rig), rig.window->close(); }, collecting},
    };
    for (const auto& q : questions) {
        QtPrompts boxes;
        Rig rig(true, 1, EventRecord, &boxes);
        rig.window->show();
        rig.window->lifecycle().startOnFirstActivation();
        rig.run(1100);
        QString asked;
        test::whenModalShows([&](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w)) asked = box->text();
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(w, &escape);
        });
        q.ask(rig);
        EXPECT_TRUE(asked.startsWith(q.question)) << asked.toStdString();
        q.check(rig);
    }
}

TEST(MainWindow, ClosingOfflineWritesSettingsAndSendsNothing) {
    WindowRig rig;
    rig.window->lifecycle().startOnFirstActivation();
    rig.window->state().operatingMode = EventSearch;
    rig.window->state().instrumentOnline = false;
    rig.port.writes.clear();
    rig.window->state().inputLabels[4] = "Pump";
    EXPECT_TRUE(rig.window->close());
    EXPECT_TRUE(rig.port.writes.empty());
    AppState reread;
    ASSERT_EQ(loadSettingsFile(rig.settingsPath, reread), SettingsRead::Complete);
    EXPECT_EQ(reread.inputLabels[4], "Pump");
}

TEST(MainWindow, KeyColumnClickAdvancesTheConditionAndRedrawsItsBox) {
    WindowRig rig;
    rig.window->lifecycle().startOnFirstActivation();
    AppState& st = rig.window->state();
    rig.window->onMouseDown(125, 20 * 3 + 110 + 5);  // input 3
    EXPECT_EQ(st.searchKey[2], On);
    const QRgb c = rig.window->traceBitmap().pixel(130, rowTop(3) + 2);
    EXPECT_EQ(QColor(c), toQColor(st.colours.onColour));
    rig.window->onMouseDown(100, 175);  // left of the key column: nothing
    EXPECT_EQ(st.searchKey[2], On);
}

TEST(MainWindow, SearchKeyAcceptRewritesTheSettingsCancelDoesNot) {
    WindowRig rig;
    rig.window->lifecycle().startOnFirstActivation();
    std::filesystem::remove(rig.settingsPath);
    rig.find<QAction>("searchKeyAction")->trigger();
    EXPECT_EQ(rig.dialogsShown.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(rig.settingsPath)) << "Cancel";
    rig.dialogAnswer = true;
    rig.find<QAction>("searchKeyAction")->trigger();
    EXPECT_TRUE(std::filesystem::exists(rig.settingsPath)) << "Accept";
    rig.find<QAction>("goToEventAction")->trigger();
    EXPECT_EQ(rig.dialogsShown.back(), "Corvask Pellam - Go To Event");
}

TEST(MainWindow, HardwareDialogOnlineAcceptWaitsThenShowsWhatTheInstrumentTookOffline) {
    WindowRig rig;
    rig.window->lifecycle().startOnFirstActivation();
    rig.run(1100);
    AppState& st = rig.window->state();
    st.operatingMode = EventSearch;
    rig.port.writes.clear();
    int64_t acceptStart = 0, acceptEnd = 0;
    rig.window->modalDialogRunner = [&](QDialog& d) {
        auto& form = dynamic_cast<HardwareDialog&>(d);
        EXPECT_EQ(form.windowTitle(), "Corvask Pellam ZVL - Hardware Setup");
        EXPECT_EQ(rig.codes(), (Bytes{0x20, 0x21, 0x22, 0x23})) << "online event mode, connected first";
        // What the instrument reported: options 0x05 (500 msec), Auto Stop, no backlight.
        EXPECT_TRUE(form.notConnectedLabel()->isHidden());
        EXPECT_EQ(form.serialLabel()->text(), "Serial Number : ZV000417");
        EXPECT_TRUE(form.debounceButton(2)->isChecked());
        EXPECT_TRUE(form.memoryModeButton(0)->isChecked());
        EXPECT_FALSE(form.backlightBox()->isChecked());
        EXPECT_EQ(form.portList()->currentText(), "1");
        const LocalDateTime c = dateTimeFromTimeStamp(st.instrumentClock);
        EXPECT_EQ(form.dateEdit()->date(), QDate(c.year, c.month, c.day));
        EXPECT_EQ(form.dateEdit()->displayFormat(), "ddMMMMyyyy");
        EXPECT_EQ(form.timeEdit()->time(), QTime(c.hour, c.minute, c.second));

        form.debounceButton(1)->setChecked(true);
        form.memoryModeButton(1)->setChecked(true);
        form.backlightBox()->setChecked(true);
        form.portList()->setEditText("7");
        rig.port.writes.clear();
        acceptStart = rig.clock.ms;
        form.acceptButton()->click();
        acceptEnd = rig.clock.ms;
        EXPECT_EQ(rig.port.writes.front(), (Bytes{0x01, 0x06, 0x30, 0x00, 0x00, 0xA4, 0x1A, 0x04}));
        EXPECT_EQ(rig.codes(), (Bytes{0x30, 0x20, 0x21, 0x22, 0x23}));
        EXPECT_EQ(rig.engine.options(), 0xA4);
        // Shown again from the instrument's answers.
        form.debounceButton(3)->setChecked(true);
        form.refreshFromInstrument();
        EXPECT_TRUE(form.debounceButton(1)->isChecked());
        EXPECT_TRUE(form.memoryModeButton(1)->isChecked());
        EXPECT_TRUE(form.backlightBox()->isChecked());
        return false;
    };
    rig.find<QAction>("hardwareSettingsAction")->trigger();
    EXPECT_GE(acceptEnd - acceptStart, 18 * kTickMs + 3 * kTickMs) << "18 ticks, then the handshake's waits";
    AppState read;
    ASSERT_EQ(loadSettingsFile(rig.settingsPath, read), SettingsRead::Complete);
    EXPECT_EQ(read.comPortNumber, 7);
    EXPECT_EQ(rig.port.openedPath, comPortPath(1)) << "the running port is not changed";

    // A silent instrument: the handshake warns and the dialog says so.
    rig.engine.config().silent = true;
    bool shown = false;
    rig.window->modalDialogRunner = [&](QDialog& d) {
        auto& form = dynamic_cast<HardwareDialog&>(d);
        shown = true;
        EXPECT_FALSE(form.notConnectedLabel()->isHidden());
        EXPECT_EQ(form.portList()->currentText(), "7");
        return false;
    };
    rig.find<QAction>("hardwareSettingsAction")->trigger();
    EXPECT_TRUE(shown);
    EXPECT_EQ(rig.prompts.warnings, std::vector<std::string>{kNotRespondingText});
}

TEST(MainWindow, TheTitleBoxHoldsTheTitleInTheFilesCodePage) {
    WindowRig rig;
    auto* edit = rig.find<QLineEdit>("titleEdit");
    edit->setText(QString::fromUtf8("Run \u20AC5 \u00E9"));
    emit edit->textEdited(edit->text());
    EXPECT_EQ(rig.window->state().recordingTitle,
              "Run \x80"
              "5 \xE9");
    rig.window->state().recordingTitle = "\x93quoted\x94";
    rig.window->refreshWindow();
    EXPECT_EQ(edit->text(), QString::fromUtf8("\u201Cquoted\u201D"));
}

TEST(MainWindow, LeavingTheMemoStoresTheComments) {
    WindowRig rig;
    AppState& st = rig.window->state();
    st.commentLines[5] = "old line";
    auto* memo = rig.focusedMemo();
    memo->clear();
    QTest::keyClicks(memo, "first\rsecond\rthird");
    memo->clearFocus();
    EXPECT_EQ(st.commentLines[0], "first");
    EXPECT_EQ(st.commentLines[2], "third");
    EXPECT_EQ(st.commentLines[3], "");
    EXPECT_EQ(st.commentLines[5], "") << "lines deleted from the memo do not come back";
    rig.window->refreshWindow();
    EXPECT_EQ(memo->toPlainText(), "first\nsecond\nthird");
}

TEST(MainWindow, TypingReachesTheCommentsAndALoadAlwaysShowsTheFilesComments) {
    WindowRig rig;
    AppState& st = rig.window->state();
    auto* memo = rig.focusedMemo();
    memo->clear();
    QTest::keyClicks(memo, "typed");
    QTest::keyClick(memo, Qt::Key_Tab);
    EXPECT_EQ(memo->toPlainText(), "typed") << "Tab moves the focus on, it is no comment text";

    // A click in the memo opens the comments dialog on what was typed; Accept keeps it.
    std::vector<std::string> inDialog;
    rig.window->modalDialogRunner = [&](QDialog& d) {
        inDialog = static_cast<CommentsDialog&>(d).lines();
        return true;
    };
    QTest::mouseClick(memo->viewport(), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(inDialog, std::vector<std::string>{"typed"});
    EXPECT_EQ(st.commentLines[0], "typed");

    // Reopen with the focus in the memo: the file's comments show, and leaving the memo
    // stores nothing over them.
    st.recentFiles[0] = rig.recording("notes.zvl", "from the file");
    QTest::keyClicks(memo, " more");
    rig.find<QAction>("reopen1Action")->trigger();
    EXPECT_EQ(memo->toPlainText(), "from the file");
    memo->clearFocus();
    EXPECT_EQ(st.commentLines[0], "from the file");
}

TEST(MainWindow, SetupAndACancelledDownloadGoOnlineWithTheControlsUpToDate) {
    for (const char* action : {"hardwareSettingsAction", "downloadBinaryFileAction"}) {
        WindowRig rig;
        rig.window->lifecycle().startOnFirstActivation();
        rig.run(1100);
        rig.find<QPushButton>("onlineOfflineButton")->click();
        ASSERT_TRUE(rig.find<QToolButton>("firstButton")->isEnabled()) << "offline the navigation works";
        rig.find<QAction>(action)->trigger();  // the dialog closed, the file dialog cancelled
        EXPECT_EQ(rig.window->state().operatingMode, EventRecord) << action;
        EXPECT_FALSE(rig.find<QToolButton>("firstButton")->isEnabled()) << action;
        EXPECT_FALSE(rig.find<QToolButton>("fastRightButton")->isEnabled()) << action;
        EXPECT_EQ(rig.find<QPushButton>("startStopButton")->text(), "Start") << action;
    }
}

// A live time chart that goes offline shows its last result at the cursor line: by the Offline
// button after a Stop, however long its "No" took, and at the 100000-result limit.
TEST(MainWindow, OfflineAfterATimeChartRecordingShowsItsLastResultHoweverLongTheStopTook) {
    WindowRig rig;
    rig.window->lifecycle().startOnFirstActivation();
    rig.run(1100);
    AppState& st = rig.window->state();
    // Pixels of input 1's row left of the cursor line that show a bar or a change mark.
    auto barPixels = [&] {
        const QImage& picture = rig.window->traceBitmap();
        int n = 0;
        for (int x = 133; x < 432; ++x) {
            const QColor c(picture.pixel(x, rowTop(1) + 9));
            for (const uint32_t shown : {st.colours.onColour, st.colours.offColour, st.colours.changeColour})
                if (c == toQColor(shown)) ++n;
        }
        return n;
    };
    // A slow "No" while the live chart moves on; 0: the limit (last, it leaves the store full).
    for (const int answerMs : {4000, 4300, 4600, 0}) {
        rig.find<QPushButton>("eventTimeButton")->click();
        ASSERT_EQ(st.operatingMode, TimebaseRecord);
        rig.find<QPushButton>("startStopButton")->click();  // Start
        rig.run(3000);
        if (answerMs > 0) {
            rig.prompts.confirmAnswers = {false};
            rig.prompts.onConfirm = [&] { rig.run(answerMs); };
            rig.find<QPushButton>("startStopButton")->click();  // Stop
            rig.prompts.onConfirm = nullptr;
            rig.find<QPushButton>("onlineOfflineButton")->click();  // Offline
        } else {
            // Full but for two results, 100 a second up to now; the next results reach the limit.
            st.store.resultCount = kMaxResults - 2;
            for (int64_t i = 1; i <= st.resultCount(); ++i) {
                st.store.slot(i).setTime(uint32_t(st.liveTime - 1000 + i / 100));
                st.store.slot(i).inputStates = uint16_t(i & 1);
            }
            rig.run(2000);
            ASSERT_EQ(rig.prompts.warnings, std::vector<std::string>{kMaximumResultsText});
        }
        ASSERT_EQ(st.operatingMode, TimebaseSearch);
        // About 7 s of results at 0.1 s a pixel, ending at the cursor line.
        EXPECT_GE(barPixels(), 50) << answerMs;
        EXPECT_EQ(st.cursorResult, st.resultCount()) << answerMs;
        rig.find<QPushButton>("onlineOfflineButton")->click();  // Online again, event mode
    }
}

// A click or the wheel on the progress panel, off its Cancel button, reaches nothing under it:
// not the name column (Display Options), a key box or the plot.
TEST(MainWindow, TheProgressPanelTakesItsOwnClicks) {
    WindowRig rig;
    AppState& st = rig.window->state();
    st.operatingMode = EventSearch;
    st.store.resultCount = 100;
    for (int64_t i = 1; i <= 100; ++i) st.store.slot(i).setTime(uint32_t(5000 + 3 * i));
    rig.window->refreshWindow();
    rig.window->show();
    rig.window->showProgressPanel(true, "Uploading Data");
    QWidget* client = rig.find<QWidget>("client");
    const AppState before = st;
    for (const QPoint at : {QPoint(50, 140), QPoint(125, 195), QPoint(180, 150), QPoint(190, 110)}) {
        QWidget* under = client->childAt(at);
        ASSERT_NE(under, nullptr);
        ASSERT_TRUE(rig.find<QFrame>("progressPanel")->isAncestorOf(under)) << at.x() << "," << at.y();
        const QPoint local = under->mapFrom(client, at);
        QTest::mouseClick(under, Qt::LeftButton, {}, local);
        QWheelEvent wheel(local, under->mapToGlobal(local), {}, {0, -120}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(under, &wheel);
        EXPECT_EQ(st.searchKey, before.searchKey) << at.x() << "," << at.y();
        EXPECT_EQ(st.currentResult, before.currentResult) << at.x() << "," << at.y();
        EXPECT_TRUE(rig.dialogsShown.empty()) << at.x() << "," << at.y();
    }
}

TEST(MainWindow, OpenLeavesTheControlsAndTheReopenListUpToDate) {
    WindowRig rig;
    rig.window->lifecycle().startOnFirstActivation();
    ASSERT_EQ(rig.find<QPushButton>("startStopButton")->text(), "Start");
    rig.find<QAction>("openAction")->trigger();  // cancelled: offline all the same
    EXPECT_EQ(rig.find<QPushButton>("startStopButton")->text(), "Next");
    EXPECT_EQ(rig.find<QLabel>("recordOrSearchLabel")->text(), "Search Mode.............");
    EXPECT_TRUE(rig.find<QToolButton>("firstButton")->isEnabled());

    const std::string path = rig.recording("run.zvl", "");
    rig.fileDialogs.answers = {path};
    rig.find<QAction>("openAction")->trigger();
    QAction* newest = rig.find<QAction>("reopen1Action");
    EXPECT_TRUE(newest->isVisible());
    EXPECT_EQ(newest->text().toStdString(), path);
}

// A command builds the picture once and brings the controls up to date once, however many
// parts of it changed what they show.
TEST(MainWindow, EachCommandBuildsOnePictureAndUpdatesTheControlsOnce) {
    WindowRig rig;
    rig.window->lifecycle().startOnFirstActivation();
    const std::string path = rig.recording("run.zvl", "");
    const auto click = [&](const char* name) {
        return [&rig, name] { rig.find<QAbstractButton>(name)->click(); };
    };
    const std::vector<std::pair<const char*, std::function<void()>>> commands = {
        {"Open",
         [&] {
             rig.fileDialogs.answers = {path};
             rig.find<QAction>("openAction")->trigger();
         }},
        {"Event/Time", click("eventTimeButton")},
        {"Find", click("findButton")},
        {"Next", click("startStopButton")},
        {"Slow Left", click("slowLeftButton")},
        {"Reopen", [&] { rig.find<QAction>("reopen1Action")->trigger(); }},
    };
    for (const auto& [name, command] : commands) {
        const int64_t pictures = rig.window->picturesBuilt(), controls = rig.window->controlUpdates();
        command();
        rig.window->traceBitmap();  // a picture still waiting is built
        // Open goes offline from the record mode before its dialog: the window shows the search
        // mode behind the dialog, then the file.
        const int64_t expected = std::string(name) == "Open" ? 2 : 1;
        EXPECT_EQ(rig.window->picturesBuilt() - pictures, expected) << name;
        EXPECT_EQ(rig.window->controlUpdates() - controls, expected) << name;
    }
    EXPECT_EQ(rig.window->state().resultCount(), 3) << "the file was opened";
}

// A repaint of part of the window copies the picture there and nowhere else, and draws the
// Event box only when it reaches it.
TEST(MainWindow, APartialRepaintCopiesThePictureWithinItsAreaOnly) {
    WindowRig rig;
    AppState& st = rig.window->state();
    st.operatingMode = EventSearch;
    st.store.resultCount = 100;
    for (int64_t i = 1; i <= 100; ++i) st.store.slot(i).inputStates = uint16_t(i * 40503u);
    rig.window->refreshWindow();
    const QImage picture = rig.window->traceBitmap();
    const QRect eventBox(420, 492, 40, 12);  // inside the Event box, which the picture does not reach
    struct Case {
        QRegion area;
        bool boxDrawn;
    } cases[] = {
        {QRegion(20, 130, 37, 41) + QRect(140, 300, 200, 3), false},
        {QRegion(6, 100, 420, 380), false},
        {QRegion(100, 400, 400, 120), true},
    };
    for (const Case& c : cases) {
        QImage screen(800, 560, QImage::Format_RGB32);
        screen.fill(Qt::black);
        {
            QtCanvas canvas(&screen);
            canvas.painter().setClipRegion(c.area);  // as Qt clips a paint event
            rig.window->paintTrace(canvas, c.area);
        }
        int64_t wrong = 0, boxInk = 0;
        for (int y = 100; y < 480; ++y)  // left of the event cursor's column, which is overlay
            for (int x = 6; x < 440; ++x) {
                const QRgb want =
                    c.area.contains(QPoint(x, y)) ? picture.pixel(x - 6, y - 100) : qRgb(0, 0, 0);
                wrong += screen.pixel(x, y) != want;
            }
        for (int y = eventBox.top(); y <= eventBox.bottom(); ++y)
            for (int x = eventBox.left(); x <= eventBox.right(); ++x)
                boxInk += screen.pixel(x, y) != qRgb(0, 0, 0);
        EXPECT_EQ(wrong, 0) << c.area.boundingRect().x();
        EXPECT_EQ(boxInk > 0, c.boxDrawn) << c.area.boundingRect().x();
    }
}

TEST(MainWindow, AMissingPortGivesOneBoxAndNoHandshake) {
    WindowRig rig;
    rig.port.failOpen = true;
    bool boxOpen = false;
    rig.prompts.onWarning = [&] {  // the box stays open while the timers run
        if (boxOpen) return;
        boxOpen = true;
        rig.run(1500);
    };
    rig.window->lifecycle().startOnFirstActivation();
    rig.run(4000);
    EXPECT_EQ(rig.prompts.warnings, std::vector<std::string>{"COM Port Error"});
    EXPECT_EQ(rig.window->state().operatingMode, EventSearch);
    EXPECT_EQ(rig.startMenuShown, 0);
}

TEST(MainWindow, PortZeroAsksForThePortFirstAndThenConnectsToIt) {
    WindowRig rig(true, 0);
    rig.port.probes[comPortPath(2)] = PortProbe::Available;
    rig.port.probes[comPortPath(4)] = PortProbe::NoAccess;
    rig.prompts.portChoice = 2;
    bool splashUp = true;
    int optionsDuringChoice = -1;
    rig.prompts.onSelectPort = [&] {  // the dialog stays open while the timers run
        splashUp = rig.window->findChild<QDialog*>("SplashWindow")->isVisible();
        rig.run(1500);
        optionsDuringChoice = rig.startMenuShown;
    };
    rig.window->lifecycle().startOnFirstActivation();
    EXPECT_FALSE(splashUp) << "the choice does not stand under the splash";
    EXPECT_EQ(optionsDuringChoice, 0) << "nothing opens over the choice";
    EXPECT_EQ(rig.prompts.offeredPorts, std::vector<int>{2})
        << "a port this user may not open is not offered";
    EXPECT_NE(rig.prompts.portNotes.at(0).find("no access to COM4 (on Debian"), std::string::npos);
    rig.run(2000);
    EXPECT_EQ(rig.codes(), (Bytes{0x20, 0x21, 0x22, 0x23})) << "connected to the chosen port";
    EXPECT_TRUE(rig.prompts.warnings.empty());
}

TEST(MainWindow, CollectNewDataOnASilentInstrumentGoesOffline) {
    WindowRig rig;
    rig.window->lifecycle().startOnFirstActivation();
    rig.run(1100);
    ASSERT_TRUE(rig.window->state().instrumentOnline);
    rig.engine.config().silent = true;
    rig.port.writes.clear();
    rig.find<QAction>("collectNewDataAction")->trigger();
    EXPECT_EQ(rig.prompts.warnings, std::vector<std::string>{kNotRespondingText});
    EXPECT_FALSE(rig.window->state().collectionActive);
    EXPECT_EQ(rig.codes(), Bytes{0x20}) << "no start command";
    EXPECT_EQ(rig.find<QPushButton>("startStopButton")->text(), "Next");
    EXPECT_TRUE(rig.find<QToolButton>("firstButton")->isEnabled());
}

TEST(MainWindow, KeyPanelBevelFontDataFolderAndAnEmptyReopenList) {
    std::filesystem::remove_all(defaultDataDirectory());
    WindowRig rig;
    EXPECT_EQ(rig.find<QFrame>("keyPanel")->geometry(), QRect(113, 450, 25, 60));
    const auto frames = rig.window->findChildren<QFrame*>();
    const auto bevel = std::find_if(frames.begin(), frames.end(),
                                    [](QFrame* f) { return f->frameShape() == QFrame::HLine; });
    ASSERT_NE(bevel, frames.end());
    EXPECT_TRUE((*bevel)->y() > 23 && (*bevel)->geometry().bottom() < 28)
        << "between the top strip and the memo";
    QMessageBox box;
    EXPECT_EQ(box.font(), rig.window->font()) << "the boxes use the window's font";

    rig.window->lifecycle().startOnFirstActivation();
    EXPECT_TRUE(std::filesystem::is_directory(defaultDataDirectory()));

    QAction* reopen = rig.find<QMenu>("reopenMenu")->menuAction();
    EXPECT_FALSE(reopen->isEnabled()) << "an empty Reopen list";
    rig.window->state().recentFiles[2] = "/data/run.zvl";
    rig.window->refreshWindow();
    EXPECT_TRUE(reopen->isEnabled());
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(MainWindow, DisplayOptionsFromTheNameColumnAndTheMenuSaveOnlyAfterAccept) {
    WindowRig rig;
    rig.window->lifecycle().startOnFirstActivation();
    AppState& st = rig.window->state();
    st.inputActive[3] = false;
    rig.window->refreshWindow();
    const QRgb silver = qRgb(192, 192, 192);
    const int nameBoxY = 20 * 4 + 12;  // inside the name box of input 4
    ASSERT_EQ(rig.window->traceBitmap().pixel(8, nameBoxY), silver);
    const std::string saved = fileText(rig.settingsPath);

    DisplayOptionsDialog& dialog = rig.window->displayOptionsDialog();
    rig.window->modalDialogRunner = [&](QDialog& d) {
        EXPECT_EQ(&d, &dialog);
        dialog.setAllActiveButton()->click();
        dialog.cancelButton()->click();
        return d.result() == QDialog::Accepted;
    };
    rig.window->onMouseUp(60, 200);  // a name box
    EXPECT_TRUE(std::all_of(st.inputActive.begin(), st.inputActive.end(), [](bool a) { return a; }))
        << "Set All Active stays";
    EXPECT_EQ(fileText(rig.settingsPath), saved) << "Cancel writes no settings";
    EXPECT_NE(rig.window->traceBitmap().pixel(8, nameBoxY), silver) << "the window repainted";

    rig.window->modalDialogRunner = [&](QDialog&) {
        dialog.labelEdit(2)->setText("Pump motor");
        dialog.acceptButton()->click();
        return dialog.result() == QDialog::Accepted;
    };
    rig.find<QAction>("displayAction")->trigger();
    EXPECT_EQ(st.inputLabels[1], "Pump motor");
    EXPECT_NE(fileText(rig.settingsPath).find("Pump motor"), std::string::npos)
        << "Accept writes the settings";
}

TEST(MainWindow, AColourPickedShowsBehindTheColoursDialog) {
    WindowRig rig;
    rig.window->colourPickerRunner = [](uint32_t) { return rgb(10, 20, 30); };
    QRgb behind = 0;
    rig.window->modalDialogRunner = [&](QDialog&) {
        rig.window->coloursDialog().colourButton(ColourButton::Background)->click();
        behind = rig.window->traceBitmap().pixel(3, 3);
        return true;
    };
    rig.find<QAction>("coloursAction")->trigger();
    EXPECT_EQ(behind, qRgb(10, 20, 30));
}

TEST(MainWindow, AboutConnectsFirstOnlyInRecordModeWithoutAnInstrument) {
    WindowRig rig;
    rig.window->lifecycle().startOnFirstActivation();
    rig.run(1100);
    AppState& st = rig.window->state();
    st.instrumentOnline = false;
    st.operatingMode = EventSearch;
    rig.port.writes.clear();
    const int busy = rig.prompts.busyOn;
    rig.find<QAction>("aboutAction")->trigger();
    EXPECT_TRUE(rig.port.writes.empty()) << "search mode never contacts the instrument";
    EXPECT_EQ(rig.prompts.busyOn, busy) << "no handshake at all";
    EXPECT_EQ(rig.dialogsShown, std::vector<std::string>{"About Corvask Pellam - ZVL"});

    st.operatingMode = EventRecord;
    rig.engine.config().silent = true;
    std::vector<std::string> warningsBeforeTheBox;
    QString firmware;
    rig.window->modalDialogRunner = [&](QDialog&) {
        warningsBeforeTheBox = rig.prompts.warnings;
        firmware = rig.window->aboutBox().firmwareLabel()->text();
        return true;
    };
    rig.find<QAction>("aboutAction")->trigger();
    EXPECT_EQ(rig.codes(), Bytes{0x20}) << "the handshake";
    EXPECT_EQ(warningsBeforeTheBox, std::vector<std::string>{kNotRespondingText});
    EXPECT_EQ(firmware, "Unknown");
    EXPECT_EQ(st.operatingMode, EventSearch);
    EXPECT_EQ(rig.find<QPushButton>("startStopButton")->text(), "Next") << "the controls follow the new mode";
}

TEST(MainWindow, ShortcutsRunTheCommandsOfTheirEntriesAndButtons) {
    WindowRig rig;
    rig.focusedMemo();
    AppState& st = rig.window->state();
    st.saveCommandEnabled = true;
    st.saveFileName = (rig.dir / "saved.zvl").string();
    st.operatingMode = EventSearch;
    st.resultCount() = 1000;
    for (int64_t i = 1; i <= 1000; ++i) st.store.slot(i).setTime(uint32_t(100000 + 7 * i));
    rig.window->refreshWindow();
    const auto pressed = [&](const char* keys) {
        rig.fileDialogs.shown.clear();
        rig.dialogsShown.clear();
        QTest::keySequence(rig.window.get(), QKeySequence(keys));
        return rig.shown();
    };
    for (const auto& [keys, action, shown] : std::vector<std::tuple<const char*, const char*, const char*>>{
             {"Ctrl+O", "openAction", "open Open Stored Sorvantiker Files"},
             {"Ctrl+S", "saveAction", "settings written"},
             {"Ctrl+Shift+S", "saveAsAction", "save Save Sorvantiker Files"},
             {"Ctrl+P", "printAction", "QPrintDialog"},
             {"Ctrl+F", "searchKeyAction", "Corvask Pellam - ZVL   Define Search Key"},
             {"Ctrl+G", "goToEventAction", "Corvask Pellam - Go To Event"}}) {
        EXPECT_EQ(rig.find<QAction>(action)->shortcut(), QKeySequence(keys)) << action;  // shown in the menu
        EXPECT_EQ(pressed(keys), shown) << keys;
    }
    EXPECT_TRUE(std::filesystem::exists(st.saveFileName)) << "Ctrl+S saved";
    // F3 is Find until a match is found, then Next; Shift+F3 is Back; none of them in record mode.
    st.operatingMode = EventSearch;
    rig.window->refreshWindow();
    pressed("F3");
    const int64_t first = st.currentMatch;
    EXPECT_TRUE(st.matchFound);
    pressed("F3");
    EXPECT_GT(st.currentMatch, first);
    pressed("Shift+F3");
    EXPECT_EQ(st.currentMatch, first);
    EXPECT_NE(rig.find<QPushButton>("findButton")->toolTip().indexOf("(F3)"), -1);
    EXPECT_NE(rig.find<QPushButton>("backButton")->toolTip().indexOf("(Shift+F3)"), -1);
    st.operatingMode = EventRecord;
    rig.window->refreshWindow();
    pressed("F3");
    EXPECT_EQ(st.currentMatch, first);
    // Ctrl+Q asks the close query; while collecting, "No" keeps the window.
    st.collectionActive = true;
    rig.prompts.confirmAnswers = {true};  // "Continue Collecting Data ?" Yes
    pressed("Ctrl+Q");
    EXPECT_EQ(rig.prompts.confirmations, std::vector<std::string>{"Continue Collecting Data ?"});
    EXPECT_TRUE(rig.window->isVisible());
    st.collectionActive = false;
}

// Each button leaves the state its command leaves, and each key or wheel step the state of its
// button, from the same start in both search views (the time-base buttons only where shown).
TEST(MainWindow, ButtonsKeysAndTheWheelDoWhatTheirCommandsDo) {
    WindowRig rig;
    AppState& st = rig.window->state();
    st.resultCount() = 1000;
    for (int64_t i = 1; i <= 1000; ++i) st.store.slot(i).setTime(uint32_t(100000 + 7 * i));
    for (int64_t i = 600; i <= 1000; i += 200) st.store.slot(i).inputStates = 1;
    st.searchKey[0] = 1;
    QWidget* client = rig.find<QWidget>("client");
    using View = std::tuple<int64_t, int64_t, int, int, int64_t, size_t>;
    const auto from = [&](OperatingModeValue mode) {
        st.operatingMode = mode;
        st.currentResult = 500;
        st.viewStartTime = 103000;
        st.timebaseIndex = 7;
        st.currentMatch = 800;
        rig.window->refreshWindow();
        rig.window->updateControlStates();
    };
    const auto view = [&] {
        return View{st.currentResult, st.viewStartTime,
                    st.timebaseIndex, int(st.operatingMode.number()),
                    st.currentMatch,  rig.prompts.informations.size()};
    };
    const auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers) {
        QWheelEvent e(QPointF(400, 300), client->mapToGlobal(QPointF(400, 300)), {}, {0, delta}, Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(client, &e);
    };
    const auto key = [&](Qt::Key k) { return [&, k] { QTest::keyClick(client, k); }; };
    struct Row {
        const char* button;
        void (MainCommands::*command)();
        std::vector<std::function<void()>> inputs;
        bool timebaseOnly = false;
    };
    const std::vector<Row> rows = {{"findButton", &MainCommands::findFirstMatch, {}},
                                   {"startStopButton", &MainCommands::startOrStopOrNext, {}},
                                   {"backButton", &MainCommands::findPreviousMatch, {}},
                                   {"eventTimeButton", &MainCommands::toggleEventTimeView, {}},
                                   {"timebasePlusButton",
                                    &MainCommands::finerTimebase,
                                    {[&] { wheel(120, Qt::ControlModifier); }},
                                    true},
                                   {"timebaseMinusButton",
                                    &MainCommands::coarserTimebase,
                                    {[&] { wheel(-120, Qt::ControlModifier); }},
                                    true},
                                   {"firstButton", &MainCommands::goToFirstResult, {key(Qt::Key_Home)}},
                                   {"fastLeftButton", &MainCommands::stepLeftFast, {key(Qt::Key_PageUp)}},
                                   {"slowLeftButton",
                                    &MainCommands::stepLeftSlow,
                                    {key(Qt::Key_Left), [&] { wheel(120, Qt::NoModifier); }}},
                                   {"slowRightButton",
                                    &MainCommands::stepRightSlow,
                                    {key(Qt::Key_Right), [&] { wheel(-120, Qt::NoModifier); }}},
                                   {"fastRightButton", &MainCommands::stepRightFast, {key(Qt::Key_PageDown)}},
                                   {"lastButton", &MainCommands::goToLastResult, {key(Qt::Key_End)}}};
    for (OperatingModeValue mode : {EventSearch, TimebaseSearch}) {
        for (const Row& row : rows) {
            if (row.timebaseOnly && mode != TimebaseSearch) continue;
            SCOPED_TRACE(std::string(row.button) + (mode == TimebaseSearch ? " time base" : " event"));
            from(mode);
            const View start = view();
            (rig.window->commands().*row.command)();
            const View commanded = view();
            EXPECT_NE(commanded, start);
            from(mode);
            rig.find<QAbstractButton>(row.button)->click();
            EXPECT_EQ(view(), commanded);
            for (size_t i = 0; i < row.inputs.size(); ++i) {
                from(mode);
                row.inputs[i]();
                EXPECT_EQ(view(), commanded) << "input " << i;
            }
        }
    }
    // Half a wheel step waits for the other half; Ctrl+wheel in event mode and the keys in
    // record mode do nothing.
    from(EventSearch);
    wheel(-120, Qt::ControlModifier);
    EXPECT_EQ(st.timebaseIndex, 7);
    wheel(60, Qt::NoModifier);
    EXPECT_EQ(st.currentResult, 500);
    wheel(60, Qt::NoModifier);
    EXPECT_EQ(st.currentResult, 499);
    from(EventRecord);
    QTest::keyClick(client, Qt::Key_Home);
    EXPECT_EQ(st.currentResult, 500);
}

// The trace keys step the trace from whichever control has the focus, a push button
// included (it would take Left and Right to move the focus); in a text field they move the
// caret and leave the trace alone.
TEST(MainWindow, TraceKeysStepTheTraceUnlessATextFieldHasTheFocus) {
    WindowRig rig(true, 1, EventSearch);
    AppState& st = rig.window->state();
    st.resultCount() = 1000;
    for (int64_t i = 1; i <= 1000; ++i) st.store.slot(i).setTime(uint32_t(100000 + 7 * i));
    rig.window->show();
    rig.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(rig.window.get()));
    for (const char* focus : {"onlineOfflineButton", "eventTimeButton", "slowRightButton", "client",
                              "titleEdit", "commentsMemo"}) {
        const bool textField = focus == std::string("titleEdit") || focus == std::string("commentsMemo");
        for (const Qt::Key key :
             {Qt::Key_Left, Qt::Key_Right, Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown}) {
            st.operatingMode = EventSearch;
            st.currentResult = 500;
            rig.window->refreshWindow();
            rig.window->updateControlStates();
            QWidget* w = rig.find<QWidget>(focus);
            w->setFocus();
            ASSERT_TRUE(w->hasFocus()) << focus;
            QTest::keyClick(w, key);
            EXPECT_EQ(st.currentResult != 500, !textField) << focus << " key " << std::hex << key;
            EXPECT_TRUE(w->hasFocus()) << focus << " key " << std::hex << key;
        }
    }
}

// Every letter of the File menu belongs to one entry ("&Print..." has the P); the Help menu
// shows F1 beside Contents; F1 in the colour picker and in the event list opens their pages;
// Escape closes the help; the About box's OK takes Enter each time it opens.
TEST(MainWindow, MenuLettersHelpKeysAndTheAboutBoxDefault) {
    WindowRig rig;
    std::map<QChar, QStringList> letters;
    for (QAction* a : rig.find<QMenu>("fileMenu")->actions()) {
        const qsizetype amp = a->text().indexOf('&');
        if (amp >= 0) letters[a->text().at(amp + 1).toUpper()] << a->objectName();
    }
    for (const auto& [letter, entries] : letters)
        if (entries.contains("openAllPartsAction")) {
            EXPECT_EQ(entries.size(), 1) << entries.join(' ').toStdString();
        }
    EXPECT_TRUE(rig.find<QAction>("helpContentsAction")->text().endsWith("\tF1"));

    HelpViewer& help = rig.window->help();
    help.programDirectory = ZVL_BINARY_DIR;
    QString pickerPage;
    QTimer::singleShot(0, [&] {
        QWidget* picker = QApplication::activeModalWidget();
        if (!picker) return;
        QTest::keyClick(picker, Qt::Key_F1);
        if (help.window()) pickerPage = help.window()->currentPage();
        static_cast<QDialog*>(picker)->reject();
    });
    QtColourPicker(rig.window.get()).pick(0);
    EXPECT_EQ(pickerPage, "colours.html");
    QTest::keyClick(&rig.window->eventList(), Qt::Key_F1);
    ASSERT_NE(help.window(), nullptr);
    EXPECT_EQ(help.window()->currentPage(), "eventlist.html");
    const std::vector<QWidget*> helpControls{help.window()->browser(), help.window()->searchEdit()};
    for (QWidget* w : helpControls) {
        help.window()->show();
        help.window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(help.window()));
        w->setFocus();
        QTest::keyClick(w, Qt::Key_Escape);
        EXPECT_FALSE(help.window()->isVisible()) << w->objectName().toStdString();
    }

    AboutBox& about = rig.window->aboutBox();
    for (int opening = 0; opening < 2; ++opening) {
        about.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&about));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_FALSE(about.isVisible()) << "opening " << opening;
        EXPECT_EQ(about.result(), QDialog::Accepted) << "opening " << opening;
        if (opening == 0) {  // a click on "Useful Information" leaves the focus on it
            about.show();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&about));
            QPushButton* information = about.findChild<QPushButton*>("informationButton");
            information->setFocus();
            information->click();
            about.hide();
        }
    }
}

// A new program's comment memo is empty, so touching it adds no comment line; in the comments
// dialog Tab moves the focus, as in the memo, instead of typing a tab into the comments.
TEST(MainWindow, CommentsStartEmptyAndTabMovesTheFocus) {
    WindowRig rig;
    auto* memo = rig.find<QPlainTextEdit>("commentsMemo");
    EXPECT_EQ(memo->toPlainText(), "");
    QFocusEvent left(QEvent::FocusOut);  // the memo touched and left before anything repaints it
    QApplication::sendEvent(memo, &left);
    EXPECT_EQ(rig.window->state().commentLines[0], "");

    CommentsDialog dialog(rig.window.get());
    dialog.setLines({"pump"});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* edit = dialog.findChild<QPlainTextEdit*>("commentMemo");
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_FALSE(edit->hasFocus());
    EXPECT_EQ(dialog.lines(), std::vector<std::string>{"pump"});
}

TEST(MainWindow, ListMatchesFillsTheEventListWithTheHeldMatches) {
    WindowRig rig;
    AppState& st = rig.window->state();
    st.operatingMode = EventSearch;
    st.inputActive.fill(true);
    st.store.resultCount = 100;
    for (int64_t i = 1; i <= 100; ++i) {
        st.store.slot(i).setTime(uint32_t(5000 + 3 * i));
        st.store.slot(i).inputStates = (i % 20 < 5) ? inputMask(2) : 0;  // on 1..4, 20..24, ...
    }
    st.searchKey.fill(DoNotCare);
    st.searchKey[1] = On;
    st.heldAtLeast = 15;
    rig.window->refreshWindow();
    rig.find<QAction>("listMatchesAction")->trigger();
    EventListWindow& list = rig.window->eventList();
    ASSERT_TRUE(list.isVisible());
    // 1 (12 s) and 100 (open, 0 s) are too short.
    EXPECT_EQ(list.countLabel()->text(), "4 matches");
    EventListModel& model = list.model();
    EXPECT_EQ(model.index(0, 0).data().toString(), "20");
    EXPECT_EQ(model.index(0, 2).data().toString(), "15");
    EXPECT_EQ(model.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), "End");
    list.table()->selectRow(2);  // result 60
    EXPECT_EQ(st.cursorResult, 60);
    EXPECT_EQ(st.currentResult, 60 - 31);
    list.heldMatchesBox()->setChecked(false);
    EXPECT_EQ(list.countLabel()->text(), "100 rows");
}

TEST(MainWindow, EventListFiltersFollowsTheViewAndGrowsWithALiveRecording) {
    WindowRig rig;
    AppState& st = rig.window->state();
    st.operatingMode = EventSearch;
    st.inputLabels[3] = "Line 4";
    st.inputActive.fill(true);
    st.store.resultCount = 100;
    for (int64_t i = 1; i <= 100; ++i) {
        st.store.slot(i).setTime(uint32_t(5000 + 3 * i));
        st.store.slot(i).inputStates = (i % 10 == 0) ? inputMask(4) : 0;  // input 4 on at 10, 20, ...
    }
    rig.window->refreshWindow();
    rig.window->updateControlStates();
    rig.find<QAction>("eventListAction")->trigger();
    EventListWindow& list = rig.window->eventList();
    ASSERT_TRUE(list.isVisible());
    EXPECT_FALSE(list.isModal());
    EventListModel& model = list.model();
    EXPECT_EQ(model.rowCount(), 100);
    EXPECT_EQ(list.countLabel()->text(), "100 rows");
    EXPECT_EQ(model.index(9, 3).data().toString(), QString::fromUtf8("Line 4 ↑"));
    EXPECT_EQ(model.headerData(kEventListFirstState + 3, Qt::Horizontal, Qt::DisplayRole).toString(), "4");
    EXPECT_EQ(model.headerData(kEventListFirstState + 3, Qt::Horizontal, Qt::ToolTipRole).toString(),
              "Line 4");

    // Only the changes of input 4: results 10, 11, 20, 21, ..., 100; then only those fitting the key.
    list.inputChoice()->setCurrentIndex(3);
    list.changesOnlyBox()->setChecked(true);
    EXPECT_EQ(list.countLabel()->text(), "19 rows");
    EXPECT_EQ(model.index(1, 0).data().toString(), "11");
    st.searchKey.fill(DoNotCare);
    st.searchKey[3] = LowToHigh;
    list.matchingOnlyBox()->setChecked(true);
    EXPECT_EQ(list.countLabel()->text(), "10 rows");
    list.changesOnlyBox()->setChecked(false);
    EXPECT_EQ(list.countLabel()->text(), "10 rows");

    // Choosing a row puts its result under the cursor as Go To does.
    list.table()->selectRow(4);  // result 50
    EXPECT_EQ(st.currentResult, 50 - 31);
    EXPECT_EQ(st.cursorResult, 50);
    AppState byGoTo = st;
    putUnderCursor(byGoTo, 50);
    EXPECT_EQ(st.viewStartTime, byGoTo.viewStartTime);
    // A move of the view selects the cursor result's row.
    rig.find<QToolButton>("fastRightButton")->click();  // 31 on: result 81, not a match
    EXPECT_EQ(list.table()->currentIndex().row(), 4);   // no row shows it: the selection stays
    list.matchingOnlyBox()->setChecked(false);
    rig.find<QToolButton>("slowLeftButton")->click();
    EXPECT_EQ(st.cursorResult, 80);
    EXPECT_EQ(list.table()->currentIndex().row(), 79);
    EXPECT_EQ(st.currentResult, 80 - 31) << "the program's selection is no Go To";

    // A live recording: the store is cleared and rows come as results arrive.
    rig.window->lifecycle().startOnFirstActivation();
    rig.run(1100);
    rig.find<QPushButton>("startStopButton")->click();  // Start in EventRecord
    ASSERT_TRUE(st.collectionActive);
    rig.run(2000);
    rig.window->traceBitmap();  // the waiting picture
    ASSERT_GT(st.resultCount(), 3);
    EXPECT_EQ(model.rowCount(), st.resultCount());
    EXPECT_EQ(list.table()->currentIndex().row(), st.resultCount() - 1)
        << "the newest result is under the cursor";
    st.collectionActive = false;
}

// With "only results matching the search key" ticked, each click on a key box changes the rows
// to the results the new key matches, counted here by the rule itself.
TEST(MainWindow, TheEventListFollowsAKeyBoxClick) {
    WindowRig rig;
    rig.window->show();
    AppState& st = rig.window->state();
    st.operatingMode = EventSearch;
    st.inputActive.fill(true);
    st.store.resultCount = 300;
    for (int64_t i = 1; i <= 300; ++i) {
        st.store.slot(i).setTime(uint32_t(5000 + i));
        st.store.slot(i).inputStates = (i % 7) < 3 ? inputMask(1) : 0;
    }
    rig.window->refreshWindow();
    rig.find<QAction>("eventListAction")->trigger();
    EventListWindow& list = rig.window->eventList();
    list.matchingOnlyBox()->setChecked(true);
    ASSERT_EQ(list.model().rowCount(), 300) << "every result fits an all Do Not Care key";
    const auto on = [&](int64_t n) { return (st.store.slot(n).inputStates & inputMask(1)) != 0; };
    for (const SearchCondition expected : {On, Off, HighToLow, LowToHigh, DoNotCare}) {
        QTest::mouseClick(rig.find<QWidget>("client"), Qt::LeftButton, {}, QPoint(125, 20 * 1 + 110 + 5));
        ASSERT_EQ(st.searchKey[0], expected);
        int matching = 0;
        for (int64_t n = 1; n <= 300; ++n) {
            const bool now = on(n), before = n > 1 && on(n - 1);
            matching += expected == On          ? now
                        : expected == Off       ? !now
                        : expected == HighToLow ? before && !now
                        : expected == LowToHigh ? !before && now
                                                : true;
        }
        EXPECT_EQ(list.model().rowCount(), matching) << int(expected);
        EXPECT_EQ(list.countLabel()->text().toStdString(), std::to_string(matching) + " rows")
            << int(expected);
    }
}

// The clicks and the marker's commands through the window, and where it shows the span (the
// span itself is the marker's own test).
TEST(MainWindow, AClickOnThePlotGoesToItsResultAndTheMarkersSpanShowsInThePanelAndTheList) {
    WindowRig rig;
    rig.focusedMemo();  // shown, and the settings read
    AppState& st = rig.window->state();
    st.operatingMode = EventSearch;
    st.store.resultCount = 100;
    for (int64_t i = 1; i <= 100; ++i) st.store.slot(i).setTime(uint32_t(5000 + 10 * i));
    st.currentResult = 5;  // results 5 .. 68 in slots 0 .. 63, result 36 under the cursor
    rig.window->refreshWindow();
    rig.window->updateControlStates();
    rig.find<QAction>("eventListAction")->trigger();
    EventListWindow& list = rig.window->eventList();
    QWidget* client = rig.find<QWidget>("client");
    auto* label = rig.find<QLabel>("markerLabel");
    const auto text = [&] {
        return label->text().replace('\n', ' ').replace(QChar(0x00A0), ' ').toStdString();
    };
    const auto slotOf = [](int s) {
        return QPoint(kPictureLeft + kPlotLeft + 10 * s + 3, kPictureTop + 200);
    };
    // What stands under the label's place when it is hidden: nothing but one colour.
    const auto coversNothing = [&] {
        rig.window->traceBitmap();
        label->hide();
        const QImage under = client->grab(label->geometry()).toImage();
        label->show();
        for (int y = 0; y < under.height(); ++y)
            for (int x = 0; x < under.width(); ++x)
                if (under.pixel(x, y) != under.pixel(0, 0)) return false;
        return !label->geometry().intersects(QRect(kPictureLeft, kPictureTop, kPictureWidth, kPictureHeight));
    };
    EXPECT_FALSE(rig.find<QAction>("clearMarkerAction")->isEnabled());
    EXPECT_TRUE(list.table()->isColumnHidden(kEventListFromMarker));

    // Shift+click marks the result under the pointer.
    QTest::mouseClick(client, Qt::LeftButton, Qt::ShiftModifier, slotOf(40));
    EXPECT_EQ(st.store.markedResult, 45);
    ASSERT_FALSE(label->isHidden());
    EXPECT_EQ(text(), markerToCursorText(st));
    EXPECT_TRUE(rig.find<QAction>("clearMarkerAction")->isEnabled());
    EXPECT_TRUE(coversNothing()) << "on the empty time-base panel";

    // A click puts its result under the cursor; the Event box, the text and the list follow.
    QTest::mouseClick(client, Qt::LeftButton, Qt::NoModifier, slotOf(55));
    EXPECT_EQ(st.cursorResult, 60);
    EXPECT_EQ(text(), markerToCursorText(st));
    EXPECT_EQ(list.table()->currentIndex().row(), 59);
    EXPECT_FALSE(list.table()->isColumnHidden(kEventListFromMarker));
    EXPECT_EQ(list.table()->horizontalHeader()->visualIndex(kEventListFromMarker), 3) << "beside Seconds";
    EXPECT_EQ(list.model().index(59, kEventListFromMarker).data().toString().toStdString(),
              fromMarkerCell(st, 60));

    // The time-base view: the same text, in a free place of its own.
    rig.find<QPushButton>("eventTimeButton")->click();
    ASSERT_EQ(st.operatingMode, TimebaseSearch);
    EXPECT_EQ(label->text().toStdString(), markerToCursorText(st));
    EXPECT_TRUE(coversNothing()) << "between the memo and the picture";

    // Ctrl+M marks the cursor result, Clear Marker removes the marker.
    EXPECT_EQ(rig.find<QAction>("setMarkerAction")->shortcut(), QKeySequence("Ctrl+M"));
    rig.focusedMemo();
    QTest::keySequence(rig.window.get(), QKeySequence("Ctrl+M"));
    EXPECT_EQ(st.store.markedResult, 60);
    rig.find<QAction>("clearMarkerAction")->trigger();
    EXPECT_EQ(st.store.markedResult, 0);
    EXPECT_TRUE(label->isHidden());
    EXPECT_TRUE(list.table()->isColumnHidden(kEventListFromMarker));

    // The marker belongs to the recording: Open takes it away.
    st.store.markedResult = 50;
    rig.window->refreshWindow();
    ASSERT_FALSE(label->isHidden());
    rig.fileDialogs.answers = {rig.recording("other.zvl", "")};
    rig.find<QAction>("openAction")->trigger();
    EXPECT_EQ(st.resultCount(), 3);
    EXPECT_EQ(st.store.markedResult, 0);
    EXPECT_TRUE(label->isHidden());
}

TEST(MainWindow, EveryHelpContextHasAPageAndF1KeepsWorkingAfterHowToUseHelp) {
    WindowRig rig;
    HelpViewer& help = rig.window->help();
    help.programDirectory = ZVL_BINARY_DIR;
    CommentsDialog comments(rig.window.get());
    ChoiceBox choice("Message", true, rig.window.get());
    SelectPortDialog ports({1}, rig.window.get());
    QList<QObject*> objects = rig.window->findChildren<QObject*>();
    objects << rig.window.get();
    std::set<int> used;
    for (QObject* o : objects) {
        const QVariant context = o->property("helpContext");
        if (!context.isValid()) continue;
        used.insert(context.toInt());
        const std::optional<std::string> page = helpPageForContext(context.toInt());
        ASSERT_TRUE(page) << context.toInt() << " of " << o->objectName().toStdString();
        EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::path(ZVL_BINARY_DIR) / "help" / *page))
            << *page;
    }
    EXPECT_GE(used.size(), 13u);

    DisplayOptionsDialog& dialog = rig.window->displayOptionsDialog();
    dialog.show();
    QTest::keyClick(dialog.labelEdit(3), Qt::Key_F1);
    ASSERT_NE(help.window(), nullptr);
    EXPECT_EQ(help.window()->currentPage(), "displayoptions.html");
    EXPECT_TRUE(help.window()->isVisible());
    rig.find<QAction>("howToUseHelpAction")->trigger();
    EXPECT_EQ(help.window()->currentPage(), "usinghelp.html");
    QTest::keyClick(dialog.labelEdit(3), Qt::Key_F1);
    EXPECT_EQ(help.window()->currentPage(), "displayoptions.html");
    dialog.hide();
    rig.find<QAction>("helpContentsAction")->trigger();
    EXPECT_EQ(help.window()->currentPage(), "contents.html");
    QTest::keyClick(rig.find<QMenu>("setupMenu"), Qt::Key_F1);
    EXPECT_EQ(help.window()->currentPage(), "setupmenu.html");

    help.programDirectory = rig.dir.string();
    rig.find<QAction>("helpContentsAction")->trigger();
    ASSERT_EQ(rig.prompts.warnings.size(), 1u);
    EXPECT_NE(rig.prompts.warnings[0].find((rig.dir / "help").string()), std::string::npos)
        << rig.prompts.warnings[0];
}

// F1 in a file dialog, in its replace question and in a message or input box opens the page
// about them, not the page of the window behind them.
TEST(MainWindow, F1InFileDialogsAndBoxesOpensTheirPages) {
    WindowRig rig;
    HelpViewer& help = rig.window->help();
    help.programDirectory = ZVL_BINARY_DIR;
    QtPrompts boxes(rig.window.get());
    QtFileDialogs files(rig.window.get());
    const std::string existing = (rig.dir / "old.zvl").string();
    std::ofstream(existing) << "x";
    FileDialogSpec plain{"Data", "Data|*.zvl", "zvl", rig.dir.string(), "", false, true};
    FileDialogSpec replace{"Download", "Binary|*.zvl", "zvl", rig.dir.string(), "old.zvl", true, false};
    const std::vector<std::tuple<const char*, std::function<void()>, QString>> cases{
        {"open", [&] { files.openFile(plain); }, "filedialogs.html"},
        {"save", [&] { files.saveFile(plain); }, "filedialogs.html"},
        {"warning", [&] { boxes.warning("COM Port Error"); }, "messages.html"},
        {"information", [&] { boxes.information("File Download Complete"); }, "messages.html"},
        {"question", [&] { boxes.confirm("Continue Collecting Data ?", IfEscaped::Yes); }, "messages.html"},
        {"input", [&] { boxes.inputBox("Commmunication Port", "Select Comport [1..4]", "1"); },
         "messages.html"},
    };
    for (const auto& [name, open, page] : cases) {
        QString shown;
        test::whenModalShows([&](QWidget* box) {
            QWidget* target = box->focusWidget() ? box->focusWidget() : box;
            QTest::keyClick(target, Qt::Key_F1);
            if (help.window()) shown = help.window()->currentPage();
            static_cast<QDialog*>(box)->reject();
        });
        open();
        EXPECT_EQ(shown.toStdString(), page.toStdString()) << name;
    }
    // The replace question an open-to-write dialog asks stands in the dialog: its page too.
    QString shown;
    test::whenModalShows([&](QWidget* dialog) {
        auto* fileDialog = static_cast<QFileDialog*>(dialog);
        test::whenModalShows([&shown, &help](QWidget* question) {
            QTest::keyClick(question, Qt::Key_F1);
            if (help.window()) shown = help.window()->currentPage();
            static_cast<QDialog*>(question)->reject();  // No: back to the dialog, which is cancelled
            test::whenModalShows([](QWidget* again) { static_cast<QDialog*>(again)->reject(); });
        });
        fileDialog->selectFile(QString::fromStdString(existing));
        static_cast<QDialog*>(fileDialog)->accept();
    });
    files.openFile(replace);
    EXPECT_EQ(shown, "filedialogs.html");
}

// The help names what the user sees: every menu entry, every window's and dialog's caption
// and every button of a dialog, as they are written on the screen.
TEST(MainWindow, TheHelpNamesEveryMenuEntryDialogCaptionAndButton) {
    WindowRig rig;
    std::string help;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(ZVL_BINARY_DIR) / "help")) {
        if (entry.path().extension() != ".html") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        QTextDocument page;
        page.setHtml(QString::fromStdString({std::istreambuf_iterator<char>(in), {}}));
        help += page.toPlainText().simplified().toStdString() + "\n";
    }
    CommentsDialog comments(rig.window.get());
    ChoiceBox choice("Message", true, rig.window.get());
    SelectPortDialog ports({1}, rig.window.get());
    HelpWindow helpWindow(QStringLiteral(ZVL_BINARY_DIR "/help"), rig.window.get());
    // On the screen "&Open..." reads "Open...", and "&Contents\tF1" is "Contents" with its key.
    const auto shown = [](QString text) {
        return text.section('\t', 0, 0).remove('&').trimmed().toStdString();
    };
    std::map<std::string, std::string> missing;  // text -> where it stands
    const auto check = [&](const std::string& text, const std::string& where) {
        if (!text.empty() && help.find(text) == std::string::npos) missing.emplace(text, where);
    };
    int checked = 0;
    for (QMenu* menu : rig.window->menuBar()->findChildren<QMenu*>()) {
        check(shown(menu->title()), "menu");
        for (QAction* a : menu->actions()) {
            if (a->isSeparator() ||
                (a->objectName().startsWith("reopen") && a->objectName().endsWith("Action")))
                continue;
            check(shown(a->text()), "menu " + shown(menu->title()));
            ++checked;
        }
    }
    QList<QWidget*> windows = rig.window->findChildren<QWidget*>();
    windows << rig.window.get();
    for (QWidget* w : windows) {
        if (!w->isWindow() || qobject_cast<QMenu*>(w)) continue;
        const std::string caption = w->windowTitle().simplified().toStdString();  // as a page shows it
        check(caption, "caption of " + w->objectName().toStdString());
        ++checked;
        if (w == rig.window.get()) continue;
        for (QPushButton* b : w->findChildren<QPushButton*>())
            if (b->window() == w) check(shown(b->text()), "button of " + caption);
    }
    EXPECT_GE(checked, 40);
    EXPECT_EQ(rig.find<QAction>("helpContentsAction")->text().section('\t', 1), "F1")
        << "F1 shown beside Contents";
    std::string report;
    for (const auto& [text, where] : missing) report += "  " + where + ": " + text + "\n";
    EXPECT_TRUE(missing.empty()) << "the help pages do not name:\n" << report;
}

TEST(MainWindow, AFullStoreSavedInFourPartsOpensWhole) {
    WindowRig rig;
    // 100000 results (and the start line) in a compliant CSV file: pairs of results share a
    // second, the states count up.
    const std::string csv = (rig.dir / "in.csv").string();
    {
        std::ofstream out(csv, std::ios::binary);
        for (int64_t i = 0; i <= kMaxResults; ++i)
            out << 800000000 + i / 2 << "," << (i * 7) % 65536 << "\r\n";
    }
    rig.fileDialogs.answers = {csv, (rig.dir / "run.zvl").string(), rig.recording("small.zvl", ""),
                               (rig.dir / "run_3.ZVL").string()};
    QTest::mouseClick(rig.find<QLabel>("modeCaptionLabel"), Qt::RightButton);
    ASSERT_EQ(rig.window->state().resultCount(), kMaxResults) << testing::PrintToString(rig.prompts.warnings);
    const std::vector<ResultRecord> imported(rig.window->state().store.results.begin() + 1,
                                             rig.window->state().store.results.begin() + 1 + kMaxResults);
    rig.find<QAction>("saveAsAction")->trigger();
    for (int k = 1; k <= 4; ++k)
        EXPECT_TRUE(std::filesystem::exists(rig.dir / ("run_" + std::to_string(k) + ".ZVL"))) << k;
    rig.find<QAction>("openAction")->trigger();  // another recording in between
    ASSERT_EQ(rig.window->state().resultCount(), 3);

    rig.find<QAction>("openAllPartsAction")->trigger();
    const AppState& st = rig.window->state();
    ASSERT_EQ(st.resultCount(), kMaxResults);
    for (int64_t n = 1; n <= kMaxResults; ++n) {
        ASSERT_EQ(st.store.results[size_t(n)].rawTime(), imported[size_t(n - 1)].rawTime()) << n;
        ASSERT_EQ(st.store.results[size_t(n)].inputStates, imported[size_t(n - 1)].inputStates) << n;
        if (n > 1) {
            ASSERT_GE(st.resultTime(n), st.resultTime(n - 1)) << n;
        }
    }
    EXPECT_EQ(st.operatingMode, EventSearch);
    EXPECT_EQ(rig.find<QAction>("reopen1Action")->text().toStdString(), (rig.dir / "run_3.ZVL").string());
}

TEST(MainWindow, ADroppedFolderOpensReadOnlyAsOneTimeline) {
    WindowRig rig;
    const std::filesystem::path folder = rig.dir / "week";
    std::filesystem::create_directory(folder);
    for (int f = 0; f < 2; ++f) {
        AppState st;
        st.store.resultCount = 3;
        for (int64_t i = 1; i <= 3; ++i) st.store.slot(i).setTime(uint32_t(100 * f + 10 + i));
        std::ofstream((folder / ("f" + std::to_string(f) + ".zvl")).string(), std::ios::binary)
            << encodeRecordingFile(st, 1, 3, "t");
    }
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(folder.string()))});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(rig.window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(rig.window.get(), &drop);
    EXPECT_EQ(rig.prompts.warnings, std::vector<std::string>{});
    EXPECT_EQ(ShownResults(rig.window->state()).count(), 6);
    EXPECT_EQ(rig.find<QLineEdit>("titleEdit")->text().toStdString(),
              "Folder: 2 files, 6 results, " + formatTimeStamp(11) + " .. " + formatTimeStamp(113));
    for (const char* name : {"saveAction", "saveAsAction", "exportAction", "printAction", "eventListAction",
                             "listMatchesAction"})
        EXPECT_FALSE(rig.find<QAction>(name)->isEnabled()) << name;
    EXPECT_FALSE(rig.find<QAbstractButton>("findButton")->isEnabled());
}

TEST(MainWindow, AFileNamedAtStartOpensOnceTheStartUpHasEnded) {
    WindowRig rig;
    const std::string path = rig.recording("named.zvl", "from the command line");
    rig.window->openAtStart(path);
    rig.window->lifecycle().startOnFirstActivation();
    rig.run(500);  // the start menu is up, the start step that clears the store is still to come
    EXPECT_EQ(rig.startMenuShown, 1);
    EXPECT_EQ(rig.window->state().resultCount(), 0);
    rig.run(1000);
    const AppState& st = rig.window->state();
    EXPECT_EQ(st.resultCount(), 3);
    EXPECT_EQ(st.commentLines[0], "from the command line");
    EXPECT_EQ(st.operatingMode, EventSearch);
    EXPECT_EQ(rig.find<QAction>("reopen1Action")->text().toStdString(), path);

    // A settings-only file reloads the description.
    WindowRig second;
    AppState described;
    described.inputLabels[0] = "Door";
    const std::string stg = (second.dir / "desc.stg").string();
    std::ofstream(stg, std::ios::binary) << settingsOnlyText(described, stg, LocalDateTime{});
    second.window->openAtStart(stg);
    second.window->lifecycle().startOnFirstActivation();
    second.run(1500);
    EXPECT_EQ(second.window->state().inputLabels[0], "Door");

    // The start menu stays open past the start step (its modal loop runs the timers): the file
    // waits until it has closed.
    WindowRig menu;
    const std::string waiting = menu.recording("waiting.zvl", "");
    int64_t underTheMenu = -1;
    menu.window->startMenuRunner = [&](StartMenuDialog&) {
        menu.run(3000);
        underTheMenu = menu.window->state().resultCount();
    };
    menu.window->openAtStart(waiting);
    menu.window->lifecycle().startOnFirstActivation();
    menu.run(100);
    EXPECT_EQ(underTheMenu, 0);
    EXPECT_EQ(menu.window->state().resultCount(), 3);

    // A first run: the timers run out under the settings box; the file waits for its end.
    WindowRig first(false);
    const std::string named = first.recording("first.zvl", "");
    int64_t underTheBox = -1;
    first.prompts.onWarning = [&] {
        first.run(4000);
        underTheBox = first.window->state().resultCount();
    };
    first.window->openAtStart(named);
    first.window->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return underTheBox >= 0; }, 3000));
    EXPECT_EQ(underTheBox, 0) << testing::PrintToString(first.prompts.warnings);
    EXPECT_EQ(first.window->state().resultCount(), 3);
}

// --- The live recording's journal -----------------------------------------------------------------

// The rig's one journal, renamed as if its process had been killed (no process has pid 999999999).
std::string journalOfADeadProcess(WindowRig& rig) {
    const std::vector<std::string> found = journalsInFolder(rig.journalFolder());
    EXPECT_EQ(found.size(), 1u);
    if (found.empty()) return {};
    std::string name = std::filesystem::path(found[0]).filename().string();
    name.replace(name.find('-') + 1, name.find('-', name.find('-') + 1) - name.find('-') - 1, "999999999");
    const std::string dead = rig.journalFolder() + "/" + name;
    std::filesystem::rename(found[0], dead);
    return dead;
}

// A live recording of about three seconds, started from the control strip.
void recordLive(WindowRig& rig) {
    rig.window->lifecycle().startOnFirstActivation();
    rig.run(1100);
    rig.find<QPushButton>("startStopButton")->click();
    ASSERT_TRUE(rig.window->state().collectionActive);
    rig.run(3000);
}

TEST(WindowJournal, ALiveRecordingIsInItsJournalOnceASecondAndAKilledOneIsOfferedBackAtStart) {
    // The answers to "Recover it?" and then "Delete ... for good?".
    for (const std::deque<bool>& answers : {std::deque<bool>{true}, {false, true}, {false, false}}) {
        SCOPED_TRACE(testing::PrintToString(answers));
        WindowRig rig;
        recordLive(rig);
        AppState& live = rig.window->state();
        live.recordingTitle = "Pump 3";
        const std::vector<std::string> found = journalsInFolder(rig.journalFolder());
        ASSERT_EQ(found.size(), 1u);
        const JournalContents flushed = readJournalFile(found[0]);
        EXPECT_EQ(flushed.header.kind, JournalKind::Window);
        EXPECT_EQ(flushed.header.labels[0], "Line 1");
        EXPECT_GE(int64_t(flushed.records.size()), live.resultCount() - 5) << "at most a second behind";
        EXPECT_GE(flushed.records.size(), 10u);
        for (size_t k = 0; k < flushed.records.size(); ++k)
            ASSERT_EQ(flushed.records[k], live.store.results[k + 1]) << k;

        AppState killed = live;  // what the store held when the program was killed
        rig.window.reset();      // no close: the journal stays
        // The instrument was stopped since (left streaming, its results would join whatever the
        // next start shows).
        rig.engine.receive(buildCommandPacket(cmd::Stop), rig.clock.ms);
        for (uint8_t byte = 0; rig.port.readByte(byte);) {
        }
        const std::string journal = journalOfADeadProcess(rig);
        const JournalContents left = readJournalFile(journal);
        ASSERT_EQ(int64_t(left.records.size()), killed.resultCount());

        rig.prompts.confirmations.clear();
        rig.prompts.confirmAnswers = answers;
        rig.makeWindow();
        rig.window->lifecycle().startOnFirstActivation();
        AppState& st = rig.window->state();
        std::vector<std::string> asked{recoverQuestionText(left.header.startTime, killed.resultCount())};
        if (!answers[0]) asked.push_back(kDeleteUnsavedRecordingText);
        EXPECT_EQ(rig.prompts.confirmations, asked);
        if (answers[0]) {
            rig.run(1100);  // the start step leaves the recovered store alone
            ASSERT_EQ(st.resultCount(), killed.resultCount());
            for (int64_t n = 1; n <= killed.resultCount(); ++n)
                ASSERT_EQ(st.store.results[size_t(n)], killed.store.results[size_t(n)]) << n;
            EXPECT_EQ(st.recordingTitle, "Title") << "the title it started with";
            EXPECT_EQ(st.inputLabels, killed.inputLabels);
            EXPECT_EQ(st.operatingMode, EventSearch);
            const int64_t shown = st.currentResult;
            rig.window->commands().goToLastResult();
            EXPECT_EQ(st.currentResult, shown) << "the view on the last result";
            EXPECT_FALSE(std::filesystem::exists(journal)) << "this run's journal holds it now";
            EXPECT_EQ(journalsInFolder(rig.journalFolder()).size(), 1u);
            rig.fileDialogs.answers = {std::nullopt};
            rig.find<QAction>("saveAction")->trigger();
            EXPECT_EQ(rig.shown(), "save Save Sorvantiker Files") << "Save asks for a name";
        } else {
            EXPECT_EQ(st.resultCount(), 0);
            EXPECT_EQ(std::filesystem::exists(journal), !answers[1]) << "Yes deletes it for good";
        }
        rig.window.reset();
    }
}

// The instrument still streams for the program that was killed: its results join nothing.
TEST(WindowJournal, ARecoveredRecordingTakesNoResultsFromAnInstrumentStillStreaming) {
    WindowRig rig;
    recordLive(rig);
    rig.run(1000);  // all of it in the journal
    const AppState killed = rig.window->state();
    rig.window.reset();
    journalOfADeadProcess(rig);
    rig.prompts.confirmAnswers = {true};
    rig.makeWindow();
    rig.window->lifecycle().startOnFirstActivation();
    rig.run(3000);
    const AppState& st = rig.window->state();
    ASSERT_EQ(st.resultCount(), killed.resultCount());
    for (int64_t n = 1; n <= killed.resultCount(); ++n)
        ASSERT_EQ(st.store.results[size_t(n)], killed.store.results[size_t(n)]) << n;
    rig.find<QPushButton>("onlineOfflineButton")->click();  // online again, still no recording
    rig.run(2000);
    EXPECT_EQ(st.resultCount(), killed.resultCount());
}

// A busy window's timer comes late: the results stored write the journal twice a second instead.
TEST(WindowJournal, WithItsTimerLateTheResultsWriteIt) {
    WindowRig rig;
    recordLive(rig);
    rig.journalTimer.setHandler({});  // from here on its ticks never come in time
    const std::string path = journalsInFolder(rig.journalFolder()).at(0);
    const auto size = [&] { return int64_t(std::filesystem::file_size(path)); };
    const int64_t before = size(), recordsBefore = int64_t(readJournalFile(path).records.size());
    rig.run(6000);
    const int64_t records = int64_t(readJournalFile(path).records.size());
    EXPECT_GE(records, rig.window->state().resultCount() - 3) << "at most half a second behind";
    // Each block: 16 bytes and its records; one every quarter of a second at most.
    EXPECT_LE((size() - before - 8 * (records - recordsBefore)) / 16, 25) << "not a write per result";
}

TEST(WindowJournal, ASaveOrANormalCloseRemovesItANewRecordingReplacesIt) {
    for (const bool save : {true, false}) {
        WindowRig rig;
        recordLive(rig);
        const std::string first = journalsInFolder(rig.journalFolder()).at(0);
        rig.run(1000);  // a second later the journal's name would differ: it is replaced, not added
        rig.prompts.confirmAnswers = {false};  // "Continue Collecting Data ?" No: stop
        rig.find<QPushButton>("startStopButton")->click();
        ASSERT_FALSE(rig.window->state().collectionActive);
        rig.find<QPushButton>("startStopButton")->click();  // a new recording
        ASSERT_TRUE(rig.window->state().collectionActive);
        rig.run(2000);
        rig.prompts.confirmAnswers = {false};
        rig.find<QPushButton>("startStopButton")->click();
        EXPECT_FALSE(std::filesystem::exists(first));
        const std::vector<std::string> found = journalsInFolder(rig.journalFolder());
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(int64_t(readJournalFile(found[0]).records.size()), rig.window->state().resultCount())
            << "the stop record too";
        if (save) {
            rig.fileDialogs.answers = {(rig.dir / "run.zvl").string()};
            rig.find<QAction>("saveAsAction")->trigger();
            ASSERT_TRUE(std::filesystem::exists(rig.dir / "run.zvl"));
        } else {
            EXPECT_TRUE(rig.window->close());
        }
        EXPECT_TRUE(journalsInFolder(rig.journalFolder()).empty()) << save;
    }
}

TEST(WindowJournal, OneThatCannotBeWrittenIsSaidOnceAndTheRecordingGoesOn) {
    WindowRig rig;
    std::ofstream(rig.journalFolder()) << "a file where the folder would be";
    recordLive(rig);
    rig.run(3000);
    ASSERT_EQ(rig.prompts.warnings.size(), 1u);
    EXPECT_EQ(rig.prompts.warnings[0].rfind("The recording cannot be kept safe on the disk", 0), 0u)
        << rig.prompts.warnings[0];
    EXPECT_GE(rig.window->state().resultCount(), 25) << "six seconds at five a second, in memory";
    EXPECT_TRUE(rig.window->state().collectionActive);
}

}  // namespace
}  // namespace zvl

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The data folder ~/Pellam is made at start-up: in a home of the tests' own.
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
