// zvl find: the runs where a key's pattern was held, for how long, over one or more recordings.

#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>

#include "cli/args.h"
#include "cli/consoleprompts.h"
#include "cli/filecommands.h"
#include "cli/recordinginput.h"
#include "cli/session.h"
#include "files/partfiles.h"
#include "files/recordingfile.h"
#include "files/statistics.h"
#include "search/heldmatch.h"

namespace zvl::cli {

namespace {

const char* const kFindHelp =
    "usage: zvl find --key KEY [--min D] [--max D] [--from T] [--to T] [--count] [--all-parts]\n"
    "                FILE|DIR...\n"
    "\n"
    "Print, as CSV on stdout, every run in which the inputs held the pattern of KEY, and how\n"
    "long. KEY is a comma list of N=on, N=off, N=rise (low to high) or N=fall (high to low),\n"
    "N an input 1..16; inputs not named do not matter, named ones count whether or not the\n"
    "file marks them active. A match begins at a result that fits KEY against the result\n"
    "before it, when that one did not already hold KEY's levels (rise counts as on, fall as\n"
    "off); it ends at the first later result at which one of those levels no longer holds,\n"
    "and lasts from the time of its first result to the time of that one. A match still held\n"
    "at the last result ends there and is open. The first result of the first FILE, and of a\n"
    "FILE after a gap, has nothing before it: it begins a match when it holds KEY's levels\n"
    "(the match may have begun earlier, so its seconds are the least it was held).\n"
    "\n"
    "The FILEs are read in the order given, each after a gap (results missing between them):\n"
    "a match held at the end of a FILE ends there, open. With --all-parts each FILE is one of\n"
    "the part files of a recording saved in parts, read as one recording (see below), and a\n"
    "match may be held across its parts. A DIR is a folder of recordings read as one timeline\n"
    "(as zvl info DIR shows it: in the time order of their first results, overlapping and\n"
    "unreadable ones left out and named on stderr); a match runs on from one of its files to\n"
    "the next where the logger rolled over to a new file, and ends, open, at a gap (a port\n"
    "lost, a stop) between them.\n"
    "\n"
    "  --key KEY     the pattern, e.g. 3=off or 1=rise,2=on\n"
    "  --min D       only matches held at least D: 90s, 10m, 2h, 1d, or seconds\n"
    "  --max D       only matches held at most D\n"
    "  --from T      only the results from T on: a time \"YYYY-MM-DD hh:mm:ss\" (from the\n"
    "                first result at or after it) or a result number, counting from 1 over\n"
    "                all FILEs together; the result before it is not looked at\n"
    "  --to T        only the results up to T (up to the last before the first result later\n"
    "                than the time; a match held there ends there, open)\n"
    "  --count       print only the number of matches\n"
    "\n"
    "Columns: file,result,start,end,seconds,open,inputs: the file of the match's first\n"
    "result, its number in that file, the times of the first result and of the end\n"
    "(\"YYYY-MM-DD hh:mm:ss\"), the seconds between, 1 for an open match (else 0), and the\n"
    "sixteen inputs at the first result, input 1 first, 1 = on.\n"
    "\n" ZVL_ALL_PARTS_HELP
    "\n"
    "Questions: none are asked. Exit 0 when something matched, 1 on a usage error, 2 when a\n"
    "FILE cannot be read (the reason is printed), 3 when nothing matched.\n";

constexpr int kExitNoMatch = 3;

std::string timeText(int64_t t) {
    const LocalDateTime d = dateTimeFromTimeStamp(t);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", d.year % 10000, d.month, d.day, d.hour,
                  d.minute, d.second);
    return text;
}

// Cuts the runs to the span --from .. --to. Results are numbered from 1 over all runs. The
// first result kept has nothing before it, as after a gap.
class SpanCut {
public:
    SpanCut(std::optional<SpanPoint> from, std::optional<SpanPoint> to) : from_(from), to_(to) {}

    RecordRun cut(const RecordRun& run) {
        RecordRun kept = run;
        const std::span<const ResultRecord> r = run.records;
        size_t begin = 0, end = r.size();
        if (ended_) begin = end;
        if (!started_ && from_) {
            while (begin < end && !reached(*from_, begin, r[begin])) ++begin;
            kept.gapBefore = true;
        }
        if (begin < end) started_ = true;
        if (to_)
            for (size_t k = begin; k < end; ++k)
                if (reached(*to_, k, r[k]) && !at(*to_, k, r[k])) {
                    end = k;
                    ended_ = true;
                }
        seen_ += int64_t(r.size());
        kept.records = r.subspan(begin, end - begin);
        kept.firstInFile = run.firstInFile + int64_t(begin);
        return kept;
    }

private:
    // Whether the k-th result of the run is at or after the point, or exactly at it.
    bool reached(const SpanPoint& p, size_t k, const ResultRecord& r) const {
        return p.isTime ? r.time() >= p.value : seen_ + int64_t(k) + 1 >= p.value;
    }
    bool at(const SpanPoint& p, size_t k, const ResultRecord& r) const {
        return p.isTime ? r.time() == p.value : seen_ + int64_t(k) + 1 == p.value;
    }

