#include "app/coloursdialog.h"

#include <QColorDialog>
#include <QFrame>
#include <QPixmap>
#include <QPushButton>

#include "app/displayoptionsdialog.h"
#include "qt/qtcanvas.h"
#include "session/help.h"

namespace zvl {

namespace {
// Where each colour button stands, in the order of kColourButtons, and its object name.
struct ButtonPlace {
    int x, y;
    const char* name;
};
constexpr std::array<ButtonPlace, kColourButtons.size()> kPlaces{{
    {24, 24, "onButton"},             // On
    {136, 24, "offButton"},           // Off
    {248, 24, "changeButton"},        // Change
    {24, 70, "highlightOnButton"},    // Highlight On
    {136, 70, "highlightOffButton"},  // Highlight Off
    {248, 70, "backgroundButton"},    // Background
}};
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 32;
}  // namespace

ColoursDialog::ColoursDialog(AppState& state, Prompts& prompts, ViewHooks& view, ColourPicker& picker,
                             QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      state_(state),
      prompts_(prompts),
      view_(view),
      picker_(picker) {
    setObjectName(QStringLiteral("ColoursDialog"));
    setWindowTitle(QStringLiteral("Corvask Pellam - ZVL Colours"));
    setProperty("helpContext", kHelpColours);
    setModal(true);
    setFixedSize(kWidth, kHeight);

    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("colourFrame"));
    bevel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    bevel->setGeometry(8, 8, kWidth - 16, 150);

    for (ColourButton b : kColourButtons) {
        const ButtonPlace& place = kPlaces[size_t(b)];
        auto* button = new QPushButton(QString::fromLatin1(colourButtonCaption(b)), this);
        button->setObjectName(QString::fromLatin1(place.name));
        button->setGeometry(place.x, place.y, kButtonWidth, kButtonHeight);
        connect(button, &QPushButton::clicked, this, [this, b] { onColourClicked(b); });
        colourButtons_[size_t(b)] = button;
    }
    defaultButton_ = new QPushButton(QStringLiteral("Default"), this);
    defaultButton_->setObjectName(QStringLiteral("defaultButton"));
    defaultButton_->setGeometry(136, 116, kButtonWidth, kButtonHeight);
    connect(defaultButton_, &QPushButton::clicked, this, [this] { onDefaultClicked(); });
    acceptButton_ = new QPushButton(QStringLiteral("Accept"), this);
    acceptButton_->setObjectName(QStringLiteral("acceptButton"));
    acceptButton_->setGeometry(136, 168, kButtonWidth, 30);
    acceptButton_->setDefault(true);
    connect(acceptButton_, &QPushButton::clicked, this, &QDialog::accept);

    loadFromState();
}

void ColoursDialog::loadFromState() {
    for (ColourButton b : kColourButtons) {
        QPixmap swatch(12, 12);
        swatch.fill(toQColor(colourSlot(state_.colours, b)));
        colourButtons_[size_t(b)]->setIcon(swatch);
    }
}

void ColoursDialog::showEvent(QShowEvent* event) {
    loadFromState();
    centreOnScreen(*this);
    QDialog::showEvent(event);
}

void ColoursDialog::onColourClicked(ColourButton b) {
    pickColour(state_, b, picker_, view_);
    loadFromState();
}

void ColoursDialog::onDefaultClicked() {
    askForDefaultColours(state_, prompts_);
    accept();  // closes with OK whatever the answer
}

std::optional<uint32_t> QtColourPicker::pick(uint32_t current) {
    QColorDialog dialog(toQColor(current), parent_);
    dialog.setObjectName("colourPicker");
    dialog.setProperty("helpContext", kHelpColours);  // F1 here: the page about the colours
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QColor picked = dialog.selectedColor();
    if (!picked.isValid()) return std::nullopt;
    return rgb(uint8_t(picked.red()), uint8_t(picked.green()), uint8_t(picked.blue()));
}

}  // namespace zvl
