#pragma once
// Temporary folders, whole-file reads and writes, and the file commands on the fakes, for the
// file tests.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "files/filecommands.h"
#include "tests/support/fakefiledialogs.h"
#include "tests/support/fakes.h"

namespace zvl::test {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zvl-files-XXXXXX").string();
        if (!mkdtemp(pattern.data())) ADD_FAILURE() << "mkdtemp failed";
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }
    // Names of everything in the folder, sorted.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path path_;
};

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

// Bytes from a list of small numbers, for building file images by hand.
inline std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += char(v);
    return out;
}

// The file commands wired to a state of their own and the fakes (the clock reads 7 Dec 2026
// 10:00:01).
struct FileCommandsRig {
    AppState state;
    FakeClock clock;
    ScriptedPrompts prompts;
    CountingView view;
    ScriptedFileDialogs dialogs;
    FileCommands files{state, dialogs, prompts, view, clock};
};

}  // namespace zvl::test
