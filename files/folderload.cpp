#include "files/folderload.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>

#include "core/state.h"
#include "core/timerules.h"
#include "files/partfiles.h"
#include "files/recordingfile.h"
#include "files/textio.h"

namespace zvl {

namespace fs = std::filesystem;

std::span<const ResultRecord> FolderSource::run(int64_t n) const {
    if (n < 1 || n > count_) return {};
    const size_t k = segmentOf(n);
    const std::vector<ResultRecord>& records = records_[k];
    const size_t at = size_t(n - segments_[k].first);
    return std::span<const ResultRecord>(records).subspan(at);
}

const ResultRecord& FolderSource::record(int64_t n) const {
    size_t k = lastSegment_;
    if (k >= segments_.size() || n < segments_[k].first || n > segments_[k].last()) {
        k = segmentOf(n);
        lastSegment_ = k;
    }
    return records_[k][size_t(n - segments_[k].first)];
}

namespace {

std::string nameOf(const std::string& path) {
    return fs::path(path).filename().string();
}

// A recording read from the folder, before its place is known.
struct Recording {
    std::vector<SegmentFile> files;
    std::string title;
    std::array<std::string, 10> comments{};
    std::array<std::string, kInputCount> labels{};
    std::array<bool, kInputCount> active{};
    std::vector<ResultRecord> records;
    std::optional<int> offset;
    int64_t firstUtc = 0, lastUtc = 0;
    const std::string& name() const { return files.front().path; }
};

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// The offset of "Times are UTC+hh:mm" among the comment lines.
std::optional<int> utcOffsetOf(const std::array<std::string, 10>& comments) {
    for (const std::string& line : comments) {
        const std::string prefix = "Times are UTC";
        if (!startsWith(line, prefix.c_str()) || line.size() < prefix.size() + 6) continue;
        const std::string t = line.substr(prefix.size(), 6);
        if ((t[0] != '+' && t[0] != '-') || t[3] != ':') continue;
        bool digits = true;
        for (int i : {1, 2, 4, 5}) digits = digits && t[size_t(i)] >= '0' && t[size_t(i)] <= '9';
        if (!digits) continue;
        const int seconds =
            ((t[1] - '0') * 10 + (t[2] - '0')) * 3600 + ((t[4] - '0') * 10 + (t[5] - '0')) * 60;
        return t[0] == '-' ? -seconds : seconds;
    }
    return std::nullopt;
}

const std::string* lineStarting(const Recording& r, const char* prefix) {
    for (const std::string& line : r.comments)
        if (startsWith(line, prefix)) return &line;
    return nullptr;
}

// Why results are missing between `before` and `after`, as their comment lines tell.
GapCause gapCause(const Recording& before, const Recording& after) {
    if (lineStarting(after, "After a gap: port lost")) return GapCause::PortLost;
    const std::string* ended = lineStarting(before, "Ended: ");
    if (!ended) return GapCause::Unknown;
    if (startsWith(*ended, "Ended: port lost")) return GapCause::PortLost;
    if (startsWith(*ended, "Ended: stop")) return GapCause::Stopped;
    if (startsWith(*ended, "Ended: roll") || startsWith(*ended, "Ended: time") ||
        startsWith(*ended, "Ended: the local time changed"))
        return GapCause::Rolled;
    return GapCause::Unknown;
}

// The state's recording (results 1..resultCount and its description) as a Recording.
Recording takeRecording(const AppState& state, std::vector<SegmentFile> files) {
    Recording r;
    r.files = std::move(files);
    r.title = state.recordingTitle;
    std::copy_n(state.commentLines.begin(), 10, r.comments.begin());
    r.labels = state.inputLabels;
    r.active = state.inputActive;
    const int64_t n = std::clamp<int64_t>(state.resultCount(), 0, kMaxResults);
    r.records.assign(state.store.results.data() + 1, state.store.results.data() + 1 + n);
    return r;
}

// Reads one file, or a part set, into `out`; false with the reason in `why`.
bool readOne(const std::vector<std::string>& paths, AppState& scratch, Recording& out,
             std::vector<std::string>& leftOut) {
    const std::string name = nameOf(paths.front());
    if (paths.size() == 1) {
        scratch.store.clearResults();
        FileSource in;
        if (!in.open(paths.front())) {
            leftOut.push_back(name + ": " + in.openError());
            return false;
        }
        const RecordingRead read = readRecording(scratch, in);
        if (read.status != RecordingRead::Complete) {
            leftOut.push_back(
                name + ": " +
                (read.status == RecordingRead::ReadError ? read.ioError : "read beyond end of file"));
            return false;
        }
        out = takeRecording(scratch, {{paths.front(), 1, scratch.resultCount()}});
        return true;
    }
    const PartsRead read = readPartFiles(scratch, paths, 0);
    if (!read.ok) {
        leftOut.push_back(name + ": " + read.error);
        return false;
    }
    for (const std::string& part : read.partsLeftOut)
        leftOut.push_back(nameOf(part) + ": " + read.whyLeftOut);
    if (read.leftOut > 0)
        leftOut.push_back(name + ": its last " + std::to_string(read.leftOut) + " results (beyond " +
                          std::to_string(kMaxResults) + " in one recording)");
    std::vector<SegmentFile> files;
    int64_t rest = std::min<int64_t>(scratch.resultCount(), kMaxResults);
    for (size_t k = 0; k < read.partsLoaded && rest > 0; ++k) {
        const int64_t n = k + 1 == read.partsLoaded ? rest : std::min(rest, kResultsPerFile);
        files.push_back({paths[k], 1, n});
        rest -= n;
    }
    out = takeRecording(scratch, std::move(files));
    return true;
}

// The recordings of the folder: each file alone, or a part set (NAME_1 .. NAME_n, when
// NAME_1 is there) as one.
std::vector<std::vector<std::string>> recordingsIn(const std::vector<std::string>& files) {
    std::vector<std::vector<std::string>> recordings;
    std::set<std::string> taken;
    for (const std::string& path : files) {
        if (taken.count(path)) continue;
        const PartFiles parts = findPartFiles(path);
        std::error_code ec;
        if (parts.error.empty() && fs::exists(parts.paths.front(), ec)) {
            taken.insert(parts.paths.begin(), parts.paths.end());
            recordings.push_back(parts.paths);
        } else if (fs::file_size(path, ec) > 0 || ec) {
            recordings.push_back({path});  // an empty file is a name zvl log has claimed
        }
    }
    return recordings;
}

void placeInTime(std::vector<Recording>& all) {
    std::optional<int> known;  // the first offset the folder gives, for those that give none
    std::sort(all.begin(), all.end(), [](const Recording& a, const Recording& b) {
        return a.records.front().time() < b.records.front().time();
    });
    for (const Recording& r : all)
        if (!known && r.offset) known = r.offset;
    for (Recording& r : all) {
        const int offset = r.offset.value_or(known.value_or(0));
        r.firstUtc = r.records.front().time() - offset;
        r.lastUtc = r.records.back().time() - offset;
    }
    std::stable_sort(all.begin(), all.end(), [](const Recording& a, const Recording& b) {
        return a.firstUtc != b.firstUtc ? a.firstUtc < b.firstUtc : a.name() < b.name();
    });
}

}  // namespace

std::vector<std::string> recordingFilesIn(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.' || name.size() < 4) continue;
        std::string extension = name.substr(name.size() - 4);
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        std::error_code typeError;
        if (extension == ".zvl" && fs::is_regular_file(it->path(), typeError))
            files.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::unique_ptr<FolderSource> loadFolder(const std::string& folder, std::string& error) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        error = "Cannot read the folder " + folder + ": " + (ec ? ec.message() : "it is not a folder");
        return nullptr;
    }
    auto source = std::make_unique<FolderSource>();
    source->folder = folder;
    std::vector<Recording> all;
    auto scratch = std::make_unique<AppState>();
    for (const std::vector<std::string>& paths : recordingsIn(recordingFilesIn(folder))) {
        Recording r;
        if (!readOne(paths, *scratch, r, source->leftOut)) continue;
        if (r.records.empty()) {
            source->leftOut.push_back(nameOf(paths.front()) + ": it holds no results");
            continue;
        }
        r.offset = utcOffsetOf(r.comments);
        all.push_back(std::move(r));
    }
    scratch.reset();
    placeInTime(all);

