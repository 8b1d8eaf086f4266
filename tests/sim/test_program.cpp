// The parts of zvl-sim around the engine: its command line, the line pacing, the
// pseudo-terminal and the COMn link.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "sim/options.h"
#include "sim/pacer.h"
#include "sim/pty.h"

namespace zvl::sim {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> parse(std::vector<std::string> args, ProgramOptions& out) {
    out = ProgramOptions{};
    return parseArguments(args, out);
}

// ---------------------------------------------------------------------------------------
// Command line

TEST(SimOptions, EveryOptionReachesTheEngineConfig) {
    ProgramOptions o;
    const auto err = parse({"--port",    "COM12",
                            "--unpaced", "--rate",
                            "2000",      "--serial",
                            "AB12",      "--firmware",
                            "2.07",      "--options",
                            "0x3C",      "--seed",
                            "99",        "--noise",
                            "1.5",       "--unknown-signals",
                            "2",         "--invalid-signals",
                            "3",         "--malformed",
                            "0.25",      "--silent",
                            "--verbose"},
                           o);
    ASSERT_FALSE(err) << *err;
    EXPECT_EQ(o.port, 12);
    EXPECT_FALSE(o.paced);
    EXPECT_TRUE(o.verbose);
    EXPECT_FALSE(o.help);
    EXPECT_EQ(o.engine.resultsPerSecond, 2000.0);
    EXPECT_EQ(o.engine.serialNumber, "AB12");
    EXPECT_EQ(o.engine.firmwareMajor, 2);
    EXPECT_EQ(o.engine.firmwareMinor, 0x07);
    EXPECT_EQ(o.engine.options, 0x3C);
    EXPECT_EQ(o.engine.seed, 99u);
    EXPECT_EQ(o.engine.noiseBytesPerSecond, 1.5);
    EXPECT_EQ(o.engine.unknownSignalsPerSecond, 2.0);
    EXPECT_EQ(o.engine.invalidSignalsPerSecond, 3.0);
    EXPECT_EQ(o.engine.malformedPerSecond, 0.25);
    EXPECT_TRUE(o.engine.silent);
}

TEST(SimOptions, MemoryAndUploadFaultOptions) {
    ProgramOptions o;
    const auto err = parse({"--port",
                            "COM2",
                            "--memory",
                            "100000",
                            "--wrap-at",
                            "4000",
                            "--in-order",
                            "--backward-times",
                            "12",
                            "--bad-checksums",
                            "0.25",
                            "--repeat-blocks",
                            "1",
                            "--block-garbage",
                            "0.5",
                            "--block-pauses=0.01",
                            "--pause-ms",
                            "7000",
                            "--dump-memory",
                            "/tmp/m.bin",
                            "--sent-log",
                            "/tmp/s.log"},
                           o);
    ASSERT_FALSE(err) << *err;
    EXPECT_EQ(o.engine.memoryRecords, 100000);
    EXPECT_EQ(o.engine.memoryWrapAt, 4000);
    EXPECT_TRUE(o.engine.memoryInOrder);
    EXPECT_EQ(o.engine.memoryBackwardTimes, 12);
    EXPECT_EQ(o.engine.badChecksumChance, 0.25);
    EXPECT_EQ(o.engine.repeatBlockChance, 1.0);
    EXPECT_EQ(o.engine.blockGarbageChance, 0.5);
    EXPECT_EQ(o.engine.blockPauseChance, 0.01);
    EXPECT_EQ(o.engine.blockPauseMs, 7000);
    EXPECT_EQ(o.dumpMemoryPath, "/tmp/m.bin");
    EXPECT_EQ(o.sentLogPath, "/tmp/s.log");

    const std::vector<std::vector<std::string>> bad = {
        {"--port", "COM1", "--memory", "100001"},
        {"--port", "COM1", "--memory", "-5"},
        {"--port", "COM1", "--memory", "10", "--wrap-at", "11"},
        {"--port", "COM1", "--memory", "10", "--wrap-at", "0"},
        {"--port", "COM1", "--memory", "10", "--in-order"},
        {"--port", "COM1", "--bad-checksums", "1.5"},
        {"--port", "COM1", "--repeat-blocks", "-0.1"},
        {"--port", "COM1", "--block-pauses"},
        {"--port", "COM1", "--dump-memory", ""},
        {"--port", "COM1", "--sent-log", ""},
    };
    for (const auto& args : bad) {
        ProgramOptions b;
        const auto e = parse(args, b);
        ASSERT_TRUE(e.has_value()) << "accepted: " << args[2] << " " << (args.size() > 3 ? args[3] : "");
        EXPECT_EQ(e->find('\n'), std::string::npos);
    }
}

TEST(SimOptions, UsageErrorsSayWhatIsWrong) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--port"}, "--port needs a port name such as COM1"},
        {{"--port", "COM1", "--rate"}, "--rate needs a rate per second"},
        {{"--port", "COM1", "--verbose=1"}, "--verbose takes no value"},
        {{"--port", "COM1", "--frob"}, "unknown option \"--frob\""},
        {{"--port", "COM1", "x"}, "unknown option \"x\""},
        {{"--port", "COM1", "--seed", "-1"}, "--seed wants a number from 0 to 4294967295, not \"-1\""},
        {{"--rate", "3"}, "--port COMn is required"},
    };
    for (const auto& [args, message] : cases) {
        ProgramOptions o;
        EXPECT_EQ(parse(args, o).value_or("accepted"), message) << args.back();
    }
}

