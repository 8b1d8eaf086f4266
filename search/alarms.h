#pragma once
// Alarms on the live results: a key that begins to hold (NAME: KEY), a key held for a time
// (NAME: KEY for DURATION), no result for a time (idle), and the port lost and back. Plain
// C++ on a millisecond clock the caller passes in, so zvl log, zvl collect and the window
// share one set of rules and the tests run them on a fake clock.
//
// A key begins to hold at a result as a held match of zvl find begins (see heldmatch.h); the
// results are one continuous stream, whatever files they go into and whatever gaps a lost
// port leaves, so a roll or a lost port neither begins a hold again nor ends one. An alarm
// with a duration fires once its key has held for that long since the arrival of the result
// where the hold began: at that moment on the clock (check()), or at the result that arrives
// then, before that result is judged, so a key held exactly the duration fires. While the port
// is lost nothing is known of the inputs and no held alarm fires; a hold that goes on through
// the loss fires at the first result after it when its moment has passed. An alarm re-arms
// when its key no longer holds. idle fires once when no result has arrived for its time (since
// the start, or since the last result) and re-arms with the next result.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "search/heldmatch.h"

namespace zvl {

struct AlarmRule {
    std::string name;
    std::array<uint8_t, kInputCount> conditions{};  // as the search key holds them
    std::optional<int64_t> holdSeconds;             // "for DURATION"; none: at the matching result
};

// The names of the alarms the program raises itself.
inline constexpr const char* kIdleAlarm = "idle";
inline constexpr const char* kPortLostAlarm = "port-lost";
inline constexpr const char* kPortBackAlarm = "port-back";
inline constexpr int64_t kMaxAlarmSeconds = 366 * 86400;

// "NAME: KEY [for DURATION]": NAME of letters, digits, '-', '_' and '.' (1 to 40, not a name
// of the program's own alarms), KEY as zvl find's (spaces allowed around its parts), DURATION
// as parseDuration's, 1 s .. 366 d. nullopt with the reason in `error`.
std::optional<AlarmRule> parseAlarm(const std::string& text, std::string& error);
// A duration of 1 s .. 366 d (for --idle); nullopt when not.
std::optional<int64_t> parseAlarmDuration(const std::string& text);

// One alarm that fired: what it is about is the result where its hold began (a key), the
// matching result, or the last result before it (idle, the port's alarms; none before the
// first result: result 0).
struct AlarmEvent {
    std::string name;
    int64_t dueMs = 0;  // its moment on the caller's clock
    std::string file;   // the file the result is in, as the caller named it
    int64_t result = 0;
    uint16_t inputs = 0;
    bool operator==(const AlarmEvent&) const = default;
};

class AlarmEngine {
public:
    AlarmEngine(std::vector<AlarmRule> rules, std::optional<int64_t> idleSeconds, int64_t startMs);
    ~AlarmEngine();

    // A result arrived at nowMs: alarms whose moment came first, then those it fires.
    std::vector<AlarmEvent> result(int64_t nowMs, const ResultRecord& record, const std::string& file,
                                   int64_t number);
    // The clock: alarms whose moment has come by nowMs (ask at least once a second).
    std::vector<AlarmEvent> check(int64_t nowMs);
    // The port's alarms, once each way: nullopt when the port was already lost (or not lost).
    std::optional<AlarmEvent> portLost(int64_t nowMs);
    std::optional<AlarmEvent> portBack(int64_t nowMs);

    const std::vector<AlarmRule>& rules() const { return rules_; }

private:
    struct Watch;
    AlarmEvent about(const std::string& name, int64_t dueMs) const;
    void checkIdle(int64_t nowMs, std::vector<AlarmEvent>& out);
    void checkHeld(int64_t nowMs, std::vector<AlarmEvent>& out);

    std::vector<AlarmRule> rules_;
    std::vector<std::unique_ptr<Watch>> watches_;
    std::optional<int64_t> idleMs_;
    int64_t lastResultMs_;
    bool idleFired_ = false;
    bool portDown_ = false;
    bool blind_ = false;  // no result since the port was lost
    AlarmEvent last_;     // the last result, as an event's subject
};

}  // namespace zvl
