// Safe replacement of files, and the Windows-1252 conversions used for paths and printing.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "core/codepage.h"
#include "filetestutil.h"
#include "platform/atomicfile.h"
#include "tests/support/filesizelimit.h"

namespace zvl {
namespace {

mode_t modeOf(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(AtomicFile, CreatesANewFileWithTheUsualPermissions) {
    test::TempDir dir;
    const mode_t mask = umask(022);
    EXPECT_EQ(writeFileAtomically(dir.file("new.bin"), std::string("a\0b", 3)), "");
    umask(mask);
    EXPECT_EQ(test::readBytes(dir.file("new.bin")), std::string("a\0b", 3));
    EXPECT_EQ(modeOf(dir.file("new.bin")), 0644u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"new.bin"}) << "no temporary file is left";
}

TEST(AtomicFile, ReplacesAFileKeepingItsPermissionsAndWritesLargeContent) {
    test::TempDir dir;
    test::writeBytes(dir.file("f"), "old");
    chmod(dir.file("f").c_str(), 0600);
    const std::string big(300000, 'x');  // larger than the write buffer
    AtomicFile out(dir.file("f"));
    ASSERT_TRUE(out.open());
    EXPECT_TRUE(out.write("head"));
    EXPECT_TRUE(out.write(big));
    EXPECT_TRUE(out.write("tail"));
    EXPECT_EQ(test::readBytes(dir.file("f")), "old") << "nothing changes before commit";
    ASSERT_TRUE(out.commit());
    EXPECT_EQ(test::readBytes(dir.file("f")), "head" + big + "tail");
    EXPECT_EQ(modeOf(dir.file("f")), 0600u);
}

TEST(AtomicFile, AWriteThatFailsHalfWayLeavesTheOldFileAndNoTemporaryFile) {
    test::TempDir dir;
    test::writeBytes(dir.file("keep.zvl"), "the previous recording");
    std::string error;
    {
        test::FileSizeLimit limit(100000);
        error = writeFileAtomically(dir.file("keep.zvl"), std::string(500000, 'n'));
    }
    EXPECT_EQ(error, "Cannot write file " + dir.file("keep.zvl") + ": File too large");
    EXPECT_EQ(test::readBytes(dir.file("keep.zvl")), "the previous recording");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"keep.zvl"});
}

TEST(AtomicFile, DiscardOrDestructionWithoutCommitChangesNothing) {
    test::TempDir dir;
    test::writeBytes(dir.file("f"), "old");
    {
        AtomicFile out(dir.file("f"));
        ASSERT_TRUE(out.open());
        out.write("new");
    }
    EXPECT_EQ(test::readBytes(dir.file("f")), "old");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"f"});
}

TEST(AtomicFile, ReportsTheSystemsErrorForAMissingFolderOrAFolderTarget) {
    test::TempDir dir;
    EXPECT_EQ(writeFileAtomically(dir.file("nope/f"), "x"),
              "Cannot create file " + dir.file("nope/f") + ": No such file or directory");
    EXPECT_EQ(writeFileAtomically(dir.path().string(), "x"),
              "Cannot create file " + dir.path().string() + ": Is a directory");
    AtomicFile never(dir.file("g"));
    EXPECT_FALSE(never.write("x"));
    EXPECT_FALSE(never.commit());
    EXPECT_FALSE(never.error().empty());
}

TEST(AtomicFile, ASymbolicLinkStaysALinkAndItsTargetIsReplaced) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.path() / "real");
    test::writeBytes(dir.file("real/data.zvl"), "old");
    std::filesystem::create_symlink("real/data.zvl", dir.path() / "link.zvl");
    EXPECT_EQ(writeFileAtomically(dir.file("link.zvl"), "new"), "");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "link.zvl"));
    EXPECT_EQ(test::readBytes(dir.file("real/data.zvl")), "new");
}

