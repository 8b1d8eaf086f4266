#include "app/commentsdialog.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "qt/cp1252.h"
#include "session/help.h"

namespace zvl {

CommentsDialog::CommentsDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("CommentsDialog");
    setWindowTitle("Notes and Comments");
    setProperty("helpContext", kHelpComments);
    setFixedSize(520, 300);
    edit_ = new QPlainTextEdit(this);
    edit_->setObjectName("commentMemo");
    edit_->setGeometry(10, 10, 500, 236);
    edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Tab moves on to the buttons, as in the main window's memo: a tab character would be
    // saved as comment text.
    edit_->setTabChangesFocus(true);
    auto* accept = new QPushButton("Accept", this);
    accept->setObjectName("acceptButton");
    accept->setGeometry(70, 258, 110, 30);
    auto* clear = new QPushButton("Clear Display", this);
    clear->setObjectName("clearButton");
    clear->setGeometry(205, 258, 110, 30);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("cancelButton");
    cancel->setGeometry(340, 258, 110, 30);
    connect(accept, &QPushButton::clicked, this, &QDialog::accept);
    connect(clear, &QPushButton::clicked, edit_, &QPlainTextEdit::clear);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CommentsDialog::setLines(const std::vector<std::string>& lines) {
    QStringList text;
    for (const auto& l : lines) text << fromCp1252(l);
    edit_->setPlainText(text.join('\n'));
}

std::vector<std::string> CommentsDialog::lines() const {
    std::vector<std::string> out;
    const QString text = edit_->toPlainText();
    if (text.isEmpty()) return out;
    for (const QString& l : text.split('\n')) out.push_back(toCp1252(l));
    return out;
}

}  // namespace zvl
