// The settings-only file, the CSV/TXT export, the compliant-CSV import with csvField, and the
// binary file: bytes against hand-built images, and the commands' dialogs and messages.

#include <gtest/gtest.h>

#include "files/exportfile.h"
#include "files/importfile.h"
#include "files/settingsonlyfile.h"
#include "filetestutil.h"

namespace zvl {
namespace {

struct TextFilesTest : ::testing::Test, test::FileCommandsRig {
    test::TempDir dir;

    void describe() {
        state.recordingTitle = "My title \xE9";
        for (int k = 0; k < 11; ++k) state.commentLines[size_t(k)] = "comment " + std::to_string(k + 1);
        for (int k = 0; k < kInputCount; ++k) {
            state.inputLabels[size_t(k)] = "In" + std::to_string(k + 1);
            state.inputActive[size_t(k)] = k != 2 && k != 15;
        }
        state.inputLabels[4] = "";
    }
};

// ---- settings-only file ----

TEST_F(TextFilesTest, SettingsOnlySaveWritesTheFortyFiveLinesWithCrLf) {
    describe();
    const std::string path = dir.file("desc.stg");
    dialogs.answers = {path};
    EXPECT_EQ(files.saveSettingsOnly(), FileOutcome::Done);

    std::string expected =
        "Corvask Pellam STG Settings Only File  " + path + "7 Dec 2026 - 10:00:01\r\n\r\nMy title \xE9\r\n";
    for (int k = 1; k <= 10; ++k) expected += "comment " + std::to_string(k) + "\r\n";
    for (int k = 0; k < 16; ++k) expected += (k == 2 || k == 15) ? "FALSE\r\n" : "TRUE\r\n";
    for (int k = 0; k < 16; ++k) expected += (k == 4 ? std::string() : "In" + std::to_string(k + 1)) + "\r\n";
    EXPECT_EQ(test::readBytes(path), expected);

    ASSERT_EQ(dialogs.shown.size(), 1u);
    const auto& d = dialogs.shown[0];
    EXPECT_TRUE(d.save);
    EXPECT_EQ(d.request.title, "");
    EXPECT_EQ(d.request.filter, "Setings Only|*.STG");
    EXPECT_EQ(d.request.defaultExtension, "stg");
    EXPECT_EQ(d.request.initialDirectory, "");
    EXPECT_TRUE(d.request.overwritePrompt);
}

TEST_F(TextFilesTest, SettingsOnlyRoundTripKeepsTheTitleBoxResultsAndView) {
    describe();
    dialogs.answers = {dir.file("d.stg")};
    ASSERT_EQ(files.saveSettingsOnly(), FileOutcome::Done);
    const AppState saved = [&] {
        AppState copy;
        copy.commentLines = state.commentLines;
        copy.inputLabels = state.inputLabels;
        copy.inputActive = state.inputActive;
        return copy;
    }();
    state.commentLines = {};
    state.inputLabels = {};
    state.inputActive = {};
    state.recordingTitle = "shown now";
    state.resultCount() = 7;
    state.store.slot(7).setTime(77);
    state.currentResult = 4;
    state.viewStartTime = 123;
    state.dataDirectory = "/data/x.zvl";
    dialogs.answers = {dir.file("d.stg")};
    view.refreshes = 0;

    EXPECT_EQ(files.reloadSettingsOnly(), FileOutcome::Done);
    for (int k = 0; k < 10; ++k) EXPECT_EQ(state.commentLines[size_t(k)], saved.commentLines[size_t(k)]);
    EXPECT_EQ(state.inputLabels, saved.inputLabels);
    EXPECT_EQ(state.inputActive, saved.inputActive);
    EXPECT_EQ(state.recordingTitle, "shown now");
    EXPECT_EQ(state.resultCount(), 7);
    EXPECT_EQ(state.store.slot(7).rawTime(), 77u);
    EXPECT_EQ(state.currentResult, 4);
    EXPECT_EQ(state.viewStartTime, 123);
    EXPECT_EQ(view.refreshes, 0) << "the reload does not repaint";

    const auto& d = dialogs.shown.back();
    EXPECT_FALSE(d.save);
    EXPECT_EQ(d.request.filter, "Settings Only|*.STG");
    EXPECT_EQ(d.request.defaultExtension, "stg");
    EXPECT_EQ(d.request.initialDirectory, "/data/x.zvl");
}

std::string stgImage(const std::vector<std::string>& flagLines, const std::string& eol = "\r\n") {
    std::string f = "header" + eol + eol + "title" + eol;
    for (int k = 0; k < 10; ++k) f += "n" + std::to_string(k) + eol;
    for (const std::string& flag : flagLines) f += flag + eol;
    return f;
}

TEST_F(TextFilesTest, SettingsOnlyFlagsAreInactiveOnlyWhenTheyStartWithF) {
    std::vector<std::string> flags = {"false", "F", "FALSE", "fx", "TRUE", "1",  "0",  "yes",
                                      " F",    "T", "t",     "x",  "f",    "no", "Fa", "ok"};
    std::string f = stgImage(flags);
    for (int k = 0; k < 16; ++k) f += "lab" + std::to_string(k) + "\r\n";
    MemorySource in(f);
    EXPECT_TRUE(readSettingsOnly(state, in));
    const bool expected[16] = {false, false, false, false, true,  true, true,  true,
                               true,  true,  true,  true,  false, true, false, true};
    for (int k = 0; k < 16; ++k) EXPECT_EQ(state.inputActive[size_t(k)], expected[k]) << flags[size_t(k)];
    EXPECT_EQ(state.commentLines[9], "n9");
    EXPECT_EQ(state.inputLabels[15], "lab15");
}

TEST_F(TextFilesTest, SettingsOnlyReloadStopsSilentlyAndKeepsWhatItRead) {
    describe();
    // An empty fifth flag line: comments and four flags are taken, the rest stays.
    const std::string image = stgImage({"F", "F", "F", "F", ""});
    MemorySource in(image);
    EXPECT_FALSE(readSettingsOnly(state, in));
    EXPECT_EQ(state.commentLines[0], "n0");
    EXPECT_FALSE(state.inputActive[0]);
    EXPECT_FALSE(state.inputActive[3]);
    EXPECT_TRUE(state.inputActive[4]) << "the empty line and after keep the old values";
    EXPECT_EQ(state.inputLabels[0], "In1");

    // A file ending in the labels, with line feeds only.
    describe();
    std::string f = stgImage(std::vector<std::string>(16, "TRUE"), "\n") + "A\nB";
    MemorySource cut(f);
    EXPECT_FALSE(readSettingsOnly(state, cut));
    EXPECT_TRUE(state.inputActive[2]);
    EXPECT_EQ(state.inputLabels[0], "A");
    EXPECT_EQ(state.inputLabels[1], "B");
    EXPECT_EQ(state.inputLabels[2], "In3");

    // A missing file through the command: no message.
    dialogs.answers = {dir.file("none.stg")};
    EXPECT_EQ(files.reloadSettingsOnly(), FileOutcome::Failed);
    EXPECT_TRUE(prompts.warnings.empty());
}

// ---- export ----

TEST_F(TextFilesTest, ExportWritesHeaderAndPaddedDataLinesByteForByte) {
    describe();
    state.saveFileName = "/data/run.zvl";
    state.resultCount() = 2;
    state.store.slot(0).setTime(0);
    state.store.slot(0).inputStates = 0x8000;  // the start slot is written too
    state.store.slot(1).setTime(65);
    state.store.slot(1).inputStates = 0x0005;
    state.store.slot(2).setTime(1234567890);
    state.store.slot(2).inputStates = 0xFFFF;
    const std::string path = dir.file("out.csv");
    dialogs.answers = {path};
    EXPECT_EQ(files.exportCsvOrTxt(), FileOutcome::Done);

    std::string expected =
        "Corvask Pellam ZVL Data File  /data/run.zvl7 Dec 2026 - 10:00:01\r\n\r\nComments :\r\n";
    for (int k = 1; k <= 10; ++k) expected += "comment " + std::to_string(k) + "\r\n";
    expected += ",,Active,T,T,F,T,T,T,T,T,T,T,T,T,T,T,T,F,\r\n";
    expected += ",,Labels,In1,In2,In3,In4,,In6,In7,In8,In9,In10,In11,In12,In13,In14,In15,In16,\r\n";
    expected += "     0, 1 Jan 00 00:00:00,            0, 0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,1,\r\n";
    expected += "     1, 1 Jan 00 00:01:05,           65, 1,0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,\r\n";
    expected += "     2, 13 Feb 39 23:31:30,   1234567890, 1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,\r\n";
    EXPECT_EQ(test::readBytes(path), expected);
    EXPECT_EQ(prompts.informations,
              std::vector<std::string>{"File Converted to .CSV Format. (For use with Excel)"});

    const auto& d = dialogs.shown.at(0);
    EXPECT_TRUE(d.save);
    EXPECT_EQ(d.request.title, "Save Pellam Files as CSV or TXT");
    EXPECT_EQ(d.request.filter, "Comma Separated Variables|*.CSV|Text Files|*.TXT");
    EXPECT_EQ(d.request.defaultExtension, "CSV");
    EXPECT_TRUE(d.request.overwritePrompt);
}

TEST_F(TextFilesTest, ExportOfAnEmptyStoreHasSixteenLinesAndAnEmptyFileName) {
    const std::string text = exportText(state, LocalDateTime{2026, 1, 2, 3, 4, 5, 0});
    size_t lines = 0;
    for (size_t p = 0; (p = text.find("\r\n", p)) != std::string::npos; p += 2) ++lines;
    EXPECT_EQ(lines, 16u);
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "Corvask Pellam ZVL Data File  2 Jan 2026 - 03:04:05");
    EXPECT_NE(text.find(",,Active,F,F,F,F,F,F,F,F,F,F,F,F,F,F,F,F,\r\n"), std::string::npos)
        << "all inactive";
}

TEST_F(TextFilesTest, ExportMessageFollowsTheExtensionInUpperCase) {
    EXPECT_EQ(exportMessage("/d/run.txt"),
              "File Converted to .TXT Format. (For use with Notepad, Wordpad etc.)");
    EXPECT_EQ(exportMessage("/d/run.TxT"),
              "File Converted to .TXT Format. (For use with Notepad, Wordpad etc.)");
    EXPECT_EQ(exportMessage("/d/run.Csv"), "File Converted to .CSV Format. (For use with Excel)");
    EXPECT_EQ(exportMessage("/d/run.dat"), "");
    EXPECT_EQ(exportMessage("/d.csv/run"), "") << "a dot in a folder name is no extension";

    dialogs.answers = {dir.file("x.dat")};
    EXPECT_EQ(files.exportCsvOrTxt(), FileOutcome::Done);
    EXPECT_TRUE(prompts.informations.empty());
}

TEST_F(TextFilesTest, AFailedExportIsReportedWithoutTheClosingMessage) {
    dialogs.answers = {dir.file("gone/x.csv")};
    EXPECT_EQ(files.exportCsvOrTxt(), FileOutcome::Failed);
    EXPECT_EQ(prompts.warnings.size(), 1u);
    EXPECT_TRUE(prompts.informations.empty());
}

// ---- csvField ----

TEST(CsvField, PicksTheNthFieldAndRoundsHalvesToEven) {
    EXPECT_EQ(csvField("65,5", 1).value, 65);
    EXPECT_EQ(csvField("65,5", 2).value, 5);
    EXPECT_EQ(csvField("65,5", 3).value, 0) << "a field the line does not have";
    EXPECT_EQ(csvField("12.5,13.5", 1).value, 12);
    EXPECT_EQ(csvField("12.5,13.5", 2).value, 14);
    EXPECT_EQ(csvField("-2.5,0.5,1.5", 1).value, -2);
    EXPECT_EQ(csvField("-2.5,0.5,1.5", 2).value, 0);
    EXPECT_EQ(csvField("-2.5,0.5,1.5", 3).value, 2);
    EXPECT_EQ(csvField("12.51", 1).value, 13);
}

TEST(CsvField, ReadsBlanksSignsFractionsAndExponentsAndAnythingElseAsZero) {
    EXPECT_EQ(csvField("   42,  +7", 1).value, 42);
    EXPECT_EQ(csvField("   42,  +7", 2).value, 7);
    EXPECT_EQ(csvField("abc,5", 1).value, 0);
    EXPECT_EQ(csvField("12abc,5", 1).value, 0);
    EXPECT_EQ(csvField("1e3,25e-1,5.,.5e1", 1).value, 1000);
    EXPECT_EQ(csvField("1e3,25e-1,5.,.5e1", 2).value, 2) << "2.5 goes to the even 2";
    EXPECT_EQ(csvField("1e3,25e-1,5.,.5e1", 3).value, 5);
    EXPECT_EQ(csvField("1e3,25e-1,5.,.5e1", 4).value, 5);
    EXPECT_EQ(csvField("1e,5", 1).value, 0);
    EXPECT_EQ(csvField(",9", 1).value, 0);
    EXPECT_EQ(csvField("", 1).value, 0);
    EXPECT_EQ(csvField("1,\"2\"", 2).value, 0) << "quotes are not part of a number";
    EXPECT_EQ(csvField("65x,5", 1).value, 0) << "trailing text after the number";
    EXPECT_EQ(csvField("65  ,5", 1).value, 65) << "blanks after the number are not text";
}

TEST(CsvField, RefusesLinesLongerThan254AfterLeadingBlanksAndValuesBeyond32Bits) {
    EXPECT_EQ(csvField("0," + std::string(252, '1'), 1).status, CsvField::Ok) << "254 characters";
    EXPECT_EQ(csvField(std::string(255, '1'), 1).status, CsvField::LineTooLong);
    EXPECT_EQ(csvField(std::string(100, ' ') + "5," + std::string(200, '0'), 1).status, CsvField::Ok)
        << "leading blanks do not count";
    EXPECT_EQ(csvField(std::string(100, ' ') + "5," + std::string(200, '0'), 1).value, 5);
    EXPECT_EQ(csvField("2147483647", 1).value, 2147483647);
    EXPECT_EQ(csvField("2147483648", 1).status, CsvField::OutOfRange);
    EXPECT_EQ(csvField("-2147483648", 1).value, INT32_MIN);
    EXPECT_EQ(csvField("1e999", 1).status, CsvField::OutOfRange);
    EXPECT_EQ(csvField("2147483648,1", 2).status, CsvField::Ok) << "only the wanted field has to fit";
}

// ---- import ----

TEST_F(TextFilesTest, ImportOfTheThreeLineExample) {
    test::writeBytes(dir.file("in.csv"), "0,0\r\n65,5\r\n70,4\r\n");
    state.resultCount() = 9;
    state.store.slot(5).setTime(5);
    state.operatingMode = TimebaseRecord;
    state.currentResult = 17;
    state.timebaseIndex = 11;
    state.recordingEndTime = 99;
    dialogs.answers = {dir.file("in.csv")};
    EXPECT_EQ(files.importFromModeCaption(), FileOutcome::Done);
    EXPECT_EQ(state.operatingMode, EventSearch);
    EXPECT_EQ(state.resultCount(), 2);
    EXPECT_EQ(state.store.slot(0), ResultRecord{});
    EXPECT_EQ(state.resultTime(1), 65);
    EXPECT_EQ(formatResultTime(state, 1), "1 Jan 00 00:01:05");
    EXPECT_EQ(state.store.slot(1).inputStates, inputMask(1) | inputMask(3));
    EXPECT_EQ(state.resultTime(2), 70);
    EXPECT_EQ(state.store.slot(2).inputStates, inputMask(3));
    EXPECT_EQ(state.store.slot(5), ResultRecord{}) << "the store was cleared";
    EXPECT_EQ(state.currentResult, 17);
    EXPECT_EQ(state.timebaseIndex, 11);
    EXPECT_EQ(state.recordingEndTime, 99);
    EXPECT_EQ(view.refreshes, 2) << "the offline window behind the dialog, then the file's";
    EXPECT_TRUE(prompts.warnings.empty());

    const auto& d = dialogs.shown.at(0);
    EXPECT_FALSE(d.save);
    EXPECT_EQ(d.request.title, "Import Compliant *.CSV Files");
    EXPECT_EQ(d.request.filter, "Compliant CSV files |*.CSV");
    EXPECT_EQ(d.request.defaultExtension, "CSV");
}

TEST_F(TextFilesTest, ImportFromTheModeCaptionDoesNothingWhileACollectionOrAnUploadRuns) {
    test::writeBytes(dir.file("in.csv"), "0,0\r\n65,5\r\n");
    state.operatingMode = TimebaseRecord;
    state.resultCount() = 4;
    state.store.slot(4).setTime(40);
    for (bool upload : {false, true}) {
        state.collectionActive = true;  // an upload sets it too
        state.uploadActive = upload;
        dialogs.answers = {dir.file("in.csv")};
        EXPECT_EQ(files.importFromModeCaption(), FileOutcome::Cancelled);
        EXPECT_TRUE(dialogs.shown.empty()) << "no import dialog";
        EXPECT_EQ(state.operatingMode, TimebaseRecord);
        EXPECT_EQ(state.resultCount(), 4);
        EXPECT_EQ(state.resultTime(4), 40);
    }
}

TEST_F(TextFilesTest, ImportTakesLfAndLoneCrLineEndsAndKeepsLowSixteenBits) {
    MemorySource in(std::string_view("0,0\n1,65537\r2,-1\r\n3.5,2"));
    const CsvImport r = readCompliantCsv(state, in);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(state.resultCount(), 3);
    EXPECT_EQ(state.store.slot(1).inputStates, 1);
    EXPECT_EQ(state.store.slot(2).inputStates, 0xFFFF);
    EXPECT_EQ(state.resultTime(3), 4);
}

TEST_F(TextFilesTest, ImportFailuresAreReportedWithTheLineAndKeepWhatWasRead) {
    struct Case {
        std::string third;
        std::string message;
    } cases[] = {
        {std::string(255, '7'), "Import stopped at line 3: the line is longer than 254 characters"},
        {"-5,1", "Import stopped at line 3: the time -5 is negative"},
        {"4294967296,1", "Import stopped at line 3: the time 4294967296 is too large for 32 bits"},
        {"2147483648,1", "Import stopped at line 3: the time 2147483648 is too large for 32 bits"},
        {"5,1e10", "Import stopped at line 3: the input states 10000000000 are too large for 32 bits"},
    };
    for (const Case& c : cases) {
        test::writeBytes(dir.file("bad.csv"), "0,0\r\n65,5\r\n" + c.third + "\r\n99,9\r\n");
        prompts.warnings.clear();
        dialogs.answers = {dir.file("bad.csv")};
        EXPECT_EQ(files.importCompliantCsv(), FileOutcome::Failed) << c.third;
        ASSERT_EQ(prompts.warnings.size(), 1u);
        EXPECT_EQ(prompts.warnings[0], c.message);
        EXPECT_EQ(state.resultCount(), 2) << "the failing line's slot";
        EXPECT_EQ(state.resultTime(1), 65) << "what came before stays";
        EXPECT_EQ(state.store.slot(2), ResultRecord{});
    }
}

TEST_F(TextFilesTest, ImportStopsWhenTheStoreIsFull) {
    std::string csv;
    for (int i = 0; i <= 100006; ++i) csv += std::to_string(i) + ",1\n";
    MemorySource in(csv);
    const CsvImport r = readCompliantCsv(state, in);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message(), "Import stopped at line 100007: the store is full (slot 100005 is the last)");
    EXPECT_EQ(state.resultCount(), kLastSlot);
    EXPECT_EQ(state.store.slot(kLastSlot).rawTime(), uint32_t(kLastSlot));
}

