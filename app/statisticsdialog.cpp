#include "app/statisticsdialog.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "qt/cp1252.h"
#include "qt/pageprint.h"

namespace zvl {

namespace {
constexpr int kFixedRows = 2;
constexpr int kFixedColumns = 2;
constexpr int kGridRows = 2 + kInputCount + 1;

// Fills `table` with `text`; the fixed rows and columns look like headers and cannot be chosen.
void fillTable(QTableWidget* table, const TextGrid& text, int fixedRows, int fixedColumns,
               const std::array<bool, kInputCount>& active, int firstInputRow) {
    table->clear();
    table->setRowCount(int(text.size()));
    table->setColumnCount(text.empty() ? 0 : int(text[0].size()));
    const QBrush fixedBrush = table->palette().button();
    const QBrush greyed = table->palette().brush(QPalette::Disabled, QPalette::Text);
    for (int r = 0; r < int(text.size()); ++r) {
        for (int c = 0; c < int(text[size_t(r)].size()); ++c) {
            auto* item = new QTableWidgetItem(fromCp1252(text[size_t(r)][size_t(c)]));
            item->setFlags(Qt::ItemIsEnabled);
            if (r < fixedRows || c < fixedColumns) item->setBackground(fixedBrush);
            const int input = r - firstInputRow;
            if (input >= 0 && input < kInputCount && !active[size_t(input)]) item->setForeground(greyed);
            table->setItem(r, c, item);
        }
    }
    table->resizeColumnsToContents();
}
}  // namespace

StatisticsDialog::StatisticsDialog(AppState& state, FileDialogs& dialogs, Prompts& prompts, QWidget* parent)
    : QDialog(parent), state_(state), dialogs_(dialogs), prompts_(prompts) {
    setObjectName(QStringLiteral("StatisticsDialog"));
    setWindowTitle(QStringLiteral("Corvask Pellam - ZVL  Statistics"));
    setProperty("helpContext", kHelpContext);
    setModal(true);
    resize(900, 720);

    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(QStringLiteral("Click on any Column for Details"), this);
    hint->setObjectName(QStringLiteral("HintLabel"));
    layout->addWidget(hint);

    grid_ = new QTableWidget(kGridRows, 2 + boxCount(BoxChoice::Hourly) + 3, this);
    grid_->setObjectName(QStringLiteral("StatisticsGrid"));
    grid_->horizontalHeader()->hide();
    grid_->verticalHeader()->hide();
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(grid_, &QTableWidget::cellClicked, this, &StatisticsDialog::onCellClicked);
    layout->addWidget(grid_, 3);
    // Scrolled by pixels, so the panes over the grid scroll exactly as far as the grid.
    grid_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    grid_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    frozenColumns_ = makeFrozenPane();
    frozenRows_ = makeFrozenPane();
    frozenCorner_ = makeFrozenPane();
    connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, frozenColumns_->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(grid_->horizontalScrollBar(), &QScrollBar::valueChanged, frozenRows_->horizontalScrollBar(),
            &QScrollBar::setValue);
    connect(grid_->horizontalHeader(), &QHeaderView::sectionResized, this,
            &StatisticsDialog::placeFrozenPanes);
    connect(grid_->verticalHeader(), &QHeaderView::sectionResized, this, &StatisticsDialog::placeFrozenPanes);
    grid_->viewport()->installEventFilter(this);

    details_ = new QTableWidget(this);
    details_->setObjectName(QStringLiteral("BoxDetails"));
    details_->horizontalHeader()->hide();
    details_->verticalHeader()->hide();
    details_->setSelectionMode(QAbstractItemView::NoSelection);
    details_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(details_, 2);

    auto* bottom = new QHBoxLayout;
    boxList_ = new QListWidget(this);
    boxList_->setObjectName(QStringLiteral("BoxList"));
    for (const char* name : kBoxChoiceNames) boxList_->addItem(QString::fromLatin1(name));
    boxList_->setFixedSize(220, 64);
    connect(boxList_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row < 3 && BoxChoice(row) != choice_) chooseBoxes(BoxChoice(row));
    });
    bottom->addWidget(boxList_);
    bottom->addStretch();
    backButton_ = new QPushButton(QStringLiteral("Back"), this);
    backButton_->setObjectName(QStringLiteral("BackButton"));
    connect(backButton_, &QPushButton::clicked, this, &QDialog::accept);
    printButton_ = new QPushButton(QStringLiteral("Print"), this);
    printButton_->setObjectName(QStringLiteral("PrintButton"));
    printButton_->setAutoDefault(false);
    connect(printButton_, &QPushButton::clicked, this, &StatisticsDialog::onPrintClicked);
    saveButton_ = new QPushButton(QStringLiteral("Save as CSV File"), this);
    saveButton_->setObjectName(QStringLiteral("SaveCsvButton"));
    saveButton_->setAutoDefault(false);
    connect(saveButton_, &QPushButton::clicked, this, &StatisticsDialog::onSaveClicked);
    for (QPushButton* b : {backButton_, printButton_, saveButton_}) bottom->addWidget(b);
    layout->addLayout(bottom);
}

QTableView* StatisticsDialog::makeFrozenPane() {
    auto* pane = new QTableView(grid_);
    pane->setModel(grid_->model());
    pane->setFocusPolicy(Qt::NoFocus);
    pane->horizontalHeader()->hide();
    pane->verticalHeader()->hide();
    pane->setFrameShape(QFrame::NoFrame);
    pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pane->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    pane->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    pane->setSelectionMode(QAbstractItemView::NoSelection);
    pane->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A click on a box's name or start is a click on its column.
    connect(pane, &QTableView::clicked, this,
            [this](const QModelIndex& i) { onCellClicked(i.row(), i.column()); });
    return pane;
}

