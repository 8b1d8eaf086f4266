// Statistics of a recording: one pass over the results, splitting each holding time between
// the boxes it overlaps.

#include "files/statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "core/state.h"
#include "core/timerules.h"
#include "platform/atomicfile.h"
#include "platform/filedialogs.h"
#include "platform/prompts.h"

namespace zvl {

const char* const kBoxChoiceNames[3] = {"Hourly Boxes (Repeating Daily)", "10 Equal Boxes", "20 Equal Boxes"};

int boxCount(BoxChoice choice) {
    switch (choice) {
        case BoxChoice::Hourly:
            return 24;
        case BoxChoice::TenEqual:
            return 10;
        case BoxChoice::TwentyEqual:
            return 20;
    }
    return 24;
}

namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kSecondsPerHour = 3600;

// Where results fall and how a holding time is cut, for one box choice. Equal boxes are
// counted in whole seconds: box k starts at first + ceil(k x span / boxes), so a time on a
// boundary always opens the later box and every part of a holding time is whole seconds.
class BoxLayout {
public:
    BoxLayout(BoxChoice choice, int64_t first, int64_t last)
        : hourly_(choice == BoxChoice::Hourly),
          count_(boxCount(choice)),
          lo_(first),
          hi_(std::max(first, last)) {}

    int count() const { return count_; }
    int64_t start(int box) const {
        if (hourly_) return box * kSecondsPerHour;
        const int64_t scaled = box * (hi_ - lo_);
        return lo_ + (scaled + count_ - 1) / count_;
    }

    int boxOf(int64_t t) const {
        if (hourly_) return int((t % kSecondsPerDay) / kSecondsPerHour);
        if (t >= hi_) return count_ - 1;  // the end of the recording belongs to the last box
        if (t <= lo_) return 0;
        return int((t - lo_) * count_ / (hi_ - lo_));
    }

    // Calls add(box, seconds) for each part of [t, t + d) that falls in a box.
    template <typename Add>
    void split(int64_t t, int64_t d, Add add) const {
        if (d <= 0) return;
        if (hourly_) {
            const int64_t days = d / kSecondsPerDay;
            if (days > 0)
                for (int h = 0; h < count_; ++h) add(h, double(days * kSecondsPerHour));
            int64_t rest = d % kSecondsPerDay, s = t % kSecondsPerDay;
            while (rest > 0) {
                const int64_t h = s / kSecondsPerHour, end = (h + 1) * kSecondsPerHour;
                const int64_t part = std::min(rest, end - s);
                add(int(h), double(part));
                rest -= part;
                s = end % kSecondsPerDay;
            }
            return;
        }
        // Times out of order can reach outside the recording's span; only the part inside counts.
        int64_t a = std::clamp(t, lo_, hi_);
        const int64_t b = std::clamp(t + d, lo_, hi_);
        for (int k = boxOf(a); a < b && k < count_; ++k) {
            const int64_t end = k == count_ - 1 ? hi_ : start(k + 1);
            if (end <= a) continue;
            add(k, double(std::min(b, end) - a));
            a = end;
        }
    }

private:
    bool hourly_;
    int count_;
    int64_t lo_, hi_;
};

std::string number(int64_t n) {
    return std::to_string(n);
}

// Whole seconds as an integer, anything else with one decimal.
std::string secondsText(double s) {
    char text[32];
    if (s == std::floor(s) && std::fabs(s) < 1e15)
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(s));
    else
        std::snprintf(text, sizeof text, "%.1f", s);
    return text;
}

std::string boxName(BoxChoice choice, int box) {
    if (choice != BoxChoice::Hourly) return number(box + 1);
    char text[8];
    std::snprintf(text, sizeof text, "%02d-%02d", box, box + 1);
    return text;
}

std::string boxStartText(BoxChoice choice, int64_t start) {
    if (choice != BoxChoice::Hourly) return formatTimeStamp(start);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:00:00", int(start / kSecondsPerHour));
    return text;
}

}  // namespace

Statistics computeStatistics(const ResultStore& store, BoxChoice choice) {
    return computeStatistics(StoreSource(store), choice);
}

