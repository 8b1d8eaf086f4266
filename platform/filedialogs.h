#pragma once
// The standard open and save dialogs. A file command describes its dialog; the platform shows
// it and answers with the chosen file's full path, or nothing when the user cancels.

#include <optional>
#include <string>

namespace zvl {

struct FileDialogSpec {
    std::string title;             // caption; empty leaves the platform's own ("Open", "Save As")
    std::string filter;            // "Description|*.EXT|Description|*.EXT", patterns matched in any case
    std::string defaultExtension;  // without the dot; added to a typed name that has no extension
    std::string initialDirectory;  // folder (or a file in it) shown first; empty: the platform's choice
    std::string fileName;          // name the dialog starts with (its "current file name")
    // Ask before an existing file is replaced: in a save dialog, and in an open dialog that
    // chooses a file to write (mustExist false).
    bool overwritePrompt = false;
    bool mustExist = true;  // open: the chosen file must exist
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Full path of the chosen file (as the file system names it), or nullopt when cancelled.
    virtual std::optional<std::string> openFile(const FileDialogSpec& request) = 0;
    virtual std::optional<std::string> saveFile(const FileDialogSpec& request) = 0;
    // Full path of an existing folder the user chose (title and initialDirectory apply), or
    // nullopt when cancelled.
    virtual std::optional<std::string> openFolder(const FileDialogSpec& request) = 0;
};

}  // namespace zvl
