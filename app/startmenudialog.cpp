#include "app/startmenudialog.h"

#include <QLabel>
#include <QPushButton>

#include "session/help.h"

namespace zvl {

StartMenuDialog::StartMenuDialog(Actions actions, QWidget* parent)
    : QDialog(parent), actions_(std::move(actions)) {
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
        {"examineButton", "Examine Existing Records", 48, &Actions::examine},
        {"uploadButton", "Upload Data from Pellam", 90, &Actions::upload},
        {"collectButton", "Collect Data", 132, &Actions::collect},
        {"exitButton", "Exit Pellam", 174, &Actions::exitProgram},
    };
    for (const Entry& s : entries) {
        auto* b = new QPushButton(s.caption, this);
        b->setObjectName(s.name);
        b->setGeometry(94, s.y, 200, 34);
        const auto member = s.action;
        connect(b, &QPushButton::clicked, this, [this, member] { run(actions_.*member); });
    }
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("cancelButton");
    cancel->setGeometry(144, 226, 100, 30);
    connect(cancel, &QPushButton::clicked, this, [this] { run({}); });
}

QPushButton* StartMenuDialog::button(Choice choice) const {
    static constexpr const char* kNames[] = {"cancelButton", "examineButton", "uploadButton", "collectButton",
                                             "exitButton"};
    return findChild<QPushButton*>(QString::fromLatin1(kNames[int(choice)]));
}

void StartMenuDialog::run(const std::function<void()>& action) {
    if (action) action();
    reject();  // every button closes the dialog with the Cancel result
}

}  // namespace zvl
