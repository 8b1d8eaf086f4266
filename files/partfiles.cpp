#include "files/partfiles.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "files/busycursor.h"
#include "files/recordingfile.h"

namespace zvl {

namespace {

// NAME_ and the extension of a part's file name, or false when it is not NAME_k.EXT.
bool splitPartName(const std::string& fileName, std::string& prefix, std::string& extension) {
    const auto dot = fileName.rfind('.');
    if (dot == std::string::npos) return false;
    extension = fileName.substr(dot);
    const std::string stem = fileName.substr(0, dot);
    const auto underscore = stem.rfind('_');
    if (underscore == std::string::npos || underscore + 1 == stem.size()) return false;
    for (size_t i = underscore + 1; i < stem.size(); ++i)
        if (stem[i] < '0' || stem[i] > '9') return false;
    prefix = stem.substr(0, underscore + 1);
    return true;
}

// k of NAME_k.EXT for the given prefix and extension, as partFileName writes it (no leading
// zero, at most six digits), or 0.
int64_t partNumber(const std::string& fileName, const std::string& prefix, const std::string& extension) {
    if (fileName.size() <= prefix.size() + extension.size() || fileName.rfind(prefix, 0) != 0 ||
        fileName.compare(fileName.size() - extension.size(), extension.size(), extension) != 0)
        return 0;
    const std::string digits =
        fileName.substr(prefix.size(), fileName.size() - prefix.size() - extension.size());
    if (digits.size() > 6 || digits[0] == '0') return 0;
    int64_t k = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        k = k * 10 + (c - '0');
    }
    return k;
}

// The time of saving in a title line as the savers write it (the text after its last two
// blanks: the path before them may hold blanks, the date does not hold two in a row). A title
// of another form has none that can be told ("an unknown time").
std::string timeOfSaving(const std::string& title) {
    const auto blanks = title.rfind("  ");
    if (title.rfind(kRecordingTitlePrefix, 0) != 0 || blanks == std::string::npos ||
        blanks + 2 == title.size())
        return "an unknown time";
    return title.substr(blanks + 2);
}

std::string fileNameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

}  // namespace

PartFiles findPartFiles(const std::string& chosen) {
    namespace fs = std::filesystem;
    PartFiles result;
    const fs::path path(chosen);
    std::string prefix, extension;
    const std::string chosenName = path.filename().string();
    if (!splitPartName(chosenName, prefix, extension) || partNumber(chosenName, prefix, extension) == 0) {
        result.error = chosen + " is not a part file (NAME_1.ZVL, NAME_2.ZVL, ...)";
        return result;
    }
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        result.error = "Part file " + chosen + " does not exist";
        return result;
    }
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    int64_t highest = 0;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        highest = std::max(highest, partNumber(it->path().filename().string(), prefix, extension));
    if (ec) {
        result.error = "Cannot list the folder " + folder.string() + ": " + ec.message();
        return result;
    }
    result.chosen = size_t(partNumber(chosenName, prefix, extension) - 1);
    for (int64_t k = 1; k <= std::max<int64_t>(highest, int64_t(result.chosen) + 1); ++k)
        result.paths.push_back((path.parent_path() / (prefix + std::to_string(k) + extension)).string());
    return result;
}

namespace {
// Why part n (read into `part`) does not continue the parts before it (gathered in `whole`,
// part 1 saved at firstSaved, the last result of part n - 1 at previousLast); empty when it does.
std::string whyNotContinued(const AppState& whole, const AppState& part,
                            const std::vector<std::string>& paths, size_t n, const std::string& firstSaved,
                            int64_t previousLast) {
    const std::string& path = paths[n];
    const char* other = nullptr;
    if (!std::equal(whole.commentLines.begin(), whole.commentLines.begin() + 10, part.commentLines.begin()))
        other = "comment lines";
    else if (part.inputLabels != whole.inputLabels)
        other = "input labels";
    else if (part.inputActive != whole.inputActive)
        other = "active inputs";
    if (other) return fileNameOf(path) + " has other " + other + " than " + fileNameOf(paths[0]);
    // A part that an older save left beside a newer, shorter one can have all of the above; it
    // was saved at another time, and its results may go back in time.
    if (const std::string saved = timeOfSaving(part.recordingTitle); saved != firstSaved)
        return fileNameOf(path) + " was saved at " + saved + ", " + fileNameOf(paths[0]) + " at " +
               firstSaved;
    if (part.resultCount() > 0 && previousLast > 0 && part.resultTime(1) < previousLast)
        return "the first result of " + fileNameOf(path) + " is earlier than the last of " +
               fileNameOf(paths[n - 1]);
    return {};
}

// The results 1..count gathered in `whole`, with its title, comment lines and inputs, become
// the state's.
void takeParts(AppState& state, const AppState& whole, int64_t count) {
    state.store.clearResults();
    for (int64_t k = 1; k <= count; ++k) state.store.slot(k) = whole.store.slot(k);
    state.resultCount() = count;
    state.recordingTitle = whole.recordingTitle;
    std::copy_n(whole.commentLines.begin(), 10, state.commentLines.begin());
    state.inputLabels = whole.inputLabels;
    state.inputActive = whole.inputActive;
}
}  // namespace

