#include "files/filecommands.h"

#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

#include "core/version.h"
#include "files/binaryfile.h"
#include "files/busycursor.h"
#include "files/exportfile.h"
#include "files/folderload.h"
#include "files/importfile.h"
#include "files/partfiles.h"
#include "files/recentfiles.h"
#include "files/recordingfile.h"
#include "files/settingsonlyfile.h"
#include "files/textio.h"
#include "files/vcdfile.h"
#include "platform/atomicfile.h"

namespace zvl {

namespace {

// The dialogs, with their texts as the program has always shown them.
FileDialogSpec recordingSaveDialog(const AppState& state) {
    FileDialogSpec d;
    d.title = "Save Sorvantiker Files";
    d.filter = "Sorvantiker Files|*.zvl";
    d.defaultExtension = "zvl";
    d.initialDirectory = state.dataDirectory;
    d.fileName = state.saveFileName;
    d.overwritePrompt = true;
    return d;
}

FileDialogSpec recordingOpenDialog(const AppState& state) {
    FileDialogSpec d;
    d.title = "Open Stored Sorvantiker Files";
    d.filter = "Corvask Sorvantiker|*.ZVL";
    d.defaultExtension = "ZVL";
    d.initialDirectory = state.dataDirectory;
    return d;
}

FileDialogSpec folderOpenDialog(const AppState& state) {
    FileDialogSpec d;
    d.title = "Open a Folder of Recordings";
    d.initialDirectory = state.dataDirectory;
    return d;
}

FileDialogSpec settingsSaveDialog() {
    FileDialogSpec d;
    d.filter = "Setings Only|*.STG";
    d.defaultExtension = "stg";
    d.overwritePrompt = true;
    return d;
}

FileDialogSpec settingsReloadDialog(const AppState& state) {
    FileDialogSpec d;
    d.filter = "Settings Only|*.STG";
    d.defaultExtension = "stg";
    d.initialDirectory = state.dataDirectory;
    return d;
}

FileDialogSpec exportDialog() {
    FileDialogSpec d;
    d.title = "Save Pellam Files as CSV or TXT";
    d.filter = "Comma Separated Variables|*.CSV|Text Files|*.TXT";
    d.defaultExtension = "CSV";
    d.overwritePrompt = true;
    return d;
}

FileDialogSpec vcdExportDialog() {
    FileDialogSpec d;
    d.title = "Export as VCD";
    d.filter = "Value Change Dump|*.VCD";
    d.defaultExtension = "vcd";
    d.overwritePrompt = true;
    return d;
}

FileDialogSpec importDialog() {
    FileDialogSpec d;
    d.title = "Import Compliant *.CSV Files";
    d.filter = "Compliant CSV files |*.CSV";
    d.defaultExtension = "CSV";
    return d;
}

FileDialogSpec binarySaveDialog() {
    FileDialogSpec d;
    d.filter = "Binary Files|*.BIN";
    d.defaultExtension = "BIN";
    return d;
}

}  // namespace

std::string splitMessage(int64_t parts) {
    return "For Your Convenience, This Record has been Split into " + std::to_string(parts) +
           " Parts, Each with _X Extension";
}

std::string partFileName(const std::string& chosenName, int64_t part) {
    // Four characters, not bytes: a UTF-8 character is one byte and its continuation bytes.
    size_t end = chosenName.size();
    for (int removed = 0; removed < 4 && end > 0; ++removed) {
        --end;
        while (end > 0 && (uint8_t(chosenName[end]) & 0xC0) == 0x80) --end;
    }
    return chosenName.substr(0, end) + "_" + std::to_string(part) + ".ZVL";
}

bool FileCommands::writeFile(const std::string& path, const std::string& bytes) {
    std::string error;
    {
        BusyCursor busy(prompts_);
        error = writeFileAtomically(path, bytes);
    }
    if (error.empty()) return true;
    prompts_.warning(error);
    return false;
}

FileOutcome FileCommands::saveAs() {
    if (state_.store.timeline) return FileOutcome::Cancelled;  // the folder's files hold it
    const auto chosen = dialogs_.saveFile(recordingSaveDialog(state_));
    if (!chosen) return FileOutcome::Cancelled;
    state_.saveFileName = *chosen;
    const int64_t count = state_.resultCount();
    if (count <= kResultsPerFile) {
        if (!writeRecordingFile(state_, clock_, prompts_, 1, count)) return FileOutcome::Failed;
        // Listed only once written, so the Reopen list never names a file that was not saved.
        addRecentFile(state_, *chosen);
        state_.dataDirectory = *chosen;
        state_.saveCommandEnabled = true;
        return FileOutcome::Done;
    }
    const int64_t parts = (count + kResultsPerFile - 1) / kResultsPerFile;
    prompts_.information(splitMessage(parts));
    // The parts are one save: all are written whole before any is put in place, and the higher
    // parts of an older, longer save of the same name are removed at the same moment, so a
    // failure leaves the older set as it was and a success leaves no part of it behind. Every
    // part's title line carries the same time of saving, which tells a reader of the parts
    // which belong together.
    std::string error, title;
    {
        BusyCursor busy(prompts_);
        const LocalDateTime when = clock_.now();
        std::vector<std::pair<std::string, std::string>> files;
        for (int64_t n = 1; n <= parts; ++n) {
            const int64_t first = (n - 1) * kResultsPerFile + 1;
            const int64_t last = std::min(n * kResultsPerFile, count);
            files.emplace_back(partFileName(*chosen, n), "");
            title = recordingTitleLine(files.back().first, when);
            files.back().second = encodeRecordingFile(state_, first, last, title);
        }
        // A store holds at most kMaxResults, so an older save has at most this many parts; one
        // beyond them is taken too while they run on.
        const int64_t mostParts = (kMaxResults + kResultsPerFile - 1) / kResultsPerFile;
        std::vector<std::string> older;
        for (int64_t n = parts + 1;; ++n) {
            const std::string name = partFileName(*chosen, n);
            std::error_code ec;
            const bool exists = std::filesystem::exists(std::filesystem::symlink_status(name, ec));
            if (!exists && n > mostParts) break;
            if (exists) older.push_back(name);
        }
        state_.saveFileName = files.back().first;
        error = replaceFilesTogether(files, older);
    }
    if (!error.empty()) {
        prompts_.warning(error);
        return FileOutcome::Failed;
    }
    state_.recordingTitle = title;
    return FileOutcome::Done;
}

FileOutcome FileCommands::save() {
    if (!state_.saveCommandEnabled) return FileOutcome::Cancelled;
    // A recording that has no file yet (one recovered at the start) is named first.
    if (state_.resultCount() > kResultsPerFile || state_.saveFileName.empty()) return saveAs();
    return writeRecordingFile(state_, clock_, prompts_, 1, state_.resultCount()) ? FileOutcome::Done
                                                                                 : FileOutcome::Failed;
}

void FileCommands::goOffline() {
    if (state_.operatingMode == EventSearch) return;
    state_.operatingMode = EventSearch;
    view_.refreshWindow();  // the dialog that follows stands over the offline window
}

FileOutcome FileCommands::open() {
    goOffline();  // also when the dialog is then cancelled
    const auto chosen = dialogs_.openFile(recordingOpenDialog(state_));
    if (!chosen) return FileOutcome::Cancelled;
    return openFile(*chosen);
}

FileOutcome FileCommands::openFile(const std::string& path) {
    if (!loadRecordingFile(state_, path, prompts_, view_)) return FileOutcome::Failed;
    addRecentFile(state_, path);
    state_.dataDirectory = path;
    return FileOutcome::Done;
}

FileOutcome FileCommands::openAllParts() {
    goOffline();  // also when the dialog is then cancelled
    const auto chosen = dialogs_.openFile(recordingOpenDialog(state_));
    if (!chosen) return FileOutcome::Cancelled;
    if (!loadAllPartFiles(state_, *chosen, prompts_, view_)) return FileOutcome::Failed;
    addRecentFile(state_, *chosen);
    state_.dataDirectory = *chosen;
    return FileOutcome::Done;
}

FileOutcome FileCommands::openFolder() {
    goOffline();  // also when the dialog is then cancelled
    const auto chosen = dialogs_.openFolder(folderOpenDialog(state_));
    if (!chosen) return FileOutcome::Cancelled;
    return openFolderAt(*chosen);
}

FileOutcome FileCommands::openFolderAt(const std::string& path) {
    std::string error;
    std::shared_ptr<FolderSource> folder;
    {
        BusyCursor busy(prompts_);
        folder = loadFolder(path, error);
    }
    if (!folder) {
        prompts_.warning(error);
        return FileOutcome::Failed;
    }
    state_.store.clearResults();
    state_.store.timeline = folder;
    describeTimeline(*folder, state_);
    state_.saveFileName.clear();
    state_.saveCommandEnabled = false;
    state_.dataDirectory = path;  // the next dialog starts in the folder
    showLoadedRecording(state_, view_);
    if (const std::string warning = leftOutWarning(*folder); !warning.empty()) prompts_.warning(warning);
    return FileOutcome::Done;
}

FileOutcome FileCommands::reopen(int entry) {
    if (entry < 0 || entry >= int(state_.recentFiles.size()) || state_.recentFiles[size_t(entry)].empty())
        return FileOutcome::Cancelled;
    const std::string path = state_.recentFiles[size_t(entry)];
    return loadRecordingFile(state_, path, prompts_, view_) ? FileOutcome::Done : FileOutcome::Failed;
}

FileOutcome FileCommands::saveSettingsOnly() {
    const auto chosen = dialogs_.saveFile(settingsSaveDialog());
    if (!chosen) return FileOutcome::Cancelled;
    return writeFile(*chosen, settingsOnlyText(state_, *chosen, clock_.now())) ? FileOutcome::Done
                                                                               : FileOutcome::Failed;
}

FileOutcome FileCommands::reloadSettingsOnly() {
    const auto chosen = dialogs_.openFile(settingsReloadDialog(state_));
    if (!chosen) return FileOutcome::Cancelled;
    return reloadSettingsOnlyFrom(*chosen);
}

FileOutcome FileCommands::reloadSettingsOnlyFrom(const std::string& path) {
    FileSource in;
    if (!in.open(path)) return FileOutcome::Failed;
    return readSettingsOnly(state_, in) ? FileOutcome::Done : FileOutcome::Failed;
}

FileOutcome FileCommands::exportCsvOrTxt() {
    return exportCsvOrTxt(StoreSource(state_.store));
}

FileOutcome FileCommands::exportCsvOrTxt(const ResultSource& source) {
    const auto chosen = dialogs_.saveFile(exportDialog());
    if (!chosen) return FileOutcome::Cancelled;
    std::string error;
    {
        // Written as it is made: a folder's export is far larger than its results.
        BusyCursor busy(prompts_);
        AtomicFile out(*chosen);
        if (!out.open() ||
            !exportTextTo(source, state_, clock_.now(),
                          [&out](std::string_view chunk) { return out.write(chunk); }) ||
            !out.commit())
            error = out.error();
    }
    if (!error.empty()) {
        prompts_.warning(error);
        return FileOutcome::Failed;
    }
    if (const std::string message = exportMessage(*chosen); !message.empty()) prompts_.information(message);
    return FileOutcome::Done;
}

FileOutcome FileCommands::exportVcd() {
    return exportVcd(StoreSource(state_.store));
}

FileOutcome FileCommands::exportVcd(const ResultSource& source) {
    const auto chosen = dialogs_.saveFile(vcdExportDialog());
    if (!chosen) return FileOutcome::Cancelled;
    std::string text;
    {
        BusyCursor busy(prompts_);
        text = vcdText(source, state_, std::string(kProgramName) + " " + kProgramVersion);
    }
    return writeFile(*chosen, text) ? FileOutcome::Done : FileOutcome::Failed;
}

FileOutcome FileCommands::importCompliantCsv() {
    const auto chosen = dialogs_.openFile(importDialog());
    if (!chosen) {
        view_.refreshWindow();
        return FileOutcome::Cancelled;
    }
    state_.store.clearResults();
    std::string error;
    {
        BusyCursor busy(prompts_);
        FileSource in;
        if (!in.open(*chosen)) {
            error = in.openError();
        } else if (const CsvImport result = readCompliantCsv(state_, in); !result.ok) {
            error = result.message();
        }
    }
    view_.refreshWindow();
    if (error.empty()) return FileOutcome::Done;
    prompts_.warning(error);
    return FileOutcome::Failed;
}

FileOutcome FileCommands::importFromModeCaption() {
    // A running collection or upload owns the store and the mode: clearing the store under
    // it would mix its results with the file's, and the recording could no longer be stopped.
    if (state_.collectionActive || state_.uploadActive) return FileOutcome::Cancelled;
    goOffline();
    return importCompliantCsv();
}

FileOutcome FileCommands::saveBinaryFile() {
    const auto chosen = dialogs_.saveFile(binarySaveDialog());
    if (!chosen) return FileOutcome::Cancelled;
    return writeFile(*chosen, binaryFileBytes(state_)) ? FileOutcome::Done : FileOutcome::Failed;
}

}  // namespace zvl
