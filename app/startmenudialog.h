#pragma once
// StartMenuDialog: the start menu, shown when the splash ends and from Activity > "&Menu".

#include <QDialog>
#include <functional>

class QPushButton;

namespace zvl {

class StartMenuDialog : public QDialog {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> examine;  // "Examine Existing Records": File > Open
        std::function<void()> upload;   // "Upload Data from Pellam"
        std::function<void()> collect;  // "Collect Data"
        std::function<void()> exitProgram;
    };
    enum class Choice { Cancel, Examine, Upload, Collect, Exit };
    static constexpr Choice kChoices[] = {Choice::Cancel, Choice::Examine, Choice::Upload, Choice::Collect,
                                          Choice::Exit};
    // Escape is "Cancel": it closes the menu and starts nothing.
    StartMenuDialog(Actions actions, QWidget* parent);
    QPushButton* button(Choice choice) const;

private:
    void run(const std::function<void()>& action);
    Actions actions_;
};

}  // namespace zvl
