#pragma once
// DisplayOptionsDialog (Setup > "&Display..." and a click in the trace's name column): a name
// and an "Active" tick per input. Created once and reused; it shows the stored labels and
// flags each time it opens, "Accept" stores what it shows, "Set All Active" ticks every input
// in the store at once.

#include <QDialog>
#include <array>

#include "core/state.h"
#include "platform/modaldialog.h"
#include "session/displayoptions.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace zvl {

class DisplayOptionsDialog final : public QDialog, public ModalDialog {
    Q_OBJECT
public:
    explicit DisplayOptionsDialog(AppState& state, QWidget* parent = nullptr);

    bool runModal() override { return exec() == QDialog::Accepted; }

    // The edits and ticks from the stored labels and flags.
    void loadFromState();

    QLineEdit* labelEdit(int input) const { return edits_[size_t(input - 1)]; }
    QCheckBox* activeBox(int input) const { return boxes_[size_t(input - 1)]; }
    QPushButton* acceptButton() const { return acceptButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }
    QPushButton* setAllActiveButton() const { return setAllActiveButton_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void onAcceptClicked();
    void onSetAllActiveClicked();

    AppState& state_;
    std::array<QLineEdit*, kInputCount> edits_{};
    std::array<QCheckBox*, kInputCount> boxes_{};
    QPushButton* acceptButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* setAllActiveButton_ = nullptr;
};

// Centres a dialog on the screen it opens on.
void centreOnScreen(QWidget& dialog);

}  // namespace zvl
