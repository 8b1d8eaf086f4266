// The alarm rules on a fake clock: one table of result streams and what fires, and when.
#include <gtest/gtest.h>

#include <map>

#include "core/state.h"
#include "search/alarms.h"

namespace zvl {
namespace {

struct Step {
    char op;  // R a result (in `file`), C the clock, L port lost, B port back
    int64_t ms;
    uint16_t inputs = 0;
    const char* file = "a";
};

struct Case {
    const char* what;
    std::vector<const char*> alarms;
    std::optional<int64_t> idle;
    std::vector<Step> steps;
    std::string fired;  // "NAME@DUE_MS[>FIRED_MS]:FILE#RESULT" each, space-separated
};

std::string run(const Case& c) {
    std::vector<AlarmRule> rules;
    for (const char* text : c.alarms) {
        std::string error;
        auto rule = parseAlarm(text, error);
        EXPECT_TRUE(rule) << text << ": " << error;
        if (rule) rules.push_back(*rule);
    }
    AlarmEngine engine(rules, c.idle, 0);
    std::map<std::string, int64_t> numbers;  // per file, as a roll numbers them
    std::string out;
    auto put = [&](const AlarmEvent& e, int64_t at) {
        out += (out.empty() ? "" : " ") + e.name + "@" + std::to_string(e.dueMs) +
               (at != e.dueMs ? ">" + std::to_string(at) : "") + ":" + e.file + "#" +
               std::to_string(e.result);
    };
    for (const Step& s : c.steps) {
        std::vector<AlarmEvent> events;
        if (s.op == 'R') {
            ResultRecord r;
            r.inputStates = s.inputs;
            events = engine.result(s.ms, r, s.file, ++numbers[s.file]);
        } else if (s.op == 'C') {
            events = engine.check(s.ms);
        } else if (auto e = s.op == 'L' ? engine.portLost(s.ms) : engine.portBack(s.ms)) {
            events.push_back(*e);
        }
        for (const AlarmEvent& e : events) put(e, s.ms);
    }
    return out;
}

constexpr uint16_t kIn3 = 0x4, kIn1 = 0x1;
const char* const kDoor = "door: 3=on for 10s";

TEST(Alarms, RulesOnAFakeClock) {
    const std::vector<Case> cases = {
        {"held exactly the duration, on the clock",
         {kDoor},
         {},
         {{'R', 0}, {'R', 1000, kIn3}, {'C', 10999}, {'C', 11000}, {'C', 30000}},
         "door@11000:a#2"},
        {"held exactly the duration, ended by the result at the moment",
         {kDoor},
         {},
         {{'R', 1000, kIn3}, {'R', 11000, 0}, {'C', 30000}},
         "door@11000:a#1"},
        {"breaks a second early", {kDoor}, {}, {{'R', 1000, kIn3}, {'R', 10000, 0}, {'C', 30000}}, ""},
        {"re-arms when the key no longer holds",
         {kDoor},
         {},
         {{'R', 0, kIn3}, {'C', 10000}, {'R', 12000, 0}, {'R', 13000, kIn3}, {'C', 22999}, {'C', 23000}},
         "door@10000:a#1 door@23000:a#3"},
        {"rise fires at the matching result, once per edge",
         {"start: 1=rise"},
         {},
         {{'R', 0}, {'R', 1000, kIn1}, {'R', 2000, kIn1}, {'R', 3000}, {'R', 4000, kIn1}},
         "start@1000:a#2 start@4000:a#5"},
        {"fall with a second key beside it",
         {"stop: 1=fall", "up: 3=on"},
         {},
         {{'R', 0, kIn1}, {'R', 1000, kIn3}, {'R', 2000, kIn1}},
         "stop@1000:a#2 up@1000:a#2"},
        {"idle from the start, re-armed by a result",
         {},
         5,
         {{'C', 4999}, {'C', 5000}, {'C', 8000}, {'R', 9000}, {'C', 13999}, {'C', 14000}, {'C', 60000}},
         "idle@5000:#0 idle@14000:a#1"},
        {"a roll in the middle of a hold",
         {kDoor},
         {},
         {{'R', 0, kIn3}, {'R', 4000, kIn3, "b"}, {'C', 10000}, {'R', 12000, kIn3, "b"}, {'C', 40000}},
         "door@10000:a#1"},
        {"a lost port in the middle of a hold fires once, at the first result after it",
         {kDoor},
         {},
         {{'R', 0, kIn3},
          {'L', 2000},
          {'C', 11000},
          {'L', 12000},
          {'B', 15000},
          {'B', 15500},
          {'R', 16000, kIn3, "b"},
          {'R', 20000, kIn3, "b"},
          {'C', 40000}},
         "port-lost@2000:a#1 port-back@15000:a#1 door@10000>16000:a#1"},
        {"a lost port after the alarm does not fire it again",
         {kDoor},
         {},
         {{'R', 0, kIn3}, {'C', 10500}, {'L', 12000}, {'B', 13000}, {'R', 14000, kIn3}, {'C', 40000}},
         "door@10000>10500:a#1 port-lost@12000:a#1 port-back@13000:a#1"},
        {"a key that broke while the port was lost",
         {kDoor},
         {},
         {{'R', 0, kIn3}, {'L', 2000}, {'B', 3000}, {'R', 4000, 0}, {'C', 40000}},
         "port-lost@2000:a#1 port-back@3000:a#1"},
    };
    for (const Case& c : cases) EXPECT_EQ(run(c), c.fired) << c.what;
}

TEST(Alarms, ParseTellsWhatIsWrong) {
    const std::vector<std::pair<const char*, const char*>> bad = {
        {"3=on", "has no colon"},
        {"a b: 3=on", "is not an alarm name"},
        {"idle: 3=on", "is the program's own"},
        {"x: 3=on for 0s", "is not a hold time"},
        {"x: 3=on for 400d", "is not a hold time"},
        {"x: 17=on", "is not a key part"},
    };
    for (const auto& [text, reason] : bad) {
        std::string error;
        EXPECT_FALSE(parseAlarm(text, error)) << text;
        EXPECT_NE(error.find(reason), std::string::npos) << text << ": " << error;
    }
    std::string error;
    const auto rule = parseAlarm(" door : 3=on, 5=fall  for 2m", error);
    ASSERT_TRUE(rule) << error;
    EXPECT_EQ(rule->name, "door");
    EXPECT_EQ(rule->holdSeconds, 120);
    EXPECT_EQ(rule->conditions[2], On);
    EXPECT_EQ(rule->conditions[4], HighToLow);
}

}  // namespace
}  // namespace zvl
