#pragma once
// The File menu's commands on files: what each menu entry does, without any window. The main
// window routes each entry here in one line, e.g. onSaveAsTriggered -> files.saveAs(); the zvl tool
// runs the same commands with dialogs that answer from its command line.

#include <string>

#include "core/resultsource.h"
#include "core/state.h"
#include "platform/clock.h"
#include "platform/filedialogs.h"
#include "platform/prompts.h"
#include "platform/viewhooks.h"

namespace zvl {

enum class FileOutcome { Done, Cancelled, Failed };

// The split message: "For Your Convenience, This Record has been Split into P Parts, Each with _X Extension".
std::string splitMessage(int64_t parts);

// The name of part n of a split save: the chosen name less its last four characters, then
// "_", n and ".ZVL" (C:\data\run.zvl gives C:\data\run_1.ZVL, ...).
std::string partFileName(const std::string& chosenName, int64_t part);

class FileCommands {
public:
    FileCommands(AppState& state, FileDialogs& dialogs, Prompts& prompts, ViewHooks& view, const Clock& clock)
        : state_(state), dialogs_(dialogs), prompts_(prompts), view_(view), clock_(clock) {}

    // File > Save As (onSaveAsTriggered). Up to 32768 results: one file, added to the Reopen list,
    // dataDirectory set to it, File > Save enabled. More: the split message, then part files
    // _1.ZVL, _2.ZVL, ... of 32768 results each, touching neither the list, dataDirectory nor
    // File > Save; the save dialog's file name is left on the last part. The parts are saved as
    // one: all or none are replaced, the higher parts of an older save removed with them, and
    // every part's title line carries the same time of saving.
    FileOutcome saveAs();  // Cancelled while a timeline is shown
    // File > Save (onSaveTriggered): rewrites the save dialog's file without a dialog (Save As
    // when there is no file name yet, as for a recording recovered at the start); a store of
    // more than 32768 results runs Save As instead. Cancelled while the command is disabled.
    FileOutcome save();
    // File > Open (onOpenTriggered) and Activity > Examine Records: offline event mode at once, then
    // the open dialog; a loaded file joins the Reopen list and becomes dataDirectory.
    FileOutcome open();
    // What Open does once its dialog has named `path` (also for a file named on the program's
    // command line).
    FileOutcome openFile(const std::string& path);
    // File > Open All Parts: as Open, with the chosen part file and its siblings NAME_1 .. NAME_n
    // loaded in order as one recording (files/partfiles.h); a missing or unreadable part is
    // reported and changes nothing.
    FileOutcome openAllParts();
    // File > Open Folder: as Open, with a folder chosen and read as one read-only timeline
    // (files/folderload.h) shown in the store's stead; the recordings left out are named in one
    // warning. Nothing in the folder is written: Save and Save As are off while it is shown, and
    // what clears the store (Open, Collect, Upload) drops it. A folder that gives no timeline
    // is reported and changes nothing.
    FileOutcome openFolder();
    FileOutcome openFolderAt(const std::string& path);  // without the dialog
    // Reopen entries onReopen1Triggered .. onReopen4Triggered (entry 0..3): load the entry's file; the list,
    // dataDirectory and the save dialog's file name stay. An empty entry does nothing.
    FileOutcome reopen(int entry);

    // File > Save Settings Only / Reload Settings Only. The reload stops silently on a bad file
    // (Failed, no message) and does not refresh the window.
    FileOutcome saveSettingsOnly();
    FileOutcome reloadSettingsOnly();
    FileOutcome reloadSettingsOnlyFrom(const std::string& path);  // without the dialog

    // File > Export as CSV or TXT File, with the closing message chosen by the extension.
    FileOutcome exportCsvOrTxt();
    // The same for the results of `source` (a folder, a span), described by the state.
    FileOutcome exportCsvOrTxt(const ResultSource& source);
    // File > Export as VCD: the recording as a VCD file for waveform viewers (files/vcdfile.h).
    FileOutcome exportVcd();
    FileOutcome exportVcd(const ResultSource& source);
    // The compliant-CSV import. A failure is reported (line and reason); what was read before
    // it stays. Repaints on every path.
    FileOutcome importCompliantCsv();
    // onModeCaptionRightClicked with the right button: offline event mode, then the import. Does nothing
    // (Cancelled) while a collection or an upload runs.
    FileOutcome importFromModeCaption();

    // File > Save as Binary File.
    FileOutcome saveBinaryFile();

private:
    // Offline event mode, as Open and the imports start; a change of mode shows at once.
    void goOffline();
    // Writes `bytes` to `path` safely; a failure is reported with the system's error text.
    bool writeFile(const std::string& path, const std::string& bytes);

    AppState& state_;
    FileDialogs& dialogs_;
    Prompts& prompts_;
    ViewHooks& view_;
    const Clock& clock_;
};

}  // namespace zvl
