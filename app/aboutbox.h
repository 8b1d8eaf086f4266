#pragma once
// AboutBox (Help > "&About..."): the maker's logo, name and contact line, the software version,
// the instrument's firmware version as last seen, the ownership and licence notice; "Useful
// Information" shows the port, line settings and the program's files over the panel until the
// box opens again.

#include <QDialog>
#include <string>

#include "core/state.h"
#include "platform/modaldialog.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace zvl {

class AboutBox final : public QDialog, public ModalDialog {
    Q_OBJECT
public:
    AboutBox(const AppState& state, std::string settingsPath, QWidget* parent = nullptr);

    static constexpr int kWidth = 353;
    static constexpr int kHeight = 324;

    bool runModal() override { return exec() == QDialog::Accepted; }

    // Each time the box opens: the information hidden, the version shown, the firmware label
    // set when an instrument is online (otherwise it keeps what it showed last).
    void loadFromState();

    QLabel* versionLabel() const { return version_; }
    QLabel* firmwareLabel() const { return firmware_; }
    QPlainTextEdit* informationMemo() const { return memo_; }
    QPushButton* backButton() const { return backButton_; }
    QPushButton* informationButton() const { return informationButton_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void onInformationClicked();

    const AppState& state_;
    std::string settingsPath_;
    QLabel* version_ = nullptr;
    QLabel* firmware_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    QPushButton* backButton_ = nullptr;
    QPushButton* informationButton_ = nullptr;
};

}  // namespace zvl
