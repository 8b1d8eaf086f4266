#include "qt/choicebox.h"

#include "session/help.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

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
    label1_ = new QLabel(message.isEmpty() ? QStringLiteral("Message") : message, this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setWordWrap(true);
    label1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label1_->setGeometry(kMargin, kMargin, textWidth, 54);

    label2_ = new QLabel(QStringLiteral("This Will Affect Display in TimeBase Mode"), this);
    label2_->setObjectName(QStringLiteral("Label2"));
    label2_->setGeometry(kMargin, kMargin + 58, textWidth, 20);

    const int left = kMargin;
    const int right = kMargin + kButtonWidth + kColumnGap;
    const int top = kMargin + 86;
    button3_ = addButton(QStringLiteral("Button3"), QStringLiteral("Delete This Result"),
                         ChoiceAnswer::DeleteThis, left, top);
    button5_ = addButton(QStringLiteral("Button5"), QStringLiteral("Delete All Errors"),
                         ChoiceAnswer::DeleteAll, right, top);
    button2_ = addButton(QStringLiteral("Button2"), QStringLiteral("Correct This Result"),
                         ChoiceAnswer::CorrectThis, left, top + kRowStep);
    button6_ = addButton(QStringLiteral("Button6"), QStringLiteral("Correct All Errors"),
                         ChoiceAnswer::CorrectAll, right, top + kRowStep);
    button4_ = addButton(QStringLiteral("Button4"), QStringLiteral("Ignore This Result"),
                         ChoiceAnswer::IgnoreThis, left, top + 2 * kRowStep);
    button1_ = addButton(QStringLiteral("Button1"), QStringLiteral("Ignore All Errors"),
                         ChoiceAnswer::IgnoreAll, right, top + 2 * kRowStep);

    if (!withResult) {
        for (QPushButton* b : {button3_, button5_, button2_, button6_}) {
            b->setEnabled(false);
            b->hide();
        }
    }
    button4_->setDefault(true);
}

QPushButton* ChoiceBox::addButton(const QString& name, const QString& text, ChoiceAnswer answer,
                               int x, int y) {
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
        case ChoiceAnswer::DeleteThis: return button3_;
        case ChoiceAnswer::DeleteAll: return button5_;
        case ChoiceAnswer::CorrectThis: return button2_;
        case ChoiceAnswer::CorrectAll: return button6_;
        case ChoiceAnswer::IgnoreThis: return button4_;
        case ChoiceAnswer::IgnoreAll: return button1_;
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
