#include "sim/pty.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace zvl::sim {

namespace {

std::string errnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

// The target of a symlink; false when path is not one.
bool readLink(const std::string& path, std::string& target) {
    std::error_code ec;
    const auto t = std::filesystem::read_symlink(path, ec);
    if (ec) return false;
    target = t.string();
    return true;
}

}  // namespace

PseudoTerminal::~PseudoTerminal() {
    close();
}

bool PseudoTerminal::open(std::string& error) {
    close();
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) {
        error = errnoText("posix_openpt");
        return false;
    }
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error = errnoText("grantpt/unlockpt");
        close();
        return false;
    }
    char name[256];
    if (::ptsname_r(master_, name, sizeof name) != 0) {
        error = errnoText("ptsname_r");
        close();
        return false;
    }
    slavePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY);
    if (slave_ < 0) {
        error = errnoText(("open " + slavePath_).c_str());
        close();
        return false;
    }
    termios tio{};
    if (::tcgetattr(slave_, &tio) != 0) {
        error = errnoText("tcgetattr");
        close();
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, B19200);
    ::cfsetospeed(&tio, B19200);
    if (::tcsetattr(slave_, TCSANOW, &tio) != 0) {
        error = errnoText("tcsetattr");
        close();
        return false;
    }
    const int flags = ::fcntl(master_, F_GETFL);
    if (flags < 0 || ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = errnoText("fcntl O_NONBLOCK");
        close();
        return false;
    }
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    return true;
}

void PseudoTerminal::close() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
    slave_ = master_ = -1;
}

bool claimPortLink(const std::string& linkPath, const std::string& target, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path link(linkPath);
    fs::create_directories(link.parent_path(), ec);
    if (ec) {
        error = "cannot create " + link.parent_path().string() + ": " + ec.message();
        return false;
    }

    struct stat st {};
    if (::lstat(linkPath.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = linkPath + " exists and is not a symlink; not touching it";
            return false;
        }
        std::string old;
        struct stat targetSt {};
        const bool dead = !readLink(linkPath, old) || ::stat(linkPath.c_str(), &targetSt) != 0;
        if (!dead && old != target) {
            error = linkPath + " points at " + old +
                    ", which is still there (another zvl-sim?); remove the link if it is stale";
            return false;
        }
    } else if (errno != ENOENT) {
        error = errnoText(("lstat " + linkPath).c_str());
        return false;
    }

    // Make the new link beside the old and rename it over, so the name is never missing
    // or half-made for a client looking at it.
    const std::string temp = linkPath + ".new" + std::to_string(::getpid());
    ::unlink(temp.c_str());
    if (::symlink(target.c_str(), temp.c_str()) != 0) {
        error = errnoText(("symlink " + temp).c_str());
        return false;
    }
    if (::rename(temp.c_str(), linkPath.c_str()) != 0) {
        error = errnoText(("rename to " + linkPath).c_str());
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

void releasePortLink(const std::string& linkPath, const std::string& target) {
    std::string current;
    if (readLink(linkPath, current) && current == target) ::unlink(linkPath.c_str());
}

}  // namespace zvl::sim
