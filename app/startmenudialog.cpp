#include "app/startmenudialog.h"

#include "session/help.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace zvl {

StartMenuDialog::StartMenuDialog(Actions actions, QWidget* parent) : QDialog(parent), actions_(std::move(actions)) {
    setObjectName("StartMenuDialog");
    setWindowTitle("Corvask Pellam ZVL - Options");
    setProperty("helpContext", kHelpStartMenu);
    // No border icons: the dialog is left through its buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(389, 277);
    setModal(true);

    auto* heading = new QLabel("Please choose an activity", this);
    heading->setGeometry(24, 12, 341, 24);
    heading->setAlignment(Qt::AlignCenter);
    QFont f = heading->font();
    f.setBold(true);
    heading->setFont(f);

    struct Entry {
        const char* name;
        const char* caption;
        int y;
        std::function<void()> Actions::*action;
    };
    const Entry entries[] = {
        {"Button2", "Examine Existing Records", 48, &Actions::examine},
        {"Button3", "Upload Data from Pellam", 90, &Actions::upload},
        {"Button4", "Collect Data", 132, &Actions::collect},
        {"Button5", "Exit Pellam", 174, &Actions::exitProgram},
    };
    for (const Entry& s : entries) {
        auto* b = new QPushButton(s.caption, this);
        b->setObjectName(s.name);
        b->setGeometry(94, s.y, 200, 34);
        const auto member = s.action;
        connect(b, &QPushButton::clicked, this, [this, member] { run(actions_.*member); });
    }
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("Button1");
    cancel->setGeometry(144, 226, 100, 30);
    connect(cancel, &QPushButton::clicked, this, [this] { run({}); });
}

QPushButton* StartMenuDialog::button(int n) const { return findChild<QPushButton*>(QString("Button%1").arg(n)); }

void StartMenuDialog::run(const std::function<void()>& action) {
    if (action) action();
    reject();  // every button closes the dialog with the Cancel result
}

void StartMenuDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
}

}  // namespace zvl
