#include "sim/replay.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace zvl::sim {

namespace {

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool digit(char c) {
    return c >= '0' && c <= '9';
}

// "12", "12.5", "0.125": milliseconds, or -1.
int64_t milliseconds(const std::string& text) {
    const size_t dot = text.find('.');
    const std::string whole = text.substr(0, dot),
                      part = dot == std::string::npos ? "" : text.substr(dot + 1);
    if (whole.empty() || whole.size() > 8 || part.size() > 3 || (dot != std::string::npos && part.empty()))
        return -1;
    int64_t ms = 0;
    for (char c : whole) {
        if (!digit(c)) return -1;
        ms = ms * 10 + (c - '0');
    }
    ms *= 1000;
    int64_t scale = 100;
    for (char c : part) {
        if (!digit(c)) return -1;
        ms += (c - '0') * scale;
        scale /= 10;
    }
    return ms <= 31'622'400'000 ? ms : -1;
}

// "0x00FF" or "255": the word, or -1.
int64_t word(const std::string& text) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    if (digits.empty() || digits.size() > (hex ? 4 : 5)) return -1;
    int64_t v = 0;
    for (char c : digits) {
        const char l = char(c | 0x20);
        if (digit(c))
            v = v * (hex ? 16 : 10) + (c - '0');
        else if (hex && l >= 'a' && l <= 'f')
            v = v * 16 + (l - 'a' + 10);
        else
            return -1;
    }
    return v <= 0xFFFF ? v : -1;
}

}  // namespace

std::optional<std::string> parseReplay(const std::string& text, const std::string& name,
                                       std::vector<ReplayStep>& out) {
    out.clear();
    std::istringstream in(text);
    std::string line;
    for (size_t number = 1; std::getline(in, line); ++number) {
        const std::string t = trimmed(line);
        if (t.empty() || t[0] == '#' || (number == 1 && !digit(t[0]))) continue;
        const std::string where = name + " line " + std::to_string(number) + ": ";
        const size_t comma = t.find(',');
        if (comma == std::string::npos || t.find(',', comma + 1) != std::string::npos)
            return where + "wants SECONDS,WORD such as 2.5,0x0004";
        const int64_t ms = milliseconds(trimmed(t.substr(0, comma)));
        if (ms < 0) return where + "the seconds are not a number from 0 to 31622400 with up to 3 decimals";
        if (!out.empty() && ms < out.back().ms) return where + "the seconds are less than on the line before";
        const int64_t w = word(trimmed(t.substr(comma + 1)));
        if (w < 0) return where + "the input word is not 0 .. 65535 or 0x0000 .. 0xFFFF";
        if (out.size() >= kMaxReplayLines)
            return where + "more than " + std::to_string(kMaxReplayLines) + " results";
        out.push_back({ms, uint16_t(w)});
    }
    if (out.empty()) return name + ": no results in it (each line is SECONDS,WORD)";
    return std::nullopt;
}

std::optional<std::string> readReplayFile(const std::string& path, std::vector<ReplayStep>& out) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return "cannot read " + path + ": " + std::strerror(errno);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return parseReplay(bytes.str(), path, out);
}

}  // namespace zvl::sim
