// zvl log: unattended logging into a folder, file after file, until a signal.

#include <QTimer>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "cli/alarmwatch.h"
#include "cli/args.h"
#include "cli/commandloop.h"
#include "cli/filecommands.h"
#include "cli/logrecorder.h"
#include "cli/session.h"
#include "platform/comports.h"

namespace zvl::cli {

namespace {

const char* const kLogHelp =
    "usage: zvl log --port P [--roll N] [--every DURATION] [--name PREFIX] [--quiet]\n"
    "               [--alarm 'NAME: KEY [for DURATION]'] [--idle DURATION] [--on-alarm CMD] DIR\n"
    "\n"
    "Record the instrument's live results into recording files in DIR until SIGINT, SIGTERM\n"
    "or SIGHUP. A file is finished each time N results are in it, or DURATION has passed,\n"
    "and recording goes on into a new file with the very next result: the instrument is not\n"
    "stopped, and no result is lost or stored twice. Files are named PREFIX-YYYYMMDD-HHMMSS.zvl\n"
    "from their first result (x002 .. x999, then y001000 .., added when two start in the same\n"
    "second) and are ordinary recording files, in part files NAME_1.ZVL .. above 32768\n"
    "results. Their comment lines name the port, the instrument's serial number and firmware,\n"
    "why the file ended (roll, time, port lost, stop, a change of the local time), a gap\n"
    "before it, the UTC offset of its times (a file ends when summer time begins or ends)\n"
    "and the line noise thrown away while it was filled (a fault costs at most the packet it\n"
    "touches).\n"
    "The file being filled is saved every minute. Each result also goes to a journal,\n"
    "DIR/.zvl-log-journal.zvlj, written every quarter second and synced once a second, so a\n"
    "kill or a power cut loses at most the last second: at the next start the results in it\n"
    "that no saved file holds go into a file of their own (its comment lines say it was\n"
    "recovered), and logging goes on.\n"
    "Only one zvl log writes into a folder (a lock on DIR/.zvl-log.lock); a second one is\n"
    "refused.\n"
    "\n"
    "  --port P           COMn or a device path\n"
    "  --roll N           results per file, 1 .. 100000 (default 100000)\n"
    "  --every DURATION   also finish a file after DURATION: a whole number and s, m, h or d\n"
    "                     (30m, 12h, 1d); off by default\n"
    "  --name PREFIX      the start of the file names (default zvl)\n"
    "  --quiet            no line per file and no status line (alarms are still printed)\n" ZVL_ALARM_HELP
    "Each alarm is also a row in DIR/PREFIX-alarms.csv (time, alarm, file, result, inputs);\n"
    "FILE is the file the result is in (the file being filled, named when its first alarm\n"
    "comes).\n"
    "\n"
    "A port that goes away: its results are saved, and the port is tried again every 5 s,\n"
    "after a minute every minute; when it is back the handshake runs and recording goes on\n"
    "into a new file. A folder that cannot be written: the results stay in memory and the save\n"
    "is tried again every minute; files saved before are not touched. After a signal it is\n"
    "tried every 5 s for 2 minutes; then, or at a second signal, the results are given up.\n"
    "\n"
    "Output: one line per finished file on standard output, \"NAME: N results, FIRST .. LAST\",\n"
    "and the alarms' lines;\n"
    "messages on standard error; a status line there when it is a terminal. A standard output\n"
    "that cannot be written stops the recording as a signal does.\n"
    "Exit 0 after a signal once every result is saved, 1 on a usage error, 2 when the port\n"
    "cannot be opened or the instrument does not answer at the start, when DIR is in use by\n"
    "another zvl log, when the standard output closed, or when results were given up.\n";

const char* signalName(int sig) {
    switch (sig) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
        default:
            return "signal";
    }
}

// The options after the usage check; -1 when the command may run, else its exit status.
int readLogOptions(const ParsedArgs& a, LogOptions& o) {
    o.folder = a.positionals[0];
    if (!a.has("--port")) {
        fail("missing --port (see zvl log --help)");
        return kExitUsage;
    }
    o.portName = *a.value("--port");
    if (auto v = a.value("--roll")) {
        const auto n = parseCount(*v);
        if (!n || *n < 1 || *n > kMaxResults) {
            fail("--roll needs a whole number from 1 to 100000, not \"" + *v + "\"");
            return kExitUsage;
        }
        o.rollCount = *n;
    }
    if (auto v = a.value("--every")) {
        const auto seconds = parseDuration(*v);
        if (!seconds) {
            fail("--every needs a duration such as 30m, 12h or 1d, not \"" + *v + "\"");
            return kExitUsage;
        }
        o.rollSeconds = *seconds;
    }
    if (auto v = a.value("--name")) {
        if (v->find('/') != std::string::npos) {
            fail("--name is the start of a file name, without a folder: \"" + *v + "\"");
            return kExitUsage;
        }
        o.prefix = *v;
    }
    if (!std::filesystem::is_directory(o.folder)) {
        fail("cannot log into " + o.folder + ": not a folder");
        return kExitFailure;
    }
    o.devicePath = resolvePortName(o.portName);
    return -1;
}

// The status line: results so far and their rate, the noise thrown away, a lost port, and
// the file being written.
std::string statusLine(Session& s, LogRecorder& rec, int64_t n, double perSecond) {
    const std::string file = rec.currentName().empty()
                                 ? std::string("(not yet named)")
                                 : std::filesystem::path(rec.currentName()).filename().string();
    char head[64];
    std::snprintf(head, sizeof head, "%lld results, %.0f/s, ", static_cast<long long>(n), perSecond);
    const LiveDecoder::Discards& thrown = s.link.liveDiscards();
    const std::string noise = thrown.bytes > 0 ? discardedBytesText(thrown) + ", " : "";
    return head + noise + std::string(rec.portIsLost() ? "port lost, " : "") + file;
}

// The recorder hears of every stored result and a lost port; its messages go to stderr past
// the status line, and it mutes the session's warnings while it retries a save.
void connectRecorder(Session& s, LogRecorder& rec, ProgressLine& status, AlarmWatch* alarms) {
    rec.message = [&status](const std::string& line) {
        status.clear();
        fail(line);
    };
    rec.muteWarnings = [&s](bool mute) { s.prompts.silent = mute; };
    // The alarms see each new result before a roll can take it out of the store.
    s.view.onRedraw = [&s, &rec, alarms, fed = s.link.liveResultsStored()]() mutable {
        const int64_t total = s.link.liveResultsStored(), n = rec.fileResults();
        if (alarms && !rec.portIsLost()) alarms->portBack();  // before the first result after it
        for (int64_t k = std::max<int64_t>(1, n - (total - fed) + 1); alarms && k <= n; ++k)
            alarms->result(s.state.store.slot(k), rec.nameCurrent(), k);
        fed = total;
        rec.resultStored();
    };
    s.link.setLossReporter([&s, &rec, alarms](const std::string& reason) {
        s.lostReason = reason;
        if (alarms) alarms->portLost();
        rec.portLost(reason);
    });
}

// Records until a signal has stopped the recording and everything is saved (or a second
// signal ends a save that keeps failing); the exit status.
int recordUntilSignal(Session& s, LogRecorder& rec, bool quiet, AlarmWatch* alarms) {
    CommandLoop loop({SIGINT, SIGTERM, SIGHUP});
    ProgressLine status("", true);
    bool stopping = false, ended = false;
    int code = kExitOk;
    std::function<void()> serveSignal;
    // A standard output that cannot be written (the reader of the pipe has gone) ends the
    // recording as a signal does: stop, save, and exit 2.
    std::string outputError;
    auto printData = [&](const std::string& line) {
        if (!outputError.empty()) return;
        status.clear();
        std::printf("%s\n", line.c_str());
        outputError = standardOutputError();
        if (outputError.empty()) return;
        fail("cannot write to standard output (" + outputError + "); stopping as at a signal");
        code = kExitFailure;
        QTimer::singleShot(0, [&] {  // out of the save that printed the line
            serveSignal();
            loop.check();
        });
    };
    rec.fileSaved = [&](const std::string& line) {
        if (!quiet) printData(line);
    };
    connectRecorder(s, rec, status, alarms);
    if (alarms) {
        alarms->printLine = printData;
        alarms->message = rec.message;
        alarms->startTicking();
    }

    RateMeter rate;
    rate.add(s.clock.milliseconds(), 0);
    // A signal stops the recording and saves everything; the loop ends when all is saved, or
    // at a second signal while a save keeps failing, or when the stop has waited long enough
    // for it. A connect or the stop that waits serves it later, from the next tick.
    serveSignal = [&] {
        if ((loop.signalCount() == 0 && outputError.empty()) || rec.busy() || ended) return;
        if (!stopping) {
            stopping = true;
            s.statusTimer.disable();
            rec.stop(loop.signalCount() > 0 ? signalName(loop.lastSignal()) : "standard output closed");
        }
        if (rec.allSaved()) {
            ended = true;
        } else if (loop.signalCount() + (outputError.empty() ? 0 : 1) > 1 || rec.stopWaitOver()) {
            // A second signal, or the stop has waited long enough for the folder.
            rec.message(rec.giveUp());
            code = kExitFailure;
            ended = true;
        }
    };
    loop.onSignal = serveSignal;
    QtTimer tick(1000);
    tick.setHandler([&] {
        rec.tick();
        if (alarms && !rec.portIsLost()) alarms->portBack();
        if (!stopping && !rec.portIsLost() && !rec.busy()) s.statusTimer.enable();
        const int64_t n = rec.resultsLogged();
        const double perSecond = rate.add(s.clock.milliseconds(), n);
        if (!quiet)
            status.update(
                s.clock.milliseconds(), [&] { return statusLine(s, rec, n, perSecond); }, true);
        serveSignal();
        loop.check();
    });

    rec.start();
    s.statusTimer.enable();
    tick.enable();
    loop.run([&] { return ended; });
    tick.disable();
    s.statusTimer.disable();
    status.clear();
    s.link.closePort();
    return code;
}

}  // namespace

