// zvl-sim as a program: started on a real pseudo-terminal, talked to through its COMn link;
// and zvl against it when the simulator dies in the middle of a recording or an upload.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/sim/framewalk.h"

#ifndef ZVL_SIM_EXECUTABLE
#error "ZVL_SIM_EXECUTABLE must name the built zvl-sim"
#endif
#ifndef ZVL_EXECUTABLE
#error "ZVL_EXECUTABLE must name the built zvl"
#endif

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// Generous limits so a slow machine never fails a test; they only stop a broken program
// from hanging the test run.
constexpr int kWaitMs = 10'000;

struct Child {
    pid_t pid = -1;
    int out = -1;  // its stdout
    int err = -1;  // its stderr
};

Child spawn(const std::vector<std::string>& args, const std::string& xdg,
            const char* program = ZVL_SIM_EXECUTABLE) {
    int outPipe[2], errPipe[2];
    if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        ::setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
        std::vector<char*> argv;
        std::string exe = program;
        argv.push_back(exe.data());
        std::vector<std::string> copy = args;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(exe.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    return {pid, outPipe[0], errPipe[0]};
}

// Reads fd until the predicate is met, EOF, or the time limit.
std::string readUntil(int fd, const std::function<bool(const std::string&)>& done) {
    std::string text;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (!done(text) && std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        char buf[4096];
        const ssize_t r = ::read(fd, buf, sizeof buf);
        if (r <= 0) break;
        text.append(buf, size_t(r));
    }
    return text;
}

Bytes readBytes(int fd, size_t atLeast) {
    Bytes got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (got.size() < atLeast && std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        uint8_t buf[4096];
        const ssize_t r = ::read(fd, buf, sizeof buf);
        if (r > 0) got.insert(got.end(), buf, buf + r);
    }
    return got;
}

// Waits for the child to end; returns its exit status or -1.
int waitExit(pid_t pid) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        ::usleep(10'000);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
}

class ZvlSimProgram : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/zvl-sim-test-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        xdg_ = tmpl;
    }
    void TearDown() override {
        if (child_.pid > 0) {
            ::kill(child_.pid, SIGKILL);
            int status = 0;
            ::waitpid(child_.pid, &status, 0);
        }
        if (child_.out >= 0) ::close(child_.out);
        if (child_.err >= 0) ::close(child_.err);
        fs::remove_all(xdg_);
    }
    int finish() {
        const int code = waitExit(child_.pid);
        child_.pid = -1;
        return code;
    }

    std::string xdg_;
    Child child_;
};

TEST_F(ZvlSimProgram, HelpAndUsageErrors) {
    child_ = spawn({"--help"}, xdg_);
    ASSERT_GT(child_.pid, 0);
    const std::string help = readUntil(child_.out, [](const std::string&) { return false; });
    EXPECT_EQ(finish(), 0);
    EXPECT_NE(help.find("Usage: zvl-sim --port COMn"), std::string::npos);
    ::close(child_.out);
    ::close(child_.err);

    child_ = spawn({"--port", "COM1", "--rate", "fast"}, xdg_);
    ASSERT_GT(child_.pid, 0);
    const std::string err = readUntil(child_.err, [](const std::string&) { return false; });
    EXPECT_EQ(finish(), 1);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("--rate"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(xdg_ + "/Pellam")) << "a usage error must not create the link";
}

