#include "qt/choicebox.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "session/help.h"

namespace zvl {

namespace {
constexpr int kMargin = 12;
constexpr int kButtonWidth = 160;
constexpr int kButtonHeight = 28;
constexpr int kColumnGap = ChoiceBox::kClientWidth - 2 * kMargin - 2 * kButtonWidth;
constexpr int kRowStep = kButtonHeight + 8;
}  // namespace

ChoiceBox::ChoiceBox(const QString& message, bool withResult, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ChoiceBox"));
    setWindowTitle(QStringLiteral("Pellam - ZVL"));
    setProperty("helpContext", kHelpChoiceBox);
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);

    const int textWidth = kClientWidth - 2 * kMargin;
    messageLabel_ = new QLabel(message.isEmpty() ? QStringLiteral("Message") : message, this);
    messageLabel_->setObjectName(QStringLiteral("messageLabel"));
    messageLabel_->setWordWrap(true);
    messageLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    messageLabel_->setGeometry(kMargin, kMargin, textWidth, 54);

    noteLabel_ = new QLabel(QStringLiteral("This Will Affect Display in TimeBase Mode"), this);
    noteLabel_->setObjectName(QStringLiteral("noteLabel"));
    noteLabel_->setGeometry(kMargin, kMargin + 58, textWidth, 20);

    const int left = kMargin;
    const int right = kMargin + kButtonWidth + kColumnGap;
    const int top = kMargin + 86;
    deleteThisButton_ = addButton(QStringLiteral("deleteThisButton"), QStringLiteral("Delete This Result"),
                                  ChoiceAnswer::DeleteThis, left, top);
    deleteAllButton_ = addButton(QStringLiteral("deleteAllButton"), QStringLiteral("Delete All Errors"),
                                 ChoiceAnswer::DeleteAll, right, top);
    correctThisButton_ = addButton(QStringLiteral("correctThisButton"), QStringLiteral("Correct This Result"),
                                   ChoiceAnswer::CorrectThis, left, top + kRowStep);
    correctAllButton_ = addButton(QStringLiteral("correctAllButton"), QStringLiteral("Correct All Errors"),
                                  ChoiceAnswer::CorrectAll, right, top + kRowStep);
    ignoreThisButton_ = addButton(QStringLiteral("ignoreThisButton"), QStringLiteral("Ignore This Result"),
                                  ChoiceAnswer::IgnoreThis, left, top + 2 * kRowStep);
    ignoreAllButton_ = addButton(QStringLiteral("ignoreAllButton"), QStringLiteral("Ignore All Errors"),
                                 ChoiceAnswer::IgnoreAll, right, top + 2 * kRowStep);

    if (!withResult) {
        for (QPushButton* b : {deleteThisButton_, deleteAllButton_, correctThisButton_, correctAllButton_}) {
            b->setEnabled(false);
            b->hide();
        }
    }
    ignoreThisButton_->setDefault(true);
}

QPushButton* ChoiceBox::addButton(const QString& name, const QString& text, ChoiceAnswer answer, int x,
                                  int y) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setGeometry(x, y, kButtonWidth, kButtonHeight);
    connect(b, &QPushButton::clicked, this, [this, answer] {
        answer_ = answer;
        accept();
    });
    return b;
}

QPushButton* ChoiceBox::button(ChoiceAnswer which) const {
    switch (which) {
        case ChoiceAnswer::DeleteThis:
            return deleteThisButton_;
        case ChoiceAnswer::DeleteAll:
            return deleteAllButton_;
        case ChoiceAnswer::CorrectThis:
            return correctThisButton_;
        case ChoiceAnswer::CorrectAll:
            return correctAllButton_;
        case ChoiceAnswer::IgnoreThis:
            return ignoreThisButton_;
        case ChoiceAnswer::IgnoreAll:
            return ignoreAllButton_;
    }
    return nullptr;
}

void ChoiceBox::reject() {
    answer_ = ChoiceAnswer::IgnoreThis;
    QDialog::reject();
}

void ChoiceBox::showEvent(QShowEvent* event) {
    // Centred on the screen, whatever the parent.
    if (QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

}  // namespace zvl
