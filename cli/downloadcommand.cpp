// zvl download: the binary memory download of the application, the image saved as OUT.

#include <cstdio>
#include <filesystem>

#include "cli/args.h"
#include "cli/commandloop.h"
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
    "or is cancelled (nothing is then written at OUT), or an empty image arrives while OUT\n"
    "exists (OUT is kept as it was).\n";

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
    CommandLoop loop;
    ProgressLine progress("zvl: ", false);
    const int64_t startMs = s.clock.milliseconds();
    progress.begin(startMs);
    auto line = [&](int64_t bytes) {
        const int64_t ms = std::max<int64_t>(1, s.clock.milliseconds() - startMs);
        return withSeparators(bytes) + " bytes received, " + withSeparators(bytes * 1000 / ms) + " B/s";
    };
    s.view.onBytes = [&](int64_t bytes) {
        progress.update(s.clock.milliseconds(), [&] { return line(bytes); });
    };
    s.view.onChange = [&] { loop.check(); };

    QtReceiverProcess receiver;
    QtTimer statusTimer;
    BinaryDownload download(s.state, s.link, receiver, s.clock, s.prompts, s.view, statusTimer);
    loop.onSignal = [&] {
        if (s.state.protocolTransferActive && !s.state.uploadCancel) download.cancel();
    };
    if (!download.start(out)) {
        s.link.closePort();
        return kExitFailure;
    }
    // A small image can arrive whole during the short wait after the command: then it is saved
    // already and there is nothing to wait for.
    loop.run([&] { return download.outcome() != BinaryDownload::Outcome::Running; });
    // Success is a saved file, whatever the port did after it.
    const bool saved = download.outcome() == BinaryDownload::Outcome::Complete;
    if (!s.lostReason.empty() && !saved) {
        progress.clear();
        fail(s.portGone() + "; download ended, nothing written");
        return kExitFailure;
    }
    if (s.lostReason.empty()) s.link.closePort();
    if (!saved) {
        fail("download ended, nothing written at " + a.positionals[0]);
        return kExitFailure;
    }
    progress.finish(line(s.state.bytesTransferred));
    std::fprintf(stderr, "%s bytes written to %s\n", withSeparators(s.state.bytesTransferred).c_str(),
                 out.c_str());
    return kExitOk;
}

}  // namespace zvl::cli
