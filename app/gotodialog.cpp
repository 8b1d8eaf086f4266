#include "app/gotodialog.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimeEdit>

#include "core/timerules.h"
#include "qt/cp1252.h"
#include "search/goto.h"

namespace zvl {

namespace {
constexpr int kWidth = 380;
constexpr int kHeight = 214;

QLabel* caption(const QString& text, const QString& name, QWidget* parent, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(x, y, 60, 22);
    return label;
}

QLabel* value(const QString& name, QWidget* parent, int x, int y) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(x, y, 150, 22);
    return label;
}
}  // namespace

GoToDialog::GoToDialog(AppState& state, Prompts& prompts, QWidget* parent)
    : QDialog(parent), state_(state), prompts_(prompts) {
    setObjectName(QStringLiteral("GoToDialog"));
    setWindowTitle(QStringLiteral("Corvask Pellam - Go To Event"));
    setProperty("helpContext", kHelpContext);
    setModal(true);
    setFixedSize(kWidth, kHeight);

    caption(QStringLiteral("Event"), QStringLiteral("EventLabel"), this, 12, 14);
    eventEdit_ = new QLineEdit(QStringLiteral("1"), this);
    eventEdit_->setObjectName(QStringLiteral("EventEdit"));
    eventEdit_->setGeometry(76, 14, 100, 24);

    // Month names are the fixed English ones, whatever the desktop's language.
    const QLocale english(QLocale::English, QLocale::UnitedKingdom);
    dateEdit_ = new QDateEdit(this);
    dateEdit_->setObjectName(QStringLiteral("DateEdit"));
    dateEdit_->setLocale(english);
    dateEdit_->setDisplayFormat(QStringLiteral("d MMMM yyyy"));
    dateEdit_->setDateRange(QDate(2000, 1, 1), QDate(2068, 1, 19));
    dateEdit_->setGeometry(12, 50, 170, 24);
    timeEdit_ = new QTimeEdit(this);
    timeEdit_->setObjectName(QStringLiteral("TimeEdit"));
    timeEdit_->setLocale(english);
    timeEdit_->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    timeEdit_->setGeometry(192, 50, 90, 24);

    caption(QStringLiteral("Start"), QStringLiteral("StartLabel"), this, 12, 90);
    startValue_ = value(QStringLiteral("StartValue"), this, 76, 90);
    caption(QStringLiteral("Stop"), QStringLiteral("StopLabel"), this, 12, 114);
    stopValue_ = value(QStringLiteral("StopValue"), this, 76, 114);
    caption(QStringLiteral("Total"), QStringLiteral("TotalLabel"), this, 12, 138);
    totalValue_ = value(QStringLiteral("TotalValue"), this, 76, 138);

    goToEventButton_ = new QPushButton(QStringLiteral("Go To Event"), this);
    goToEventButton_->setObjectName(QStringLiteral("GoToEventButton"));
    goToEventButton_->setGeometry(12, 174, 110, 28);
    goToEventButton_->setDefault(true);
    goToTimeButton_ = new QPushButton(QStringLiteral("Go To Time"), this);
    goToTimeButton_->setObjectName(QStringLiteral("GoToTimeButton"));
    goToTimeButton_->setGeometry(134, 174, 110, 28);
    goToTimeButton_->setAutoDefault(false);
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("CancelButton"));
    cancelButton_->setGeometry(256, 174, 110, 28);
    cancelButton_->setAutoDefault(false);

    connect(goToEventButton_, &QPushButton::clicked, this, [this] { onGoToEventClicked(); });
    connect(goToTimeButton_, &QPushButton::clicked, this, [this] { onGoToTimeClicked(); });
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

    loadFromState();
}

void GoToDialog::loadFromState() {
    eventEdit_->setText(QStringLiteral("1"));
    const LocalDateTime preset = dateTimeFromTimeStamp(goToPresetTime(state_));
    dateEdit_->setDate(QDate(preset.year, preset.month, preset.day));
    timeEdit_->setTime(QTime(preset.hour, preset.minute, preset.second));
    const RecordingSpan span = recordingSpan(state_);
    startValue_->setText(fromCp1252(span.start));
    stopValue_->setText(fromCp1252(span.stop));
    totalValue_->setText(QString::number(span.total));
}

void GoToDialog::showEvent(QShowEvent* event) {
    loadFromState();
    QDialog::showEvent(event);
}

void GoToDialog::onGoToEventClicked() {
    if (goToEvent(state_, prompts_, toCp1252(eventEdit_->text()))) accept();
}

void GoToDialog::onGoToTimeClicked() {
    const QDate d = dateEdit_->date();
    const QTime t = timeEdit_->time();
    const LocalDateTime moment{d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), 0};
    if (goToTime(state_, prompts_, timeStampFromDateTime(moment))) accept();
}

}  // namespace zvl
