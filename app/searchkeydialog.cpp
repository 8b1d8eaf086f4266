#include "app/searchkeydialog.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "qt/cp1252.h"
#include "qt/qtcanvas.h"
#include "search/matchsearch.h"

namespace zvl {

namespace {
constexpr int kGroupLeft = 176;
constexpr int kGroupTop = 152;
constexpr int kRowStep = 40;
constexpr int kGroupWidth = 196;
constexpr int kGroupHeight = 37;
constexpr int kLabelTextY = 120;  // origin of the upward-reading condition labels

QPoint groupOrigin(int input) {
    const int row = (input - 1) % 8;
    const int x = kGroupLeft + (input > 8 ? SearchKeyDialog::kRightHalfShift : 0);
    return {x, kGroupTop + kRowStep * row};
}
}  // namespace

SearchKeyDialog::SearchKeyDialog(AppState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setObjectName(QStringLiteral("SearchKeyDialog"));
    setWindowTitle(QStringLiteral("Corvask Pellam - ZVL   Define Search Key"));
    setProperty("helpContext", kHelpContext);
    setModal(true);
    setFixedSize(kWidth, kHeight);

    // The bevels first, so the groups lie over them.
    for (int half = 0; half < 2; ++half) {
        auto* bevel = new QFrame(this);
        bevel->setObjectName(half == 0 ? QStringLiteral("leftHalfBevel") : QStringLiteral("rightHalfBevel"));
        bevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bevel->setGeometry(8 + half * kRightHalfShift, 24, 384, 456);
    }

    QFont numberFont = font();
    numberFont.setBold(true);
    QPalette navy = palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));

    for (int i = 1; i <= kInputCount; ++i) {
        const QPoint origin = groupOrigin(i);

        auto* name = new QLabel(this);
        name->setObjectName(QStringLiteral("inputNameLabel%1").arg(i));
        name->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        name->setGeometry(origin.x() - 164, origin.y() + 8, 128, 20);
        nameLabels_[size_t(i - 1)] = name;

        auto* number = new QLabel(QString::number(i), this);
        number->setObjectName(QStringLiteral("inputNumberLabel%1").arg(i));
        number->setFont(numberFont);
        number->setPalette(navy);
        number->setAlignment(Qt::AlignCenter);
        number->setGeometry(origin.x() - 32, origin.y() + 8, 26, 20);

        auto* group = new QGroupBox(this);
        group->setObjectName(QStringLiteral("conditionGroup%1").arg(i));
        group->setGeometry(origin.x(), origin.y(), kGroupWidth, kGroupHeight);
        auto* buttons = new QButtonGroup(group);
        buttons->setExclusive(true);
        for (int c = 0; c < kConditionCount; ++c) {
            auto* item = new QRadioButton(group);
            item->setObjectName(QStringLiteral("conditionGroup%1Choice%2").arg(i).arg(c));
            item->setAccessibleName(QString::fromLatin1(kConditionLabels[c]));
            // Each choice stands under the centre of its symbol.
            const int centre = kSymbolX[size_t(c)] + 10 - kGroupLeft;
            item->setGeometry(centre - 8, (kGroupHeight - 20) / 2, 20, 20);
            buttons->addButton(item, c);
        }
        groups_[size_t(i - 1)] = group;
        choices_[size_t(i - 1)] = buttons;
    }

    acceptButton_ = new QPushButton(QStringLiteral("Accept"), this);
    acceptButton_->setObjectName(QStringLiteral("acceptButton"));
    acceptButton_->setGeometry(168, 508, 120, 30);
    acceptButton_->setDefault(true);
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    cancelButton_->setGeometry(304, 508, 120, 30);
    setAllButton_ = new QPushButton(QStringLiteral("Set ALL to \"Do not Care\""), this);
    setAllButton_->setObjectName(QStringLiteral("setAllButton"));
    setAllButton_->setGeometry(440, 508, 200, 30);

    addHeldLimits();

    connect(acceptButton_, &QPushButton::clicked, this, [this] { onAcceptClicked(); });
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(setAllButton_, &QPushButton::clicked, this, [this] { onSetAllClicked(); });

    loadFromState();
}

