#include "files/settings.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/atomicfile.h"
#include "platform/comports.h"

namespace zvl {

namespace {

const char* const kCrLf = "\r\n";

// The first integer on the line (leading blanks skipped, the rest of the line ignored).
bool parseLeadingInt(const std::string& line, int64_t& out) {
    size_t p = 0;
    while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
    bool negative = false;
    if (p < line.size() && (line[p] == '-' || line[p] == '+')) negative = line[p++] == '-';
    const size_t digits = p;
    int64_t v = 0;
    while (p < line.size() && line[p] >= '0' && line[p] <= '9') {
        if (v > (INT64_MAX - 9) / 10) return false;
        v = v * 10 + (line[p++] - '0');
    }
    if (p == digits) return false;
    out = negative ? -v : v;
    return true;
}

class LineReader {
public:
    explicit LineReader(std::string_view bytes) : bytes_(bytes) {}
    bool next(std::string& line) {
        if (pos_ >= bytes_.size()) return false;
        const size_t end = bytes_.find('\n', pos_);
        const size_t stop = end == std::string_view::npos ? bytes_.size() : end;
        line.assign(bytes_.substr(pos_, stop - pos_));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pos_ = end == std::string_view::npos ? bytes_.size() : end + 1;
        return true;
    }

private:
    std::string_view bytes_;
    size_t pos_ = 0;
};

uint32_t* colourSlot(ColourSlots& c, int line) {
    switch (line) {
        case 57:
            return &c.highlightOnColour;
        case 58:
            return &c.highlightOffColour;
        case 59:
            return &c.spareColour;
        case 60:
            return &c.offColour;
        case 61:
            return &c.onColour;
        case 62:
            return &c.changeColour;
        case 63:
            return &c.backgroundColour;
        default:
            return &c.gridColour;
    }
}

}  // namespace

std::string settingsFilePath() {
    return configDirectory() + "/Pellam.ini";
}

std::string defaultDataDirectory() {
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/Pellam";
}

std::string encodeSettings(const AppState& st) {
    std::string out;
    auto line = [&](const std::string& s) {
        out += s;
        out += kCrLf;
    };
    line(kSettingsVersionLine);
    for (const auto& label : st.inputLabels) line(label);
    for (bool active : st.inputActive) line(active ? "1" : "0");
    line(std::to_string(st.comPortNumber));
    for (uint8_t c : st.searchKey) line(std::to_string(c));
    for (const auto& recent : st.recentFiles) line(recent);
    line(std::to_string(st.timebaseIndex));
    line(std::to_string(st.operatingMode.number()));
    ColourSlots colours = st.colours;
    for (int n = 57; n <= 64; ++n) line(std::to_string(*colourSlot(colours, n)));
    line(st.dataDirectory);
    line(st.monochromePrinting ? "True" : "False");
    return out;
}

bool decodeSettings(std::string_view bytes, AppState& st) {
    LineReader reader(bytes);
    std::string line;
    int64_t v = 0;
    for (int n = 1; n <= kSettingsLineCount; ++n) {
        if (!reader.next(line)) return false;
        if (n == 1) continue;  // the version line is not compared
        if (n <= 17) {
            st.inputLabels[size_t(n - 2)] = line;
        } else if (n <= 33) {
            st.inputActive[size_t(n - 18)] = line == "1";
        } else if (n == 34) {
            if (!parseLeadingInt(line, v)) return false;
            st.comPortNumber = uint8_t(v);
        } else if (n <= 50) {
            if (!parseLeadingInt(line, v)) return false;
            st.searchKey[size_t(n - 35)] = uint8_t(v);
        } else if (n <= 54) {
            st.recentFiles[size_t(n - 51)] = line;
        } else if (n == 55) {
            if (!parseLeadingInt(line, v)) return false;
            st.timebaseIndex = (v >= 0 && v <= 19) ? int32_t(v) : 5;
        } else if (n == 56) {
            if (!parseLeadingInt(line, v)) return false;
            st.operatingMode = OperatingMode::fromNumber(v);
        } else if (n <= 64) {
            if (!parseLeadingInt(line, v)) return false;
            *colourSlot(st.colours, n) = uint32_t(v) & 0xFFFFFFu;
        } else if (n == 65) {
            st.dataDirectory = line;
        } else {
            if (line.empty()) return false;
            st.monochromePrinting = line[0] == 'T';
        }
    }
    return true;
}

SettingsRead loadSettingsFile(const std::string& path, AppState& st) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return SettingsRead::Unreadable;
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) return SettingsRead::Incomplete;
    return decodeSettings(content.str(), st) ? SettingsRead::Complete : SettingsRead::Incomplete;
}

void firstRunPortPrompt(AppState& st, Prompts& prompts) {
    do {
        const std::string answer = prompts.inputBox("Commmunication Port", "Select Comport [1..4]", "1");
        if (!answer.empty() && answer.back() >= '1' && answer.back() <= '4')
            st.comPortNumber = uint8_t(answer.back() - '0');
    } while (st.comPortNumber < 1 || st.comPortNumber > 4);
}

void loadDefaultSettings(AppState& st, Prompts& prompts, ViewHooks& view) {
    // The defaults first: the boxes stand over the window as the defaults show it.
    for (int k = 0; k < kInputCount; ++k) {
        st.inputLabels[size_t(k)] = "Channel " + std::to_string(k + 1);
        st.inputActive[size_t(k)] = true;
    }
    st.dataDirectory = defaultDataDirectory();
    st.searchKey.fill(DoNotCare);
    setDefaultColours(st);
    st.operatingMode = EventSearch;
    view.refreshWindow();
    prompts.warning(kIniErrorText);
    firstRunPortPrompt(st, prompts);
}

bool writeSettings(const AppState& st, Prompts& prompts, const std::string& path) {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    if (writeFileAtomically(path, encodeSettings(st)).empty()) return true;
    prompts.warning(kIniWriteErrorText);
    return false;
}

}  // namespace zvl