    std::optional<SpanPoint> from_, to_;
    int64_t seen_ = 0;  // results of the runs before
    bool started_ = false, ended_ = false;
};

}  // namespace

bool readRecordRuns(const std::vector<std::string>& files, bool allParts,
                    const std::function<void(const RecordRun&)>& use) {
    auto state = std::make_unique<AppState>();
    ConsolePrompts prompts(std::cerr);
    ViewHooks view;
    for (const std::string& file : files) {
        if (isFolderArgument(file)) {
            // A folder's recordings in time order; a roll from one file to the next is no gap.
            std::string error;
            const std::unique_ptr<FolderSource> folder = loadFolder(dialogAnswer(file, ""), error);
            if (!folder) {
                fail(error);
                return false;
            }
            if (const std::string warning = leftOutWarning(*folder); !warning.empty()) fail(warning);
            bool first = true;
            for (SourceRun run : sourceRuns(*folder)) {
                run.gapBefore = run.gapBefore || first;
                first = false;
                use(run);
            }
            continue;
        }
        if (!allParts) {
            if (!loadRecordingFile(*state, dialogAnswer(file, ""), prompts, view)) return false;
            const size_t count = size_t(std::clamp<int64_t>(state->resultCount(), 0, kMaxResults));
            use({{state->store.results.data() + 1, count}, dialogAnswer(file, ""), 1, true});
            continue;
        }
        // A set of parts is one recording: a run per part, each following the one before.
        const PartFiles parts = findPartFiles(dialogAnswer(file, ""));
        if (!loadAllPartFiles(*state, dialogAnswer(file, ""), prompts, view)) return false;
        const size_t count = size_t(std::clamp<int64_t>(state->resultCount(), 0, kMaxResults));
        const std::span<const ResultRecord> all(state->store.results.data() + 1, count);
        for (size_t k = 0; k * size_t(kResultsPerFile) < count && k < parts.paths.size(); ++k) {
            const size_t first = k * size_t(kResultsPerFile);
            use({all.subspan(first, std::min(count - first, size_t(kResultsPerFile))), parts.paths[k], 1,
                 k == 0});
        }
    }
    return true;
}

int runFind(const std::vector<std::string>& args) {
    const ParsedArgs a =
        parseArgs(args, {"--key", "--min", "--max", "--from", "--to"}, {"--count", "--all-parts"});
    if (int code = checkUsage(a, std::max<size_t>(a.positionals.size(), 1), kFindHelp, "find"); code >= 0)
        return code;
    auto usage = [](const std::string& why) {
        fail(why + " (see zvl find --help)");
        return kExitUsage;
    };
    if (!a.has("--key")) return usage("--key is missing");
    std::string error;
    const std::optional<std::array<uint8_t, kInputCount>> key = parseKeyText(*a.value("--key"), error);
    if (!key) return usage(error);
    HeldLimits limits;
    for (const char* option : {"--min", "--max"}) {
        const std::optional<std::string> text = a.value(option);
        if (!text) continue;
        const std::optional<int64_t> d = parseDuration(*text);
        if (!d)
            return usage(std::string(option) + " wants a duration such as 90s, 10m, 2h or 1d, not \"" +
                         *text + "\"");
        (std::string(option) == "--min" ? limits.atLeast : limits.atMost) = d;
    }
    std::optional<SpanPoint> span[2];
    if (!spanOption(a, "--from", span[0]) || !spanOption(a, "--to", span[1])) return kExitUsage;
    if (a.has("--all-parts"))
        for (const std::string& argument : a.positionals)
            if (isFolderArgument(argument)) {
                fail("--all-parts takes a part file, not a folder: " + argument);
                return kExitUsage;
            }

    const bool countOnly = a.has("--count");
    std::vector<std::string> runFiles;
    std::string out;
    int64_t matches = 0;
    bool written = true;
    HeldMatcher matcher(heldKey(*key), limits, [&](const HeldMatch& m) {
        ++matches;
        if (countOnly) return;
        out += runFiles[m.run] + "," + std::to_string(m.result) + "," + timeText(m.start) + "," +
               timeText(m.end) + "," + std::to_string(m.seconds()) + (m.open ? ",1," : ",0,");
        for (int i = 0; i < kInputCount; ++i) out += (m.levels >> i & 1) ? '1' : '0';
        out += '\n';
        if (out.size() >= 1 << 16) {
            written = written && writeStandardOutput(out) == kExitOk;
            out.clear();
        }
    });
    if (!countOnly) out = "file,result,start,end,seconds,open,inputs\n";
    SpanCut cut(span[0], span[1]);
    const bool read = readRecordRuns(a.positionals, a.has("--all-parts"), [&](const RecordRun& run) {
        runFiles.push_back(csvText({{run.file}}, ""));
        matcher.add(cut.cut(run));
    });
    if (!read) return kExitFailure;
    matcher.finish();
    if (countOnly) out = std::to_string(matches) + "\n";
    if (!written || writeStandardOutput(out) != kExitOk) return kExitFailure;
    return matches > 0 ? kExitOk : kExitNoMatch;
}

}  // namespace zvl::cli
