#pragma once
// SearchKeyDialog, the search key dialog (Tools > "&Search Key"): one group of five choices per
// input under painted condition labels and symbols, "Accept", "Cancel" and "Set ALL to "Do not
// Care"", and under them "Held at least" and "at most" (blank: no limit). Created once and
// reused; it loads its choices from the stored key each time it opens and writes them back only
// on "Accept" (a limit that is not a duration is said, and the dialog stays open).

#include <QDialog>
#include <array>

#include "core/state.h"
#include "platform/modaldialog.h"
#include "search/searchkey.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zvl {

class SearchKeyDialog final : public QDialog, public ModalDialog {
    Q_OBJECT
public:
    explicit SearchKeyDialog(AppState& state, QWidget* parent = nullptr);

    static constexpr int kWidth = 800;
    static constexpr int kHeight = 575;
    static constexpr int kHelpContext = 152;
    // Where the five condition labels and symbols stand over each half.
    static constexpr std::array<int, kConditionCount> kLabelX{180, 219, 257, 295, 334};
    static constexpr std::array<int, kConditionCount> kSymbolX{180, 218, 256, 294, 332};
    static constexpr int kRightHalfShift = 392;

    bool runModal() override { return exec() == QDialog::Accepted; }

    // The choice group of input i (1..16), its chosen item (-1 for none), its name label.
    QGroupBox* radioGroup(int input) const { return groups_[size_t(input - 1)]; }
    int chosenItem(int input) const;
    void chooseItem(int input, int item);
    QLabel* nameLabel(int input) const { return nameLabels_[size_t(input - 1)]; }
    QPushButton* acceptButton() const { return acceptButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }
    QPushButton* setAllButton() const { return setAllButton_; }
    // "Held at least" and "at most": durations, blank for no limit.
    QLineEdit* heldAtLeastEdit() const { return heldAtLeast_; }
    QLineEdit* heldAtMostEdit() const { return heldAtMost_; }

    // Labels, choices and enabled groups from the stored key and input description.
    void loadFromState();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void addHeldLimits();    // "Held at least" and "at most" with their labels
    void onAcceptClicked();  // Accept
    void onSetAllClicked();  // Set ALL to "Do not Care"

    AppState& state_;
    std::array<QGroupBox*, kInputCount> groups_{};
    std::array<QButtonGroup*, kInputCount> choices_{};
    std::array<QLabel*, kInputCount> nameLabels_{};
    QPushButton* acceptButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* setAllButton_ = nullptr;
    QLineEdit* heldAtLeast_ = nullptr;
    QLineEdit* heldAtMost_ = nullptr;
};

}  // namespace zvl
