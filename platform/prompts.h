#pragma once
// Questions and messages to the user: modal boxes in the application, stderr and fixed
// answers in the zvl tool.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zvl {

// The answer a question gets when the user presses Escape or closes its box: the one that
// leaves things as they are, which each question names.
enum class IfEscaped : bool { No = false, Yes = true };

// The buttons of the choice box about a result with a wrong time.
enum class ChoiceAnswer { DeleteThis, DeleteAll, CorrectThis, CorrectAll, IgnoreThis, IgnoreAll };

class Prompts {
public:
    virtual ~Prompts() = default;
    virtual void warning(const std::string& text) = 0;      // one OK button
    virtual void information(const std::string& text) = 0;  // one OK button
    // Yes = true, No = false; Escape or closing the box gives `escaped`.
    virtual bool confirm(const std::string& text, IfEscaped escaped) = 0;
    // Input box; returns the answer, or defaultAnswer when cancelled.
    virtual std::string inputBox(const std::string& caption, const std::string& prompt,
                                 const std::string& defaultAnswer) = 0;
    virtual void setBusyCursor(bool busy) = 0;  // hourglass or default cursor
    // The "Select Port" choice among the given port numbers, with a note under the list when
    // it is not empty; nullopt when cancelled.
    virtual std::optional<int> selectPort(const std::vector<int>& portNumbers, const std::string& note) = 0;
    // The choice box. With a result it offers all six buttons and names that result; without
    // one it offers only the two Ignore buttons.
    virtual ChoiceAnswer choiceBox(const std::string& message, std::optional<int64_t> result) = 0;
};

}  // namespace zvl
