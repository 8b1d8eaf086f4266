#include "platform/atomicfile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace zvl {

namespace {

constexpr size_t kBufferSize = 1 << 16;

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isUnderProc(const std::string& path) {
    return path.rfind("/proc/", 0) == 0;
}

// A symbolic link is replaced through its target, so the link stays a link. A dangling link
// is written through as it stands; a loop of links is left to open() to report. A link into
// /proc/ (/dev/stdout, /dev/fd/N) names an open descriptor, not a file: it is not followed
// further.
std::string resolveTarget(std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (isUnderProc(path) || lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        char buf[PATH_MAX];
        const ssize_t n = readlink(path.c_str(), buf, sizeof buf - 1);
        if (n <= 0) return path;
        std::string link(buf, size_t(n));
        path = link[0] == '/' ? link : folderOf(path) + "/" + link;
    }
    return path;
}

// The temporary files of saves that were killed before they ended (".<name>.<pid>-<n>.tmp",
// whose process no longer runs) are removed from the folder. A temporary file of a save that
// is still running, in this or another process, is left alone.
void removeLeftTemporaryFiles(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    const std::string suffix = ".tmp";
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() < 8 || name[0] != '.' || name.compare(name.size() - 4, 4, suffix) != 0) continue;
        // Back from ".tmp": the counter, a '-', the process id, a '.'.
        size_t end = name.size() - 4, i = end;
        while (i > 0 && name[i - 1] >= '0' && name[i - 1] <= '9') --i;
        if (i == end || i == 0 || name[i - 1] != '-') continue;
        end = --i;
        while (i > 0 && name[i - 1] >= '0' && name[i - 1] <= '9') --i;
        if (i == end || end - i > 9 || i < 2 || name[i - 1] != '.') continue;
        const pid_t pid = pid_t(std::stol(name.substr(i, end - i)));
        if (pid <= 0 || pid == getpid() || kill(pid, 0) == 0 || errno != ESRCH) continue;
        ::unlink((folder + "/" + name).c_str());
    }
    closedir(dir);
}

}  // namespace

std::string fileErrorText(const std::string& what, const std::string& path, int errorNumber) {
    return what + " " + path + ": " + std::strerror(errorNumber);
}

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {}

AtomicFile::~AtomicFile() {
    discard();
}

bool AtomicFile::fail(const std::string& what, int errorNumber) {
    if (error_.empty()) error_ = fileErrorText(what, path_, errorNumber);
    discard();
    return false;
}

bool AtomicFile::notOpen() {
    if (error_.empty()) error_ = "Cannot write file " + path_ + ": the file was not opened";
    return false;
}

bool AtomicFile::open() {
    discard();
    error_.clear();
    if (path_.empty() || path_.back() == '/') return fail("Cannot create file", EISDIR);
    target_ = resolveTarget(path_);
    struct stat existing {};
    const bool replacing = stat(target_.c_str(), &existing) == 0;
    if (replacing && S_ISDIR(existing.st_mode)) return fail("Cannot create file", EISDIR);
    // A device, a pipe or a socket is written as it stands: a rename would put a plain file in
    // its place. So is an open descriptor named under /proc/ (/dev/stdout into a file), which is
    // appended to, after what the shell or the program before wrote there.
    if (replacing && (!S_ISREG(existing.st_mode) || isUnderProc(target_))) {
        stream_ = true;
        fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | (S_ISREG(existing.st_mode) ? O_APPEND : 0));
        if (fd_ < 0) return fail("Cannot open file", errno);
        buffer_.reserve(kBufferSize);
        return true;
    }
    stream_ = false;

    removeLeftTemporaryFiles(folderOf(target_));
    static std::atomic<unsigned> counter{0};
    const std::string stem =
        folderOf(target_) + "/." + baseOf(target_) + "." + std::to_string(getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath_ = stem + std::to_string(counter++) + ".tmp";
        fd_ = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0 || errno != EEXIST) break;
    }
    if (fd_ < 0) {
        const int e = errno;
        tempPath_.clear();
        return fail("Cannot create file", e);
    }
    if (replacing) (void)fchmod(fd_, existing.st_mode & 07777);
    buffer_.reserve(kBufferSize);
    return true;
}

bool AtomicFile::flush() {
    size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail("Cannot write file", errno);
        }
        done += size_t(n);
    }
    buffer_.clear();
    return true;
}

bool AtomicFile::write(std::string_view bytes) {
    if (fd_ < 0) return notOpen();
    if (buffer_.size() + bytes.size() > kBufferSize) {
        if (!flush()) return false;
        if (bytes.size() > kBufferSize) {
            buffer_.assign(bytes);
            return flush();
        }
    }
    buffer_.append(bytes);
    return true;
}

bool AtomicFile::commit() {
    if (fd_ < 0) return notOpen();
    if (!flush()) return false;
    if (fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) return fail("Cannot write file", errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return fail("Cannot write file", errno);
    if (stream_) return true;
    if (std::rename(tempPath_.c_str(), target_.c_str()) != 0) return fail("Cannot replace file", errno);
    tempPath_.clear();
    return true;
}

void AtomicFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
    buffer_.clear();
}

std::string writeFileAtomically(const std::string& path, std::string_view bytes) {
    AtomicFile out(path);
    if (!out.open() || !out.write(bytes) || !out.commit()) return out.error();
    return {};
}

}  // namespace zvl