int runLog(const std::vector<std::string>& args) {
    const ParsedArgs a = parseArgs(
        args, {"--port", "--roll", "--every", "--name", "--alarm", "--idle", "--on-alarm"}, {"--quiet"});
    if (int code = checkUsage(a, 1, kLogHelp, "log"); code >= 0) return code;
    LogOptions o;
    if (int code = readLogOptions(a, o); code >= 0) return code;
    AlarmOptions alarmOptions;
    if (int code = readAlarmOptions(a, alarmOptions); code >= 0) return code;

    // The folder is this logger's alone: a second one into it is refused.
    FolderLock lock;
    if (const std::string why = lock.take(o.folder); !why.empty()) {
        fail(why);
        if (lock.inUse()) return kExitFailure;
    }
    ignoreBrokenPipe();
    keepLargeBuffersApart();
    Session s;
    if (!s.openAndConnect(o.portName)) return kExitFailure;
    useApplicationDescription(s.state);
    s.port.setGatherMs(kLiveGatherMs);
    LogRecorder rec(s.state, s.link, s.clock, o);
    std::optional<AlarmWatch> alarms;
    if (alarmOptions.any())
        alarms.emplace(alarmOptions, s.clock,
                       (std::filesystem::path(o.folder) / (o.prefix + "-alarms.csv")).string());
    return recordUntilSignal(s, rec, a.has("--quiet"), alarms ? &*alarms : nullptr);
}

}  // namespace zvl::cli