TEST(SimOptions, DefaultsAndInlineValues) {
    ProgramOptions o;
    ASSERT_FALSE(parse({"--port=com3", "--firmware=1.51"}, o));
    EXPECT_EQ(o.port, 3);
    EXPECT_TRUE(o.paced);
    EXPECT_FALSE(o.verbose);
    EXPECT_EQ(o.engine.firmwareMajor, 1);
    EXPECT_EQ(o.engine.firmwareMinor, 0x51);
    EXPECT_EQ(o.engine.resultsPerSecond, SimConfig{}.resultsPerSecond);
    EXPECT_FALSE(o.engine.silent);
}

TEST(SimOptions, HelpAndVersionNeedNoPort) {
    ProgramOptions o;
    ASSERT_FALSE(parse({"--help"}, o));
    EXPECT_TRUE(o.help);
    EXPECT_FALSE(o.version);
    EXPECT_NE(usageText().find("--port COMn"), std::string::npos);
    ProgramOptions v;
    ASSERT_FALSE(parse({"--version"}, v));
    EXPECT_TRUE(v.version);
    EXPECT_FALSE(v.help);
    EXPECT_TRUE(parse({"--version=1"}, v).has_value());
}

TEST(SimOptions, BadCommandLinesAreRefusedWithAMessage) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--rate", "4"},
        {"--port"},
        {"--port", "COM0"},
        {"--port", "COM256"},
        {"--port", "LPT1"},
        {"--port", "COM1", "--rate"},
        {"--port", "COM1", "--rate", "-1"},
        {"--port", "COM1", "--rate", "nan"},
        {"--port", "COM1", "--rate", "4x"},
        {"--port", "COM1", "--noise", "inf"},
        {"--port", "COM1", "--firmware", "1.5"},
        {"--port", "COM1", "--firmware", "151"},
        {"--port", "COM1", "--firmware", "1.5a"},
        {"--port", "COM1", "--firmware", "x.51"},
        {"--port", "COM1", "--firmware", "256.00"},
        {"--port", "COM1", "--options", "256"},
        {"--port", "COM1", "--options", "-1"},
        {"--port", "COM1", "--seed", "4294967296"},
        {"--port", "COM1", "--serial", "123456789"},
        {"--port", "COM1", "--serial", ""},
        {"--port", "COM1", "--unpaced=yes"},
        {"--port", "COM1", "--bogus"},
        {"--port", "COM1", "extra"},
    };
    for (const auto& args : bad) {
        ProgramOptions o;
        const auto err = parse(args, o);
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        ASSERT_TRUE(err.has_value()) << "accepted: " << joined;
        EXPECT_FALSE(err->empty());
        EXPECT_EQ(err->find('\n'), std::string::npos) << "one line only: " << *err;
    }
}

// ---------------------------------------------------------------------------------------
// Pacing

TEST(SimPacer, NeverFasterThanTheLineAndNotMuchSlower) {
    // A writer with an endless supply, looking in at random moments over ten simulated seconds.
    std::mt19937 rng(3);
    LinePacer pacer(LinePacer::kBytesPerSecond19200, 8);
    int64_t now = 5'000'000'000;
    pacer.start(now);
    const int64_t start = now;
    size_t sent = 0;
    while (now - start < 10'000'000'000) {
        now += int64_t(rng() % 3'000'000);  // up to 3 ms apart
        const size_t n = pacer.available(now);
        pacer.consume(n);
        sent += n;
        // over any span from the start, no more than the burst plus the line's rate
        const double allowed = 8 + double(now - start) * 1920.0 / 1e9;
        ASSERT_LE(double(sent), allowed + 1e-6);
    }
    EXPECT_GE(sent, 19200u - 8);  // keeps the line busy
}

