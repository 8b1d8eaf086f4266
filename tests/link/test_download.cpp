// The binary download's relay run headless with a stand-in receiver: what reaches the
// receiver and the port, the three endings, Cancel, and a line no one else writes to.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "link/download.h"
#include "tests/link/standin_receiver.h"
#include "tests/support/fakefiledialogs.h"
#include "tests/support/fakes.h"

namespace zvl {
namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

struct Download : ::testing::Test {
    test::Rig rig;  // its instrument takes 0x43 and sends nothing: the test plays the sender
    test::StandInReceiver receiver;
    test::FakeTimer status{rig.clock, "downloadStatus"};
    BinaryDownload download{rig.state, rig.link, receiver, rig.clock, rig.prompts, rig.view, status};
    Download() { rig.pump.addTimer(status); }
    fs::path dir = fs::path(testing::TempDir()) / ("zvl-download-test-" + std::to_string(::getpid()));
    std::string target = (dir / "chosen.bin").string();
    void SetUp() override {
        fs::create_directories(dir);
        rig.state.operatingMode = EventRecord;
        rig.state.instrumentOnline = true;
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string targetText() const {
        std::ifstream in(target, std::ios::binary);
        return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<none>";
    }
};

TEST_F(Download, ACompleteDownloadIsSavedUnderTheChosenNameAndTheFolderRemoved) {
    ASSERT_TRUE(download.start(target));
    EXPECT_EQ(rig.port.writes.front(), (Bytes{0x01, 0x02, 0x43, 0x04}));
    EXPECT_TRUE(rig.state.protocolTransferActive);
    const std::string folder = receiver.folder_;
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all) << "a private folder";

    rig.port.writes.clear();
    rig.feed({0x2A, 0x2A, 0x18, 0x01, 0x04});  // whatever comes, SOH and EOT included
    receiver.emit({0x2A, 0x18, 0x41});
    EXPECT_EQ(receiver.input, (Bytes{0x2A, 0x2A, 0x18, 0x01, 0x04}));
    EXPECT_EQ(rig.port.writes, std::vector<Bytes>{(Bytes{0x2A, 0x18, 0x41})});
    EXPECT_TRUE(rig.state.rxBuffer.empty()) << "nothing for the packet decoder";

    receiver.receive("SENDERS.BIN", "image bytes");
    rig.run(600);
    rig.feed({0x00});
    // The bytes that came from the port, about every half second, whatever the receiver has
    // written to its file so far.
    EXPECT_EQ(rig.state.bytesTransferred, 5);
    rig.run(600);
    EXPECT_EQ(rig.state.bytesTransferred, 6);
    receiver.finish(true);
    EXPECT_EQ(rig.state.bytesTransferred, 11) << "at the end, the image saved";
    EXPECT_EQ(targetText(), "image bytes");
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_FALSE(rig.state.protocolTransferActive);
    EXPECT_EQ(rig.prompts.informations, std::vector<std::string>{kDownloadCompleteText});
    EXPECT_EQ(download.outcome(), BinaryDownload::Outcome::Complete);
}

TEST_F(Download, CancelAndErrorsLeaveNothingAtTheChosenName) {
    std::ofstream(target) << "old";
    ASSERT_TRUE(download.start(target));
    rig.port.writes.clear();
    rig.port.written.clear();
    download.cancel();
    EXPECT_EQ(rig.port.writes, std::vector<Bytes>{Bytes{0x18}}) << "one CAN";
    EXPECT_EQ(receiver.stops, 1);
    receiver.emit({0x18, 0x18});  // its own abort sequence still goes out
    receiver.receive("PART.BIN", "half");
    receiver.finish(false);
    EXPECT_EQ(rig.prompts.informations, std::vector<std::string>{kDownloadCancelledText});
    EXPECT_EQ(rig.port.written, (Bytes{0x18, 0x18, 0x18}));

    ASSERT_TRUE(download.start(target));
    receiver.receive("PART.BIN", "half");
    receiver.finish(false);
    EXPECT_EQ(rig.prompts.informations.back(), kTransferErrorText);

    // A receiver that says it succeeded but left no file is an error too.
    ASSERT_TRUE(download.start(target));
    receiver.finish(true);
    EXPECT_EQ(rig.prompts.warnings, std::vector<std::string>{kTransferErrorText});
    EXPECT_EQ(targetText(), "old");
    EXPECT_FALSE(rig.state.protocolTransferActive);

    // A receiver that cannot start: its message, nothing sent.
    receiver.startable = false;
    rig.port.writes.clear();
    EXPECT_FALSE(download.start(target));
    EXPECT_TRUE(rig.port.writes.empty());
    EXPECT_EQ(rig.prompts.warnings.back(), receiver.errorText());
    EXPECT_FALSE(fs::exists(receiver.folder_)) << "its private folder is removed";
}

TEST_F(Download, NothingElseWritesToTheLineWhileItRuns) {
    ASSERT_TRUE(download.start(target));
    rig.port.writes.clear();
    rig.link.sendCommand(0x20);
    rig.link.statusPoll();
    rig.link.breakTimerFired();
    rig.link.stopRecordingAtClose();
    EXPECT_TRUE(rig.port.writes.empty());
    EXPECT_TRUE(rig.prompts.choiceMessages.empty()) << "no break declared";

    // The port goes away: the download ends as an error does, with one box, the port's, which
    // says what became of the download (nothing kept), not of a recording.
    rig.port.loseDevice();
    EXPECT_FALSE(rig.state.protocolTransferActive);
    EXPECT_EQ(receiver.stops, 1);
    EXPECT_EQ(download.outcome(), BinaryDownload::Outcome::Failed);
    EXPECT_TRUE(rig.prompts.informations.empty());
    ASSERT_EQ(rig.prompts.warnings.size(), 1u);
    const std::string& box = rig.prompts.warnings[0];
    EXPECT_NE(box.find("gone away (Input/output error)"), std::string::npos) << box;
    EXPECT_EQ(box.find("results collected so far are kept"), std::string::npos) << box;
    EXPECT_NE(box.find("nothing of it was saved"), std::string::npos) << box;
}

TEST_F(Download, EveryByteIsRelayedInOrderWhateverTheChunks) {
    std::mt19937 rng(11);
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(download.start(target));
        receiver.input.clear();
        rig.port.written.clear();
        Bytes in, out;
        for (int chunk = 0; chunk < 50; ++chunk) {
            Bytes bytes(rng() % 300);
            for (uint8_t& b : bytes) b = uint8_t(rng());
            if (rng() % 2) {
                rig.feed(bytes);
                in.insert(in.end(), bytes.begin(), bytes.end());
            } else {
                receiver.emit(bytes);
                out.insert(out.end(), bytes.begin(), bytes.end());
            }
        }
        EXPECT_EQ(receiver.input, in) << round;
        EXPECT_EQ(rig.port.written, out) << round;
        receiver.finish(false);
    }
}

