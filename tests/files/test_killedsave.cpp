// Saves killed at random moments: a child process saves a split recording, an export, a
// settings-only file and the settings file over the previous ones and is killed part way.
// Every file is then the previous one or the complete new one, with its permission bits, and
// the temporary files the killed saves left are gone after the next process's first save into
// the folder.
// ZVL_KILLS sets how many kills (a short run by default).

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>

#include "files/recordingfile.h"
#include "files/settings.h"
#include "filetestutil.h"

namespace zvl {
namespace {

struct Saver : test::FileCommandsRig {
    explicit Saver(int variant) {
        const int64_t count = kResultsPerFile + 5000;  // two part files
        state.resultCount() = count;
        for (int64_t i = 1; i <= count; ++i) {
            state.store.slot(i).setTime(uint32_t(1000 * variant + i));
            state.store.slot(i).inputStates = uint16_t(i * variant);
        }
        state.commentLines[0] = "variant " + std::to_string(variant);
        state.inputLabels[0] = "label " + std::to_string(variant);
    }
    // Every save, in the order the program's commands make them.
    bool saveAll(const test::TempDir& dir) {
        dialogs.answers = {dir.file("run.zvl"), dir.file("run.csv"), dir.file("run.stg")};
        return files.saveAs() == FileOutcome::Done && files.exportCsvOrTxt() == FileOutcome::Done &&
               files.saveSettingsOnly() == FileOutcome::Done &&
               writeSettings(state, prompts, dir.file("zvl.ini"));
    }
};

const std::vector<std::string> kSaved = {"run.csv", "run.stg", "run_1.ZVL", "run_2.ZVL", "zvl.ini"};

std::map<std::string, std::string> contents(const test::TempDir& dir) {
    std::map<std::string, std::string> files;
    for (const std::string& name : kSaved) files[name] = test::readBytes(dir.file(name));
    return files;
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(KilledSave, EveryFileIsThePreviousOrTheNewOneAndLeftTemporaryFilesGo) {
    const char* env = std::getenv("ZVL_KILLS");
    const int kills = env ? std::atoi(env) : 40;
    test::TempDir dir;
    std::unique_ptr<Saver> savers[2] = {std::make_unique<Saver>(1), std::make_unique<Saver>(2)};
    ASSERT_TRUE(savers[1]->saveAll(dir));
    const auto second = contents(dir);
    ASSERT_TRUE(savers[0]->saveAll(dir));
    const auto first = contents(dir);
    for (const std::string& name : kSaved) {
        ASSERT_NE(first.at(name), second.at(name)) << name;
        chmod(dir.file(name).c_str(), 0640);
    }

    // How long a whole save takes here, to kill at moments across all of it.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(savers[1]->saveAll(dir));
    const auto full =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    std::mt19937 random(18);
    std::uniform_int_distribution<int64_t> moment(0, full.count() * 11 / 10);

    int killedMidSave = 0, leftTemporary = 0, replaced = 0;
    auto previous = contents(dir);
    for (int k = 0; k < kills; ++k) {
        const int next = k % 2;  // the files now hold a mix; the child saves one of the two
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) _exit(savers[next]->saveAll(dir) ? 0 : 1);
        usleep(useconds_t(moment(random)));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (WIFSIGNALED(status))
            ++killedMidSave;
        else
            ASSERT_EQ(WEXITSTATUS(status), 0);

        const auto now = contents(dir);
        const auto& wanted = next == 0 ? first : second;
        for (const std::string& name : kSaved) {
            const std::string& bytes = now.at(name);
            ASSERT_TRUE(bytes == previous.at(name) || bytes == wanted.at(name))
                << name << " after kill " << k;
            if (bytes != previous.at(name)) ++replaced;
            ASSERT_EQ(modeOf(dir.file(name)), 0640u) << name << " after kill " << k;
        }
        if (dir.entries().size() > kSaved.size()) ++leftTemporary;
        previous = now;
    }
    EXPECT_GT(killedMidSave, 0);
    EXPECT_GT(leftTemporary, 0) << "no kill came during a write";
    EXPECT_GT(replaced, 0);

    // Left-overs are searched for once per process and folder: the next process's first save.
    const pid_t next = fork();
    ASSERT_GE(next, 0);
    if (next == 0) _exit(savers[0]->saveAll(dir) ? 0 : 1);
    int status = 1;
    ASSERT_EQ(waitpid(next, &status, 0), next);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(dir.entries(), kSaved) << "the next save removed every temporary file left";
    std::printf("%d kills, %d during the save, %d left a temporary file, %d files replaced\n", kills,
                killedMidSave, leftTemporary, replaced);
}

}  // namespace
}  // namespace zvl
