#include "files/exportfile.h"

#include "core/codepage.h"
#include "files/exportline.h"

namespace zvl {

std::string exportText(const AppState& state, const LocalDateTime& when) {
    return exportText(StoreSource(state.store), state, when);
}

std::string exportText(const ResultSource& source, const AppState& state, const LocalDateTime& when) {
    std::string out;
    out.reserve(size_t(1024 + 90 * (source.count() + 1)));
    exportTextTo(source, state, when, [&out](std::string_view chunk) {
        out += chunk;
        return true;
    });
    return out;
}

bool exportTextTo(const ResultSource& source, const AppState& state, const LocalDateTime& when,
                  const std::function<bool(std::string_view)>& write) {
    constexpr size_t kChunk = 1 << 20;
    std::string out;
    bool ok = true;
    auto line = [&](const std::string& text) {
        out += text;
        out += "\r\n";
        if (out.size() >= kChunk) {
            ok = ok && write(out);
            out.clear();
        }
    };
    line(kExportHeader + utf8ToWindows1252(state.saveFileName) + formatHeaderDate(when));
    line("");
    line("Comments :");
    for (int k = 0; k < 10; ++k) line(state.commentLines[size_t(k)]);
    std::string active = ",,Active,";
    for (bool a : state.inputActive) active += a ? "T," : "F,";
    line(active);
    std::string labels = ",,Labels,";
    for (const std::string& label : state.inputLabels) labels += label + ",";
    line(labels);
    line(exportDataLine(0, 0, source.startRecord().inputStates));
    forEachResult(source, [&](int64_t n, const ResultRecord& r) {
        if (ok) line(exportDataLine(n, r.time(), r.inputStates));
    });
    return ok && (out.empty() || write(out));
}

std::string exportMessage(const std::string& fileName) {
    // The extension is what follows the last dot of the name, not of a folder.
    const auto slash = fileName.rfind('/');
    const auto dot = fileName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = fileName.substr(dot);
    for (char& c : ext)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    if (ext == ".CSV") return kCsvMessage;
    if (ext == ".TXT") return kTxtMessage;
    return {};
}

}  // namespace zvl