TEST(SimPacer, WaitTimeLeadsToTheNextByte) {
    LinePacer pacer;
    pacer.start(0);
    pacer.consume(pacer.available(0));
    EXPECT_EQ(pacer.available(0), 0u);
    const int64_t wait = pacer.nsUntilAvailable(0);
    EXPECT_GT(wait, 0);
    EXPECT_LE(wait, 1'000'000'000 / 1920 + 1);
    EXPECT_EQ(pacer.available(wait - 2000), 0u);
    EXPECT_EQ(pacer.available(wait), 1u);
    EXPECT_EQ(pacer.nsUntilAvailable(wait), 0);

    // Waiting for several bytes: exactly as long as the line needs for them, and never
    // longer than a full burst takes.
    pacer.consume(1);
    const int64_t five = pacer.nsUntilAvailable(wait, 5);
    EXPECT_EQ(pacer.available(wait + five - 2000), 4u);
    EXPECT_EQ(pacer.available(wait + five), 5u);
    pacer.consume(5);
    const int64_t many = pacer.nsUntilAvailable(wait + five, 1000);
    EXPECT_EQ(pacer.available(wait + five + many), size_t(pacer.burst()));
}

// ---------------------------------------------------------------------------------------
// Port link and pseudo-terminal

class SimPortLink : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/zvl-sim-link-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        link_ = dir_ + "/Pellam/ports/COM4";
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string readLink() { return fs::read_symlink(link_).string(); }

    std::string dir_, link_;
};

TEST_F(SimPortLink, MakesFoldersAndLink) {
    std::string error;
    ASSERT_TRUE(claimPortLink(link_, "/dev/null", error)) << error;
    EXPECT_EQ(readLink(), "/dev/null");
    EXPECT_EQ(fs::directory_iterator(dir_ + "/Pellam/ports")->path().filename(), "COM4")
        << "no temp files left";
}

TEST_F(SimPortLink, ReplacesADeadLinkAndItsOwn) {
    fs::create_directories(dir_ + "/Pellam/ports");
    fs::create_symlink(dir_ + "/gone", link_);
    std::string error;
    ASSERT_TRUE(claimPortLink(link_, "/dev/null", error)) << error;
    EXPECT_EQ(readLink(), "/dev/null");
    ASSERT_TRUE(claimPortLink(link_, "/dev/null", error)) << error;
    EXPECT_EQ(readLink(), "/dev/null");
}

TEST_F(SimPortLink, LeavesALiveLinkOrAFileAlone) {
    fs::create_directories(dir_ + "/Pellam/ports");
    fs::create_symlink("/dev/zero", link_);
    std::string error;
    EXPECT_FALSE(claimPortLink(link_, "/dev/null", error));
    EXPECT_NE(error.find("/dev/zero"), std::string::npos);
    EXPECT_EQ(readLink(), "/dev/zero");

    fs::remove(link_);
    std::ofstream(link_) << "not a link";
    error.clear();
    EXPECT_FALSE(claimPortLink(link_, "/dev/null", error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_regular_file(link_));
}

TEST_F(SimPortLink, ReleaseRemovesOnlyItsOwnLink) {
    std::string error;
    ASSERT_TRUE(claimPortLink(link_, "/dev/null", error)) << error;
    releasePortLink(link_, "/dev/zero");
    EXPECT_TRUE(fs::is_symlink(link_));
    releasePortLink(link_, "/dev/null");
    EXPECT_FALSE(fs::exists(fs::symlink_status(link_)));
}

TEST(SimPseudoTerminal, RawSlaveCarriesBytesBothWaysWithoutEcho) {
    PseudoTerminal pty;
    std::string error;
    ASSERT_TRUE(pty.open(error)) << error;
    ASSERT_GE(pty.masterFd(), 0);
    EXPECT_TRUE(fs::exists(pty.slavePath()));
    EXPECT_NE(::fcntl(pty.masterFd(), F_GETFL) & O_NONBLOCK, 0);

    const int client = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(client, 0);
    termios tio{};
    ASSERT_EQ(::tcgetattr(client, &tio), 0);
    EXPECT_EQ(tio.c_lflag & (ECHO | ICANON), 0u) << "the slave must be raw before any client opens it";

    // PC to instrument: every byte value arrives unchanged and is not echoed back.
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[size_t(i)] = uint8_t(i);
    ASSERT_EQ(::write(client, all.data(), all.size()), 256);
    std::vector<uint8_t> got;
    for (int tries = 0; tries < 100 && got.size() < 256; ++tries) {
        pollfd p{pty.masterFd(), POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        uint8_t buf[512];
        const ssize_t r = ::read(pty.masterFd(), buf, sizeof buf);
        if (r > 0) got.insert(got.end(), buf, buf + r);
    }
    EXPECT_EQ(got, all);

    // instrument to PC
    ASSERT_EQ(::write(pty.masterFd(), all.data(), all.size()), 256);
    got.clear();
    for (int tries = 0; tries < 100 && got.size() < 256; ++tries) {
        pollfd p{client, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        uint8_t buf[512];
        const ssize_t r = ::read(client, buf, sizeof buf);
        if (r > 0) got.insert(got.end(), buf, buf + r);
    }
    EXPECT_EQ(got, all);
    pollfd p{pty.masterFd(), POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 0), 0) << "nothing echoed back to the instrument";
    ::close(client);
}

}  // namespace
}  // namespace zvl::sim
