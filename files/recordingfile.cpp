#include "files/recordingfile.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "core/codepage.h"
#include "core/timebase.h"
#include "core/viewplacement.h"
#include "files/busycursor.h"
#include "files/recordbytes.h"
#include "platform/atomicfile.h"

namespace zvl {

namespace {

void appendLine(std::string& out, const std::string& text) {
    out += text;
    out += '\r';
}

}  // namespace

std::string recordingTitleLine(const std::string& path, const LocalDateTime& when) {
    return kRecordingTitlePrefix + utf8ToWindows1252(path) + "  " + formatHeaderDate(when);
}

std::string encodeRecordingFile(const AppState& state, int64_t first, int64_t last,
                                const std::string& titleLine) {
    const int64_t count = last >= first ? last - first + 1 : 0;
    // The count field has 16 bits; the savers never put more than kResultsPerFile in a file.
    if (count > 0xFFFF) throw std::invalid_argument("a recording file holds at most 65535 results");
    std::string out;
    out.reserve(size_t(2 + kRecordBytes * size_t(count) + titleLine.size() + 27 * 32 + kInputCount));
    out += char(count & 0xFF);
    out += char((count >> 8) & 0xFF);
    for (int64_t i = first; i <= last; ++i) appendRecordBytes(out, state.store.slot(i));
    appendLine(out, titleLine);
    for (int k = 0; k < 10; ++k) appendLine(out, state.commentLines[size_t(k)]);
    for (const std::string& label : state.inputLabels) appendLine(out, label);
    for (bool active : state.inputActive) out += char(active ? 1 : 0);
    return out;
}

bool writeRecordingFile(AppState& state, const Clock& clock, Prompts& prompts, int64_t first, int64_t last) {
    BusyCursor busy(prompts);
    const std::string title = recordingTitleLine(state.saveFileName, clock.now());
    const std::string error =
        writeFileAtomically(state.saveFileName, encodeRecordingFile(state, first, last, title));
    busy.done();
    if (!error.empty()) {
        prompts.warning(error);
        return false;
    }
    state.recordingTitle = title;
    return true;
}

RecordingRead readRecording(AppState& state, ByteSource& in) {
    RecordingRead result;
    auto stop = [&](RecordingRead::Status why) {
        const std::string e = in.error();
        result.status = e.empty() ? why : RecordingRead::ReadError;
        result.ioError = e;
        return result;
    };

    uint8_t countBytes[2];
    if (in.read(countBytes, 2) != 2) return stop(RecordingRead::EndedEarly);
    result.fileCount = countBytes[0] + 256 * countBytes[1];
    state.resultCount() = result.fileCount;

    // The records, in blocks so that a huge count in a short file costs no more than the file.
    constexpr int64_t kBlock = 4096;
    std::vector<uint8_t> block(size_t(kBlock) * kRecordBytes);
    for (int64_t done = 0; done < result.fileCount;) {
        const int64_t want = std::min(kBlock, result.fileCount - done);
        const size_t got = in.read(block.data(), size_t(want) * kRecordBytes);
        const int64_t whole = int64_t(got / kRecordBytes);
        for (int64_t k = 0; k < whole; ++k)
            state.store.slot(done + k + 1) = recordFromBytes(&block[size_t(k) * kRecordBytes]);
        done += whole;
        if (whole < want) return stop(RecordingRead::EndedEarly);
    }

    std::string line;
    if (!readTextLine(in, line)) return stop(RecordingRead::EndedEarly);
    state.recordingTitle = line;
    for (int k = 0; k < 10; ++k) {
        if (!readTextLine(in, line)) return stop(RecordingRead::EndedEarly);
        state.commentLines[size_t(k)] = line;
    }
    for (std::string& label : state.inputLabels) {
        if (!readTextLine(in, line)) return stop(RecordingRead::EndedEarly);
        label = line;
    }
    for (bool& active : state.inputActive) {
        const int flag = in.get();
        if (flag < 0) return stop(RecordingRead::EndedEarly);
        active = flag == 1;
    }

    while (state.resultCount() > 0 && state.resultTime(state.resultCount()) == 0) --state.resultCount();
    return result;
}

void fitTimebaseToRecording(AppState& state) {
    const ShownResults shown(state);
    const int64_t last = shown.time(shown.count());
    const int64_t first = shown.time(1);
    const double span = double(last > first ? last - first : 1);
    state.timebaseIndex = 3;
    while (double(timebaseRow(state.timebaseIndex).secondsPerPixel) * 600.0 <= span &&
           state.timebaseIndex < 19)
        ++state.timebaseIndex;
}

void positionViewAtFirstResult(AppState& state) {
    const ShownResults shown(state);
    state.currentResult = eventPositionOf(1);
    state.viewStartTime = viewStartOf(shown.time(1), state.timebaseIndex);
}

void showLoadedRecording(AppState& state, ViewHooks& view) {
    fitTimebaseToRecording(state);
    positionViewAtFirstResult(state);
    const ShownResults shown(state);
    state.recordingEndTime = shown.time(shown.count());
    state.operatingMode = EventSearch;
    view.updateControlStates();
    view.refreshWindow();
}

bool loadRecordingFile(AppState& state, const std::string& path, Prompts& prompts, ViewHooks& view,
                       RecordingRead* details) {
    BusyCursor busy(prompts);
    state.store.clearResults();
    std::string error;
    {
        FileSource in;
        if (!in.open(path)) {
            error = in.openError();
        } else {
            const RecordingRead read = readRecording(state, in);
            if (details) *details = read;
            if (read.status == RecordingRead::EndedEarly)
                error = "Cannot read file " + path + ": read beyond end of file";
            else if (read.status == RecordingRead::ReadError)
                error = read.ioError;
        }
    }  // the file is closed here, on every path

    showLoadedRecording(state, view);
    busy.done();
    if (!error.empty()) {
        prompts.warning(error);
        return false;
    }
    return true;
}

}  // namespace zvl
