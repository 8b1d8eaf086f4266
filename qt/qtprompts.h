#pragma once
// Questions and messages as modal Qt boxes. Needs a QApplication (widgets).

#include <QPointer>
#include <QString>
#include <QWidget>

#include "platform/prompts.h"

namespace zvl {

class QtPrompts final : public Prompts {
public:
    // parent: the window the boxes belong to (may be null, may be set later).
    // title: the message boxes' caption; empty means "Pellam - ZVL".
    explicit QtPrompts(QWidget* parent = nullptr, const QString& title = QString());
    ~QtPrompts() override;

    void setParent(QWidget* parent) { parent_ = parent; }
    QString title() const { return title_; }

    void warning(const std::string& text) override;
    void information(const std::string& text) override;
    bool confirm(const std::string& text, IfEscaped escaped) override;
    std::string inputBox(const std::string& caption, const std::string& prompt,
                         const std::string& defaultAnswer) override;
    void setBusyCursor(bool busy) override;
    std::optional<int> selectPort(const std::vector<int>& portNumbers, const std::string& note) override;
    ChoiceAnswer choiceBox(const std::string& message, std::optional<int64_t> result) override;

    bool busyCursorShown() const { return busy_; }

private:
    QPointer<QWidget> parent_;
    QString title_;
    bool busy_ = false;
};

}  // namespace zvl
