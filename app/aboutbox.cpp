#include "app/aboutbox.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/displayoptionsdialog.h"
#include "session/help.h"

namespace zvl {

namespace {
// The maker's logo: a navy disc crossed by a white pulse train, the signal the instrument
// records, over a thin gold ring.
class Logo : public QWidget {
public:
    explicit Logo(QWidget* parent) : QWidget(parent) { setFixedSize(90, 90); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(QColor(212, 160, 23), 3));
        p.setBrush(QColor(16, 32, 96));
        p.drawEllipse(QRectF(3, 3, 84, 84));
        QPainterPath pulse;
        pulse.moveTo(14, 56);
        const int steps[] = {24, 34, 42, 56, 66};
        bool high = false;
        for (int x : steps) {
            pulse.lineTo(x, high ? 34 : 56);
            high = !high;
            pulse.lineTo(x, high ? 34 : 56);
        }
        pulse.lineTo(76, high ? 34 : 56);
        p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(pulse);
    }
};

QLabel* addLabel(QWidget* parent, const QString& text, const QRect& geometry, const char* name = nullptr) {
    auto* l = new QLabel(text, parent);
    if (name) l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(geometry);
    return l;
}
}  // namespace

AboutBox::AboutBox(const AppState& state, std::string settingsPath, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      state_(state),
      settingsPath_(std::move(settingsPath)) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Corvask Pellam - ZVL"));
    setProperty("helpContext", kHelpAbout);
    setModal(true);
    setFixedSize(kWidth, kHeight);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("titlePanel"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(8, 8, kWidth - 16, 264);

    auto* logo = new Logo(panel);
    logo->setObjectName(QStringLiteral("ProgramIcon"));
    logo->move(10, 10);
    QLabel* maker = addLabel(panel, QStringLiteral("Corvask"), QRect(112, 12, 210, 30), "ProductName");
    QFont big = maker->font();
    big.setPixelSize(24);
    big.setBold(true);
    maker->setFont(big);
    addLabel(panel, QStringLiteral("Pellam - ZVL input recorder"), QRect(112, 46, 210, 18));
    addLabel(panel, QStringLiteral("Corvask Instruments"), QRect(112, 66, 210, 18));
    addLabel(panel, QString::fromLatin1(kAboutContactText), QRect(112, 84, 210, 18), "Contact");

    auto* frame = new QFrame(panel);
    frame->setObjectName(QStringLiteral("versionFrame"));
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setGeometry(8, 110, kWidth - 32, 146);
    version_ = addLabel(frame, QString(), QRect(8, 8, 300, 18), "Version");
    addLabel(frame, QStringLiteral("Pellam Firmware  Version "), QRect(8, 28, 150, 18), "firmwareCaption");
    firmware_ = addLabel(frame, QStringLiteral("Unknown"), QRect(158, 28, 140, 18), "firmwareLabel");
    QLabel* notice =
        addLabel(frame,
                 QStringLiteral("Copyright \u00a9 2026 Pellam ZVL companion developers. Free software "
                                "under the MIT License (the file LICENSE); it comes without warranty "
                                "of any kind."),
                 QRect(8, 52, kWidth - 48, 62), "Copyright");
    notice->setWordWrap(true);
    addLabel(frame, QStringLiteral("Programmed for Corvask by the Pellam ZVL team"), QRect(8, 118, 300, 18),
             "Comments");

    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName(QStringLiteral("informationMemo"));
    memo_->setReadOnly(true);
    memo_->setGeometry(panel->geometry());
    memo_->hide();

    backButton_ = new QPushButton(QStringLiteral("Back"), this);
    backButton_->setObjectName(QStringLiteral("backButton"));
    backButton_->setGeometry(40, 282, 120, 30);
    backButton_->setDefault(true);
    informationButton_ = new QPushButton(QStringLiteral("Useful Information"), this);
    informationButton_->setObjectName(QStringLiteral("informationButton"));
    informationButton_->setGeometry(192, 282, 120, 30);
    connect(backButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(informationButton_, &QPushButton::clicked, this, [this] { onInformationClicked(); });

    loadFromState();
}

void AboutBox::loadFromState() {
    memo_->hide();
    version_->setText(QString::fromLatin1(kSoftwareVersionText));
    if (state_.instrumentOnline) firmware_->setText(QString::fromStdString(state_.firmwareVersion));
}

void AboutBox::showEvent(QShowEvent* event) {
    loadFromState();
    // Back (OK) is the default every time: a button focused last time would take Enter.
    backButton_->setDefault(true);
    backButton_->setFocus();
    centreOnScreen(*this);
    QDialog::showEvent(event);
}

void AboutBox::onInformationClicked() {
    memo_->setPlainText(QString::fromStdString(usefulInformationText(state_, settingsPath_)));
    memo_->show();
    memo_->raise();
}

}  // namespace zvl