TEST_F(ZvlSimProgram, AnswersThroughItsComLinkAndRemovesItOnSigterm) {
    // A link left behind by a simulator that died must not stop a new one.
    const std::string link = xdg_ + "/Pellam/ports/COM7";
    fs::create_directories(xdg_ + "/Pellam/ports");
    fs::create_symlink("/dev/pts/nonexistent-7", link);

    child_ = spawn({"--port", "COM7", "--unpaced", "--firmware", "2.07", "--rate", "200"}, xdg_);
    ASSERT_GT(child_.pid, 0);
    const std::string line =
        readUntil(child_.out, [](const std::string& t) { return t.find('\n') != std::string::npos; });
    ASSERT_EQ(line.rfind("zvl-sim: COM7 -> /dev/pts/", 0), 0u) << line;
    const std::string device = line.substr(line.find("-> ") + 3, line.find('\n') - line.find("-> ") - 3);
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link).string(), device);

    const int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios tio{};
    ASSERT_EQ(::tcgetattr(fd, &tio), 0);
    ::cfmakeraw(&tio);
    ASSERT_EQ(::tcsetattr(fd, TCSANOW, &tio), 0);

    const Bytes ask{0x01, 0x02, 0x21, 0x04};
    ASSERT_EQ(::write(fd, ask.data(), ask.size()), 4);
    EXPECT_EQ(readBytes(fd, 8), (Bytes{0x01, 0x06, 0xC1, 0x00, 0x00, 0x02, 0x07, 0x04}));

    // The live stream comes through whole.
    const Bytes start{0x01, 0x02, 0x40, 0x04};
    ASSERT_EQ(::write(fd, start.data(), start.size()), 4);
    const Bytes live = readBytes(fd, 6 * 20);
    const Bytes stop{0x01, 0x02, 0x41, 0x04};
    ASSERT_EQ(::write(fd, stop.data(), stop.size()), 4);
    ASSERT_GE(live.size(), 6u * 20);
    const auto walk = zvl::sim::testing::walkStream(Bytes(live.begin(), live.begin() + 6 * 20));
    EXPECT_TRUE(walk.problems.empty());
    EXPECT_EQ(walk.packets(0xD0).size(), 20u);

    ::close(fd);
    ::kill(child_.pid, SIGTERM);
    EXPECT_EQ(finish(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link))) << "the link must be gone after SIGTERM";
}

TEST_F(ZvlSimProgram, RefusesALinkThatIsInUse) {
    const std::string link = xdg_ + "/Pellam/ports/COM2";
    fs::create_directories(xdg_ + "/Pellam/ports");
    fs::create_symlink("/dev/null", link);
    child_ = spawn({"--port", "COM2", "--unpaced"}, xdg_);
    ASSERT_GT(child_.pid, 0);
    const std::string err = readUntil(child_.err, [](const std::string&) { return false; });
    EXPECT_EQ(finish(), 1);
    EXPECT_NE(err.find("COM2"), std::string::npos) << err;
    EXPECT_EQ(fs::read_symlink(link).string(), "/dev/null");
}

// ---------------------------------------------------------------------------------------
// zvl when the instrument's end of the line goes away

// CPU seconds (user and system) a running child has used, from /proc/<pid>/stat.
double cpuSecondsSoFar(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t afterName = stat.rfind(')');
    if (afterName == std::string::npos) return 0;
    std::istringstream fields(stat.substr(afterName + 2));
    std::string field;
    double ticks = 0;
    for (int k = 3; k <= 15 && fields >> field; ++k)
        if (k >= 14) ticks += std::stod(field);  // utime and stime
    return ticks / double(::sysconf(_SC_CLK_TCK));
}