void StatisticsDialog::placeFrozenPanes() {
    int height = 0, width = 0;
    for (int r = 0; r < kFixedRows && r < grid_->rowCount(); ++r) height += grid_->rowHeight(r);
    for (int c = 0; c < kFixedColumns && c < grid_->columnCount(); ++c) width += grid_->columnWidth(c);
    for (QTableView* pane : {frozenColumns_, frozenRows_, frozenCorner_}) {
        for (int c = 0; c < grid_->columnCount(); ++c) pane->setColumnWidth(c, grid_->columnWidth(c));
        for (int r = 0; r < grid_->rowCount(); ++r) pane->setRowHeight(r, grid_->rowHeight(r));
    }
    const QRect view = grid_->viewport()->geometry();
    frozenColumns_->setGeometry(view.x(), view.y(), width, view.height());
    frozenRows_->setGeometry(view.x(), view.y(), view.width(), height);
    frozenCorner_->setGeometry(view.x(), view.y(), width, height);
    frozenColumns_->verticalScrollBar()->setValue(grid_->verticalScrollBar()->value());
    frozenRows_->horizontalScrollBar()->setValue(grid_->horizontalScrollBar()->value());
    frozenColumns_->raise();
    frozenRows_->raise();
    frozenCorner_->raise();
}

bool StatisticsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_->viewport() && event->type() == QEvent::Resize) placeFrozenPanes();
    return QDialog::eventFilter(watched, event);
}

void StatisticsDialog::loadFromState() {
    chooseBoxes(choice_);
}

void StatisticsDialog::chooseBoxes(BoxChoice choice) {
    choice_ = choice;
    {
        const QSignalBlocker block(boxList_);
        boxList_->setCurrentRow(int(choice));
    }
    stats_ = computeStatistics(state_.store, choice);
    fill();
}

void StatisticsDialog::fill() {
    shownGrid_ = statisticsGrid(stats_, state_);
    fillTable(grid_, shownGrid_, kFixedRows, kFixedColumns, state_.inputActive, kFixedRows);
    placeFrozenPanes();
    showBoxDetails(-1);
}

void StatisticsDialog::showBoxDetails(int box) {
    chosenBox_ = box >= 0 && box < int(stats_.boxes.size()) ? box : -1;
    if (chosenBox_ < 0) {
        details_->clear();
        details_->setRowCount(0);
        details_->setColumnCount(0);
        return;
    }
    TextGrid rows = boxDetails(stats_, state_, size_t(chosenBox_));
    // Which box: its name and start, in the header's first two cells.
    rows[0][0] = "Box " + shownGrid_[0][size_t(kFixedColumns + chosenBox_)];
    rows[0][1] = shownGrid_[1][size_t(kFixedColumns + chosenBox_)];
    fillTable(details_, rows, 1, 2, state_.inputActive, 1);
}

void StatisticsDialog::onCellClicked(int, int column) {
    showBoxDetails(column - kFixedColumns);
}

void StatisticsDialog::onSaveClicked() {
    saveStatisticsCsv(shownGrid_, state_.dataDirectory, dialogs_, prompts_);
}

void StatisticsDialog::onPrintClicked() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    const std::string error = printPages(printer, [this](QPagedPaintDevice& device) -> std::string {
        QPainter painter;
        if (!painter.begin(&device)) return "The printer could not be started.";
        paintPage(painter,
                  QRect(QPoint(0, 0), device.pageLayout().paintRectPixels(device.logicalDpiX()).size()));
        return painter.end() ? "" : "The page could not be finished.";
    });
    if (!error.empty()) prompts_.warning(error);
}

void StatisticsDialog::paintPage(QPainter& painter, const QRect& page) const {
    // Laid out in points of a 10-point font, then scaled so the widest table fits the page.
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(10);
    painter.save();
    painter.setFont(font);
    const QFontMetrics metrics(font, painter.device());
    const int lineHeight = metrics.height() + metrics.height() / 4;
    std::vector<TextGrid> tables{shownGrid_};
    if (chosenBox_ >= 0) {
        TextGrid rows = boxDetails(stats_, state_, size_t(chosenBox_));
        rows[0][0] = "Box " + shownGrid_[0][size_t(kFixedColumns + chosenBox_)];
        rows[0][1] = shownGrid_[1][size_t(kFixedColumns + chosenBox_)];
        tables.push_back(std::move(rows));
    }
    std::vector<std::vector<int>> widths;
    int widest = metrics.horizontalAdvance(windowTitle());
    int height = 2 * lineHeight;
    for (const TextGrid& t : tables) {
        std::vector<int> w(t[0].size(), 0);
        for (const auto& row : t)
            for (size_t c = 0; c < row.size(); ++c)
                w[c] = std::max(w[c],
                                metrics.horizontalAdvance(fromCp1252(row[c])) + metrics.averageCharWidth());
        int sum = 0;
        for (int x : w) sum += x;
        widest = std::max(widest, sum);
        height += int(t.size()) * lineHeight + lineHeight;
        widths.push_back(std::move(w));
    }
    const double scale = std::min({1.0, double(page.width()) / widest, double(page.height()) / height});
    painter.translate(page.topLeft());
    painter.scale(scale, scale);
    painter.setPen(Qt::black);
    int y = lineHeight;
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(0, y, windowTitle());
    font.setBold(false);
    painter.setFont(font);
    y += lineHeight;
    for (size_t t = 0; t < tables.size(); ++t) {
        for (const auto& row : tables[t]) {
            y += lineHeight;
            int x = 0;
            for (size_t c = 0; c < row.size(); ++c) {
                painter.drawText(x, y, fromCp1252(row[c]));
                x += widths[t][c];
            }
        }
        y += lineHeight;
    }
    painter.restore();
}

}  // namespace zvl