void SearchKeyDialog::addHeldLimits() {
    // Under the buttons.
    auto* atLeastLabel = new QLabel(QStringLiteral("Held at least"), this);
    atLeastLabel->setGeometry(168, 544, 84, 22);
    heldAtLeast_ = new QLineEdit(this);
    heldAtLeast_->setObjectName(QStringLiteral("heldAtLeastEdit"));
    heldAtLeast_->setGeometry(254, 544, 70, 22);
    auto* atMostLabel = new QLabel(QStringLiteral("at most"), this);
    atMostLabel->setGeometry(334, 544, 50, 22);
    heldAtMost_ = new QLineEdit(this);
    heldAtMost_->setObjectName(QStringLiteral("heldAtMostEdit"));
    heldAtMost_->setGeometry(386, 544, 70, 22);
    auto* heldHint = new QLabel(QStringLiteral("90s, 10m, 2h, 1d; blank: no limit"), this);
    heldHint->setGeometry(466, 544, 220, 22);
    for (QLineEdit* edit : {heldAtLeast_, heldAtMost_})
        edit->setToolTip(
            QStringLiteral("With a limit, Find, Next and Back go to where the key's levels began "
                           "and were held so long"));
}

int SearchKeyDialog::chosenItem(int input) const {
    return choices_[size_t(input - 1)]->checkedId();
}

void SearchKeyDialog::chooseItem(int input, int item) {
    if (QAbstractButton* b = choices_[size_t(input - 1)]->button(item)) b->setChecked(true);
}

void SearchKeyDialog::loadFromState() {
    for (int i = 1; i <= kInputCount; ++i) {
        const size_t k = size_t(i - 1);
        nameLabels_[k]->setText(fromCp1252(state_.inputLabels[k]));
        chooseItem(i, conditionChoice(state_.searchKey[k]));
        groups_[k]->setEnabled(state_.inputActive[k]);
    }
    heldAtLeast_->setText(QString::fromStdString(heldLimitText(state_.heldAtLeast)));
    heldAtMost_->setText(QString::fromStdString(heldLimitText(state_.heldAtMost)));
}

void SearchKeyDialog::showEvent(QShowEvent* event) {
    // The stored key, not what was clicked and cancelled last time.
    loadFromState();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    QDialog::showEvent(event);
}

void SearchKeyDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QtCanvas canvas(this);
    QPainter& p = canvas.painter();

    QFont labelFont(QStringLiteral("Arial"));
    labelFont.setPixelSize(13);
    labelFont.setWeight(QFont::Weight(175));
    labelFont.setItalic(false);
    labelFont.setUnderline(false);
    labelFont.setStrikeOut(false);
    labelFont.setStyleStrategy(QFont::PreferQuality);
    const QFontMetrics metrics(labelFont, this);

    for (int half = 0; half < 2; ++half) {
        const int shift = half * kRightHalfShift;
        for (int c = 0; c < kConditionCount; ++c) {
            // Reading upwards from y = 120, the tops of the letters towards x.
            p.save();
            p.setFont(labelFont);
            p.setPen(palette().color(QPalette::WindowText));
            p.translate(kLabelX[size_t(c)] + shift, kLabelTextY);
            p.rotate(-90);
            p.drawText(QPoint(0, metrics.ascent()), QString::fromLatin1(kConditionLabels[c]));
            p.restore();

            drawConditionSymbol(canvas, kSymbolX[size_t(c)] + shift, c, state_.colours);
        }
    }
}

void SearchKeyDialog::onAcceptClicked() {
    std::array<int, kInputCount> chosen{};
    for (int i = 1; i <= kInputCount; ++i) chosen[size_t(i - 1)] = chosenItem(i);
    if (const std::string error =
            acceptHeldLimits(state_, heldAtLeast_->text().toStdString(), heldAtMost_->text().toStdString());
        !error.empty()) {
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(error));
        return;
    }
    acceptSearchKey(state_, chosen);
    accept();
}

void SearchKeyDialog::onSetAllClicked() {
    setAllDoNotCare(state_);
    loadFromState();
    update();
}

}  // namespace zvl
