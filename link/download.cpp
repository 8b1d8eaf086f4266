#include "link/download.h"

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "link/protocol.h"
#include "platform/atomicfile.h"

namespace zvl {

namespace fs = std::filesystem;

std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

BinaryDownload::BinaryDownload(AppState& state, InstrumentLink& link, ReceiverProcess& receiver,
                               const Clock& clock, Prompts& prompts, ViewHooks& view, Timer& statusTimer)
    : state_(state),
      link_(link),
      receiver_(receiver),
      clock_(clock),
      prompts_(prompts),
      view_(view),
      statusTimer_(statusTimer) {
    statusTimer_.setInterval(kDownloadStatusMs);
    statusTimer_.setHandler([this] { statusTick(); });
    link_.setFileTransferReceiver([this](const std::vector<uint8_t>& bytes) { fromPort(bytes); });
    // A port that goes away ends the download as an error of the transfer does, without a box
    // of its own: the link's one box names the port.
    link_.setFileTransferEnd([this] { transferError(false); });
    receiver_.setOutputHandler([this](const std::vector<uint8_t>& bytes) { fromReceiver(bytes); });
    receiver_.setFinishedHandler([this](bool success) { receiverFinished(success); });
}

BinaryDownload::~BinaryDownload() {
    statusTimer_.disable();
    statusTimer_.setHandler({});
    link_.setFileTransferReceiver({});
    link_.setFileTransferEnd({});
    receiver_.setOutputHandler({});
    receiver_.setFinishedHandler({});
    receiver_.stop();
    removeFolder();
}

FileDialogSpec binaryDownloadDialog(const AppState& state) {
    FileDialogSpec request;
    request.filter = "Crude Binary Files|*.BIN";
    request.defaultExtension = "BIN";
    request.mustExist = false;
    // The image replaces the chosen file when it has come whole: an existing one is replaced
    // only after the question the save dialogs ask.
    request.overwritePrompt = true;
    request.initialDirectory = state.dataDirectory;
    return request;
}

void BinaryDownload::downloadBinaryFile(FileDialogs& dialogs) {
    if (state_.protocolTransferActive || state_.uploadActive) return;  // one transfer at a time
    if (state_.operatingMode != EventRecord) {
        state_.operatingMode = EventRecord;
        view_.refreshWindow();  // the boxes and the dialog that follow stand over the online window
    }
    if (!state_.instrumentOnline) link_.connect();
    if (!state_.instrumentOnline) return;
    const std::optional<std::string> target = dialogs.openFile(binaryDownloadDialog(state_));
    if (!target) return;
    start(*target);
}

bool BinaryDownload::start(const std::string& target) {
    removeFolder();
    // A folder only this user may enter, for whatever name the sender gives its file: in the
    // system's temporary folder, or in /tmp when that (TMPDIR) is missing.
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) base = kFallbackTemporaryFolder;
    std::string pattern = (base / "zvl-download-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        const int error = errno;
        prompts_.warning(fileErrorText("Cannot create a private folder in", base.string(), error));
        return false;
    }
    folder_ = pattern;
    if (!receiver_.start(folder_)) {
        prompts_.warning(receiver_.errorText());
        removeFolder();
        return false;
    }
    target_ = target;
    outcome_ = Outcome::Running;
    relayed_ = 0;
    framesSeen_ = false;
    lastTwo_[0] = lastTwo_[1] = 0;
    link_.sendCommand(cmd::DownloadImage);
    // The receiver runs already and the line is its own from here: the sender's first frames
    // may come during the wait.
    state_.protocolTransferActive = true;
    state_.bytesTransferred = 0;
    state_.uploadCancel = false;
    startMs_ = clock_.milliseconds();
    statusTimer_.enable();
    link_.waitTicks(3, true);
    if (outcome_ != Outcome::Running) return true;  // it ended during the wait
    view_.updateControlStates();
    view_.showProgressPanel(true, baseName(target));
    return true;
}

void BinaryDownload::fromPort(const std::vector<uint8_t>& bytes) {
    if (state_.uploadCancel || outcome_ != Outcome::Running) return;  // cancelled: the receiver is going
    relayed_ += int64_t(bytes.size());
    if (relayed_ > kMostRelayedBytes) {
        abortTransfer();
        return;
    }
    if (!framesSeen_) framesSeen_ = framesBegin(bytes);
    receiver_.write(bytes);
}

bool BinaryDownload::framesBegin(const std::vector<uint8_t>& bytes) {
    // Every ZMODEM header starts ZPAD ZDLE and its format: 'A' binary, 'B' hex, 'C' binary
    // with CRC-32. A sender that has not sent one is not speaking ZMODEM (yet).
    for (const uint8_t b : bytes) {
        if (lastTwo_[0] == '*' && lastTwo_[1] == ctl::CAN && (b == 'A' || b == 'B' || b == 'C')) return true;
        lastTwo_[0] = lastTwo_[1];
        lastTwo_[1] = b;
    }
    return false;
}

