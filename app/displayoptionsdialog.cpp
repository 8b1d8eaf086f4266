#include "app/displayoptionsdialog.h"

#include <QCheckBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "qt/cp1252.h"
#include "session/help.h"

namespace zvl {

namespace {
constexpr int kColumnWidth = 272;
constexpr int kFirstRowY = 24;
constexpr int kRowStep = 30;
}  // namespace

void centreOnScreen(QWidget& dialog) {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - QPoint(dialog.width() / 2, dialog.height() / 2));
}

DisplayOptionsDialog::DisplayOptionsDialog(AppState& state, QWidget* parent)
    : QDialog(parent), state_(state) {
    setObjectName(QStringLiteral("DisplayOptionsDialog"));
    setWindowTitle(QStringLiteral("Corvask Pellam - ZVL Display Options"));
    setProperty("helpContext", kHelpDisplayOptions);
    setModal(true);
    setFixedSize(2 * kColumnWidth + 24, 350);

    for (int column = 0; column < 2; ++column) {
        const int left = 8 + column * (kColumnWidth + 8);
        auto* bevel = new QFrame(this);
        bevel->setObjectName(column == 0 ? QStringLiteral("leftColumnBevel")
                                         : QStringLiteral("rightColumnBevel"));
        bevel->setFrameStyle(QFrame::Panel | QFrame::Raised);
        bevel->setGeometry(left, 8, kColumnWidth, 280);
        auto* caption = new QLabel(QStringLiteral("Input Labels"), this);
        caption->setObjectName(column == 0 ? QStringLiteral("labelColumnCaption")
                                           : QStringLiteral("activeColumnCaption"));
        caption->setGeometry(left + 64, kFirstRowY + 8 * kRowStep - 2, 130, 18);
    }

    for (int i = 1; i <= kInputCount; ++i) {
        const int left = 8 + (i > 8 ? kColumnWidth + 8 : 0);
        const int y = kFirstRowY + kRowStep * ((i - 1) % 8);
        auto* caption = new QLabel(QStringLiteral("Input %1").arg(i), this);
        caption->setObjectName(QStringLiteral("inputCaption%1").arg(i));
        caption->setGeometry(left + 8, y + 2, 56, 18);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("inputLabelEdit%1").arg(i));
        edit->setMaxLength(int(kMaxInputLabelLength));
        edit->setGeometry(left + 64, y, 130, 22);
        auto* box = new QCheckBox(QStringLiteral("Active"), this);
        box->setObjectName(QStringLiteral("inputActiveBox%1").arg(i));
        box->setGeometry(left + 204, y + 1, 62, 20);
        edits_[size_t(i - 1)] = edit;
        boxes_[size_t(i - 1)] = box;
    }

    acceptButton_ = new QPushButton(QStringLiteral("Accept"), this);
    acceptButton_->setObjectName(QStringLiteral("acceptButton"));
    acceptButton_->setGeometry(56, 304, 120, 30);
    acceptButton_->setDefault(true);
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    cancelButton_->setGeometry(224, 304, 120, 30);
    setAllActiveButton_ = new QPushButton(QStringLiteral("Set All Active"), this);
    setAllActiveButton_->setObjectName(QStringLiteral("setAllActiveButton"));
    setAllActiveButton_->setGeometry(392, 304, 120, 30);

    connect(acceptButton_, &QPushButton::clicked, this, [this] { onAcceptClicked(); });
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(setAllActiveButton_, &QPushButton::clicked, this, [this] { onSetAllActiveClicked(); });

    loadFromState();
}

void DisplayOptionsDialog::loadFromState() {
    for (size_t k = 0; k < size_t(kInputCount); ++k) {
        edits_[k]->setText(fromCp1252(state_.inputLabels[k]));
        boxes_[k]->setChecked(state_.inputActive[k]);
    }
}

void DisplayOptionsDialog::showEvent(QShowEvent* event) {
    // The stored names and flags, not what was typed and cancelled last time.
    loadFromState();
    centreOnScreen(*this);
    QDialog::showEvent(event);
}

void DisplayOptionsDialog::onAcceptClicked() {
    DisplayOptions shown;
    for (size_t k = 0; k < size_t(kInputCount); ++k) {
        shown.labels[k] = toCp1252(edits_[k]->text());
        shown.active[k] = boxes_[k]->isChecked();
    }
    acceptDisplayOptions(state_, shown);
    accept();
}

void DisplayOptionsDialog::onSetAllActiveClicked() {
    setAllInputsActive(state_);
    loadFromState();  // the dialog shows the store again, every box ticked
}

}  // namespace zvl
