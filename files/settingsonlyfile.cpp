#include "files/settingsonlyfile.h"

#include "core/codepage.h"

namespace zvl {

std::string settingsOnlyText(const AppState& state, const std::string& path, const LocalDateTime& when) {
    std::string out;
    auto line = [&out](const std::string& text) {
        out += text;
        out += "\r\n";
    };
    line(kSettingsOnlyHeader + utf8ToWindows1252(path) + formatHeaderDate(when));
    line("");
    line(state.recordingTitle);
    for (int k = 0; k < 10; ++k) line(state.commentLines[size_t(k)]);
    for (bool active : state.inputActive) line(active ? "TRUE" : "FALSE");
    for (const std::string& label : state.inputLabels) line(label);
    return out;
}

bool readSettingsOnly(AppState& state, ByteSource& in) {
    std::string line;
    for (int k = 0; k < 3; ++k)  // header, empty line, title: the title box keeps its text
        if (!readTextFileLine(in, line)) return false;
    for (int k = 0; k < 10; ++k) {
        if (!readTextFileLine(in, line)) return false;
        state.commentLines[size_t(k)] = line;
    }
    for (bool& active : state.inputActive) {
        if (!readTextFileLine(in, line) || line.empty()) return false;
        active = !(line[0] == 'F' || line[0] == 'f');
    }
    for (std::string& label : state.inputLabels) {
        if (!readTextFileLine(in, line)) return false;
        label = line;
    }
    return true;
}

}  // namespace zvl
