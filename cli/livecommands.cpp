// zvl status and zvl collect: talk to a live instrument.

#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "cli/alarmwatch.h"
#include "cli/args.h"
#include "cli/commandloop.h"
#include "cli/filecommands.h"
#include "cli/session.h"
#include "files/exportline.h"
#include "files/journal.h"

namespace zvl::cli {

namespace {

const char* const kStatusHelp =
    "usage: zvl status [--port P]\n"
    "\n"
    "Connect to the instrument and print its firmware version, serial number, clock and\n"
    "option bits.\n"
    "\n"
    "  --port P   COMn (mapped as the application maps it) or a device path; default COM1\n"
    "\n"
    "Questions: none are asked. Exit 0 on success, 1 on a usage error, 2 when the port\n"
    "cannot be opened or the instrument does not answer.\n";

const char* const kCollectHelp =
    "usage: zvl collect [--port P] [--seconds S] [--count N] [-o OUT.zvl]\n"
    "                   [--alarm 'NAME: KEY [for DURATION]'] [--idle DURATION] [--on-alarm CMD]\n"
    "\n"
    "Start a live recording, print one line per result as it arrives, then stop the\n"
    "instrument. Each line is the data line of the CSV export: index, \"d mmm yy hh:nn:ss\",\n"
    "seconds since 1 Jan 2000, and the sixteen inputs as 1 or 0. The recording ends after S\n"
    "seconds, after N live results, or on Ctrl-C, whichever comes first; the stop record\n"
    "(the last state repeated at the stop time) is printed last.\n"
    "\n"
    "  --port P      COMn or a device path; default COM1\n"
    "  --seconds S   stop after S seconds (fractions allowed)\n"
    "  --count N     stop after N live results (at most 100000, the instrument's limit)\n"
    "  -o, --output OUT.zvl\n"
    "                when the recording ends, save it as the application's Save As does:\n"
    "                one recording file of up to 32768 results, or part files OUT_1.ZVL,\n"
    "                OUT_2.ZVL, ... (an existing OUT is replaced; labels and active flags\n"
    "                from the application's settings file, else \"Channel n\", all active)\n" ZVL_ALARM_HELP
    "Here the alarm lines go to standard error (standard output carries the results); FILE\n"
    "is OUT.zvl with -o, else -, and N the result's index.\n"
    "\n"
    "Each result also goes to a journal in $XDG_STATE_HOME/Pellam/journal (default\n"
    "~/.local/state/Pellam/journal), synced once a second and removed when the recording is\n"
    "saved by -o or printed whole: after a crash, a kill or a power cut, zvl recover gives\n"
    "back all but the last second. A journal that cannot be written is said once on stderr,\n"
    "and the recording goes on without it.\n"
    "\n"
    "Questions: \"Continue Collecting Data ?\" is answered No (stop); the box about results\n"
    "with wrong times is answered Ignore. Exit 0 on success, 1 on a usage error, 2 when the\n"
    "port cannot be opened, the instrument does not answer, or the port goes away during the\n"
    "recording (the recording then ends with a stop record at that moment: every result is\n"
    "printed, and saved with -o), or when standard output cannot be written (a reader that\n"
    "went away: the recording is stopped as by Ctrl-C, and saved with -o).\n";

std::string printable(const std::string& s) {
    std::string out;
    for (unsigned char c : s) out += (c >= 0x20 && c < 0x7F) ? char(c) : '?';
    return out;
}

}  // namespace

int runStatus(const std::vector<std::string>& args) {
    const ParsedArgs a = parseArgs(args, {"--port"}, {});
    if (int code = checkUsage(a, 0, kStatusHelp, "status"); code >= 0) return code;
    Session s;
    if (!s.openAndConnect(a.value("--port").value_or("COM1"))) return kExitFailure;
    const AppState& st = s.state;
    std::printf("Firmware version: %s\n", st.firmwareVersion.c_str());
    std::printf("Serial number:    %s\n", printable(st.serialNumber).c_str());
    std::printf("Instrument clock: %s (%lld seconds since 1 Jan 2000)\n",
                formatTimeStamp(st.instrumentClock).c_str(), static_cast<long long>(st.instrumentClock));
    unsigned bits = 0;
    std::string list;
    for (int k = 0; k < 8; ++k) {
        if (st.hardwareOptions[size_t(k)]) bits |= 1u << k;
        list +=
            std::string(k ? " " : "") + std::to_string(k) + (st.hardwareOptions[size_t(k)] ? ":on" : ":off");
    }
    std::printf("Option bits:      0x%02X (%s)\n", bits, list.c_str());
    std::printf("Debounce count:   %u\n", unsigned(st.debounceCode));
    s.link.closePort();
    return kExitOk;
}

namespace {

struct CollectOptions {
    std::optional<double> seconds;
    std::optional<long long> count;
    std::optional<std::string> output;
    AlarmOptions alarms;
    std::shared_ptr<AlarmWatch> watch;  // with alarms
};

// The options after the usage check; -1 when the command may run, else its exit status.
int readCollectOptions(const ParsedArgs& a, CollectOptions& o) {
    std::optional<double>& seconds = o.seconds;
    std::optional<long long>& count = o.count;
    if (auto v = a.value("--seconds")) {
        seconds = parseSeconds(*v);
        if (!seconds) {
            fail("--seconds needs a number of seconds, not \"" + *v + "\"");
            return kExitUsage;
        }
    }
    if (auto v = a.value("--count")) {
        count = parseCount(*v);
        if (!count || *count < 1 || *count > kMaxResults) {
            fail("--count needs a whole number from 1 to 100000, not \"" + *v + "\"");
            return kExitUsage;
        }
    }
    if (int code = readAlarmOptions(a, o.alarms); code >= 0) return code;
    o.output = a.value("--output");
    if (o.output) {  // refuse a folder that does not exist before recording anything
        const std::filesystem::path folder = std::filesystem::absolute(*o.output).parent_path();
        if (!std::filesystem::is_directory(folder)) {
            fail("cannot write " + *o.output + ": the folder " + folder.string() + " does not exist");
            return kExitFailure;
        }
    }
    return -1;
}

// Says once when the instrument stops answering the status poll and once when it answers again.
void reportLinkBreak(const AppState& st, bool& reported) {
    if (st.linkBreak && !reported) {
        reported = true;
        fail("warning: the instrument stopped answering the status poll");
    }
    if (!st.linkBreak && reported) {
        reported = false;
        fail("the instrument answers the status poll again");
    }
}

// After the recording: the port closed, what went wrong said, and -o's file saved. The exit
// code: a failure when standard output could not be written or the port was lost.
int finishCollect(Session& s, const CollectOptions& o, bool outputWritten, JournalWriter& journal) {
    AppState& st = s.state;
    s.statusTimer.disable();
    s.link.closePort();
    // A noisy line costs at most the packets it touched; how much it brought is said once.
    if (s.link.liveDiscards().bytes > 0) fail(discardedBytesText(s.link.liveDiscards()));
    int code = outputWritten ? kExitOk : kExitFailure;
    if (!s.lostReason.empty()) {
        if (o.watch) o.watch->portLost();
        fail(s.portGone() + "; the recording ends with the results above");
        code = kExitFailure;
    }
    if (o.output) {
        useApplicationDescription(st);
        if (int saved = saveRecordingAs(st, *o.output, s.prompts, s.view, s.clock); saved != kExitOk)
            return saved;  // the journal stays for zvl recover
    }
    // The results are safe in the file of -o, or (without -o) all printed: the journal goes.
    if (o.output || outputWritten) journal.remove();
    return code;
}

// Every result goes to a journal as it is stored, written out a quarter of a second and synced
// a second after the last time (checked as results are stored, and by a timer for when they
// stop coming), so that a kill or a power cut loses at most about that much (zvl recover gives
// the rest back). A journal that cannot be written is said once; the recording goes on without it.
struct CollectJournal {
    JournalWriter writer;
    QTimer timer;
    const Clock* clock = nullptr;

