#include "sim/imagesender.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace zvl::sim {

namespace fs = std::filesystem;

ImageSender::~ImageSender() {
    stop();
    finish();
}

bool ImageSender::start(const std::vector<uint8_t>& image, const std::string& name, std::string& error) {
    std::error_code ec;
    std::string pattern = (fs::temp_directory_path(ec) / "zvl-sim-image-XXXXXX").string();
    if (ec || ::mkdtemp(pattern.data()) == nullptr) {
        error = "cannot make a folder for the memory image: " + std::string(std::strerror(errno));
        return false;
    }
    root_ = pattern;
    // sz runs three folders down, so a name with up to three ../ still names a file of ours.
    const fs::path cwd = fs::path(root_) / "a" / "b" / "c";
    const fs::path file = (cwd / name).lexically_normal();
    const std::string rel = file.lexically_relative(root_).string();
    if (fs::path(name).is_absolute() || rel.empty() || rel.rfind("..", 0) == 0 || name.back() == '/') {
        error = "the image name \"" + name + "\" cannot be sent (at most three ../ and no leading /)";
        return false;
    }
    fs::create_directories(cwd, ec);
    fs::create_directories(file.parent_path(), ec);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));

    int in[2], out[2];
    if (::pipe(in) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (::pipe(out) != 0) {
        error = std::strerror(errno);
        ::close(in[0]);
        ::close(in[1]);
        return false;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) ::dup2(null, 2);
        for (int fd : {in[0], in[1], out[0], out[1]}) ::close(fd);
        if (::chdir(cwd.c_str()) != 0) ::_exit(126);
        // -b binary, -q quiet, -f the name as given (with its folders), not only its last part.
        ::execlp("sz", "sz", "-b", "-q", "-f", name.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    if (pid_ < 0) {
        error = std::strerror(errno);
        ::close(in[1]);
        ::close(out[0]);
        return false;
    }
    toSz_ = in[1];
    fromSz_ = out[0];
    ::fcntl(fromSz_, F_SETFL, ::fcntl(fromSz_, F_GETFL) | O_NONBLOCK);
    for (int fd : {toSz_, fromSz_}) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    return true;
}

void ImageSender::input(const uint8_t* data, size_t size) {
    while (toSz_ >= 0 && size > 0) {
        const ssize_t w = ::write(toSz_, data, size);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return;  // sz has gone; its output's end tells the rest
        data += w;
        size -= size_t(w);
    }
}

void ImageSender::stop() {
    if (pid_ > 0) ::kill(pid_, SIGTERM);
}

void ImageSender::kill() {
    if (pid_ > 0) ::kill(pid_, SIGKILL);
}

int ImageSender::finish() {
    for (int* fd : {&toSz_, &fromSz_})
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    int status = 0;
    int result = -1;
    if (pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) result = WEXITSTATUS(status);
    pid_ = -1;
    if (!root_.empty()) {
        std::error_code ec;
        fs::remove_all(root_, ec);
        root_.clear();
    }
    return result;
}

}  // namespace zvl::sim
