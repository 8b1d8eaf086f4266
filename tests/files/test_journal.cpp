// The journal of a live recording: written by JournalWriter, read back whole, and a damaged or
// torn tail cut at the first block that does not check.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "files/journal.h"
#include "filetestutil.h"

namespace zvl {
namespace {

ResultRecord rec(uint32_t n) {
    ResultRecord r;
    r.kind = 0xA0;
    r.flags = uint8_t(n);
    r.setTime(700000000 + n);
    r.inputStates = uint16_t(n * 7919);
    return r;
}

JournalHeader header() {
    JournalHeader h;
    h.kind = JournalKind::Collect;
    h.startTime = 780000123;
    h.port = "/dev/ttyUSB0";
    h.serialNumber = "ZV12345";
    h.title = "Pump house";
    h.commentLines = {"line one", "", "line \xE9 three"};
    for (int i = 0; i < kInputCount; ++i) h.labels[size_t(i)] = "In " + std::to_string(i + 1);
    h.active[3] = h.active[15] = true;
    return h;
}

// A journal of blocks of 3, 4 and 5 records (results 1..12), and where each block starts.
struct Sample {
    std::string bytes;
    std::vector<size_t> blockStart;
    std::vector<ResultRecord> records;
};
Sample sample() {
    Sample s{encodeJournalHeader(header()), {}, {}};
    uint32_t n = 1;
    for (size_t count : {3, 4, 5}) {
        std::vector<ResultRecord> block;
        for (size_t k = 0; k < count; ++k) block.push_back(rec(n++));
        s.blockStart.push_back(s.bytes.size());
        s.bytes += encodeJournalBlock(int64_t(s.records.size()) + 1, block.data(), block.size());
        s.records.insert(s.records.end(), block.begin(), block.end());
    }
    return s;
}

TEST(Journal, TheWriterRoundTripsTheHeaderAndEveryBlockAndRemovesTheFile) {
    test::TempDir dir;
    const std::string path = dir.file("sub/folder/run.zvlj");  // the folder is made
    JournalWriter w;
    ASSERT_TRUE(w.open(path, header()));
    EXPECT_TRUE(w.flush()) << "nothing to write is no failure";
    std::vector<ResultRecord> sent;
    for (uint32_t n = 1; n <= 70000; ++n) {  // more than one block holds in one flush
        sent.push_back(rec(n));
        w.append(sent.back());
        if (n == 2 || n == 9) {
            EXPECT_TRUE(w.flush());
        }
    }
    EXPECT_TRUE(w.flush());
    const JournalContents j = readJournalFile(path);
    EXPECT_TRUE(j.headerRead);
    EXPECT_EQ(j.header, header());
    EXPECT_EQ(j.firstIndex, 1);
    EXPECT_EQ(j.records, sent);
    EXPECT_EQ(j.problem, "");
    EXPECT_EQ(j.droppedRecords, 0);
    EXPECT_EQ(journalsInFolder(dir.file("sub/folder")), std::vector<std::string>{path});
    w.remove();
    EXPECT_TRUE(journalsInFolder(dir.file("sub/folder")).empty());
}

// Each damage against what the reader keeps: the records of the whole blocks before it, and
// how many records and blocks it cut.
TEST(Journal, ADamagedTailIsCutAtTheFirstBlockThatDoesNotCheck) {
    const Sample s = sample();
    const size_t headerEnd = s.blockStart[0], last = s.blockStart[2];
    struct Case {
        std::string name;
        std::string bytes;
        bool headerRead;
        size_t kept;
        int64_t dropped;
        int blocksCut;
    };
    std::string flipMiddle = s.bytes, flipMiddleCount = s.bytes, wrongMagic = s.bytes;
    flipMiddle[s.blockStart[1] + 16 + 9] ^= 0x10;  // a record of block 2
    flipMiddleCount[s.blockStart[1]] ^= 0x40;      // block 2's count
    wrongMagic[0] = 'X';
    std::vector<Case> cases = {
        {"whole", s.bytes, true, 12, 0, 0},
        {"empty file", "", false, 0, 0, 0},
        {"wrong magic", wrongMagic, false, 0, 0, 0},
        {"header cut", s.bytes.substr(0, headerEnd - 1), false, 0, 0, 0},
        {"header alone", s.bytes.substr(0, headerEnd), true, 0, 0, 0},
        {"flipped record in the middle block", flipMiddle, true, 3, 9, 2},
        {"flipped count in the middle block", flipMiddleCount, true, 3, 9, 2},
        {"garbage after the last block", s.bytes + "\x01\x02\x03", true, 12, 1, 1},
    };
    // The last block (5 records) cut at every byte: its header torn, then its records.
    for (size_t end = last + 1; end < s.bytes.size(); ++end) {
        const size_t recordBytes = end - last > 16 ? end - last - 16 : 0;
        const int64_t dropped = int64_t(end - last >= 16 ? (recordBytes + 7) / 8 : (end - last + 7) / 8);
        cases.push_back({"cut at " + std::to_string(end), s.bytes.substr(0, end), true, 7, dropped, 1});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const JournalContents j = readJournal(c.bytes);
        EXPECT_EQ(j.headerRead, c.headerRead);
        ASSERT_EQ(j.records.size(), c.kept);
        EXPECT_TRUE(std::equal(j.records.begin(), j.records.end(), s.records.begin()));
        EXPECT_EQ(j.droppedRecords, c.dropped);
        EXPECT_EQ(j.blocksCut, c.blocksCut);
        EXPECT_EQ(j.problem.empty(), c.name == "whole" || c.name == "header alone");
    }
}

// Brute force: every truncation and every single flipped byte of a valid journal reads as a
// prefix of its records made of whole blocks, never more.
TEST(Journal, AnyTruncationOrFlippedByteYieldsAPrefixOfWholeBlocks) {
    const Sample s = sample();
    // A cut between blocks leaves a journal as whole as one that ended there.
    auto atBoundary = [&](size_t end) {
        return end == s.bytes.size() || std::count(s.blockStart.begin(), s.blockStart.end(), end) > 0;
    };
    auto check = [&](const std::string& bytes, bool whole, const std::string& what) {
        const JournalContents j = readJournal(bytes);
        ASSERT_LE(j.records.size(), s.records.size()) << what;
        EXPECT_TRUE(std::equal(j.records.begin(), j.records.end(), s.records.begin())) << what;
        const size_t n = j.records.size();
        EXPECT_TRUE(n == 0 || n == 3 || n == 7 || n == 12) << what;
        EXPECT_EQ(j.problem.empty(), whole) << what;
    };
    for (size_t end = 0; end <= s.bytes.size(); ++end)
        check(s.bytes.substr(0, end), atBoundary(end), "cut at " + std::to_string(end));
    for (size_t at = 0; at < s.bytes.size(); ++at) {
        std::string bytes = s.bytes;
        bytes[at] ^= 0x01;
        check(bytes, false, "flip at " + std::to_string(at));
    }
}

}  // namespace
}  // namespace zvl