TEST_F(TextFilesTest, ImportCancelledOnlyRepaintsAndAMissingFileIsReported) {
    state.resultCount() = 4;
    EXPECT_EQ(files.importCompliantCsv(), FileOutcome::Cancelled);
    EXPECT_EQ(state.resultCount(), 4);
    EXPECT_EQ(view.refreshes, 1);

    dialogs.answers = {dir.file("absent.csv")};
    EXPECT_EQ(files.importCompliantCsv(), FileOutcome::Failed);
    EXPECT_EQ(state.resultCount(), 0) << "the store is cleared before the file is opened";
    EXPECT_EQ(prompts.warnings, std::vector<std::string>{"Cannot open file " + dir.file("absent.csv") +
                                                         ": No such file or directory"});
}

TEST_F(TextFilesTest, AnExportReadAsACompliantFileGivesIndexesAsTimes) {
    state.resultCount() = 1;
    state.store.slot(1).setTime(65);
    const std::string exported = exportText(state, LocalDateTime{});
    MemorySource in(exported);
    readCompliantCsv(state, in);
    // Header lines read as 0; the data line "     1, 1 Jan 00 ..." gives time 1 and states 0.
    EXPECT_EQ(state.resultCount(), 16);
    EXPECT_EQ(state.resultTime(16), 1);
    EXPECT_EQ(state.store.slot(16).inputStates, 0);
}