    const Recording* before = nullptr;
    for (Recording& r : all) {
        if (before && r.firstUtc < before->lastUtc) {
            source->leftOut.push_back(nameOf(r.name()) + ": its results overlap " + nameOf(before->name()) +
                                      "'s");
            r.records = {};
            continue;
        }
        SourceSegment s;
        s.files = r.files;
        s.first = source->count_ + 1;
        s.count = int64_t(r.records.size());
        s.title = r.title;
        s.comments = r.comments;
        s.utcOffset = r.offset;
        if (before) {
            s.gapBefore = gapCause(*before, r);
            s.gapSeconds = r.firstUtc - before->lastUtc;
        } else {
            source->labels = r.labels;
            source->active = r.active;
        }
        source->count_ += s.count;
        source->segments_.push_back(std::move(s));
        source->records_.push_back(std::move(r.records));
        before = &r;
    }
    if (source->segments_.empty()) {
        error = "No recording in the folder " + folder + " could be read" +
                (source->leftOut.empty() ? std::string(" (it holds no .zvl files)") : "");
        if (!source->leftOut.empty()) error += ": " + leftOutWarning(*source);
        return nullptr;
    }
    return source;
}

std::string leftOutWarning(const FolderSource& source) {
    std::string text;
    for (const std::string& entry : source.leftOut)
        text += (text.empty() ? "left out " : "; left out ") + entry;
    return text;
}

