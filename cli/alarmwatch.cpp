#include "cli/alarmwatch.h"

#include <cstdio>

#include "cli/args.h"
#include "cli/session.h"

namespace zvl::cli {

int readAlarmOptions(const ParsedArgs& a, AlarmOptions& out) {
    for (const std::string& value : a.all("--alarm")) {
        size_t from = 0;
        while (from <= value.size()) {
            const size_t semi = std::min(value.find(';', from), value.size());
            const std::string one = value.substr(from, semi - from);
            from = semi + 1;
            if (one.find_first_not_of(" \t") == std::string::npos) continue;
            std::string error;
            const auto rule = parseAlarm(one, error);
            if (!rule) {
                fail("--alarm: " + error);
                return kExitUsage;
            }
            for (const AlarmRule& r : out.rules)
                if (r.name == rule->name) {
                    fail("--alarm: the name \"" + r.name + "\" is given twice");
                    return kExitUsage;
                }
            out.rules.push_back(*rule);
        }
    }
    if (auto v = a.value("--idle")) {
        out.idleSeconds = parseAlarmDuration(*v);
        if (!out.idleSeconds) {
            fail("--idle needs a duration from 1s to 366d such as 90s, 10m or 2h, not \"" + *v + "\"");
            return kExitUsage;
        }
    }
    out.command = a.value("--on-alarm").value_or("");
    return -1;
}

AlarmWatch::AlarmWatch(const AlarmOptions& options, const Clock& clock, std::string csvPath)
    : clock_(clock),
      engine_(options.rules, options.idleSeconds, clock.milliseconds()),
      commands_(options.command) {
    if (!csvPath.empty()) file_.emplace(std::move(csvPath));
}

void AlarmWatch::fire(const std::vector<AlarmEvent>& events) {
    for (const AlarmEvent& e : events) {
        const LocalDateTime now = clock_.now();
        const std::string iso = isoTimeText(now, clock_.utcOffsetSeconds());
        if (printLine) printLine(alarmLine(e, now));
        if (file_) {
            const std::string error = file_->append(e, iso);
            if (!error.empty() && !fileFailing_ && message)
                message("cannot write the alarm file " + file_->path() + " (" + error +
                        "); the alarms go on without it");
            if (error.empty() && fileFailing_ && message)
                message("the alarm file " + file_->path() + " is written again");
            fileFailing_ = !error.empty();
        }
        if (commands_.empty()) continue;
        std::string error;
        switch (commands_.start(e, iso, error)) {
            case AlarmCommands::Start::Started:
                break;
            case AlarmCommands::Start::StillRunning:
                if (message) message("alarm " + e.name + ": its command still runs; not started again");
                break;
            case AlarmCommands::Start::Failed:
                if (message) message("alarm " + e.name + ": cannot start its command (" + error + ")");
                break;
        }
    }
}

void AlarmWatch::result(const ResultRecord& record, const std::string& file, int64_t number) {
    fire(engine_.result(clock_.milliseconds(), record, file, number));
}

void AlarmWatch::tick() {
    fire(engine_.check(clock_.milliseconds()));
    for (const auto& [name, how] : commands_.reap())
        if (message) message("alarm " + name + ": its command " + how);
}

void AlarmWatch::startTicking() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    timer_.start(250);
}

void AlarmWatch::portLost() {
    if (auto e = engine_.portLost(clock_.milliseconds())) fire({*e});
}

void AlarmWatch::portBack() {
    if (auto e = engine_.portBack(clock_.milliseconds())) fire({*e});
}

std::shared_ptr<AlarmWatch> collectAlarms(const AlarmOptions& options, const Clock& clock) {
    if (!options.any()) return nullptr;
    auto alarms = std::make_shared<AlarmWatch>(options, clock, "");
    alarms->printLine = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    alarms->message = [](const std::string& line) { fail(line); };
    alarms->startTicking();
    return alarms;
}

std::set<std::string> withAlarmOptions(std::set<std::string> options) {
    options.insert(std::begin(kAlarmValueOptions), std::end(kAlarmValueOptions));
    return options;
}

}  // namespace zvl::cli
