#pragma once
// The window's dialogs as the commands run them: each shown through a runner the window holds,
// so a test can answer it instead of the user.

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/coloursdialog.h"
#include "app/commentsdialog.h"
#include "platform/modaldialog.h"
#include "session/maincommands.h"

namespace zvl {

// A dialog made once and shown through the window's runner, so a test can answer it; it is
// loaded from the state each time it opens.
template <class Dialog>
class RunnerDialog : public ModalDialog {
public:
    RunnerDialog(std::function<bool(QDialog&)> run, Dialog& dialog) : run_(std::move(run)), dialog_(dialog) {}
    bool runModal() override {
        dialog_.loadFromState();
        return run_(dialog_);
    }

private:
    std::function<bool(QDialog&)> run_;
    Dialog& dialog_;
};

// The colour picker: the test's answer when one is set, otherwise the system's picker.
class RunnerColourPicker : public ColourPicker {
public:
    RunnerColourPicker(const std::function<std::optional<uint32_t>(uint32_t)>& run, QWidget* parent)
        : run_(run), system_(parent) {}
    std::optional<uint32_t> pick(uint32_t current) override {
        return run_ ? run_(current) : system_.pick(current);
    }

private:
    const std::function<std::optional<uint32_t>(uint32_t)>& run_;
    QtColourPicker system_;
};

// The comments dialog, made for each edit and shown through the window's runner.
class RunnerCommentsEditor : public CommentsEditor {
public:
    RunnerCommentsEditor(std::function<bool(QDialog&)> run, QWidget* parent)
        : run_(std::move(run)), parent_(parent) {}
    std::optional<std::vector<std::string>> edit(const std::vector<std::string>& lines) override {
        CommentsDialog dialog(parent_);
        dialog.setLines(lines);
        if (!run_(dialog)) return std::nullopt;
        return dialog.lines();
    }

private:
    std::function<bool(QDialog&)> run_;
    QWidget* parent_;
};

}  // namespace zvl