Statistics computeStatistics(const ResultSource& source, BoxChoice choice) {
    Statistics stats;
    stats.choice = choice;
    const int64_t n = source.count();
    stats.resultCount = n;
    const BoxLayout layout(choice, source.time(1), source.time(n));
    stats.boxes.resize(size_t(layout.count()));
    for (int k = 0; k < layout.count(); ++k) stats.boxes[size_t(k)].start = layout.start(k);
    if (n == 0) return stats;

    std::vector<double> boxTime(stats.boxes.size(), 0.0);  // holding time per box, all inputs
    std::array<int64_t, kInputCount> runStart{};           // first result of the on run, 0 when off
    std::array<int64_t, kInputCount> wholeOn{};
    int64_t wholeTime = 0;
    uint16_t previous = 0;
    int64_t t = source.time(1);
    std::vector<int64_t> runStartTime(kInputCount, 0);  // the time of runStart's result
    for (int64_t i = 1; i <= n;) {
        const std::span<const ResultRecord> records = source.run(i);
        if (records.empty()) break;
        for (size_t at = 0; at < records.size(); ++at, ++i) {
            const uint16_t word = records[at].inputStates;
            const int64_t next = i == n                    ? t
                                 : at + 1 < records.size() ? records[at + 1].time()
                                                           : source.time(i + 1);
            const int64_t d = std::max<int64_t>(0, next - t);
            BoxFigures& home = stats.boxes[size_t(layout.boxOf(t))];
            ++home.results;
            // Only the inputs that are on or that change cost anything.
            const uint16_t changed = i == 1 ? 0 : uint16_t(word ^ previous);
            for (uint16_t bits = changed; bits; bits = uint16_t(bits & (bits - 1))) {
                const int k = __builtin_ctz(bits);
                const bool on = word & (1u << k);
                InputSummary& whole = stats.inputs[size_t(k)];
                ++(on ? whole.toOn : whole.toOff);
                ++(on ? home.inputs[size_t(k)].toOn : home.inputs[size_t(k)].toOff);
                if (on) {
                    runStart[size_t(k)] = i;
                    runStartTime[size_t(k)] = t;
                } else {
                    const int64_t length =
                        std::max<int64_t>(0, t - (runStart[size_t(k)] ? runStartTime[size_t(k)] : 0));
                    whole.shortestOn = std::min(whole.shortestOn.value_or(length), length);
                    whole.longestOn = std::max(whole.longestOn.value_or(length), length);
                    runStart[size_t(k)] = 0;
                }
            }
            if (i == 1)
                for (uint16_t bits = word; bits; bits = uint16_t(bits & (bits - 1))) {
                    runStart[size_t(__builtin_ctz(bits))] = 1;
                    runStartTime[size_t(__builtin_ctz(bits))] = t;
                }
            if (d > 0)
                for (uint16_t bits = word; bits; bits = uint16_t(bits & (bits - 1)))
                    wholeOn[size_t(__builtin_ctz(bits))] += d;
            wholeTime += d;
            if (d > 0) {
                layout.split(t, d, [&](int box, double part) {
                    boxTime[size_t(box)] += part;
                    InputFigures* figures = stats.boxes[size_t(box)].inputs.data();
                    for (uint16_t bits = word; bits; bits = uint16_t(bits & (bits - 1)))
                        figures[__builtin_ctz(bits)].onTime += part;
                });
            }
            previous = word;
            t = next;
        }
    }
    for (int k = 0; k < kInputCount; ++k) {
        stats.inputs[size_t(k)].onTime = double(wholeOn[size_t(k)]);
        stats.inputs[size_t(k)].offTime = double(wholeTime - wholeOn[size_t(k)]);
        for (size_t b = 0; b < stats.boxes.size(); ++b) {
            InputFigures& f = stats.boxes[b].inputs[size_t(k)];
            f.offTime = std::max(0.0, boxTime[b] - f.onTime);
        }
    }
    return stats;
}

std::string dutyText(double onTime, double offTime) {
    if (onTime + offTime <= 0) return "";
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 100.0 * onTime / (onTime + offTime));
    return text;
}

