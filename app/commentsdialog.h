#pragma once
// "Notes and Comments": the comment lines of the recording in one edit.

#include <QDialog>
#include <string>
#include <vector>

class QPlainTextEdit;

namespace zvl {

class CommentsDialog : public QDialog {
    Q_OBJECT
public:
    explicit CommentsDialog(QWidget* parent);
    // Loads the lines; exec() then returns Accepted with the edited lines in lines().
    void setLines(const std::vector<std::string>& lines);
    std::vector<std::string> lines() const;
    QPlainTextEdit* editor() const { return edit_; }

private:
    QPlainTextEdit* edit_;
};

}  // namespace zvl
