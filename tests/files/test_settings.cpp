#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "files/settings.h"
#include "tests/support/fakes.h"

namespace zvl {
namespace {

AppState sample() {
    AppState st;
    for (int k = 0; k < kInputCount; ++k) {
        st.inputLabels[size_t(k)] = "In \xE9" + std::to_string(k);  // Windows-1252 e-acute
        st.inputActive[size_t(k)] = k % 3 != 0;
        st.searchKey[size_t(k)] = uint8_t(k % 5);
    }
    st.comPortNumber = 7;
    st.recentFiles = {"/a/one.zvl", "/b/two.zvl", "", "/d/four.zvl"};
    st.timebaseIndex = 17;
    st.operatingMode = TimebaseSearch;
    st.colours.highlightOnColour = 1;
    st.colours.highlightOffColour = 2;
    st.colours.spareColour = 3;
    st.colours.offColour = 4;
    st.colours.onColour = 5;
    st.colours.changeColour = 6;
    st.colours.backgroundColour = 7;
    st.colours.gridColour = 0xFFFFFF;
    st.dataDirectory = "/home/me/Pellam data";
    st.monochromePrinting = true;
    return st;
}

std::vector<std::string> lines(const std::string& bytes) {
    std::vector<std::string> out;
    size_t p = 0;
    while (p < bytes.size()) {
        const size_t e = bytes.find("\r\n", p);
        EXPECT_NE(e, std::string::npos) << "every line ends with CR LF";
        if (e == std::string::npos) break;
        out.push_back(bytes.substr(p, e - p));
        p = e + 2;
    }
    return out;
}

TEST(SettingsFile, TheLinesStandInTheirPlaces) {
    const std::vector<std::string> l = lines(encodeSettings(sample()));
    ASSERT_EQ(l.size(), 66u);
    EXPECT_EQ(l[0], "1.51 5th February 2014");
    EXPECT_EQ(l[1],
              "In \xE9"
              "0");
    EXPECT_EQ(l[16],
              "In \xE9"
              "15");
    EXPECT_EQ(l[17], "0");
    EXPECT_EQ(l[18], "1");
    EXPECT_EQ(l[33], "7");
    EXPECT_EQ(l[34], "0");
    EXPECT_EQ(l[38], "4");
    EXPECT_EQ(l[50], "/a/one.zvl");
    EXPECT_EQ(l[52], "");
    EXPECT_EQ(l[54], "17");
    EXPECT_EQ(l[55], "2");
    for (int n = 57; n <= 63; ++n) EXPECT_EQ(l[size_t(n - 1)], std::to_string(n - 56)) << "colour line " << n;
    EXPECT_EQ(l[63], "16777215");
    EXPECT_EQ(l[64], "/home/me/Pellam data");
    EXPECT_EQ(l[65], "True");

    AppState defaults;
    setDefaultColours(defaults);
    const std::vector<std::string> d = lines(encodeSettings(defaults));
    EXPECT_EQ(d[56], "255");
    EXPECT_EQ(d[57], "65280");
    EXPECT_EQ(d[58], "65535");
    EXPECT_EQ(d[59], "11129000");
    EXPECT_EQ(d[60], "11447538");
    EXPECT_EQ(d[61], "9687526");
    EXPECT_EQ(d[62], "15780518");
    EXPECT_EQ(d[63], "16711680");
    EXPECT_EQ(d[65], "False");
}

TEST(SettingsFile, WriteThenReadGivesEveryValueBack) {
    const AppState in = sample();
    AppState out;
    ASSERT_TRUE(decodeSettings(encodeSettings(in), out));
    EXPECT_EQ(out.inputLabels, in.inputLabels);
    EXPECT_EQ(out.inputActive, in.inputActive);
    EXPECT_EQ(out.searchKey, in.searchKey);
    EXPECT_EQ(out.comPortNumber, in.comPortNumber);
    EXPECT_EQ(out.recentFiles, in.recentFiles);
    EXPECT_EQ(out.timebaseIndex, in.timebaseIndex);
    EXPECT_EQ(out.operatingMode, in.operatingMode);
    EXPECT_EQ(out.colours, in.colours);
    EXPECT_EQ(out.dataDirectory, in.dataDirectory);
    EXPECT_EQ(out.monochromePrinting, in.monochromePrinting);
}

std::string replaceLine(const std::string& bytes, int n, const std::string& text) {
    std::vector<std::string> l = lines(bytes);
    l[size_t(n - 1)] = text;
    std::string out;
    for (const auto& s : l) out += s + "\r\n";
    return out;
}

TEST(SettingsFile, ReadingRules) {
    const std::string good = encodeSettings(sample());
    AppState st;
    ASSERT_TRUE(decodeSettings(replaceLine(good, 18, "1 "), st));
    EXPECT_FALSE(st.inputActive[0]) << "only exactly \"1\" is true";
    ASSERT_TRUE(decodeSettings(replaceLine(good, 34, "  3 and more"), st));
    EXPECT_EQ(st.comPortNumber, 3) << "the first integer on the line";
    ASSERT_TRUE(decodeSettings(replaceLine(good, 66, "Tomorrow"), st));
    EXPECT_TRUE(st.monochromePrinting);
    ASSERT_TRUE(decodeSettings(replaceLine(good, 66, "true"), st));
    EXPECT_FALSE(st.monochromePrinting) << "only a leading T counts";
    // Unusable values are brought into range.
    ASSERT_TRUE(
        decodeSettings(replaceLine(replaceLine(replaceLine(good, 55, "25"), 56, "7"), 60, "4294967295"), st));
    EXPECT_EQ(st.timebaseIndex, 5);
    EXPECT_EQ(st.operatingMode.number(), 3);
    EXPECT_EQ(st.colours.offColour, 0xFFFFFFu);
    ASSERT_TRUE(decodeSettings(replaceLine(good, 55, "-1"), st));
    EXPECT_EQ(st.timebaseIndex, 5);
    // Bare LF line ends are read too.
    std::string lf = good;
    for (size_t p; (p = lf.find("\r\n")) != std::string::npos;) lf.erase(p, 1);
    ASSERT_TRUE(decodeSettings(lf, st));
    EXPECT_EQ(st.dataDirectory, "/home/me/Pellam data");
}

TEST(SettingsFile, BrokenFilesFail) {
    const std::string good = encodeSettings(sample());
    AppState st;
    const std::string l65 = good.substr(0, good.rfind("True\r\n"));
    EXPECT_FALSE(decodeSettings(l65, st)) << "65 lines";
    EXPECT_FALSE(decodeSettings(replaceLine(good, 66, ""), st)) << "an empty line 66";
    EXPECT_FALSE(decodeSettings(replaceLine(good, 60, "abc"), st)) << "a colour that is not a number";
    EXPECT_FALSE(decodeSettings(replaceLine(good, 40, ""), st));
    EXPECT_FALSE(decodeSettings("", st));
    // What came before the failure stays.
    AppState partial;
    EXPECT_FALSE(decodeSettings(replaceLine(good, 60, "abc"), partial));
    EXPECT_EQ(partial.inputLabels, sample().inputLabels);
    EXPECT_EQ(partial.colours.highlightOnColour, 1u);
    EXPECT_NE(partial.dataDirectory, sample().dataDirectory);
}

TEST(SettingsDefaults, WarningPortPromptAndOfflineEventMode) {
    AppState st;
    st.comPortNumber = 0;
    st.operatingMode = EventRecord;
    st.searchKey.fill(On);
    st.colours.gridColour = 1;
    st.monochromePrinting = true;
    test::ScriptedPrompts prompts;
    prompts.inputAnswers = {"7", "", "12"};  // 7 and empty are asked again; "12" ends in 2
    test::CountingView view;
    loadDefaultSettings(st, prompts, view);
    EXPECT_EQ(prompts.warnings, (std::vector<std::string>{"INI File Error. Defaults Loaded"}));
    ASSERT_EQ(prompts.inputCalls.size(), 3u);
    EXPECT_EQ(prompts.inputCalls[0],
              (std::pair<std::string, std::string>{"Commmunication Port", "Select Comport [1..4]"}));
    EXPECT_EQ(st.comPortNumber, 2);
    EXPECT_EQ(st.inputLabels[0], "Channel 1");
    EXPECT_EQ(st.inputLabels[15], "Channel 16");
    for (bool a : st.inputActive) EXPECT_TRUE(a);
    for (uint8_t c : st.searchKey) EXPECT_EQ(c, DoNotCare);
    EXPECT_EQ(st.colours, ColourSlots{});
    EXPECT_FALSE(st.monochromePrinting);
    EXPECT_EQ(st.operatingMode, EventSearch);
    EXPECT_EQ(st.dataDirectory, defaultDataDirectory());

    AppState cancelled;  // a cancelled box answers its default, "1"
    test::ScriptedPrompts none;
    firstRunPortPrompt(cancelled, none);
    EXPECT_EQ(cancelled.comPortNumber, 1);
}

TEST(SettingsFile, WriteCreatesTheFolderAndReportsFailures) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("zvl-settings-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    const std::string path = (dir / "deeper" / "Pellam.ini").string();
    test::ScriptedPrompts prompts;
    const AppState in = sample();
    ASSERT_TRUE(writeSettings(in, prompts, path));
    AppState out;
    ASSERT_EQ(loadSettingsFile(path, out), SettingsRead::Complete);
    EXPECT_EQ(out.recentFiles, in.recentFiles);
    EXPECT_TRUE(prompts.warnings.empty());
    EXPECT_EQ(loadSettingsFile((dir / "missing.ini").string(), out), SettingsRead::Unreadable);

    // A folder where the file should be: the write fails, the warning is shown.
    std::filesystem::create_directories(dir / "blocked" / "Pellam.ini");
    EXPECT_FALSE(writeSettings(in, prompts, (dir / "blocked" / "Pellam.ini").string()));
    EXPECT_EQ(prompts.warnings, (std::vector<std::string>{"Default File Write Error"}));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zvl