    void start(Session& s, const std::string& portName) {
        AppState& st = s.state;
        useApplicationDescription(st);
        const JournalHeader header{
            JournalKind::Collect, pcTimeStamp(s.clock), portName,
            st.serialNumber,      st.recordingTitle,    {st.commentLines.begin(), st.commentLines.end()},
            st.inputLabels,       st.inputActive};
        if (!writer.open(newJournalPath(defaultJournalFolder(), header), header)) tell();
        clock = &s.clock;
        QObject::connect(&timer, &QTimer::timeout, [this] { flushIfDue(); });
        timer.start(int(JournalWriter::kSyncEveryMs));
    }
    void flushIfDue() {
        if (!writer.flushIfDue(clock->milliseconds())) tell();
    }
    void end() {
        timer.stop();
        if (!writer.flush()) tell();
    }
    void tell() {
        if (const std::string e = writer.takeError(); !e.empty())
            fail("cannot write the journal (" + e + "); the recording goes on without it");
    }
};

}  // namespace

int runCollect(const std::vector<std::string>& args) {
    const ParsedArgs a = parseArgs(args, withAlarmOptions({"--port", "--seconds", "--count", "--output"}), {},
                                   {{"-o", "--output"}});
    if (int code = checkUsage(a, 0, kCollectHelp, "collect"); code >= 0) return code;
    CollectOptions o;
    if (int code = readCollectOptions(a, o); code >= 0) return code;
    const std::string portName = a.value("--port").value_or("COM1");
    Session s;
    if (!s.openAndConnect(portName)) return kExitFailure;
    AppState& st = s.state;

    CollectJournal journal;
    journal.start(s, portName);
    o.watch = collectAlarms(o.alarms, s.clock);

    s.port.setGatherMs(kLiveGatherMs);
    ignoreBrokenPipe();
    CommandLoop loop;
    int64_t printed = 0;
    bool stopRequested = false, stopped = false, breakReported = false;
    // Each result's line goes to stdout's buffer as it is stored, written out 100 ms after the
    // first line that waits and at the end (a terminal is line-buffered). A standard output that
    // cannot be written (the pipe's reader has gone) stops the recording as Ctrl-C does.
    QTimer flusher;
    flusher.setSingleShot(true);
    std::string outputError;
    QTimer stopper;
    stopper.setSingleShot(true);
    auto requestStop = [&] {
        if (!stopRequested) {
            stopRequested = true;
            stopper.start(0);  // stop outside the decoder's notification
        }
    };
    auto flushOut = [&] {
        if (!outputError.empty()) return;
        outputError = standardOutputError();
        if (outputError.empty()) return;
        fail("cannot write to standard output (" + outputError + "); the recording is stopped");
        requestStop();
    };
    QObject::connect(&flusher, &QTimer::timeout, flushOut);
    auto printNew = [&] {
        for (; printed < st.resultCount() && printed < kMaxResults; ++printed) {
            journal.writer.append(st.store.slot(printed + 1));
            if (o.watch) o.watch->result(st.store.slot(printed + 1), o.output.value_or(""), printed + 1);
            if (outputError.empty()) std::printf("%s\n", exportDataLine(st, printed + 1).c_str());
        }
        journal.flushIfDue();
        if (!flusher.isActive()) flusher.start(100);
    };
    s.view.onRedraw = [&] {
        printNew();
        if (o.count && s.link.liveResultsStored() >= *o.count) requestStop();
    };
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        s.prompts.confirmAnswer = false;  // "Continue Collecting Data ?" No: stop
        if (st.collectionActive) s.link.startStopRecording();
        stopped = true;
        loop.check();
    });
    // The end of the recording by the limit or a lost port, and a link break, show in the
    // controls' changes.
    s.view.onChange = [&] {
        reportLinkBreak(st, breakReported);
        loop.check();
    };
    loop.onSignal = requestStop;

    st.operatingMode = TimebaseRecord;
    s.link.startStopRecording();
    s.statusTimer.enable();
    if (o.seconds) QTimer::singleShot(int(*o.seconds * 1000.0 + 0.5), [&] { requestStop(); });
    loop.run([&] { return stopped || (!st.collectionActive && !stopRequested); });
    printNew();
    journal.end();
    flusher.stop();
    flushOut();
    return finishCollect(s, o, outputError.empty(), journal.writer);
}

}  // namespace zvl::cli