void BinaryDownload::statusTick() {
    if (outcome_ != Outcome::Running || state_.uploadCancel) {
        statusTimer_.disable();
        return;
    }
    showProgress();
    // The receiver asks for ZMODEM for longer than this (its timeout is set so), and would
    // then fall back to XMODEM and YMODEM requests: the transfer ends here instead.
    if (!framesSeen_ && clock_.milliseconds() - startMs_ >= kHandshakeWaitMs)
        abortTransfer();
    else if (receivedFileBytes() > kLargestImageBytes)
        abortTransfer();
}

void BinaryDownload::abortTransfer() {
    // ZMODEM's abort: a sender that is still there stops sending.
    link_.sendBytes(std::vector<uint8_t>(8, ctl::CAN));
    transferError();
}

void BinaryDownload::fromReceiver(const std::vector<uint8_t>& bytes) {
    // Its own abort sequence after a Cancel still goes out: it tells the sender to stop.
    if (outcome_ == Outcome::Running) link_.sendBytes(bytes);
}

void BinaryDownload::showProgress() {
    // What has come from the instrument, frames included; the receiver writes to its file in
    // large steps, so the file would show nothing for many seconds.
    state_.bytesTransferred = relayed_;
    view_.setBytesTransferred(relayed_);
}

int64_t BinaryDownload::receivedFileBytes() const {
    int64_t total = 0;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(folder_, ec))
        if (e.is_regular_file(ec)) total += int64_t(e.file_size(ec));
    return total;
}

void BinaryDownload::cancel() {
    if (!state_.protocolTransferActive) return;
    link_.sendBytes({ctl::CAN});
    stopReceiver();
}

void BinaryDownload::stopReceiver() {
    if (!state_.protocolTransferActive || state_.uploadCancel) return;
    state_.uploadCancel = true;
    statusTimer_.disable();
    receiver_.stop();
    view_.showProgressPanel(false, std::string());
}

void BinaryDownload::receiverFinished(bool success) {
    if (outcome_ != Outcome::Running) return;
    statusTimer_.disable();
    view_.showProgressPanel(false, std::string());
    if (state_.uploadCancel) {
        state_.protocolTransferActive = false;
        outcome_ = Outcome::Cancelled;
        removeFolder();
        prompts_.information(kDownloadCancelledText);
    } else if (!success) {
        transferError();
        return;
    } else {
        state_.protocolTransferActive = false;
        // The count ends as the size of the image received.
        state_.bytesTransferred = receivedFileBytes();
        view_.setBytesTransferred(state_.bytesTransferred);
        const std::string error = saveReceivedFile();
        removeFolder();
        outcome_ = error.empty() ? Outcome::Complete : Outcome::Failed;
        if (error.empty())
            prompts_.information(kDownloadCompleteText);
        else
            prompts_.warning(error);
    }
    view_.updateControlStates();
    view_.refreshWindow();
}

void BinaryDownload::transferError(bool tell) {
    if (outcome_ != Outcome::Running) return;
    outcome_ = Outcome::Failed;
    statusTimer_.disable();
    view_.showProgressPanel(false, std::string());
    state_.protocolTransferActive = false;
    receiver_.stop();
    removeFolder();
    view_.updateControlStates();
    if (tell) prompts_.information(kTransferErrorText);
}

std::string BinaryDownload::saveReceivedFile() {
    // The receiver writes only in its folder; the one regular file there is the image.
    std::error_code ec;
    std::vector<fs::path> files;
    for (const fs::directory_entry& e : fs::directory_iterator(folder_, ec))
        if (e.is_regular_file(ec) && !e.is_symlink(ec)) files.push_back(e.path());
    if (files.size() != 1 || int64_t(fs::file_size(files.front(), ec)) > kLargestImageBytes)
        return kTransferErrorText;
    std::ifstream in(files.front(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) return fileErrorText("Cannot read file", files.front().string(), errno);
    // An empty image (an empty memory) does not replace a file saved before.
    std::error_code existing;
    if (bytes.empty() && fs::is_regular_file(target_, existing))
        return "The instrument sent an empty memory image: " + target_ + " is kept as it was.";
    return writeFileAtomically(target_, bytes);
}

void BinaryDownload::removeFolder() {
    if (folder_.empty()) return;
    std::error_code ec;
    fs::remove_all(folder_, ec);
    folder_.clear();
}

}  // namespace zvl
