#pragma once
// The Statistics dialog (Activity > "&Statistics..."): per input the changes in each box of
// time, the totals and the duty, for the box choice picked in the list; a click on a box's
// column shows that box's figures for every input under the grid. "Save as CSV File" writes
// the grid as shown, "Print" prints the grid and the chosen box's details on one page. The
// figures come from files/statistics; this class only shows them.

#include <QDialog>

#include "core/state.h"
#include "files/statistics.h"
#include "platform/filedialogs.h"
#include "platform/modaldialog.h"
#include "platform/prompts.h"
#include "session/help.h"

class QListWidget;
class QPainter;
class QPushButton;
class QTableView;
class QTableWidget;

namespace zvl {

class StatisticsDialog final : public QDialog, public ModalDialog {
    Q_OBJECT
public:
    StatisticsDialog(AppState& state, FileDialogs& dialogs, Prompts& prompts, QWidget* parent = nullptr);

    static constexpr int kHelpContext = kHelpStatistics;

    bool runModal() override { return exec() == QDialog::Accepted; }

    // Figures of the store as it is now, for the chosen box choice; no box chosen.
    void loadFromState();
    void chooseBoxes(BoxChoice choice);
    void showBoxDetails(int box);  // box index, -1 for none

    QTableWidget* grid() const { return grid_; }
    QTableWidget* details() const { return details_; }
    QListWidget* boxList() const { return boxList_; }
    QPushButton* backButton() const { return backButton_; }
    QPushButton* printButton() const { return printButton_; }
    QPushButton* saveButton() const { return saveButton_; }
    const TextGrid& shownGrid() const { return shownGrid_; }
    int chosenBox() const { return chosenBox_; }

    // The printed page: the caption, the grid and the chosen box's details, scaled to fit
    // `page` (device units of the painter).
    void paintPage(QPainter& painter, const QRect& page) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The grid's header rows and input columns stay in view while it scrolls: three views of
    // the same cells lie over its top rows, its left columns and the corner where they meet.
    QTableView* makeFrozenPane();
    void placeFrozenPanes();
    void onCellClicked(int row, int column);
    void onPrintClicked();
    void onSaveClicked();
    void fill();

    AppState& state_;
    FileDialogs& dialogs_;
    Prompts& prompts_;
    BoxChoice choice_ = BoxChoice::Hourly;
    Statistics stats_;
    TextGrid shownGrid_;
    int chosenBox_ = -1;

    QTableWidget* grid_ = nullptr;
    QTableView *frozenRows_ = nullptr, *frozenColumns_ = nullptr, *frozenCorner_ = nullptr;
    QTableWidget* details_ = nullptr;
    QListWidget* boxList_ = nullptr;
    QPushButton* backButton_ = nullptr;
    QPushButton* printButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
};

}  // namespace zvl