std::string groupedNumber(int64_t n) {
    const std::string digits = std::to_string(n < 0 ? -n : n);
    std::string out = n < 0 ? "-" : "";
    for (size_t k = 0; k < digits.size(); ++k) {
        if (k > 0 && (digits.size() - k) % 3 == 0) out += ',';
        out += digits[k];
    }
    return out;
}

std::string folderLine(const FolderSource& source) {
    const bool logged =
        !source.segments().empty() && startsWith(source.segments().front().comments[0], "zvl log");
    const size_t files = source.segments().size();
    return std::string(logged ? "zvl log folder: " : "Folder: ") + std::to_string(files) +
           (files == 1 ? " file, " : " files, ") + groupedNumber(source.count()) +
           (source.count() == 1 ? " result, " : " results, ") + formatTimeStamp(source.time(1)) + " .. " +
           formatTimeStamp(source.time(source.count()));
}

std::string gapText(const SourceSegment& segment) {
    if (segment.gapBefore == GapCause::Rolled) return "no gap (rolled over)";
    const int64_t s = std::max<int64_t>(0, segment.gapSeconds);
    char text[48];
    if (s >= 86400)
        std::snprintf(text, sizeof text, "%lld d %02d:%02d:%02d", static_cast<long long>(s / 86400),
                      int(s % 86400 / 3600), int(s % 3600 / 60), int(s % 60));
    else
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", int(s / 3600), int(s % 3600 / 60), int(s % 60));
    const char* cause = segment.gapBefore == GapCause::PortLost  ? "port lost"
                        : segment.gapBefore == GapCause::Stopped ? "stopped"
                                                                 : "cause unknown";
    return std::string("gap of ") + text + " (" + cause + ")";
}

void describeTimeline(const FolderSource& source, AppState& state) {
    state.recordingTitle = folderLine(source);
    state.commentLines.fill(std::string());
    if (!source.segments().empty()) {
        const SourceSegment& first = source.segments().front();
        std::copy(first.comments.begin(), first.comments.end(), state.commentLines.begin());
    }
    state.inputLabels = source.labels;
    state.inputActive = source.active;
}

}  // namespace zvl
