#pragma once
// The open and save dialogs as QFileDialog. Needs a QApplication (widgets).

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "platform/filedialogs.h"

class QFileDialog;

namespace zvl {

class QtFileDialogs final : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    std::optional<std::string> openFile(const FileDialogSpec& request) override;
    std::optional<std::string> saveFile(const FileDialogSpec& request) override;
    std::optional<std::string> openFolder(const FileDialogSpec& request) override;

    // Set a dialog up as the description asks: caption, filters, default extension, starting
    // folder (a file path starts in its folder), preset name, overwrite question.
    static void configure(QFileDialog& dialog, const FileDialogSpec& request, bool save);
    // "Description|*.EXT;*.EX2|..." as Qt name filters. Patterns are matched in any case, as
    // the files' owners expect, so each is listed in both cases: "Description (*.EXT *.ext ...)".
    static QStringList nameFilters(const std::string& filter);

private:
    std::optional<std::string> run(const FileDialogSpec& request, bool save);
    QPointer<QWidget> parent_;
};

}  // namespace zvl
