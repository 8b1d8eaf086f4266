#pragma once
// ChoiceBox, the choice box about a result whose time is wrong: delete, correct or ignore this
// result or all such results. Without a result of its own only the two Ignore buttons are on
// offer. Closing the box counts as "Ignore This Result".

#include <QDialog>

#include "platform/prompts.h"

class QLabel;
class QPushButton;

namespace zvl {

class ChoiceBox final : public QDialog {
    Q_OBJECT
public:
    ChoiceBox(const QString& message, bool withResult, QWidget* parent = nullptr);

    ChoiceAnswer answer() const { return answer_; }

    QLabel* messageLabel() const { return messageLabel_; }
    QLabel* noteLabel() const { return noteLabel_; }
    QPushButton* button(ChoiceAnswer which) const;

    static constexpr int kClientWidth = 363;
    static constexpr int kClientHeight = 226;

    // Escape and the window's close button: "Ignore This Result".
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* addButton(const QString& name, const QString& text, ChoiceAnswer answer, int x, int y);

    QLabel* messageLabel_ = nullptr;
    QLabel* noteLabel_ = nullptr;
    QPushButton* ignoreAllButton_ = nullptr;    // Ignore All Errors
    QPushButton* correctThisButton_ = nullptr;  // Correct This Result
    QPushButton* deleteThisButton_ = nullptr;   // Delete This Result
    QPushButton* ignoreThisButton_ = nullptr;   // Ignore This Result
    QPushButton* deleteAllButton_ = nullptr;    // Delete All Errors
    QPushButton* correctAllButton_ = nullptr;   // Correct All Errors
    ChoiceAnswer answer_ = ChoiceAnswer::IgnoreThis;
};

}  // namespace zvl
