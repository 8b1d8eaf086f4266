#pragma once
// ColoursDialog (Setup > "&Colours..."): six buttons that open the colour picker on one colour
// of the trace each, "Default" and "Accept". Every picked colour is stored at once and the
// main window repainted behind the dialog, so there is no Cancel. The picker is handed in, so
// tests can answer it.

#include <QDialog>
#include <array>

#include "core/state.h"
#include "platform/modaldialog.h"
#include "platform/prompts.h"
#include "platform/viewhooks.h"
#include "viewer/colouroptions.h"

class QPushButton;

namespace zvl {

class ColoursDialog final : public QDialog, public ModalDialog {
    Q_OBJECT
public:
    ColoursDialog(AppState& state, Prompts& prompts, ViewHooks& view, ColourPicker& picker,
                  QWidget* parent = nullptr);

    static constexpr int kWidth = 372;
    static constexpr int kHeight = 209;

    bool runModal() override { return exec() == QDialog::Accepted; }

    // Each button's swatch from the stored colours.
    void loadFromState();

    QPushButton* colourButton(ColourButton b) const { return colourButtons_[size_t(b)]; }
    QPushButton* defaultButton() const { return defaultButton_; }
    QPushButton* acceptButton() const { return acceptButton_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void onColourClicked(ColourButton b);
    void onDefaultClicked();

    AppState& state_;
    Prompts& prompts_;
    ViewHooks& view_;
    ColourPicker& picker_;
    std::array<QPushButton*, kColourButtons.size()> colourButtons_{};
    QPushButton* defaultButton_ = nullptr;
    QPushButton* acceptButton_ = nullptr;
};

// The system colour picker (QColorDialog).
class QtColourPicker final : public ColourPicker {
public:
    explicit QtColourPicker(QWidget* parent) : parent_(parent) {}
    std::optional<uint32_t> pick(uint32_t current) override;

private:
    QWidget* parent_;
};

}  // namespace zvl
