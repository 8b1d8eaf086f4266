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
#include "platform/timer.h"
#include "platform/viewhooks.h"

namespace zvl {

inline constexpr const char* kDownloadCompleteText = "File Download Complete";
inline constexpr const char* kDownloadCancelledText = "File Download Cancelled";
inline constexpr const char* kTransferErrorText = "XModem Error. Transfer Ended";
inline constexpr int kDownloadStatusMs = 550;  // the byte counter's interval: ten ticks
// How long the sender has to send its first ZMODEM frame after 0x43: 1092 ticks, about 60 s.
inline constexpr int64_t kHandshakeWaitMs = 1092 * kTickMs;
// The largest image an instrument holds: 100005 records of 8 bytes. A sender whose file grows
// beyond it, or that sends more than twice as many bytes as that (every byte escaped, and
// the frames), is cut off.
inline constexpr int64_t kLargestImageBytes = 8 * 100005;
inline constexpr int64_t kMostRelayedBytes = 2 * kLargestImageBytes + 65536;
// The folder for the receiver's private folder when the system's temporary folder is missing.
inline constexpr const char* kFallbackTemporaryFolder = "/tmp";

class BinaryDownload {
public:
    // `statusTimer` is the transfer's status interval: the byte counter and the handshake
    // wait follow it while a download runs.
    BinaryDownload(AppState& state, InstrumentLink& link, ReceiverProcess& receiver, const Clock& clock,
                   Prompts& prompts, ViewHooks& view, Timer& statusTimer);
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
    // The status interval: the byte counter; the end of a sender that never began its ZMODEM
    // frames within the handshake wait, or that sends more than an instrument holds.
    void statusTick();
    bool framesBegin(const std::vector<uint8_t>& bytes);  // the sender's first ZMODEM frame header
    int64_t receivedFileBytes() const;
    // The transfer's error, told with its own box after one abort sequence to the sender.
    void abortTransfer();
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
    Timer& statusTimer_;
    std::string target_;
    std::string folder_;
    int64_t startMs_ = 0;
    int64_t relayed_ = 0;          // bytes from the port given to the receiver
    bool framesSeen_ = false;      // the sender has begun its ZMODEM frames
    uint8_t lastTwo_[2] = {0, 0};  // the sender's last two bytes, for a header cut between reads
    Outcome outcome_ = Outcome::None;
};

// The dialog that chooses the name the image is saved under: an open dialog (the file need not
// exist) that asks before an existing file is replaced.
FileDialogSpec binaryDownloadDialog(const AppState& state);

// The file name without its folder, for the panel heading.
std::string baseName(const std::string& path);

}  // namespace zvl
