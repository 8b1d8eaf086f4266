#include "cli/consoleprompts.h"

#include <ostream>

namespace zvl {

void ConsolePrompts::warning(const std::string& text) {
    ++warningCount;
    if (silent) return;
    err_ << "zvl: warning: " << text << std::endl;
}

void ConsolePrompts::information(const std::string& text) {
    if (!silent) err_ << "zvl: " << text << std::endl;
}

bool ConsolePrompts::confirm(const std::string& text, IfEscaped) {
    err_ << "zvl: " << text << " " << (confirmAnswer ? "Yes" : "No") << std::endl;
    return confirmAnswer;
}

std::string ConsolePrompts::inputBox(const std::string&, const std::string&, const std::string& def) {
    return def;
}

ChoiceAnswer ConsolePrompts::choiceBox(const std::string& message, std::optional<int64_t> result) {
    if (!result) return ChoiceAnswer::IgnoreThis;  // shown without a result: nothing to act on
    if (!message.empty()) err_ << "zvl: " << message << std::endl;
    return timeErrorAnswer;
}

}  // namespace zvl