TEST(AtomicFile, WhatIsNotAPlainFileIsWrittenAsItStandsAndNeverReplaced) {
    test::TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
    std::filesystem::create_symlink("pipe", dir.path() / "to-pipe");
    for (const std::string name : {"pipe", "to-pipe"}) {
        // The reader is open before the save (so its open does not wait) and never waits itself.
        const int reader = ::open(dir.file("pipe").c_str(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(reader, 0);
        EXPECT_EQ(writeFileAtomically(dir.file(name), "through the pipe"), "") << name;
        char got[64] = {};
        EXPECT_EQ(::read(reader, got, sizeof got), 16) << name;
        EXPECT_STREQ(got, "through the pipe") << name;
        ::close(reader);
    }
    EXPECT_TRUE(std::filesystem::is_fifo(dir.path() / "pipe"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "to-pipe"));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"pipe", "to-pipe"})) << "no temporary file";

    // Devices of its own, never the system's: a test run as root that failed would replace
    // /dev/null. Making a device needs root; without it this part cannot run.
    if (mknod(dir.file("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
        mknod(dir.file("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        GTEST_SKIP() << "no devices without root: " << std::strerror(errno);
    EXPECT_EQ(writeFileAtomically(dir.file("null"), "nothing"), "");
    EXPECT_EQ(writeFileAtomically(dir.file("full"), "x"),
              "Cannot write file " + dir.file("full") + ": No space left on device");
    EXPECT_TRUE(std::filesystem::is_character_file(dir.path() / "null"));
    EXPECT_TRUE(std::filesystem::is_character_file(dir.path() / "full"));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"full", "null", "pipe", "to-pipe"}));
}

TEST(AtomicFile, TemporaryFilesHaveShortNamesOfTheirOwnAndOnlyTheOwnLeftOversAreRemoved) {
    test::TempDir dir;
    const pid_t gone = fork();  // a process id that no longer runs
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    const std::string dead = std::to_string(gone), alive = std::to_string(getpid());
    const std::pair<std::string, bool> leftOvers[] = {
        // still there after another process's save?
        {".zvl-save-" + dead + "-0.tmp", false},   // a killed save of this program's
        {".zvl-save-" + alive + "-7.tmp", true},   // a save still running
        {".run.zvl." + dead + "-0.tmp", true},     // another program's, of the same shape
        {".X." + dead + "-3.tmp", true},           //
        {".zvl-save-" + dead + "-0.tmp~", true},   // not of the pattern
        {".zvl-save-" + dead + "-x-1.tmp", true},  //
    };
    for (const auto& [name, left] : leftOvers) test::writeBytes(dir.file(name), "left");
    for (const size_t length : {1, 200, 236, 250, 255}) {
        const std::string name(length, 'n');
        EXPECT_EQ(writeFileAtomically(dir.file(name), "saved " + std::to_string(length)), "") << length;
        EXPECT_EQ(test::readBytes(dir.file(name)), "saved " + std::to_string(length)) << length;
    }
    // A process of its own searches the folder for left-over temporary files at its first save.
    const pid_t saver = fork();
    if (saver == 0) _exit(writeFileAtomically(dir.file("x.zvl"), "x").empty() ? 0 : 1);
    int status = -1;
    waitpid(saver, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    for (const auto& [name, left] : leftOvers)
        EXPECT_EQ(std::filesystem::exists(dir.file(name)), left) << name;
    EXPECT_EQ(dir.entries().size(), 5 + 1 + 5u) << "the five saves, x.zvl and the five left";
}

TEST(AtomicFile, ADescriptorsNameIsWrittenThroughTheDescriptorAtItsPosition) {
    test::TempDir dir;
    const int fd = ::open(dir.file("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    std::string expected;
    for (const std::string& name : std::vector<std::string>{"/dev/fd/", "/proc/self/fd/",
                                                            "/proc/" + std::to_string(getpid()) + "/fd/"}) {
        // The shell's writes before and after the command's, on the same descriptor.
        ASSERT_EQ(::write(fd, "[", 1), 1);
        EXPECT_EQ(writeFileAtomically(name + std::to_string(fd), name), "") << name;
        ASSERT_EQ(::write(fd, "]", 1), 1);
        expected += "[" + name + "]";
    }
    ::close(fd);
    EXPECT_EQ(test::readBytes(dir.file("out")), expected);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out"});
}

TEST(Codepage, Windows1252ToUtf8CoversTheUpperHalf) {
    EXPECT_EQ(windows1252ToUtf8("K\xFChl \x80 \x9F \xA0"), "K\xC3\xBChl \xE2\x82\xAC \xC5\xB8 \xC2\xA0");
    EXPECT_EQ(windows1252ToUtf8("\x81\x8D"), "\xC2\x81\xC2\x8D") << "undefined bytes as control characters";
}

TEST(Codepage, Utf8ToWindows1252ReplacesWhatTheCodePageLacks) {
    EXPECT_EQ(utf8ToWindows1252("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xE9 \x80");
    EXPECT_EQ(utf8ToWindows1252("\xE4\xB8\xAD"), "?") << "a character outside the code page";
    EXPECT_EQ(utf8ToWindows1252("a\xFF"
                                "b\xC3"),
              "a?b?")
        << "malformed bytes";
    EXPECT_EQ(utf8ToWindows1252("\xC0\xAF"), "??") << "an overlong form is malformed";
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, char(b));
        EXPECT_EQ(utf8ToWindows1252(windows1252ToUtf8(one)), one) << b;
    }
}

}  // namespace
}  // namespace zvl
