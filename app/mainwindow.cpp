#include "app/mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFile>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "app/aboutbox.h"
#include "app/coloursdialog.h"
#include "app/commentsdialog.h"
#include "app/controlstrip.h"
#include "app/dialogrunners.h"
#include "app/displayoptionsdialog.h"
#include "app/eventlistwindow.h"
#include "app/gotodialog.h"
#include "app/hardwaredialog.h"
#include "app/helpwindow.h"
#include "app/mainmenus.h"
#include "app/progresspanel.h"
#include "app/searchkeydialog.h"
#include "app/splashwindow.h"
#include "app/startmenudialog.h"
#include "app/statisticsdialog.h"
#include "app/tracearea.h"
#include "files/folderload.h"
#include "qt/cp1252.h"
#include "qt/pageprint.h"
#include "qt/qtcanvas.h"
#include "qt/tracepicture.h"
#include "search/marker.h"
#include "session/controlstates.h"
#include "session/mainactions.h"

namespace zvl {

namespace {
// Where the overlay draws the Event box under the picture: centred at 438 or 449, as wide as
// its time and count (about 220 pixels). The strip's captions at either side stay as they are.
const QRect kEventBoxArea(kPictureLeft + 240, 484, 400, 28);
// All the overlay can cover: the Event box and the cursor column of either event mode (x 449
// or 769, 131 to 448, with its 2-pixel pen).
const QRegion kOverlayArea = QRegion(kEventBoxArea) + QRect(446, 128, 336, 324);
// Where the marker's text stands: inside the time-base panel (616, 488, 161 x 56), or in the
// band between the memo (bottom 81) and the picture (top 100), ending with the picture.
const QRect kMarkerLabelOnPanel(622, 490, 152, 52);
const QRect kMarkerLabelAbovePicture(kPictureLeft + 300, 82, kPictureWidth - 300, 17);

QStringList splitLines(const QString& text) {
    return text.split('\n');
}

}  // namespace

MainWindow::MainWindow(MainPlatform platform, QWidget* parent)
    : QMainWindow(parent),
      platform_(platform),
      commands_(state_, platform, *this),
      renderer_(commands_.renderer()),
      pacer_(state_, renderer_, platform.clock, frameTimer_,
             [this](const RedrawPacer::Draw& draw, const PictureDamage& damage) {
                 // Drawn at the screen's pixel ratio, so a high-density screen shows it sharp.
                 const qreal ratio = devicePixelRatioF();
                 const bool fresh = traceBitmap_.isNull() || traceBitmap_.devicePixelRatio() != ratio;
                 if (fresh) traceBitmap_ = tracePictureImage(ratio);
                 // A live frame draws the tiles that changed, in place; the rest of the picture
                 // on show is the same already. A command's picture is drawn whole.
                 const PictureDamage drawn = fresh ? PictureDamage{} : damage;
                 drawDamage(traceBitmap_, draw, drawn);
                 const QRegion area = damageRegion(drawn);
                 followCursorInEventList();
                 showMarkerText();
                 // Only what the picture and its overlay cover: the controls around them stay
                 // as they are.
                 const QRegion box = fresh || damage.overlayChanged ? QRegion(kEventBoxArea) : QRegion();
                 if (!painting_) area_->update(area.translated(kPictureLeft, kPictureTop) + box);
             }) {
    // A live frame whose picture did not change still brings new results to the event list.
    pacer_.setUnchangedFrameHandler([this](bool overlayChanged) {
        followCursorInEventList();
        if (overlayChanged && !painting_) area_->update(kEventBoxArea);
    });
    pacer_.setTextMeasure(&textMeasure_);
    setObjectName("MainWindow");
    setWindowTitle("Corvask Pellam-ZVL");
    QFont f("Arial");
    f.setPixelSize(12);
    // One font for the whole program: the dialogs and message boxes take the window's.
    QApplication::setFont(f);
    setFont(f);
    // One icon too: the program's own, kept in its resources so that it shows installed or not,
    // on this window and on every dialog, box and window the program opens.
    QIcon icon;
    for (int size : {16, 32, 48, 256})
        icon.addFile(QString(":/icons/pellam-zvl-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);

    area_ = new TraceArea(this);
    area_->setFixedSize(792, 560);
    setCentralWidget(area_);
    buildControls();
    menus_ = std::make_unique<MainMenus>(menuBar(), commands_, *this);
    // The client area's controls stand at fixed places: the window keeps its size.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setProperty("helpContext", 1001);  // for the help viewer
    setAcceptDrops(true);

    redrawTraceView();
    updateControlStates();

    // The windows made once at start-up and reused: the search key and go-to dialogs, the
    // splash (shown at once) and the start menu.
    searchKeyDialog_ = new SearchKeyDialog(state_, this);
    goToDialog_ = new GoToDialog(state_, platform_.prompts, this);
    const auto run = [this](QDialog& d) { return runModal(d); };
    runners_.searchKey = std::make_unique<RunnerDialog<SearchKeyDialog>>(run, *searchKeyDialog_);
    runners_.goTo = std::make_unique<RunnerDialog<GoToDialog>>(run, *goToDialog_);
    statisticsDialog_ = new StatisticsDialog(state_, platform_.fileDialogs, platform_.prompts, this);
    runners_.statistics = std::make_unique<RunnerDialog<StatisticsDialog>>(run, *statisticsDialog_);
    eventList_ = new EventListWindow(
        state_, [this](int64_t n) { commands_.showResultUnderCursor(n); }, this);
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    hardwareDialog_ = new HardwareDialog(state_, commands_.instrumentSetup(), this);
    runners_.hardware = std::make_unique<RunnerDialog<HardwareDialog>>(run, *hardwareDialog_);
    runners_.comments = std::make_unique<RunnerCommentsEditor>(run, this);
    displayOptionsDialog_ = new DisplayOptionsDialog(state_, this);
    runners_.displayOptions =
        std::make_unique<RunnerDialog<DisplayOptionsDialog>>(run, *displayOptionsDialog_);
    colourPicker_ = std::make_unique<RunnerColourPicker>(colourPickerRunner, this);
    coloursDialog_ = new ColoursDialog(state_, platform_.prompts, *this, *colourPicker_, this);
    runners_.colours = std::make_unique<RunnerDialog<ColoursDialog>>(run, *coloursDialog_);
    aboutBox_ = new AboutBox(state_, commands_.lifecycle().settingsPath(), this);
    runners_.about = std::make_unique<RunnerDialog<AboutBox>>(run, *aboutBox_);
    help_ = std::make_unique<HelpViewer>(platform_.prompts, this);
    splashWindow_ = new SplashWindow(this);
    startMenu_ =
        new StartMenuDialog({[this] { commands_.open(); }, [this] { commands_.uploadFromStartMenu(); },
                             [this] { commands_.collectDataFromStartMenu(); },
                             [this] { QTimer::singleShot(0, this, &QWidget::close); }},
                            this);
    splashWindow_->show();

    commands_.startTimers();

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(400, 303));
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls() {
    QWidget* c = area_;
    modeCaptionLabel = new QLabel("Pellam - ZVL Mode :", c);
    modeCaptionLabel->setObjectName("modeCaptionLabel");
    modeCaptionLabel->move(8, 4);
    modeCaptionLabel->installEventFilter(this);

    linkStatusLabel = new QLabel(c);
    linkStatusLabel->setObjectName("linkStatusLabel");
    linkStatusLabel->setGeometry(128, 4, 108, 18);
    QFont bold("Arial");
    bold.setPixelSize(15);
    bold.setBold(true);
    linkStatusLabel->setFont(bold);
    // The label and the lamp change at every status poll: each paints its own background, so
    // the area behind them is not painted again each time.
    QPalette red = linkStatusLabel->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    linkStatusLabel->setPalette(red);
    linkStatusLabel->setAutoFillBackground(true);

    linkLamp = new LinkLamp(state_, c);
    linkLamp->setObjectName("linkLamp");
    linkLamp->setGeometry(238, 5, 15, 15);

    titleEdit = new QLineEdit("Title", c);
    titleEdit->setObjectName("titleEdit");
    titleEdit->setGeometry(260, 1, 513, 23);
    connect(titleEdit, &QLineEdit::textEdited, this,
            [this](const QString& text) { state_.recordingTitle = toCp1252(text); });

    // Empty: a preset text would become a comment line of the next recording once touched.
    commentsMemo = new QPlainTextEdit(c);
    commentsMemo->setObjectName("commentsMemo");
    commentsMemo->setGeometry(2, 28, 788, 53);
    commentsMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the next control: a tab character would be stored as comment text.
    commentsMemo->setTabChangesFocus(true);
    connect(commentsMemo, &QPlainTextEdit::textChanged, this,
            [this] { commands_.memo().textChanged(memoLines()); });
    commentsMemo->installEventFilter(this);
    commentsMemo->viewport()->installEventFilter(this);

    // The thin bevel between the top strip and the memo.
    auto* line = new QFrame(c);
    line->setObjectName("stripSeparator");
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(2, 25, 788, 3);

    strip_ = std::make_unique<ControlStrip>(c, commands_, state_);
    area_->strip = strip_.get();

    // The time from the marker to the cursor result, shown only while a marker is set. It stands
    // where nothing else is: on the time-base panel, which is empty in the event views, and in
    // the time-base views above the right end of the picture, between it and the memo.
    markerLabel = new QLabel(c);
    markerLabel->setObjectName("markerLabel");
    markerLabel->setWordWrap(true);
    markerLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    markerLabel->setStyleSheet(QString("color: %1").arg(toQColor(kMarkerColour).name()));
    markerLabel->hide();

    progressPanel_ = new ProgressPanel(c, [this] { commands_.cancelTransfer(); });
    // The trace keys step the trace from a focused button too: a push button would take Left
    // and Right to move the focus (the text fields keep their keys for the caret).
    for (QAbstractButton* b : c->findChildren<QAbstractButton*>()) b->installEventFilter(this);
}

void MainWindow::showMarkerText() {
    const std::string text = markerToCursorText(state_);
    if (text.empty()) {
        markerLabel->hide();
        return;
    }
    QString shown = QString::fromStdString(text);
    if (state_.operatingMode.isEvent()) {
        // The narrow panel: the span on a line of its own, broken only after its comma.
        const qsizetype colon = shown.indexOf(": ");
        QString span = shown.mid(colon + 2).replace(' ', QChar(0x00A0));
        shown = shown.left(colon + 1) + '\n' + span.replace(QString(",") + QChar(0x00A0), ", ");
        markerLabel->setGeometry(kMarkerLabelOnPanel);
        markerLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    } else {
        markerLabel->setGeometry(kMarkerLabelAbovePicture);
        markerLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    markerLabel->setText(shown);
    markerLabel->show();
    markerLabel->raise();
}

// --- ViewHooks -------------------------------------------------------------------------------

void MainWindow::redrawTraceView() {
    pacer_.redrawNow();
}

void MainWindow::followCursorInEventList() {
    // The event list follows: new live results as rows, the cursor result's row selected.
    if (eventList_) {
        eventList_->resultsAdded();
        eventList_->followMarker(markedResult(state_));
        eventList_->followCursor(state_.cursorResult);
    }
}

void MainWindow::redrawTraceViewSoon() {
    pacer_.redrawSoon();
}

void MainWindow::paintTrace(Canvas& window, const QRegion& area) {
    painting_ = true;
    pacer_.flush();
    painting_ = false;
    auto* qt = dynamic_cast<QtCanvas*>(&window);
    if (traceBitmap_.isNull()) {  // no picture yet: the area's background where it will stand
        if (qt)
            qt->painter().fillRect(QRect(kPictureLeft, kPictureTop, kPictureWidth, kPictureHeight),
                                   area_->palette().window());
        return;
    }
    if (qt) {
        // Qt hands the copy of a large image (over 65536 pixels) to a pool of threads and waits
        // for them, and so it does with a copy cut by a clip of many rectangles: at 16 pictures
        // a second the hand-over costs more than the copy. So the picture goes rectangle by
        // rectangle of the area to paint, each under a clip of its own, in strips below that
        // size, each whole device pixels high and wide.
        const QImage& picture = traceBitmap_;
        const qreal ratio = picture.devicePixelRatio();
        const QRect whole(kPictureLeft, kPictureTop, kPictureWidth, kPictureHeight);
        QPainter& p = qt->painter();
        // At a pixel ratio that is not whole, the picture's pixels do not fall on whole device
        // pixels: it goes in one piece.
        const int step = int(ratio);
        const QRegion pieces = ratio == step ? area & whole : QRegion(whole);
        for (const QRect& r : pieces) {
            p.save();
            p.setClipRect(r, Qt::IntersectClip);
            // The device pixels under r.
            const QRect source = r.translated(-kPictureLeft, -kPictureTop);
            const int x0 = int(std::lround(source.left() * ratio)),
                      w = int(std::lround(source.width() * ratio));
            const int y1 = int(std::lround((source.bottom() + 1) * ratio));
            const int rows = ratio == step ? std::max(step, 65535 / w / step * step) : y1;
            for (int y = int(std::lround(source.top() * ratio)); y < y1; y += rows)
                p.drawImage(QPointF(kPictureLeft + x0 / ratio, kPictureTop + y / ratio), picture,
                            QRect(x0, y, w, std::min(rows, y1 - y)));
            p.restore();
        }
    }
    // The overlay where the area reaches it: a repaint of the lamp or a control leaves it be.
    if (area.intersects(kOverlayArea)) renderer_.drawWindowOverlay(window);
}

void MainWindow::updateControlStates() {
    ++controlUpdates_;
    const ControlStates controls = controlStates(state_);
    platform_.port.setGatherMs(controls.portGatherMs);
    strip_->apply(controls);
    menus_->apply(controls, state_);
    const QString title = fromCp1252(state_.recordingTitle);
    if (titleEdit->text() != title) titleEdit->setText(title);
    linkIndicatorChanged();
}

void MainWindow::refreshWindow() {
    updateControlStates();
    if (eventList_) eventList_->storeChanged();
    // The memo shows the stored comment lines unless it holds the typing they came from.
    commands_.memo().refresh([this](const std::vector<std::string>& shown) {
        QStringList lines;
        for (const std::string& l : shown) lines << fromCp1252(l);
        commentsMemo->setPlainText(lines.join('\n'));
        commentsMemo->moveCursor(QTextCursor::End);  // typing after a refill goes on from the last line
    });
    redrawTraceView();
}

void MainWindow::focusEventTimeButton() {
    strip_->focusEventTimeButton();
}

void MainWindow::closeSplash() {
    platform_.timers.splashTimer.disable();
    hideSplashWindow();
}

void MainWindow::showSplashWindow() {
    if (splashWindow_) splashWindow_->show();
}

void MainWindow::hideSplashWindow() {
    if (splashWindow_) splashWindow_->hide();
}

void MainWindow::showStartMenu() {
    if (closing_) return;
    if (startMenuRunner)
        startMenuRunner(*startMenu_);
    else
        startMenu_->exec();
    refreshWindow();
}

void MainWindow::linkIndicatorChanged() {
    linkStatusLabel->setText(QString::fromStdString(state_.link.label));
    linkLamp->update();
    // What a noisy line has cost, on the lamp and its label (each poll turns them, so it keeps
    // up during a recording); nothing while the line has brought no noise.
    const QString noise = QString::fromStdString(lineNoiseNote(commands_.link().liveDiscards()));
    linkStatusLabel->setToolTip(noise);
    linkLamp->setToolTip(noise);
}

void MainWindow::showProgressPanel(bool visible, const std::string& heading) {
    progressPanel_->showWithHeading(visible, heading);
}

void MainWindow::setBytesTransferred(int64_t bytes) {
    progressPanel_->setBytesTransferred(bytes);
}

// --- Mouse -------------------------------------------------------------------------------------

void MainWindow::onMouseDown(int x, int y, bool leftButton, bool shift) {
    if (auto k = commands_.keyColumnClicked(x, y)) {
        if (!traceBitmap_.isNull()) {
            QtCanvas canvas(&traceBitmap_);
            renderer_.drawKeyBox(canvas, *k);
        }
        area_->update();
        // The rows that fit the key are the new key's, the cursor result's selected.
        if (eventList_) {
            eventList_->storeChanged();
            eventList_->followCursor(state_.cursorResult);
        }
        return;
    }
    if (leftButton) commands_.plotClicked(x, y, shift);
}

std::string MainWindow::gapTipAt(int x, int y) const {
    if (y < kPictureTop + 30 || y >= kPictureTop + 348) return {};
    const std::optional<size_t> segment = renderer_.gapAtPictureX(x - kPictureLeft);
    return segment ? gapText(renderer_.shownSource().segments()[*segment]) : std::string();
}

void MainWindow::onMouseUp(int x, int y) {
    // The name column opens the display options, as Setup > "&Display..." does.
    if (!inNameColumn(x, y)) return;
    commands_.editDisplayOptions(*runners_.displayOptions);
}

// --- Window events -----------------------------------------------------------------------------

// The start-up step (the settings read with its boxes, the port) runs from the event loop once
// the window is on the screen, never inside the window system's show or activation handling: a
// box opened in there could leave no window mapped at all, and the user with nothing to click.
void MainWindow::activateOnce() {
    QWindow* window = windowHandle();
    if (window && !window->isExposed() && exposeWaits_ < 100) {
        ++exposeWaits_;  // not mapped yet: look again shortly (at most 2 s, then start anyway)
        QTimer::singleShot(20, this, [this] { activateOnce(); });
        return;
    }
    commands_.activate();
}

bool MainWindow::event(QEvent* e) {
    // The first show or activation (without a window manager the window may never be activated)
    // queues the start-up step.
    if ((e->type() == QEvent::Show || e->type() == QEvent::WindowActivate) && !startQueued_) {
        startQueued_ = true;
        QTimer::singleShot(0, this, [this] { activateOnce(); });
    }
    // Moved to a screen of another pixel ratio: the picture again, at the new ratio.
    if (e->type() == QEvent::ScreenChangeInternal && !traceBitmap_.isNull() &&
        traceBitmap_.devicePixelRatio() != devicePixelRatioF())
        redrawTraceView();
    // A file or a folder dropped on the window opens as File > Open or Open Folder would.
    if (e->type() == QEvent::DragEnter || e->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(e);
        const QList<QUrl> urls = drop->mimeData()->urls();
        if (urls.size() != 1 || !urls.front().isLocalFile()) return QMainWindow::event(e);
        drop->acceptProposedAction();
        if (e->type() == QEvent::Drop)
            commands_.openDropped(QFile::encodeName(urls.front().toLocalFile()).toStdString());
        return true;
    }
    return QMainWindow::event(e);
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (!commands_.lifecycle().mayClose()) {
        e->ignore();
        return;
    }
    closing_ = true;
    commands_.lifecycle().shutDown();
    if (splashWindow_) splashWindow_->hide();
    e->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == modeCaptionLabel && e->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(e)->button() == Qt::RightButton) {
        commands_.importFromModeCaption();
        return true;
    }
    if (e->type() == QEvent::KeyPress && qobject_cast<QAbstractButton*>(watched) &&
        strip_->pressForKey(*static_cast<QKeyEvent*>(e)))
        return true;
    if (watched == commentsMemo && e->type() == QEvent::FocusOut) commands_.memo().left(memoLines());
    if (watched == commentsMemo->viewport() && e->type() == QEvent::MouseButtonRelease)
        QTimer::singleShot(0, this, [this] { commands_.editComments(*runners_.comments); });
    return QMainWindow::eventFilter(watched, e);
}

// --- The window's own commands ------------------------------------------------------------------

void MainWindow::printerSetup() {
    QPageSetupDialog dialog(printer_.get(), this);
    runPrintDialog(dialog);
}

void MainWindow::print() {
    QPrintDialog dialog(printer_.get(), this);
    if (!runPrintDialog(dialog)) return;
    if (const std::string error = printTracePage(*printer_, renderer_, state_); !error.empty())
        platform_.prompts.warning(error);
}

bool MainWindow::runPrintDialog(QDialog& dialog) {
    if (printDialogRunner) return printDialogRunner(dialog);
    return dialog.exec() == QDialog::Accepted;
}

bool MainWindow::runModal(QDialog& dialog) {
    if (modalDialogRunner) return modalDialogRunner(dialog);
    return dialog.exec() == QDialog::Accepted;
}

std::vector<std::string> MainWindow::memoLines() const {
    std::vector<std::string> lines;
    const QString text = commentsMemo->toPlainText();
    if (!text.isEmpty())
        for (const QString& l : splitLines(text)) lines.push_back(toCp1252(l));
    return lines;
}

}  // namespace zvl
