// Bounded random input through the recording reader, the settings-only reader and the
// compliant-CSV import: no crash, no write outside the slots the file may fill, and the
// documented state afterwards. Run under the sanitizer build as well.

#include <gtest/gtest.h>

#include <random>

#include "files/importfile.h"
#include "files/recordbytes.h"
#include "files/recordingfile.h"
#include "files/settingsonlyfile.h"

namespace zvl {
namespace {

// A valid recording image to mutate.
std::string seedRecording(std::mt19937& rng, int count) {
    std::string f;
    f += char(count & 0xFF);
    f += char(count >> 8);
    for (int i = 0; i < count; ++i) {
        ResultRecord r;
        r.setTime(uint32_t(rng()));
        r.inputStates = uint16_t(rng());
        appendRecordBytes(f, r);
    }
    for (int k = 0; k < 27; ++k) f += "line " + std::to_string(k) + "\r";
    f += std::string(16, '\1');
    return f;
}

void mutate(std::string& f, std::mt19937& rng) {
    const int edits = 1 + int(rng() % 6);
    for (int e = 0; e < edits; ++e) {
        switch (rng() % 5) {
            case 0:  // flip a byte
                if (!f.empty()) f[rng() % f.size()] = char(rng());
                break;
            case 1:  // cut the file
                f.resize(f.empty() ? 0 : rng() % f.size());
                break;
            case 2:  // insert carriage returns or noise
                f.insert(f.empty() ? 0 : rng() % f.size(),
                         std::string(1 + rng() % 4, rng() % 2 ? '\r' : char(rng())));
                break;
            case 3:  // a big count
                if (f.size() >= 2) f[1] = char(rng());
                break;
            default:  // append noise
                for (int k = int(rng() % 40); k > 0; --k) f += char(rng());
        }
    }
}

TEST(FilesFuzz, RecordingReaderSurvivesMutatedAndRandomFiles) {
    std::mt19937 rng(20261207);
    for (int round = 0; round < 400; ++round) {
        std::string f = round % 4 == 0 ? std::string(rng() % 300, '\0') : seedRecording(rng, int(rng() % 40));
        if (round % 4 == 0)
            for (char& c : f) c = char(rng());
        mutate(f, rng);

        AppState s;
        s.store.clearResults();
        s.store.results[size_t(kLastSlot)].setTime(0xABCDEF);  // a slot no file can reach
        MemorySource in(f);
        const RecordingRead r = readRecording(s, in);

        const int64_t fileCount = f.size() >= 2 ? uint8_t(f[0]) + 256 * uint8_t(f[1]) : 0;
        ASSERT_EQ(r.fileCount, f.size() >= 2 ? fileCount : 0);
        ASSERT_LE(s.resultCount(), fileCount);
        if (r.status != RecordingRead::Complete) {
            ASSERT_EQ(s.resultCount(), fileCount) << "a cut file keeps the file's count";
        } else if (s.resultCount() > 0) {
            ASSERT_NE(s.resultTime(s.resultCount()), 0) << "trailing empty results are dropped";
        }
        ASSERT_EQ(s.store.results[size_t(kLastSlot)].rawTime(), 0xABCDEFu);
        for (int64_t i = fileCount + 1; i <= fileCount + 2; ++i)
            ASSERT_EQ(s.store.results[size_t(i)], ResultRecord{}) << "round " << round << " slot " << i;
        ASSERT_EQ(r.status == RecordingRead::ReadError, false) << "memory never fails to read";
        for (const std::string& label : s.inputLabels) ASSERT_EQ(label.find('\r'), std::string::npos);
    }
}

TEST(FilesFuzz, SettingsOnlyReaderSurvivesRandomText) {
    std::mt19937 rng(45);
    for (int round = 0; round < 300; ++round) {
        std::string f;
        const int lines = int(rng() % 60);
        for (int k = 0; k < lines; ++k) {
            for (int n = int(rng() % 12); n > 0; --n)
                f += char(rng() % 3 == 0 ? "Ff\r\n,"[rng() % 5] : char(rng()));
            f += rng() % 3 ? "\r\n" : "\n";
        }
        AppState s;
        MemorySource in(f);
        const bool complete = readSettingsOnly(s, in);
        size_t lineEnds = 0;
        for (char c : f) lineEnds += c == '\n' || c == '\r';
        if (lineEnds < 45) {
            ASSERT_FALSE(complete) << "fewer than 45 lines cannot be complete";
        }
        for (const std::string& label : s.inputLabels)
            ASSERT_EQ(label.find_first_of("\r\n"), std::string::npos);
        ASSERT_EQ(s.resultCount(), 0);
    }
}

TEST(FilesFuzz, CsvImportSurvivesRandomLines) {
    std::mt19937 rng(99);
    const char alphabet[] = "0123456789 ,.-+eE\r\nx";
    for (int round = 0; round < 300; ++round) {
        std::string f;
        const size_t length = rng() % 2000;
        for (size_t k = 0; k < length; ++k) f += alphabet[rng() % (sizeof alphabet - 1)];
        if (round % 10 == 0)
            f.insert(0, std::string(300, ' ') + "5,5," + std::string(rng() % 400, '9') + "\n");

        AppState s;
        s.store.clearResults();
        MemorySource in(f);
        const CsvImport r = readCompliantCsv(s, in);
        ASSERT_GE(s.resultCount(), 0);
        ASSERT_LE(s.resultCount(), kLastSlot);
        for (int64_t i = s.resultCount() + 1; i <= s.resultCount() + 2; ++i)
            ASSERT_EQ(s.store.results[size_t(i)], ResultRecord{});
        if (!r.ok) {
            ASSERT_GE(r.lineNumber, 1);
            ASSERT_EQ(s.resultCount(), r.lineNumber - 1);
            ASSERT_EQ(s.store.slot(s.resultCount()), ResultRecord{})
                << "the failing line's slot is not written";
        }
    }
}

TEST(FilesFuzz, CsvFieldOnRandomLinesNeverFailsButForLengthOrRange) {
    std::mt19937 rng(7);
    const char alphabet[] = "0123456789 ,.-+eE";
    for (int round = 0; round < 3000; ++round) {
        std::string line;
        for (size_t k = rng() % 300; k > 0; --k) line += alphabet[rng() % (sizeof alphabet - 1)];
        const int n = int(rng() % 6);
        const CsvField f = csvField(line, n);
        if (f.status == CsvField::Ok) {
            ASSERT_TRUE(std::nearbyint(f.number) == double(f.value)) << line;
        } else if (f.status == CsvField::LineTooLong) {
            ASSERT_GT(line.size(), kMaxCsvLine);
        }
    }
}

}  // namespace
}  // namespace zvl
