#include "qt/selectportdialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "session/help.h"

namespace zvl {

SelectPortDialog::SelectPortDialog(const std::vector<int>& portNumbers, QWidget* parent, const QString& note)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Select Port"));
    setProperty("helpContext", kHelpSelectPort);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("The configured serial port is not valid."), this));
    layout->addWidget(new QLabel(QStringLiteral("Please choose another port."), this));

    portList_ = new QComboBox(this);
    for (int n : portNumbers) portList_->addItem(QStringLiteral("COM%1").arg(n));
    if (portList_->count() > 0) portList_->setCurrentIndex(0);
    layout->addWidget(portList_);
    if (!note.isEmpty()) {
        auto* noteLabel = new QLabel(note, this);
        noteLabel->setObjectName(QStringLiteral("note"));
        noteLabel->setWordWrap(true);
        layout->addWidget(noteLabel);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setDefault(true);
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    layout->addLayout(buttons);

    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(sizeHint());
}

std::optional<int> SelectPortDialog::chosenPort() const {
    if (result() != QDialog::Accepted || portList_->currentIndex() < 0) return std::nullopt;
    bool ok = false;
    const int n = portList_->currentText().mid(3).toInt(&ok);
    if (!ok) return std::nullopt;
    return n;
}

}  // namespace zvl
