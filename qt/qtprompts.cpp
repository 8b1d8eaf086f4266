#include "qt/qtprompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

#include "qt/choicebox.h"
#include "qt/selectportdialog.h"
#include "session/help.h"

namespace zvl {

namespace {
QString q(const std::string& s) {
    return QString::fromStdString(s);
}
// Room in a title bar beside its caption: the window icon, three buttons and the margins.
constexpr int kTitleBarExtra = 120;

int captionWidth(const QString& caption) {
    return QFontMetrics(QApplication::font()).horizontalAdvance(caption) + kTitleBarExtra;
}

// Shows a message box at least as wide as its caption needs in the title bar: a short text
// alone would make it so narrow that the caption is cut. F1 there opens the Messages page.
QAbstractButton* runBox(QMessageBox& box) {
    box.setProperty("helpContext", kHelpMessageBox);
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(captionWidth(box.windowTitle()), 0, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    box.exec();
    return box.clickedButton();
}
}  // namespace

QtPrompts::QtPrompts(QWidget* parent, const QString& title)
    : parent_(parent), title_(title.isEmpty() ? QStringLiteral("Pellam - ZVL") : title) {}

QtPrompts::~QtPrompts() {
    if (busy_) QApplication::restoreOverrideCursor();
}

void QtPrompts::warning(const std::string& text) {
    QMessageBox box(QMessageBox::Warning, title_, q(text), QMessageBox::Ok, parent_);
    runBox(box);
}

void QtPrompts::information(const std::string& text) {
    QMessageBox box(QMessageBox::Information, title_, q(text), QMessageBox::Ok, parent_);
    runBox(box);
}

bool QtPrompts::confirm(const std::string& text, IfEscaped escaped) {
    // Only Yes and No answer the question: closing the box or Escape gives the answer that
    // leaves things as they are, which the question names ("Continue Collecting Data ?" goes
    // on collecting, "Set All ... Colours to Default Values ?" keeps the colours).
    QMessageBox box(QMessageBox::Question, title_, q(text), QMessageBox::Yes | QMessageBox::No, parent_);
    box.setDefaultButton(QMessageBox::Yes);
    const QMessageBox::StandardButton onEscape =
        escaped == IfEscaped::Yes ? QMessageBox::Yes : QMessageBox::No;
    box.setEscapeButton(onEscape);
    const QAbstractButton* clicked = runBox(box);
    if (clicked == box.button(QMessageBox::Yes)) return true;
    if (clicked == box.button(QMessageBox::No)) return false;
    return escaped == IfEscaped::Yes;
}

std::string QtPrompts::inputBox(const std::string& caption, const std::string& prompt,
                                const std::string& defaultAnswer) {
    QInputDialog box(parent_);
    box.setProperty("helpContext", kHelpMessageBox);
    box.setInputMode(QInputDialog::TextInput);
    box.setWindowTitle(q(caption));
    box.setLabelText(q(prompt));
    box.setTextValue(q(defaultAnswer));
    // The box is as wide as its caption needs in the title bar, beside the frame's icon and
    // buttons; a short prompt alone would make it so narrow that the caption is cut.
    // (The box's layout sets its minimum size from its contents, so the prompt is widened.)
    if (auto* label = box.findChild<QLabel*>()) label->setMinimumWidth(captionWidth(box.windowTitle()));
    if (box.exec() != QDialog::Accepted) return defaultAnswer;
    return box.textValue().toStdString();
}

void QtPrompts::setBusyCursor(bool busy) {
    // One override at most, so the cursor always comes back.
    if (busy == busy_) return;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    busy_ = busy;
}

std::optional<int> QtPrompts::selectPort(const std::vector<int>& portNumbers, const std::string& note) {
    SelectPortDialog dialog(portNumbers, parent_, q(note));
    dialog.exec();
    return dialog.chosenPort();
}

ChoiceAnswer QtPrompts::choiceBox(const std::string& message, std::optional<int64_t> result) {
    ChoiceBox box(q(message), result.has_value(), parent_);
    box.exec();
    return box.answer();
}

}  // namespace zvl
