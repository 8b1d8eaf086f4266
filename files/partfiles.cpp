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

}  // namespace

PartFiles findPartFiles(const std::string& chosen) {
    namespace fs = std::filesystem;
    PartFiles result;
    const fs::path path(chosen);
    std::string prefix, extension;
    if (!splitPartName(path.filename().string(), prefix, extension)) {
        result.error = chosen + " is not a part file (NAME_1.ZVL, NAME_2.ZVL, ...)";
        return result;
    }
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    int64_t highest = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        highest = std::max(highest, partNumber(it->path().filename().string(), prefix, extension));
    if (ec) {
        result.error = "Cannot list the folder " + folder.string() + ": " + ec.message();
        return result;
    }
    if (highest == 0) highest = 1;  // the chosen part itself is missing: reported below as _1
    for (int64_t k = 1; k <= highest; ++k) {
        const std::string part = (path.parent_path() / (prefix + std::to_string(k) + extension)).string();
        if (!fs::exists(part, ec)) {
            result.paths.clear();
            result.error = "Part file " + part + " is missing";
            return result;
        }
        if (part == chosen) result.chosen = result.paths.size();
        result.paths.push_back(part);
    }
    return result;
}

PartsRead readPartFiles(AppState& state, const std::vector<std::string>& paths, size_t describedBy) {
    PartsRead result;
    auto whole = std::make_unique<AppState>();
    auto part = std::make_unique<AppState>();
    int64_t count = 0;
    for (size_t n = 0; n < paths.size(); ++n) {
        const std::string& path = paths[n];
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
        for (int64_t k = 1; k <= part->resultCount(); ++k) {
            if (count == kMaxResults) {
                ++result.leftOut;
                continue;
            }
            whole->store.slot(++count) = part->store.slot(k);
        }
        if (n == describedBy) {
            whole->recordingTitle = part->recordingTitle;
            whole->commentLines = part->commentLines;
            whole->inputLabels = part->inputLabels;
            whole->inputActive = part->inputActive;
        }
    }
    state.store.clearResults();
    for (int64_t k = 1; k <= count; ++k) state.store.slot(k) = whole->store.slot(k);
    state.resultCount() = count;
    state.recordingTitle = whole->recordingTitle;
    std::copy_n(whole->commentLines.begin(), 10, state.commentLines.begin());  // the file's ten
    state.inputLabels = whole->inputLabels;
    state.inputActive = whole->inputActive;
    result.ok = true;
    return result;
}

bool loadAllPartFiles(AppState& state, const std::string& chosen, Prompts& prompts, ViewHooks& view) {
    PartsRead read;
    {
        BusyCursor busy(prompts);
        const PartFiles parts = findPartFiles(chosen);
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
    if (read.leftOut > 0)
        prompts.information("The store holds " + std::to_string(kMaxResults) + " results: the last " +
                            std::to_string(read.leftOut) + " of the parts are not loaded");
    return true;
}

}  // namespace zvl
