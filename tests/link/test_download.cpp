// The binary download's relay run headless with a stand-in receiver: what reaches the
// receiver and the port, the three endings, Cancel, and a line no one else writes to.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "link/download.h"
#include "tests/link/standin_receiver.h"
#include "tests/support/fakes.h"

namespace zvl {
namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

struct Download : ::testing::Test {
    test::Rig rig;
    test::StandInReceiver receiver;
    BinaryDownload download{rig.state, rig.link, receiver, rig.clock, rig.prompts, rig.view};
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
    EXPECT_EQ(rig.state.bytesTransferred, 11) << "the byte counter about every half second";
    receiver.finish(true);
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

    // The port goes away: the download ends as an error does, with one box, the port's.
    rig.port.loseDevice();
    EXPECT_FALSE(rig.state.protocolTransferActive);
    EXPECT_EQ(receiver.stops, 1);
    EXPECT_EQ(download.outcome(), BinaryDownload::Outcome::Failed);
    EXPECT_TRUE(rig.prompts.informations.empty());
    EXPECT_EQ(rig.prompts.warnings, std::vector<std::string>{portLostMessage("Input/output error")});
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

}  // namespace
}  // namespace zvl
