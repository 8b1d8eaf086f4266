#pragma once
// The binary memory download (File > Download Binary File...): command 0x43 makes the
// instrument send its memory image by ZMODEM, which a receiver program (lrzsz's rz) takes on
// the same port. While protocolTransferActive is set the link hands every byte from the port
// to the receiver and the receiver's output goes to the port; nothing else writes to it.
// The receiver works in a private folder made for the download; at the finish the file it
// received is saved under the name the user chose, with the same safe replacement as every
// other save, and the folder is removed. Plain C++: the receiver is a ReceiverProcess.

#include <cstdint>
#include <string>
#include <vector>

#include "core/state.h"
#include "link/link.h"
#include "platform/clock.h"
#include "platform/filedialogs.h"
#include "platform/prompts.h"
#include "platform/receiverprocess.h"
#include "platform/viewhooks.h"

namespace zvl {

inline constexpr const char* kDownloadCompleteText = "File Download Complete";
inline constexpr const char* kDownloadCancelledText = "File Download Cancelled";
inline constexpr const char* kTransferErrorText = "XModem Error. Transfer Ended";
inline constexpr int kDownloadStatusMs = 550;  // the byte counter's interval: ten ticks

class BinaryDownload {
public:
    BinaryDownload(AppState& state, InstrumentLink& link, ReceiverProcess& receiver, const Clock& clock,
                   Prompts& prompts, ViewHooks& view);
    ~BinaryDownload();  // a receiver still running is stopped and its folder removed
    BinaryDownload(const BinaryDownload&) = delete;
    BinaryDownload& operator=(const BinaryDownload&) = delete;

    // The menu command: online event mode, connect when offline, the open dialog, start.
    void downloadBinaryFile(FileDialogs& dialogs);
    // Ask for the image and start receiving it for `target` (also the zvl tool). False, with
    // the reason told, when the receiver could not be started.
    bool start(const std::string& target);
    // Cancel on the progress panel: one CAN, the receiver stopped; its end then reports
    // "File Download Cancelled".
    void cancel();
    // The same without the CAN, for a Cancel that has sent it already.
    void stopReceiver();

    enum class Outcome { None, Running, Complete, Cancelled, Failed };
    Outcome outcome() const { return outcome_; }
    // The folder the receiver writes in while it runs (empty otherwise).
    const std::string& privateFolder() const { return folder_; }

private:
    void fromPort(const std::vector<uint8_t>& bytes);
    void fromReceiver(const std::vector<uint8_t>& bytes);
    void receiverFinished(bool success);
    void transferError(bool tell = true);  // tell: its own box
    // Saves the received file as the target; the error text, empty when it was saved.
    std::string saveReceivedFile();
    void showProgress();
    void removeFolder();

    AppState& state_;
    InstrumentLink& link_;
    ReceiverProcess& receiver_;
    const Clock& clock_;
    Prompts& prompts_;
    ViewHooks& view_;
    std::string target_;
    std::string folder_;
    int64_t lastStatusMs_ = 0;
    Outcome outcome_ = Outcome::None;
};

// The file name without its folder, for the panel heading.
std::string baseName(const std::string& path);

}  // namespace zvl
