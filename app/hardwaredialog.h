#pragma once
// The hardware dialog (Setup > "&Hardware Settings..."): shows what the instrument last
// reported (its clock, serial number, debounce, memory mode and backlight) and the port for
// the next start, and sends new options or a new clock through InstrumentSetup. No button but
// Cancel closes it; after each one the dialog shows what the instrument reports.

#include <QDialog>

#include "core/state.h"
#include "link/setup.h"
#include "platform/modaldialog.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QRadioButton;
class QTimeEdit;

namespace zvl {

class HardwareDialog final : public QDialog, public ModalDialog {
    Q_OBJECT
public:
    HardwareDialog(AppState& state, InstrumentSetup& setup, QWidget* parent = nullptr);

    bool runModal() override { return exec() == QDialog::Accepted; }

    // The controls from the instrument state: online its options, clock and serial number;
    // offline the warning. The port list always shows the configured port.
    void refreshFromInstrument();
    void loadFromState() { refreshFromInstrument(); }
    // The choices as the controls hold them.
    HardwareChoices choices() const;

    QDateEdit* dateEdit() const { return dateEdit_; }
    QTimeEdit* timeEdit() const { return timeEdit_; }
    QLabel* serialLabel() const { return serialLabel_; }
    QLabel* notConnectedLabel() const { return notConnectedLabel_; }
    QComboBox* portList() const { return portList_; }
    QRadioButton* debounceButton(int item) const { return debounce_[item]; }
    QRadioButton* memoryModeButton(int item) const { return memoryMode_[item]; }
    QCheckBox* backlightBox() const { return backlight_; }
    QPushButton* setTimeButton() const { return setTimeButton_; }
    QPushButton* synchroniseButton() const { return synchroniseButton_; }
    QPushButton* acceptButton() const { return acceptButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildSettingGroups();
    AppState& state_;
    InstrumentSetup& setup_;
    QDateEdit* dateEdit_ = nullptr;
    QTimeEdit* timeEdit_ = nullptr;
    QLabel* serialLabel_ = nullptr;
    QLabel* notConnectedLabel_ = nullptr;
    QComboBox* portList_ = nullptr;
    QRadioButton* debounce_[kDebounceItems] = {};
    QRadioButton* memoryMode_[2] = {};
    QCheckBox* backlight_ = nullptr;
    QPushButton* setTimeButton_ = nullptr;
    QPushButton* synchroniseButton_ = nullptr;
    QPushButton* acceptButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace zvl
