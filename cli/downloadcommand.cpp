// zvl download: the binary memory download of the application, the image saved as OUT.

#include <unistd.h>

#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include "cli/args.h"
#include "cli/session.h"
#include "link/download.h"
#include "qt/qtreceiverprocess.h"

namespace zvl::cli {

namespace {

const char* const kDownloadHelp =
    "usage: zvl download [--port P] OUT.BIN\n"
    "\n"
    "Ask the instrument for its memory image and receive it by ZMODEM (lrzsz's rz, in\n"
    "restricted mode, in a private temporary folder), then save it as OUT (an existing OUT is\n"
    "replaced only when the whole image has arrived). The name the instrument gives its file\n"
    "is not used. A progress line on stderr counts the bytes received; Ctrl-C cancels.\n"
    "\n"
    "  --port P   COMn or a device path; default COM1\n"
    "\n"
    "Questions: none are asked. Exit 0 on success, 1 on a usage error, 2 when the port\n"
    "cannot be opened, the instrument does not answer, rz is missing, or the transfer fails\n"
    "or is cancelled (nothing is then written at OUT).\n";

std::atomic<bool> interrupted{false};
extern "C" void onDownloadInterrupt(int) { interrupted = true; }

std::string withSeparators(int64_t v) {
    const std::string digits = std::to_string(v);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

// The panel's view in the tool: the byte counter becomes a progress line.
class DownloadView : public CliView {
public:
    std::function<void(int64_t)> onBytes;
    void setBytesTransferred(int64_t bytes) override {
        if (onBytes) onBytes(bytes);
    }
};

}  // namespace

int runDownload(const std::vector<std::string>& args) {
    const ParsedArgs a = parseArgs(args, {"--port"}, {});
    if (int code = checkUsage(a, 1, kDownloadHelp, "download"); code >= 0) return code;
    const std::string out = std::filesystem::absolute(a.positionals[0]).string();
    if (!std::filesystem::is_directory(std::filesystem::path(out).parent_path())) {
        fail("cannot write " + a.positionals[0] + ": its folder does not exist");
        return kExitFailure;
    }

    Session s;
    if (!s.openAndConnect(a.value("--port").value_or("COM1"))) return kExitFailure;
    const bool tty = ::isatty(STDERR_FILENO) != 0;
    const int64_t startMs = s.clock.milliseconds();
    int64_t lastLineMs = startMs;
    DownloadView view;
    auto progress = [&](int64_t bytes, bool finished) {
        const int64_t ms = std::max<int64_t>(1, s.clock.milliseconds() - startMs);
        const std::string line = withSeparators(bytes) + " bytes received, " +
                                 withSeparators(bytes * 1000 / ms) + " B/s";
        if (tty)
            std::fprintf(stderr, "\r\033[Kzvl: %s%s", line.c_str(), finished ? "\n" : "");
        else
            std::fprintf(stderr, "zvl: %s\n", line.c_str());
        std::fflush(stderr);
    };
    view.onBytes = [&](int64_t bytes) {
        const int64_t now = s.clock.milliseconds();
        if (tty || now - lastLineMs >= 5000) {
            lastLineMs = now;
            progress(bytes, false);
        }
    };

    QtReceiverProcess receiver;
    QtTimer statusTimer;
    BinaryDownload download(s.state, s.link, receiver, s.clock, s.prompts, view, statusTimer);
    std::signal(SIGINT, onDownloadInterrupt);
    std::signal(SIGTERM, onDownloadInterrupt);
    if (!download.start(out)) {
        s.link.closePort();
        return kExitFailure;
    }
    // A small image can arrive whole during the short wait after the command: then it is saved
    // already and there is nothing to wait for.
    if (download.outcome() == BinaryDownload::Outcome::Running) {
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (interrupted && s.state.protocolTransferActive && !s.state.uploadCancel) download.cancel();
            if (download.outcome() != BinaryDownload::Outcome::Running) QCoreApplication::quit();
        });
        watch.start(100);
        QCoreApplication::exec();
        watch.stop();
    }
    // Success is a saved file, whatever the port did after it.
    const bool saved = download.outcome() == BinaryDownload::Outcome::Complete;
    if (!s.lostReason.empty() && !saved) {
        if (tty) std::fputs("\r\033[K", stderr);
        fail(s.portGone() + "; download ended, nothing written");
        return kExitFailure;
    }
    if (s.lostReason.empty()) s.link.closePort();
    if (!saved) {
        fail("download ended, nothing written at " + a.positionals[0]);
        return kExitFailure;
    }
    progress(s.state.bytesTransferred, true);
    std::fprintf(stderr, "%s bytes written to %s\n", withSeparators(s.state.bytesTransferred).c_str(), out.c_str());
    return kExitOk;
}

}  // namespace zvl::cli