class ZvlLosesThePort : public ZvlSimProgram {
protected:
    void TearDown() override {
        if (zvl_.pid > 0) {
            ::kill(zvl_.pid, SIGKILL);
            ::waitpid(zvl_.pid, nullptr, 0);
        }
        for (int fd : {zvl_.out, zvl_.err})
            if (fd >= 0) ::close(fd);
        ZvlSimProgram::TearDown();
    }
    void startSim(std::vector<std::string> args) {
        args.insert(args.begin(), {"--port", "COM5"});
        child_ = spawn(args, xdg_);
        ASSERT_GT(child_.pid, 0);
        const std::string line =
            readUntil(child_.out, [](const std::string& t) { return t.find('\n') != std::string::npos; });
        ASSERT_NE(line.find("COM5"), std::string::npos) << line;
    }
    // Kills the simulator (the line hangs up as when the adapter is pulled) and waits up to
    // 5 s for zvl to end: its exit code (-1 when it did not end) and the CPU it used meanwhile.
    void killSimAndWait() {
        const double before = cpuSecondsSoFar(zvl_.pid);
        ::kill(child_.pid, SIGKILL);
        ::waitpid(child_.pid, nullptr, 0);
        child_.pid = -1;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        int status = 0;
        rusage usage{};
        while (std::chrono::steady_clock::now() < end) {
            if (::wait4(zvl_.pid, &status, WNOHANG, &usage) == zvl_.pid) {
                zvl_.pid = -1;
                code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                cpuAfterLoss_ = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                                double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6 - before;
                err_ = readUntil(zvl_.err, [](const std::string&) { return false; });
                return;
            }
            ::usleep(20'000);
        }
        cpuAfterLoss_ = cpuSecondsSoFar(zvl_.pid) - before;
    }

    Child zvl_;
    int code_ = -1;
    double cpuAfterLoss_ = 0;
    std::string err_;
};

TEST_F(ZvlLosesThePort, CollectPrintsWhatCameAndEndsWithExit2) {
    startSim({"--rate", "50"});
    zvl_ = spawn({"collect", "--port", "COM5"}, xdg_, ZVL_EXECUTABLE);
    ASSERT_GT(zvl_.pid, 0);
    std::string out =
        readUntil(zvl_.out, [](const std::string& t) { return std::count(t.begin(), t.end(), '\n') >= 10; });
    ASSERT_GE(std::count(out.begin(), out.end(), '\n'), 10) << "no live results";
    killSimAndWait();
    EXPECT_LT(cpuAfterLoss_, 0.5) << "seconds of CPU after the loss";
    ASSERT_EQ(code_, 2);
    EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
    EXPECT_NE(err_.find("zvl: the instrument's serial port has gone away (Input/output error)"),
              std::string::npos)
        << err_;
    out += readUntil(zvl_.out, [](const std::string&) { return false; });
    // Every result, numbered without a gap, then the stop record repeating the last state
    // (the sixteen "0," or "1," fields that end a line).
    std::istringstream lines(out);
    std::vector<std::string> states;
    for (std::string line; std::getline(lines, line);) {
        ASSERT_EQ(std::stoi(line), int(states.size()) + 1) << line;
        states.push_back(line.substr(line.size() - 32));
    }
    ASSERT_GE(states.size(), 11u);
    EXPECT_EQ(states.back(), states[states.size() - 2]);
}

TEST_F(ZvlLosesThePort, UploadEndsWithExit2AndWritesNothing) {
    startSim({"--memory", "5000", "--verbose"});
    const std::string file = xdg_ + "/up.zvl";
    zvl_ = spawn({"upload", "--port", "COM5", file}, xdg_, ZVL_EXECUTABLE);
    ASSERT_GT(zvl_.pid, 0);
    const std::string simLog = readUntil(
        child_.err, [](const std::string& t) { return t.find("(memory upload)") != std::string::npos; });
    ASSERT_NE(simLog.find("(memory upload)"), std::string::npos) << simLog;
    ::usleep(300'000);  // blocks are on their way
    killSimAndWait();
    EXPECT_LT(cpuAfterLoss_, 0.5) << "seconds of CPU after the loss";
    ASSERT_EQ(code_, 2);
    EXPECT_EQ(err_,
              "zvl: the instrument's serial port has gone away (Input/output error); upload ended, nothing "
              "written\n");
    EXPECT_FALSE(fs::exists(file));
}

// An instrument whose memory image is being sent goes back to answering commands when the PC
// cancels; so does one whose PC went away in the middle of the image.
TEST_F(ZvlLosesThePort, ACancelledDownloadLeavesTheSimulatorAnswering) {
    startSim({"--memory", "50000", "--verbose"});
    const std::string file = xdg_ + "/image.bin";
    for (const int signal : {SIGINT, SIGKILL}) {  // Ctrl-C cancels; a killed zvl just goes away
        zvl_ = spawn({"download", "--port", "COM5", file}, xdg_, ZVL_EXECUTABLE);
        ASSERT_GT(zvl_.pid, 0);
        const std::string simLog = readUntil(child_.err, [](const std::string& t) {
            return t.find("(memory image by ZMODEM)") != std::string::npos;
        });
        ASSERT_NE(simLog.find("(memory image by ZMODEM)"), std::string::npos) << simLog;
        ::usleep(2'000'000);  // the image is on its way
        ::kill(zvl_.pid, signal);
        EXPECT_EQ(waitExit(zvl_.pid), signal == SIGINT ? 2 : -1) << signal;
        ::close(zvl_.out);
        ::close(zvl_.err);
        zvl_ = {};
        const Child status = spawn({"status", "--port", "COM5"}, xdg_, ZVL_EXECUTABLE);
        ASSERT_GT(status.pid, 0);
        const std::string out = readUntil(status.out, [](const std::string&) { return false; });
        EXPECT_EQ(waitExit(status.pid), 0) << signal << ": " << out;
        EXPECT_NE(out.find("Firmware version: 1.51"), std::string::npos) << out;
        ::close(status.out);
        ::close(status.err);
        EXPECT_FALSE(fs::exists(file));
    }
}

}  // namespace
