#pragma once
// File dialogs for headless tests: each dialog shown is recorded with its description, and
// answered with the next scripted path (a cancel when none is left or the answer is nullopt).

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/filedialogs.h"

namespace zvl::test {

class ScriptedFileDialogs : public FileDialogs {
public:
    struct Shown {
        bool save = false;
        FileDialogSpec spec;
    };

    std::optional<std::string> openFile(const FileDialogSpec& spec) override { return answer(false, spec); }
    std::optional<std::string> saveFile(const FileDialogSpec& spec) override { return answer(true, spec); }

    std::deque<std::optional<std::string>> answers;
    std::vector<Shown> shown;

private:
    std::optional<std::string> answer(bool save, const FileDialogSpec& spec) {
        shown.push_back({save, spec});
        if (answers.empty()) return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
};

}  // namespace zvl::test