PartsRead readPartFiles(AppState& state, const std::vector<std::string>& paths, size_t describedBy) {
    PartsRead result;
    auto whole = std::make_unique<AppState>();
    auto part = std::make_unique<AppState>();
    int64_t count = 0;
    int64_t previousCount = kResultsPerFile;  // the file's own count of the part before
    std::string firstTitle, firstSaved;
    int64_t previousLast = 0;  // the time of the last result of the part before
    size_t n = 0;
    for (; n < paths.size(); ++n) {
        const std::string& path = paths[n];
        if (previousCount != kResultsPerFile) {
            result.whyLeftOut = fileNameOf(paths[n - 1]) + " holds " + std::to_string(previousCount) +
                                " results, not " + std::to_string(kResultsPerFile);
            break;
        }
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) {
            if (n == 0) {
                result.error = "Part file " + path + " is missing";
                return result;
            }
            result.whyLeftOut = fileNameOf(path) + " is missing";
            break;
        }
        part->store.clearResults();
        FileSource in;
        if (!in.open(path)) {
            result.error = in.openError();
            return result;
        }
        const RecordingRead read = readRecording(*part, in);
        if (read.status == RecordingRead::EndedEarly) {
            result.error = "Cannot read file " + path + ": read beyond end of file";
            return result;
        }
        if (read.status == RecordingRead::ReadError) {
            result.error = read.ioError;
            return result;
        }
        if (n == 0) {
            std::copy_n(part->commentLines.begin(), 10, whole->commentLines.begin());  // the file's ten
            whole->inputLabels = part->inputLabels;
            whole->inputActive = part->inputActive;
            firstTitle = part->recordingTitle;
            firstSaved = timeOfSaving(firstTitle);
        } else if (std::string why = whyNotContinued(*whole, *part, paths, n, firstSaved, previousLast);
                   !why.empty()) {
            result.whyLeftOut = std::move(why);
            break;
        }
        if (part->resultCount() > 0) previousLast = part->resultTime(part->resultCount());
        previousCount = read.fileCount;
        for (int64_t k = 1; k <= part->resultCount(); ++k) {
            if (count == kMaxResults) {
                ++result.leftOut;
                continue;
            }
            whole->store.slot(++count) = part->store.slot(k);
        }
        if (n == describedBy) whole->recordingTitle = part->recordingTitle;
    }
    result.partsLoaded = n;
    if (describedBy >= n) whole->recordingTitle = firstTitle;
    for (size_t k = n; k < paths.size(); ++k) {
        std::error_code ec;
        if (std::filesystem::exists(paths[k], ec)) result.partsLeftOut.push_back(paths[k]);
    }
    takeParts(state, *whole, count);
    result.ok = true;
    return result;
}

std::string partsLeftOutMessage(const PartsRead& read, const std::vector<std::string>& paths) {
    std::string text;
    if (!read.partsLeftOut.empty()) {
        text = read.partsLoaded == 1 ? "Loaded " + fileNameOf(paths[0]) + " alone"
                                     : "Loaded " + fileNameOf(paths[0]) + " to " +
                                           fileNameOf(paths[read.partsLoaded - 1]) + " as one recording";
        text += "; left out ";
        for (size_t k = 0; k < read.partsLeftOut.size(); ++k) {
            if (k > 0) text += k + 1 == read.partsLeftOut.size() ? " and " : ", ";
            text += fileNameOf(read.partsLeftOut[k]);
        }
        text += ", because " + read.whyLeftOut + ".";
    }
    if (read.leftOut > 0) {
        if (!text.empty()) text += " ";
        text += "The store holds " + std::to_string(kMaxResults) + " results: the last " +
                std::to_string(read.leftOut) + " of the parts are not loaded";
    }
    return text;
}

bool loadAllPartFiles(AppState& state, const std::string& chosen, Prompts& prompts, ViewHooks& view) {
    PartsRead read;
    PartFiles parts;
    {
        BusyCursor busy(prompts);
        parts = findPartFiles(chosen);
        if (parts.error.empty()) {
            read = readPartFiles(state, parts.paths, parts.chosen);
        } else {
            read.error = parts.error;
        }
        if (read.ok) showLoadedRecording(state, view);
    }
    if (!read.ok) {
        prompts.warning(read.error);
        return false;
    }
    // One message for all that was not loaded: a warning when parts were left out.
    if (const std::string message = partsLeftOutMessage(read, parts.paths); !message.empty()) {
        if (read.partsLeftOut.empty())
            prompts.information(message);
        else
            prompts.warning(message);
    }
    return true;
}

}  // namespace zvl
