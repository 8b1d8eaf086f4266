#pragma once
// "Select Port": offered when the configured serial port cannot be used. A combo box of
// "COMn" entries, OK and Cancel.

#include <QDialog>
#include <optional>
#include <vector>

class QComboBox;
class QPushButton;

namespace zvl {

class SelectPortDialog final : public QDialog {
    Q_OBJECT
public:
    // note: a line under the list when not empty (ports this user may not open).
    explicit SelectPortDialog(const std::vector<int>& portNumbers, QWidget* parent = nullptr,
                              const QString& note = QString());

    // The port number of the chosen entry (the digits after "COM"); nullopt when the box was
    // cancelled or offers no entry.
    std::optional<int> chosenPort() const;

    QComboBox* portList() const { return portList_; }
    QPushButton* okButton() const { return okButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

private:
    QComboBox* portList_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace zvl
