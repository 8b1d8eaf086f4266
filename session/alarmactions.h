#pragma once
// What an alarm does (see search/alarms.h for when one fires): its line, a row in the alarm
// file, and the user's command. Plain POSIX, shared by zvl log, zvl collect and the window.

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/timerules.h"
#include "platform/clock.h"
#include "search/alarms.h"

namespace zvl {

// "ALARM NAME YYYY-MM-DD hh:mm:ss FILE result N" (FILE "-" when there is none).
std::string alarmLine(const AlarmEvent& e, const LocalDateTime& when);
// "2026-03-29T14:05:09+02:00".
std::string isoTimeText(const LocalDateTime& when, int utcOffsetSeconds);
// Sixteen characters 1 (on) or 0 (off), input 1 first.
std::string inputsText(uint16_t inputs);

// DIR/PREFIX-alarms.csv: "time,alarm,file,result,inputs", then one row per alarm. Each row
// is appended whole by one write and synced; the header goes in when the file is empty.
class AlarmFile {
public:
    explicit AlarmFile(std::string path) : path_(std::move(path)) {}
    // "" when the row is on the disk, else the error text.
    std::string append(const AlarmEvent& e, const std::string& isoTime);
    const std::string& path() const { return path_; }
    static constexpr const char* kHeader = "time,alarm,file,result,inputs\n";

private:
    std::string path_;
};

// The user's command for each alarm, by /bin/sh -c, not waited for. Its standard input is
// /dev/null and its standard output goes to standard error (standard output carries data);
// the alarm is in its environment: ZVL_ALARM, ZVL_TIME, ZVL_FILE, ZVL_RESULT, ZVL_INPUTS.
class AlarmCommands {
public:
    explicit AlarmCommands(std::string command) : command_(std::move(command)) {}
    enum class Start { Started, StillRunning, Failed };
    // `error` says why it failed.
    Start start(const AlarmEvent& e, const std::string& isoTime, std::string& error);
    // The commands that ended since the last call: (alarm, "exit status N" or "signal N").
    std::vector<std::pair<std::string, std::string>> reap();
    bool empty() const { return command_.empty(); }

private:
    std::string command_;
    std::map<std::string, pid_t> running_;  // by alarm name
};

}  // namespace zvl
