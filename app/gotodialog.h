#pragma once
// The go-to dialog (Tools > "&Go To Event..."): brings a result under the cursor of both views,
// by its number ("Go To Event") or by a date and time ("Go To Time"). It shows when the
// recording starts and stops and how many results it holds. Bad input gets a message and the
// dialog stays open; a move closes it with OK.

#include <QDialog>

#include "core/state.h"
#include "platform/modaldialog.h"
#include "platform/prompts.h"

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimeEdit;

namespace zvl {

class GoToDialog final : public QDialog, public ModalDialog {
    Q_OBJECT
public:
    GoToDialog(AppState& state, Prompts& prompts, QWidget* parent = nullptr);

    static constexpr int kHelpContext = 152;

    bool runModal() override { return exec() == QDialog::Accepted; }

    // Fields preset for a new visit: Event "1", the date and time of the cursor result, the
    // recording's span.
    void loadFromState();

    QLineEdit* eventEdit() const { return eventEdit_; }
    QDateEdit* dateEdit() const { return dateEdit_; }
    QTimeEdit* timeEdit() const { return timeEdit_; }
    QLabel* startValue() const { return startValue_; }
    QLabel* stopValue() const { return stopValue_; }
    QLabel* totalValue() const { return totalValue_; }
    QPushButton* goToEventButton() const { return goToEventButton_; }
    QPushButton* goToTimeButton() const { return goToTimeButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void onGoToEventClicked();
    void onGoToTimeClicked();

    AppState& state_;
    Prompts& prompts_;
    QLineEdit* eventEdit_ = nullptr;
    QDateEdit* dateEdit_ = nullptr;
    QTimeEdit* timeEdit_ = nullptr;
    QLabel* startValue_ = nullptr;
    QLabel* stopValue_ = nullptr;
    QLabel* totalValue_ = nullptr;
    QPushButton* goToEventButton_ = nullptr;
    QPushButton* goToTimeButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace zvl
