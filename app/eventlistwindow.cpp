#include "app/eventlistwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "search/marker.h"
#include "session/help.h"

namespace zvl {

EventListModel::EventListModel(const AppState& state, QObject* parent)
    : QAbstractTableModel(parent), state_(state), rows_(state) {}

int EventListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownRows_;
}

int EventListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kEventListColumns;
}

QVariant EventListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shownRows_) return {};
    if (role == Qt::TextAlignmentRole)
        return index.column() == 3 ? QVariant(Qt::AlignLeft | Qt::AlignVCenter) : QVariant(Qt::AlignCenter);
    if (role != Qt::DisplayRole) return {};
    return QString::fromStdString(rows_.cell(index.row(), index.column()));
}

QVariant EventListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    const QString heading = QString::fromStdString(rows_.heading(section));
    if (role == Qt::ToolTipRole) return heading;
    if (role != Qt::DisplayRole) return {};
    // The states' columns are narrow: the input's number, its label in the tooltip.
    if (section >= kEventListFirstState && section < kEventListFirstState + kInputCount)
        return QString::number(section - kEventListFirstState + 1);
    return heading;
}

void EventListModel::setFilter(const EventListFilter& filter) {
    beginResetModel();
    rows_.setFilter(filter);
    shownRows_ = int(rows_.rowCount());
    endResetModel();
}

void EventListModel::reload() {
    setFilter(rows_.filter());
}

void EventListModel::markerChanged() {
    if (shownRows_ > 0)
        emit dataChanged(index(0, kEventListFromMarker), index(shownRows_ - 1, kEventListFromMarker));
}

void EventListModel::appendNewResults() {
    if (rows_.storeShrank() || (rows_.filter().heldMatches && rows_.storeGrew())) return reload();
    rows_.appendNewResults();
    const int now = int(rows_.rowCount());
    if (now <= shownRows_) return;
    beginInsertRows({}, shownRows_, now - 1);
    shownRows_ = now;
    endInsertRows();
}

EventListWindow::EventListWindow(const AppState& state, std::function<void(int64_t)> goTo, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), goTo_(std::move(goTo)) {
    setObjectName("eventListWindow");
    setWindowTitle("Corvask Pellam - Event List");
    setProperty("helpContext", kHelpEventList);
    model_ = new EventListModel(state, this);

    changesOnly_ = new QCheckBox("only results where input", this);
    changesOnly_->setObjectName("changesOnlyBox");
    inputChoice_ = new QComboBox(this);
    inputChoice_->setObjectName("inputChoice");
    for (int k = 1; k <= kInputCount; ++k) inputChoice_->addItem(QString::number(k));
    auto* changes = new QLabel("changes", this);
    matchingOnly_ = new QCheckBox("only results matching the search key", this);
    matchingOnly_->setObjectName("matchingOnlyBox");
    heldMatches_ = new QCheckBox("held matches of the search key", this);
    heldMatches_->setObjectName("heldMatchesBox");
    countLabel_ = new QLabel(this);
    countLabel_->setObjectName("rowCountLabel");

    table_ = new QTableView(this);
    table_->setObjectName("eventTable");
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    // Fixed heights and widths: nothing is measured over the rows, so 100000 open at once.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(18);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    const int widths[] = {56, 118, 60, 200};
    for (int c = 0; c < kEventListFirstState; ++c) table_->setColumnWidth(c, widths[c]);
    for (int c = kEventListFirstState; c < kEventListFirstState + kInputCount; ++c)
        table_->setColumnWidth(c, 34);
    // The span from the marker stands beside the seconds since the previous result, and only
    // while a result is marked.
    table_->setColumnWidth(kEventListFromMarker, 170);
    table_->horizontalHeader()->moveSection(kEventListFromMarker, 3);
    table_->setColumnHidden(kEventListFromMarker, true);

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(changesOnly_);
    filterRow->addWidget(inputChoice_);
    filterRow->addWidget(changes);
    filterRow->addSpacing(16);
    filterRow->addWidget(matchingOnly_);
    filterRow->addSpacing(16);
    filterRow->addWidget(heldMatches_);
    filterRow->addStretch();
    filterRow->addWidget(countLabel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filterRow);
    layout->addWidget(table_);
    resize(900, 600);

    connect(changesOnly_, &QCheckBox::toggled, this, [this] { applyFilter(); });
    connect(inputChoice_, &QComboBox::currentIndexChanged, this, [this] {
        if (changesOnly_->isChecked()) applyFilter();
    });
    connect(matchingOnly_, &QCheckBox::toggled, this, [this] { applyFilter(); });
    connect(heldMatches_, &QCheckBox::toggled, this, [this] { applyFilter(); });
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { rowChosen(current.row()); });
    connect(model_, &QAbstractItemModel::rowsInserted, this, [this] { showCount(); });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { showCount(); });
    showCount();
}