// ---- binary file ----

TEST_F(TextFilesTest, BinaryFileIsBareRecordsInInstrumentOrder) {
    state.resultCount() = 3;
    for (int i = 1; i <= 3; ++i) {
        ResultRecord& r = state.store.slot(i);
        r.flags = uint8_t(0x10 + i);
        r.kind = uint8_t(0xA0 + i);
        r.setTime(0x01020300u + uint32_t(i));
        r.inputStates = uint16_t(0x8000 + i);
    }
    state.store.slot(4).setTime(9);  // beyond resultCount: not written
    dialogs.answers = {dir.file("mem.bin")};
    EXPECT_EQ(files.saveBinaryFile(), FileOutcome::Done);
    const std::string expected = test::bytes(
        {0x11, 0xA1, 1, 2, 3, 1, 0x80, 1, 0x12, 0xA2, 1, 2, 3, 2, 0x80, 2, 0x13, 0xA3, 1, 2, 3, 3, 0x80, 3});
    EXPECT_EQ(test::readBytes(dir.file("mem.bin")), expected);

    const auto& d = dialogs.shown.at(0);
    EXPECT_TRUE(d.save);
    EXPECT_EQ(d.request.title, "");
    EXPECT_EQ(d.request.filter, "Binary Files|*.BIN");
    EXPECT_EQ(d.request.defaultExtension, "BIN");
    EXPECT_FALSE(d.request.overwritePrompt);
}

TEST_F(TextFilesTest, BinaryFileOfAnEmptyStoreIsEmpty) {
    state.store.slot(1).setTime(5);
    dialogs.answers = {dir.file("empty.bin")};
    EXPECT_EQ(files.saveBinaryFile(), FileOutcome::Done);
    EXPECT_TRUE(std::filesystem::exists(dir.file("empty.bin")));
    EXPECT_EQ(test::readBytes(dir.file("empty.bin")), "");
}

}  // namespace
}  // namespace zvl
