#pragma once
// The alarms of zvl log and zvl collect: --alarm, --idle and --on-alarm read, the engine fed
// with each live result and asked by the one-second tick, and each alarm's line, row and
// command (see search/alarms.h and session/alarmactions.h).

#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "search/alarms.h"
#include "session/alarmactions.h"

namespace zvl::cli {

struct ParsedArgs;

struct AlarmOptions {
    std::vector<AlarmRule> rules;
    std::optional<int64_t> idleSeconds;
    std::string command;
    bool any() const { return !rules.empty() || idleSeconds || !command.empty(); }
};

// The value options, for parseArgs.
inline const char* const kAlarmValueOptions[] = {"--alarm", "--idle", "--on-alarm"};
// The lines of the commands' help about them, a literal to join to theirs.
#define ZVL_ALARM_HELP                                                                         \
    "  --alarm 'NAME: KEY [for DURATION]'\n"                                                   \
    "                     an alarm (repeatable; several in one value separated by ';',\n"      \
    "                     none in an empty one, as with --on-alarm ''):\n"                     \
    "                     KEY as zvl find's (3=on,5=rise), NAME of letters, digits, -, _\n"    \
    "                     and .; without for it fires at the result where the key begins\n"    \
    "                     to hold, with it once the key has held for DURATION (1s .. 366d),\n" \
    "                     on the clock; it fires again after the key stops holding\n"          \
    "  --idle DURATION    the alarm idle: no result for DURATION (again after a result)\n"     \
    "  --on-alarm CMD     run CMD with /bin/sh -c for each alarm, not waited for, with\n"      \
    "                     ZVL_ALARM, ZVL_TIME (ISO 8601 with the UTC offset), ZVL_FILE,\n"     \
    "                     ZVL_RESULT and ZVL_INPUTS (16 of 1 or 0, input 1 first) set; its\n"  \
    "                     output goes to standard error, and its end is said there; it is\n"   \
    "                     not started again for an alarm whose command still runs\n"           \
    "With any of these, the port's loss and return are the alarms port-lost and port-back.\n"  \
    "An alarm is the line \"ALARM NAME YYYY-MM-DD hh:mm:ss FILE result N\": the time it\n"     \
    "fired (within a second of its moment) and the result it is about: where the key began\n"  \
    "to hold, or the last result (idle, port-lost, port-back; 0 before the first).\n"

// -1 when they are good, else the exit status (the reason said on stderr). --alarm may be
// given many times, each with one alarm or several separated by ';' (empty: none).
int readAlarmOptions(const ParsedArgs& a, AlarmOptions& out);

class AlarmWatch {
public:
    // `csvPath` empty: no alarm file.
    AlarmWatch(const AlarmOptions& options, const Clock& clock, std::string csvPath);

    std::function<void(const std::string&)> printLine;  // the ALARM line
    std::function<void(const std::string&)> message;    // stderr

    // A live result stored as result `number` of `file`.
    void result(const ResultRecord& record, const std::string& file, int64_t number);
    // The one-second tick: held and idle alarms on the clock, commands that ended.
    void tick();
    void portLost();
    void portBack();
    // Calls tick() every quarter second from now on, so an alarm fires well within a second.
    void startTicking();

private:
    void fire(const std::vector<AlarmEvent>& events);

    const Clock& clock_;
    AlarmEngine engine_;
    std::optional<AlarmFile> file_;
    AlarmCommands commands_;
    bool fileFailing_ = false;
    QTimer timer_;
};

// zvl collect's, with alarm options: the lines on standard error, no alarm file, ticking
// from now on. Else none.
std::shared_ptr<AlarmWatch> collectAlarms(const AlarmOptions& options, const Clock& clock);
// A command's value options and the alarms'.
std::set<std::string> withAlarmOptions(std::set<std::string> options);

}  // namespace zvl::cli
