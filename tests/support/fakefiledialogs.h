#pragma once
// File dialogs for headless tests: each dialog shown is recorded with its description, and
// answered with the next scripted path (a cancel when none is left or the answer is nullopt).

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/filedialogs.h"

namespace zvl::test {

class ScriptedFileDialogs : public FileDialogs {
public:
    struct Shown {
        bool save = false;
        FileDialogSpec request;
    };

    std::optional<std::string> openFile(const FileDialogSpec& request) override {
        return answer(false, request);
    }
    std::optional<std::string> saveFile(const FileDialogSpec& request) override {
        return answer(true, request);
    }
    std::optional<std::string> openFolder(const FileDialogSpec& request) override {
        return answer(false, request);
    }

    std::deque<std::optional<std::string>> answers;
    std::vector<Shown> shown;
    std::function<void()> onShow;  // runs inside the dialog (a modal loop)

private:
    std::optional<std::string> answer(bool save, const FileDialogSpec& request) {
        shown.push_back({save, request});
        if (onShow) onShow();
        if (answers.empty()) return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
};

}  // namespace zvl::test
