// zvl upload: the stored-data upload of the application, then the recording file as its
// Save As writes it.

#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "cli/args.h"
#include "cli/commandloop.h"
#include "cli/filecommands.h"
#include "cli/session.h"
#include "link/upload.h"

namespace zvl::cli {

namespace {

const char* const kUploadHelp =
    "usage: zvl upload [--port P] [--time-errors ignore|correct|delete] OUT.zvl\n"
    "\n"
    "Upload the results held in the instrument's memory, put a wrapped memory into time\n"
    "order, deal with results whose time runs backwards, and save the recording as the\n"
    "application's Save As does: one file of up to 32768 results, or part files OUT_1.ZVL,\n"
    "OUT_2.ZVL, ... of 32768 results each. A name without an extension gets \".zvl\". The\n"
    "input labels and active flags come from the application's settings file when it can be\n"
    "read, else they are \"Channel 1\" .. \"Channel 16\", all active.\n"
    "\n"
    "  --port P                COMn or a device path; default COM1\n"
    "  --time-errors ANSWER    what to do with every result whose time runs backwards:\n"
    "                          ignore (default), correct (it takes the time of the result\n"
    "                          before it) or delete\n"
    "\n"
    "Progress goes to stderr: bytes and records received, the rate, and the time left at most\n"
    "(the instrument does not say how much it holds; the estimate is for a full memory of\n"
    "100000 records). Ctrl-C cancels the upload.\n"
    "\n"
    "Questions: the box about a result with a wrong time gets the answer of --time-errors for\n"
    "all such results; the first one is named on stderr. Exit 0 when the file is written, 1 on\n"
    "a usage error, 2 when the port cannot be opened, the instrument does not answer, the port\n"
    "goes away, the upload is cancelled or fails (nothing is written then), the file cannot\n"
    "be written, or the memory holds no results while OUT exists (OUT is kept as it was).\n";

std::string duration(int64_t seconds) {
    if (seconds < 60) return std::to_string(seconds) + "s";
    if (seconds < 3600) return std::to_string(seconds / 60) + "m " + std::to_string(seconds % 60) + "s";
    return std::to_string(seconds / 3600) + "h " + std::to_string(seconds / 60 % 60) + "m";
}

// One progress line: a bar against a full memory, bytes, records, rate and time left.
std::string progressLine(int64_t bytes, int64_t records, int64_t elapsedMs, bool finished) {
    constexpr int64_t kFullMemoryBytes = kUploadLimit / kUploadSlotsPerPacket * kUploadDataBytes;
    constexpr int kBarWidth = 20;
    const int filled = int(std::min<int64_t>(kBarWidth, bytes * kBarWidth / kFullMemoryBytes));
    std::string line =
        "[" + std::string(size_t(filled), '#') + std::string(size_t(kBarWidth - filled), '.') + "] ";
    line += withSeparators(bytes) + " bytes, " + withSeparators(records) + " records";
    const double seconds = double(elapsedMs) / 1000.0;
    if (seconds >= 0.5 && bytes > 0) {
        const double rate = double(bytes) / seconds;
        line += ", " + withSeparators(int64_t(rate + 0.5)) + " B/s";
        if (!finished)
            line +=
                ", at most " +
                duration(int64_t(double(kFullMemoryBytes - std::min(bytes, kFullMemoryBytes)) / rate + 0.5)) +
                " left";
    }
    if (finished) line += ", " + duration(int64_t(seconds + 0.5));
    return line;
}

// The answer of --time-errors; nullopt (with the message said) when it is none of them.
std::optional<ChoiceAnswer> timeErrorAnswer(const ParsedArgs& a) {
    const std::string timeErrors = a.value("--time-errors").value_or("ignore");
    if (timeErrors == "correct") return ChoiceAnswer::CorrectAll;
    if (timeErrors == "delete") return ChoiceAnswer::DeleteAll;
    if (timeErrors == "ignore") return ChoiceAnswer::IgnoreAll;
    fail("--time-errors wants ignore, correct or delete, not \"" + timeErrors + "\"");
    return std::nullopt;
}

// After a completed upload: what the time check and the wrap did, then the file; the exit status.
int saveUpload(AppState& st, const StoredDataUpload& upload, ChoiceAnswer answer, const std::string& out,
               Session& s) {
    const TimeCheckSummary& t = upload.timeCheck();
    if (t.errors > 0) {
        std::string what = answer == ChoiceAnswer::DeleteAll    ? std::to_string(t.deleted) + " deleted"
                           : answer == ChoiceAnswer::CorrectAll ? std::to_string(t.corrected) + " corrected"
                                                                : "left as they are";
        std::fprintf(stderr, "zvl: %lld results with times running backwards: %s\n",
                     static_cast<long long>(t.errors), what.c_str());
    }
    if (upload.ringStart() > 1)
        std::fprintf(stderr, "zvl: the memory had wrapped; result %lld of the upload is now result 1\n",
                     static_cast<long long>(upload.ringStart()));

    // An empty memory gives a recording of no results, which must not replace a recording
    // saved before: that file is kept, and the exit status says that OUT does not hold this
    // upload, so that a script chained on it does not take the old file for the new one.
    if (st.resultCount() == 0) {
        std::error_code ec;
        if (const std::string target = dialogAnswer(out, "zvl");
            std::filesystem::is_regular_file(target, ec)) {
            fail("the instrument's memory holds no results; " + target + " is kept as it was");
            return kExitFailure;
        }
    }
    // The labels and flags the application would write, then its Save As.
    useApplicationDescription(st);
    if (saveRecordingAs(st, out, s.prompts, s.view, s.clock) != kExitOk) {
        fail("the recording file was not written");
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

int runUpload(const std::vector<std::string>& args) {
    const ParsedArgs a = parseArgs(args, {"--port", "--time-errors"}, {});
    if (int code = checkUsage(a, 1, kUploadHelp, "upload"); code >= 0) return code;
    const std::string out = a.positionals[0];
    const std::optional<ChoiceAnswer> chosen = timeErrorAnswer(a);
    if (!chosen) return kExitUsage;
    const ChoiceAnswer answer = *chosen;

    Session s;
    if (!s.openAndConnect(a.value("--port").value_or("COM1"))) return kExitFailure;
    AppState& st = s.state;
    s.prompts.timeErrorAnswer = answer;

    QtTimer uploadRetryTimer{kUploadRetryMs};
    StoredDataUpload upload(st, s.link, s.clock, s.prompts, s.view, uploadRetryTimer);
    uploadRetryTimer.setHandler([&] { upload.onUploadRetryTimer(); });

    CommandLoop loop;
    ProgressLine progress("zvl: ", false);
    const int64_t startMs = s.clock.milliseconds();
    progress.begin(startMs);
    auto line = [&](bool finished) {
        return progressLine(st.bytesTransferred, st.resultCount(), s.clock.milliseconds() - startMs,
                            finished);
    };
    s.view.onBytes = [&](int64_t) { progress.update(s.clock.milliseconds(), [&] { return line(false); }); };
    s.view.onChange = [&] { loop.check(); };
    loop.onSignal = [&] {
        if (upload.running()) upload.cancelTransfer();
    };
    upload.uploadStoredData();
    if (!upload.running()) return kExitFailure;

    // An instrument that stops sending for this long is given up on (the application waits
    // for its user to press Cancel instead).
    constexpr int64_t kGiveUpMs = 30'000;
    bool gaveUp = false;
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        if (upload.running() && s.clock.milliseconds() - upload.lastActivityMs() > kGiveUpMs) {
            gaveUp = true;
            upload.cancelTransfer();
        }
    });
    watchdog.start(1000);
    loop.run([&] { return !upload.running(); });
    watchdog.stop();
    if (!s.lostReason.empty()) {  // the upload ended as Cancel ends it
        progress.clear();         // the progress line gives way to the reason
        fail(s.portGone() + "; upload ended, nothing written");
        return kExitFailure;
    }
    progress.finish(line(true));

    int code = kExitOk;
    switch (upload.outcome()) {
        case StoredDataUpload::Outcome::Completed:
            break;
        case StoredDataUpload::Outcome::Cancelled:
            fail(gaveUp ? "no data from the instrument for 30 s; upload cancelled, nothing written"
                        : "upload cancelled, nothing written");
            code = kExitFailure;
            break;
        default:
            fail("upload failed, nothing written");
            code = kExitFailure;
            break;
    }
    if (code == kExitOk) code = saveUpload(st, upload, answer, out, s);
    s.link.closePort();
    return code;
}

}  // namespace zvl::cli