TextGrid statisticsGrid(const Statistics& stats, const AppState& state) {
    const size_t boxes = stats.boxes.size();
    TextGrid grid(2 + kInputCount + 1, std::vector<std::string>(2 + boxes + 3));
    grid[0][0] = "Input";
    grid[0][1] = "Label";
    for (size_t b = 0; b < boxes; ++b) {
        grid[0][2 + b] = boxName(stats.choice, int(b));
        grid[1][2 + b] = boxStartText(stats.choice, stats.boxes[b].start);
    }
    grid[0][2 + boxes] = "Changes";
    grid[0][3 + boxes] = "On Time";
    grid[0][4 + boxes] = "Duty %";
    for (int k = 0; k < kInputCount; ++k) {
        std::vector<std::string>& row = grid[size_t(2 + k)];
        const InputSummary& whole = stats.inputs[size_t(k)];
        row[0] = number(k + 1);
        row[1] = state.inputLabels[size_t(k)];
        for (size_t b = 0; b < boxes; ++b) {
            const InputFigures& f = stats.boxes[b].inputs[size_t(k)];
            row[2 + b] = number(f.toOn + f.toOff);
        }
        row[2 + boxes] = number(whole.toOn + whole.toOff);
        row[3 + boxes] = secondsText(whole.onTime);
        row[4 + boxes] = dutyText(whole.onTime, whole.offTime);
    }
    std::vector<std::string>& all = grid.back();
    all[0] = "All";
    for (size_t b = 0; b < boxes; ++b) all[2 + b] = number(stats.boxes[b].results);
    all[2 + boxes] = number(stats.resultCount);
    return grid;
}

TextGrid boxDetails(const Statistics& stats, const AppState& state, size_t box) {
    TextGrid rows{{"Input", "Label", "To On", "To Off", "On Time", "Off Time", "Duty %"}};
    if (box >= stats.boxes.size()) return rows;
    for (int k = 0; k < kInputCount; ++k) {
        const InputFigures& f = stats.boxes[box].inputs[size_t(k)];
        rows.push_back({number(k + 1), state.inputLabels[size_t(k)], number(f.toOn), number(f.toOff),
                        secondsText(f.onTime), secondsText(f.offTime), dutyText(f.onTime, f.offTime)});
    }
    return rows;
}

TextGrid inputSummary(const Statistics& stats, const AppState& state) {
    TextGrid rows{{"Input", "Label", "To On", "To Off", "On Time (s)", "Off Time (s)", "Duty (%)",
                   "Shortest On (s)", "Longest On (s)"}};
    for (int k = 0; k < kInputCount; ++k) {
        const InputSummary& s = stats.inputs[size_t(k)];
        rows.push_back({number(k + 1), state.inputLabels[size_t(k)], number(s.toOn), number(s.toOff),
                        secondsText(s.onTime), secondsText(s.offTime), dutyText(s.onTime, s.offTime),
                        s.shortestOn ? number(*s.shortestOn) : "", s.longestOn ? number(*s.longestOn) : ""});
    }
    return rows;
}

std::string csvText(const TextGrid& grid, const char* lineEnd) {
    std::string out;
    for (const auto& row : grid) {
        for (size_t c = 0; c < row.size(); ++c) {
            if (c > 0) out += ',';
            const std::string& field = row[c];
            // A spreadsheet takes a field that begins with one of these for a formula: an
            // apostrophe in front (and the quotes) make it show the text as it is.
            const bool formula =
                !field.empty() && std::string_view("=+-@").find(field[0]) != std::string_view::npos;
            if (!formula && field.find_first_of(",\"\r\n") == std::string::npos) {
                out += field;
                continue;
            }
            out += '"';
            if (formula) out += '\'';
            for (char ch : field) {
                if (ch == '"') out += '"';
                out += ch;
            }
            out += '"';
        }
        out += lineEnd;
    }
    return out;
}

bool saveStatisticsCsv(const TextGrid& grid, const std::string& folder, FileDialogs& dialogs,
                       Prompts& prompts) {
    FileDialogSpec request;
    request.filter = "Comma Separated Variable Files|*.csv";
    request.defaultExtension = "csv";
    request.initialDirectory = folder;
    request.overwritePrompt = true;
    const auto chosen = dialogs.saveFile(request);
    if (!chosen) return false;
    const std::string error = writeFileAtomically(*chosen, csvText(grid));
    if (!error.empty()) prompts.warning(error);
    return error.empty();
}

}  // namespace zvl
