#include "search/alarms.h"

#include <cctype>
#include <utility>

namespace zvl {

namespace {

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool nameCharacter(char c) {
    return std::isalnum(uint8_t(c)) || c == '-' || c == '_' || c == '.';
}

}  // namespace

std::optional<int64_t> parseAlarmDuration(const std::string& text) {
    const std::optional<int64_t> seconds = parseDuration(text);
    if (!seconds || *seconds < 1 || *seconds > kMaxAlarmSeconds) return std::nullopt;
    return seconds;
}

std::optional<AlarmRule> parseAlarm(const std::string& text, std::string& error) {
    const std::string shape =
        "an alarm is a name, a colon and a key, and \"for\" and a hold time after them when it is "
        "to be held, such as \"door: 3=on for 10m\"";
    const size_t colon = text.find(':');
    if (colon == std::string::npos) {
        error = "\"" + text + "\" has no colon: " + shape;
        return std::nullopt;
    }
    AlarmRule rule;
    rule.name = trimmed(text.substr(0, colon));
    bool goodName = !rule.name.empty() && rule.name.size() <= 40;
    for (char c : rule.name) goodName = goodName && nameCharacter(c);
    if (!goodName) {
        error = "\"" + rule.name + "\" is not an alarm name: 1 to 40 letters, digits, '-', '_' or '.'";
        return std::nullopt;
    }
    if (rule.name == kIdleAlarm || rule.name == kPortLostAlarm || rule.name == kPortBackAlarm) {
        error = "the alarm name \"" + rule.name + "\" is the program's own (idle, port-lost, port-back)";
        return std::nullopt;
    }
    std::string key = trimmed(text.substr(colon + 1));
    // "KEY for DURATION": the last word "for" with one word after it.
    const size_t forAt = key.rfind(" for ");
    if (forAt != std::string::npos) {
        const std::string duration = trimmed(key.substr(forAt + 5));
        rule.holdSeconds = parseAlarmDuration(duration);
        if (!rule.holdSeconds) {
            error =
                "\"" + duration + "\" is not a hold time: a whole number and s, m, h or d, from 1s to 366d";
            return std::nullopt;
        }
        key = trimmed(key.substr(0, forAt));
    }
    std::string compact;
    for (char c : key)
        if (c != ' ' && c != '\t') compact += c;
    const auto conditions = parseKeyText(compact, error);
    if (!conditions) return std::nullopt;
    rule.conditions = *conditions;
    return rule;
}

// One alarm's key as the results go by: a held match of its own, and where it began.
struct AlarmEngine::Watch {
    explicit Watch(const HeldKey& key) : matcher(key, {}, [this](const HeldMatch&) { holding = false; }) {
        matcher.begun = [this](const HeldMatch&) { begunNow = true; };
    }
    HeldMatcher matcher;
    bool holding = false;
    bool fired = false;
    bool begunNow = false;
    int64_t beginMs = 0;
    AlarmEvent subject;
};

AlarmEngine::AlarmEngine(std::vector<AlarmRule> rules, std::optional<int64_t> idleSeconds, int64_t startMs)
    : rules_(std::move(rules)), lastResultMs_(startMs) {
    if (idleSeconds) idleMs_ = *idleSeconds * 1000;
    for (const AlarmRule& rule : rules_)
        watches_.push_back(std::make_unique<Watch>(heldKey(rule.conditions)));
}

AlarmEngine::~AlarmEngine() = default;

AlarmEvent AlarmEngine::about(const std::string& name, int64_t dueMs) const {
    AlarmEvent e = last_;
    e.name = name;
    e.dueMs = dueMs;
    return e;
}

void AlarmEngine::checkIdle(int64_t nowMs, std::vector<AlarmEvent>& out) {
    if (!idleMs_ || idleFired_ || nowMs - lastResultMs_ < *idleMs_) return;
    idleFired_ = true;
    out.push_back(about(kIdleAlarm, lastResultMs_ + *idleMs_));
}

void AlarmEngine::checkHeld(int64_t nowMs, std::vector<AlarmEvent>& out) {
    if (blind_) return;  // the inputs are not known while the port is lost
    for (size_t i = 0; i < watches_.size(); ++i) {
        Watch& w = *watches_[i];
        const auto& hold = rules_[i].holdSeconds;
        if (!hold || !w.holding || w.fired || nowMs - w.beginMs < *hold * 1000) continue;
        w.fired = true;
        AlarmEvent e = w.subject;
        e.name = rules_[i].name;
        e.dueMs = w.beginMs + *hold * 1000;
        out.push_back(e);
    }
}

std::vector<AlarmEvent> AlarmEngine::check(int64_t nowMs) {
    std::vector<AlarmEvent> out;
    checkIdle(nowMs, out);
    checkHeld(nowMs, out);
    return out;
}

std::vector<AlarmEvent> AlarmEngine::result(int64_t nowMs, const ResultRecord& record,
                                            const std::string& file, int64_t number) {
    std::vector<AlarmEvent> out = check(nowMs);  // moments that came before this result
    blind_ = false;
    idleFired_ = false;
    lastResultMs_ = nowMs;
    last_ = AlarmEvent{{}, nowMs, file, number, record.inputStates};
    const RecordRun run{std::span<const ResultRecord>(&record, 1), file, number, false};
    for (size_t i = 0; i < watches_.size(); ++i) {
        Watch& w = *watches_[i];
        w.matcher.add(run);
        if (!std::exchange(w.begunNow, false)) continue;
        w.holding = true;
        w.fired = false;
        w.beginMs = nowMs;
        w.subject = last_;
        if (rules_[i].holdSeconds) continue;
        w.fired = true;
        out.push_back(about(rules_[i].name, nowMs));
    }
    checkHeld(nowMs, out);  // a hold that went on through a lost port, past its moment
    return out;
}

std::optional<AlarmEvent> AlarmEngine::portLost(int64_t nowMs) {
    if (portDown_) return std::nullopt;
    portDown_ = blind_ = true;
    return about(kPortLostAlarm, nowMs);
}

std::optional<AlarmEvent> AlarmEngine::portBack(int64_t nowMs) {
    if (!portDown_) return std::nullopt;
    portDown_ = false;
    return about(kPortBackAlarm, nowMs);
}

}  // namespace zvl
