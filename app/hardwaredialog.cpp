#include "app/hardwaredialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>

#include "core/timerules.h"
#include "session/help.h"

namespace zvl {

namespace {
constexpr int kWidth = 420;
constexpr int kHeight = 330;

QPushButton* button(const char* text, const char* name, QWidget* parent, int x, int y) {
    auto* b = new QPushButton(QString::fromLatin1(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(x, y, 180, 28);
    b->setAutoDefault(false);
    return b;
}
}  // namespace

HardwareDialog::HardwareDialog(AppState& state, InstrumentSetup& setup, QWidget* parent)
    : QDialog(parent), state_(state), setup_(setup) {
    setObjectName(QStringLiteral("HardwareDialog"));
    setProperty("helpContext", kHelpHardware);
    setWindowTitle(QString::fromLatin1(kHardwareDialogCaption));
    setModal(true);
    setFixedSize(kWidth, kHeight);

    auto* clockLabel = new QLabel(QStringLiteral("Current Pellam ZVL Date + Time"), this);
    clockLabel->setObjectName(QStringLiteral("ClockLabel"));
    clockLabel->setGeometry(12, 8, 240, 20);
    const QLocale english(QLocale::English, QLocale::UnitedKingdom);
    dateEdit_ = new QDateEdit(this);
    dateEdit_->setObjectName(QStringLiteral("DateEdit"));
    dateEdit_->setLocale(english);
    dateEdit_->setDisplayFormat(QStringLiteral("ddMMMMyyyy"));
    dateEdit_->setDateRange(QDate(2000, 1, 1), QDate(2068, 1, 19));
    dateEdit_->setGeometry(12, 30, 160, 24);
    timeEdit_ = new QTimeEdit(this);
    timeEdit_->setObjectName(QStringLiteral("TimeEdit"));
    timeEdit_->setLocale(english);
    timeEdit_->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    timeEdit_->setGeometry(180, 30, 90, 24);

    serialLabel_ = new QLabel(QString::fromLatin1(kUnknownSerialText), this);
    serialLabel_->setObjectName(QStringLiteral("SerialLabel"));
    serialLabel_->setGeometry(12, 60, 250, 20);
    notConnectedLabel_ = new QLabel(QString::fromLatin1(kNotConnectedText), this);
    notConnectedLabel_->setObjectName(QStringLiteral("NotConnectedLabel"));
    notConnectedLabel_->setStyleSheet(QStringLiteral("color: red"));
    notConnectedLabel_->setGeometry(12, 82, 250, 20);

    auto* portLabel = new QLabel(QStringLiteral("Com Port Number"), this);
    portLabel->setObjectName(QStringLiteral("PortLabel"));
    portLabel->setGeometry(280, 8, 130, 20);
    portList_ = new QComboBox(this);
    portList_->setObjectName(QStringLiteral("PortList"));
    portList_->setEditable(true);
    for (int n = 1; n <= 10; ++n) portList_->addItem(QString::number(n));
    portList_->setGeometry(280, 30, 80, 24);

    buildSettingGroups();

    backlight_ = new QCheckBox(QStringLiteral("Backlight On"), this);
    backlight_->setObjectName(QStringLiteral("BacklightBox"));
    backlight_->setGeometry(12, 196, 200, 22);

    setTimeButton_ = button("Set Pellam ZVL Time", "SetTimeButton", this, 12, 230);
    synchroniseButton_ = button("Synchronise to PC Clock", "SynchroniseButton", this, 12, 266);
    acceptButton_ = button("Accept Changes", "AcceptButton", this, 228, 230);
    cancelButton_ = button("Cancel", "CancelButton", this, 228, 266);

    connect(acceptButton_, &QPushButton::clicked, this, [this] {
        setup_.acceptChanges(portList_->currentText().toStdString(), choices());
        refreshFromInstrument();
    });
    connect(setTimeButton_, &QPushButton::clicked, this, [this] {
        const QDate d = dateEdit_->date();
        const QTime t = timeEdit_->time();
        setup_.setInstrumentTime({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), 0});
        refreshFromInstrument();
    });
    connect(synchroniseButton_, &QPushButton::clicked, this, [this] {
        setup_.synchroniseToPcClock();
        refreshFromInstrument();
    });
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

// The instrument's debounce time and memory mode, each a group of choices.
void HardwareDialog::buildSettingGroups() {
    auto* debounceGroup = new QGroupBox(QStringLiteral("Debounce Time"), this);
    debounceGroup->setObjectName(QStringLiteral("DebounceGroup"));
    debounceGroup->setGeometry(12, 108, 250, 80);
    auto* debounceGrid = new QGridLayout(debounceGroup);
    auto* debounceButtons = new QButtonGroup(this);
    for (int i = 0; i < kDebounceItems; ++i) {
        debounce_[i] = new QRadioButton(QString::fromLatin1(kDebounceTexts[i]), debounceGroup);
        debounce_[i]->setObjectName(QStringLiteral("Debounce%1").arg(i));
        debounceButtons->addButton(debounce_[i], i);
        debounceGrid->addWidget(debounce_[i], i / 2, i % 2);  // two columns, in item order
    }

    auto* memoryGroup = new QGroupBox(QStringLiteral("Memory Mode"), this);
    memoryGroup->setObjectName(QStringLiteral("MemoryModeGroup"));
    memoryGroup->setGeometry(270, 108, 140, 80);
    auto* memoryLayout = new QGridLayout(memoryGroup);
    auto* memoryButtons = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        memoryMode_[i] = new QRadioButton(QString::fromLatin1(kMemoryModeTexts[i]), memoryGroup);
        memoryMode_[i]->setObjectName(QStringLiteral("MemoryMode%1").arg(i));
        memoryButtons->addButton(memoryMode_[i], i);
        memoryLayout->addWidget(memoryMode_[i], i, 0);
    }
}

void HardwareDialog::showEvent(QShowEvent* event) {
    refreshFromInstrument();
    QDialog::showEvent(event);
}

void HardwareDialog::refreshFromInstrument() {
    portList_->setEditText(QString::number(state_.comPortNumber));
    const bool online = state_.instrumentOnline;
    notConnectedLabel_->setVisible(!online);
    if (!online) return;
    const HardwareChoices c = reportedChoices(state_);
    if (c.debounceItem >= 0) {
        debounce_[c.debounceItem]->setChecked(true);
    } else {
        // Bits that name no item: none selected.
        QButtonGroup* group = debounce_[0]->group();
        group->setExclusive(false);
        for (QRadioButton* b : debounce_) b->setChecked(false);
        group->setExclusive(true);
    }
    memoryMode_[c.memoryMode]->setChecked(true);
    backlight_->setChecked(c.backlight);
    const LocalDateTime t = dateTimeFromTimeStamp(state_.instrumentClock);
    dateEdit_->setDate(QDate(t.year, t.month, t.day));
    timeEdit_->setTime(QTime(t.hour, t.minute, t.second));
    serialLabel_->setText(QStringLiteral("Serial Number : ") +
                          QString::fromLatin1(state_.serialNumber.c_str()));
}

HardwareChoices HardwareDialog::choices() const {
    HardwareChoices c;
    for (int i = 0; i < kDebounceItems; ++i)
        if (debounce_[i]->isChecked()) c.debounceItem = i;
    c.memoryMode = memoryMode_[1]->isChecked() ? 1 : 0;
    c.backlight = backlight_->isChecked();
    return c;
}

}  // namespace zvl