TEST_F(Download, ASenderThatNeverBeginsZmodemEndsAfterTheHandshakeWait) {
    const Bytes header = {'*', '*', 0x18, 'B', '0', '0'};  // ZRQINIT, as a sender begins
    for (const bool framed : {false, true}) {
        rig.prompts.informations.clear();
        ASSERT_TRUE(download.start(target));
        const int64_t started = rig.clock.ms;
        rig.feed({'r', 'z', '\r'});  // text, not a frame
        if (framed) {
            rig.feed({header.begin(), header.begin() + 3});  // a header cut between two reads
            rig.feed({header.begin() + 3, header.end()});
        }
        rig.port.written.clear();
        rig.pump.processEventsUntil(started + kHandshakeWaitMs - 100);
        EXPECT_EQ(download.outcome(), BinaryDownload::Outcome::Running) << framed;
        rig.pump.processEventsUntil(started + kHandshakeWaitMs + 600);
        if (framed) {
            EXPECT_EQ(download.outcome(), BinaryDownload::Outcome::Running)
                << "a ZMODEM sender has all the time it needs";
            EXPECT_TRUE(rig.port.written.empty());
            receiver.finish(false);
            continue;
        }
        EXPECT_EQ(download.outcome(), BinaryDownload::Outcome::Failed);
        EXPECT_EQ(rig.prompts.informations, std::vector<std::string>{kTransferErrorText});
        EXPECT_EQ(rig.port.written, Bytes(8, 0x18)) << "the ZMODEM abort, to a sender that may wake up";
        EXPECT_EQ(receiver.stops, 1);
        EXPECT_FALSE(rig.state.protocolTransferActive);
        EXPECT_FALSE(fs::exists(receiver.folder_));
    }
}

TEST_F(Download, ASenderThatSendsMoreThanAFullMemoryIsCutOff) {
    std::ofstream(target) << "old";
    struct Case {
        std::string file;  // what the receiver has written
        int64_t relayed;   // bytes from the port
        bool cut;
    };
    const std::vector<Case> cases = {{std::string(kLargestImageBytes, 'x'), 1000, false},
                                     {std::string(kLargestImageBytes + 1, 'x'), 1000, true},
                                     {"", kMostRelayedBytes + 1, true}};
    for (const Case& c : cases) {
        rig.prompts.informations.clear();
        ASSERT_TRUE(download.start(target));
        rig.feed({'*', 0x18, 'C'});
        rig.feed(Bytes(size_t(c.relayed - 3), 0x55));
        receiver.receive("IMAGE.BIN", c.file);
        rig.run(600);
        EXPECT_EQ(download.outcome() == BinaryDownload::Outcome::Failed, c.cut)
            << c.file.size() << " " << c.relayed;
        EXPECT_LE(int64_t(receiver.input.size()), kMostRelayedBytes);
        receiver.input.clear();
        if (!c.cut) {
            receiver.finish(true);
            EXPECT_EQ(fs::file_size(target), uintmax_t(kLargestImageBytes)) << "a full memory is saved";
            std::ofstream(target) << "old";
            continue;
        }
        EXPECT_EQ(rig.prompts.informations, std::vector<std::string>{kTransferErrorText});
        EXPECT_EQ(targetText(), "old");
    }
}

TEST_F(Download, TheDialogStartsInTheDataFolderAndTheReceiversFolderFallsBackToTmp) {
    test::ScriptedFileDialogs dialogs;
    rig.state.dataDirectory = dir.string();
    download.downloadBinaryFile(dialogs);  // cancelled
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].request.initialDirectory, dir.string());

    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", (dir / "missing").c_str(), 1);
    ASSERT_TRUE(download.start(target));
    EXPECT_EQ(fs::path(receiver.folder_).parent_path(), fs::path("/tmp"));
    receiver.finish(false);
    // A folder where none can be made: the message names it, not the name pattern.
    ::setenv("TMPDIR", "/sys", 1);
    EXPECT_FALSE(download.start(target));
    ASSERT_FALSE(rig.prompts.warnings.empty());
    EXPECT_NE(rig.prompts.warnings.back().find("/sys:"), std::string::npos) << rig.prompts.warnings.back();
    EXPECT_EQ(rig.prompts.warnings.back().find("XXXXXX"), std::string::npos) << rig.prompts.warnings.back();
    if (old)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

}  // namespace
}  // namespace zvl
