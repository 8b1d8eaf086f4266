// The help pages: every help context has a page, every link between the pages resolves, and
// the folder is found beside the program or named when it is missing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "session/help.h"

namespace zvl {
namespace {

const std::filesystem::path kHelp = std::filesystem::path(ZVL_SOURCE_DIR) / "help";

std::string text(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(Help, EveryContextHasAPageAndEveryLinkResolves) {
    for (int context : helpContexts())
        EXPECT_TRUE(std::filesystem::is_regular_file(kHelp / *helpPageForContext(context))) << context;
    EXPECT_FALSE(helpPageForContext(1));
    EXPECT_TRUE(std::filesystem::is_regular_file(kHelp / kHowToUseHelpPage));

    // Links and pictures: href="page.html#anchor", src="picture.png".
    const std::regex href(R"((?:href|src)="([^"#]*)(#([^"]*))?")");
    int links = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kHelp)) {
        if (entry.path().extension() != ".html") continue;
        const std::string page = text(entry.path());
        for (std::sregex_iterator m(page.begin(), page.end(), href), end; m != end; ++m, ++links) {
            const std::string file = (*m)[1].str().empty() ? entry.path().filename().string() : (*m)[1].str();
            ASSERT_TRUE(std::filesystem::is_regular_file(kHelp / file))
                << entry.path().filename() << " -> " << file;
            if ((*m)[3].matched) {
                EXPECT_NE(text(kHelp / file).find("id=\"" + (*m)[3].str() + "\""), std::string::npos)
                    << entry.path().filename() << " -> " << (*m)[0];
            }
        }
    }
    EXPECT_GT(links, 40);
}

TEST(Help, TheFolderBesideTheProgramOrAMessageNamingWhereItLooked) {
    EXPECT_EQ(findHelpFolder(ZVL_SOURCE_DIR), kHelp.string());
    const std::filesystem::path empty = std::filesystem::temp_directory_path() / "zvl-no-help" / "bin";
    EXPECT_FALSE(findHelpFolder(empty.string()));
    const std::string message = helpMissingText(empty.string());
    EXPECT_NE(message.find((empty / "help").string()), std::string::npos) << message;
    EXPECT_NE(message.find((empty.parent_path() / "share/pellam-zvl/help").string()), std::string::npos)
        << message;
}

TEST(Help, UsefulInformationNamesTheInstrumentAsSeenAndTheDataFolder) {
    struct Case {
        bool online;
        const char* firmware;
        const char* dataDirectory;
        const char* instrumentLine;
        const char* folderLine;
    };
    const std::string tmp = std::filesystem::temp_directory_path().string();
    const Case cases[] = {
        {false, "0.0", "/home/u/Pellam/run.zvl", "Instrument: not connected\n",
         "Data folder: /home/u/Pellam\n"},
        {true, "1.51", tmp.c_str(), "Instrument: online, firmware 1.51\n", nullptr},
        {false, "1.51", "", "Instrument: offline, as last seen, firmware 1.51\n", "Data folder: \n"},
    };
    for (const Case& c : cases) {
        AppState st;
        st.instrumentOnline = c.online;
        st.firmwareVersion = c.firmware;
        st.dataDirectory = c.dataDirectory;
        const std::string text = usefulInformationText(st, "/cfg/Pellam.ini");
        EXPECT_NE(text.find(c.instrumentLine), std::string::npos) << text;
        const std::string folder = c.folderLine ? c.folderLine : "Data folder: " + tmp + "\n";
        EXPECT_NE(text.find(folder), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace zvl