void EventListWindow::openBeside(QWidget* mainWindow) {
    const bool wasHidden = isHidden();
    if (wasHidden) {
        showLabels();
        model_->reload();
        // Right of the main window, as far as the screen allows.
        const QRect frame = mainWindow->frameGeometry();
        QRect place(QPoint(frame.right() + 1, frame.top()), size());
        if (const QScreen* screen = mainWindow->screen()) {
            const QRect free = screen->availableGeometry();
            if (place.right() > free.right()) place.moveRight(free.right());
            if (place.bottom() > free.bottom()) place.moveBottom(free.bottom());
            place.moveLeft(std::max(place.left(), free.left()));
            place.moveTop(std::max(place.top(), free.top()));
        }
        move(place.topLeft());
    }
    show();
    raise();
    activateWindow();
    followMarker(markedResult(state_));
    followCursor(state_.cursorResult);
}

void EventListWindow::listMatches(QWidget* mainWindow) {
    openBeside(mainWindow);
    if (heldMatches_->isChecked())
        applyFilter();  // the key or its limits may have changed
    else
        heldMatches_->setChecked(true);
}

void EventListWindow::storeChanged() {
    if (isHidden()) return;
    showLabels();
    model_->reload();
}

void EventListWindow::showLabels() {
    for (int k = 0; k < kInputCount; ++k) {
        const std::string label = eventListHeading(state_, kEventListFirstState + k);
        inputChoice_->setItemText(k, QString("%1  %2").arg(k + 1).arg(QString::fromStdString(label)));
    }
}

void EventListWindow::resultsAdded() {
    if (isHidden()) return;
    model_->appendNewResults();
}

void EventListWindow::followCursor(int64_t cursorResult) {
    if (isHidden()) return;
    const std::optional<int64_t> row = model_->rows().rowOf(cursorResult);
    if (!row || *row >= model_->rowCount()) return;
    if (table_->currentIndex().row() == int(*row)) return;
    following_ = true;
    table_->selectRow(int(*row));
    table_->scrollTo(model_->index(int(*row), 0));
    following_ = false;
}

void EventListWindow::followMarker(int64_t markedResult) {
    if (isHidden()) return;
    table_->setColumnHidden(kEventListFromMarker, markedResult == 0);
    if (markedResult == shownMarker_) return;
    shownMarker_ = markedResult;
    model_->markerChanged();
}

void EventListWindow::applyFilter() {
    EventListFilter filter;
    filter.changedInput = changesOnly_->isChecked() ? inputChoice_->currentIndex() + 1 : 0;
    filter.matchingOnly = matchingOnly_->isChecked();
    filter.heldMatches = heldMatches_->isChecked();
    // The held matches stand alone: the result filters do not apply to them.
    for (QWidget* w : {static_cast<QWidget*>(changesOnly_), static_cast<QWidget*>(inputChoice_),
                       static_cast<QWidget*>(matchingOnly_)})
        w->setEnabled(!filter.heldMatches);
    model_->setFilter(filter);
    followCursor(state_.cursorResult);
}

void EventListWindow::showCount() {
    const int rows = model_->rowCount();
    if (model_->rows().filter().heldMatches)
        countLabel_->setText(rows == 1 ? QString("1 match") : QString("%1 matches").arg(rows));
    else
        countLabel_->setText(rows == 1 ? QString("1 row") : QString("%1 rows").arg(rows));
}

void EventListWindow::rowChosen(int row) {
    if (following_ || row < 0) return;
    const int64_t result = model_->rows().resultAt(row);
    if (result > 0) goTo_(result);
}

}  // namespace zvl
