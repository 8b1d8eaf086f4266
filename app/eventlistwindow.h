#pragma once
// Tools > "Event &List": a window beside the main window (not modal) with a table of the
// results, a view on the store through EventListRows. Selecting a row puts its result under
// the cursor as Go To does; a move of the view selects the cursor result's row; results that
// arrive during a live recording become rows at the end. While a result is marked, a "From
// marker" column beside "Seconds" gives each row's time and results from it. "held matches of the
// search key" (Tools > "List Matches") shows a row per held match instead, at its first result.

#include <QAbstractTableModel>
#include <QWidget>
#include <functional>

#include "search/eventlist.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QTableView;

namespace zvl {

class EventListModel : public QAbstractTableModel {
public:
    EventListModel(const AppState& state, QObject* parent);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const EventListRows& rows() const { return rows_; }
    void setFilter(const EventListFilter& filter);  // the rows again
    void reload();                                  // the store was replaced
    void appendNewResults();                        // live results as new rows
    void markerChanged();                           // the "From marker" cells again

private:
    const AppState& state_;
    EventListRows rows_;
    int shownRows_ = 0;  // the rows the views have been told about
};

class EventListWindow : public QWidget {
    Q_OBJECT
public:
    // `goTo` puts a result under the cursor and redraws the trace.
    EventListWindow(const AppState& state, std::function<void(int64_t)> goTo, QWidget* parent);

    void openBeside(QWidget* mainWindow);  // shows the window, up to date, right of the main window
    // Tools > "List Matches": opens it with a row per held match of the search key.
    void listMatches(QWidget* mainWindow);
    // What the main window tells it (nothing happens while it is hidden).
    void storeChanged();                      // a command ended: the store or the key may differ
    void resultsAdded();                      // a redraw: live results may have arrived
    void followCursor(int64_t cursorResult);  // the view moved: select the cursor result's row
    void followMarker(int64_t markedResult);  // the marker (0: none) shows or hides its column

    EventListModel& model() { return *model_; }
    QTableView* table() const { return table_; }
    QCheckBox* changesOnlyBox() const { return changesOnly_; }
    QComboBox* inputChoice() const { return inputChoice_; }
    QCheckBox* matchingOnlyBox() const { return matchingOnly_; }
    QCheckBox* heldMatchesBox() const { return heldMatches_; }
    QLabel* countLabel() const { return countLabel_; }

private:
    void applyFilter();
    void showLabels();  // the filter's input choices with their labels
    void showCount();
    void rowChosen(int row);

    const AppState& state_;
    std::function<void(int64_t)> goTo_;
    EventListModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QCheckBox* changesOnly_ = nullptr;
    QComboBox* inputChoice_ = nullptr;
    QCheckBox* matchingOnly_ = nullptr;
    QCheckBox* heldMatches_ = nullptr;
    QLabel* countLabel_ = nullptr;
    bool following_ = false;   // the program selects a row: no Go To
    int64_t shownMarker_ = 0;  // the marked result the "From marker" column shows
};

}  // namespace zvl
