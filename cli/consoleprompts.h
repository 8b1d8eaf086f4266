#pragma once
// The prompts of the zvl tool: messages go to stderr, questions get the answers the command
// chose beforehand (each command's --help says which).

#include <iosfwd>

#include "platform/prompts.h"

namespace zvl {

class ConsolePrompts : public Prompts {
public:
    explicit ConsolePrompts(std::ostream& err) : err_(err) {}
    void warning(const std::string& text) override;
    void information(const std::string& text) override;
    bool confirm(const std::string& text, IfEscaped escaped) override;
    std::string inputBox(const std::string& caption, const std::string& prompt,
                         const std::string& def) override;
    void setBusyCursor(bool) override {}
    std::optional<int> selectPort(const std::vector<int>&, const std::string&) override {
        return std::nullopt;
    }
    ChoiceAnswer choiceBox(const std::string& message, std::optional<int64_t> result) override;

    bool confirmAnswer = false;                              // "Yes" when true
    ChoiceAnswer timeErrorAnswer = ChoiceAnswer::IgnoreAll;  // answer about a named result
    int warningCount = 0;
    bool silent = false;  // warnings and information are counted, not printed (zvl log's retries)

private:
    std::ostream& err_;
};

}  // namespace zvl
