#include "platform/atomicfile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <set>

namespace zvl {

namespace {

constexpr size_t kBufferSize = 1 << 16;

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool isUnderProc(const std::string& path) {
    return path.rfind("/proc/", 0) == 0;
}

// The descriptor of this process that a path names (/dev/stdout, /dev/fd/N, /proc/self/fd/N
// and the like), or -1. Such a name is written through the descriptor itself: reopened, a
// file behind it would be written from its start or its end, not where its writer stands.
int descriptorNamed(const std::string& path) {
    if (path == "/dev/stdin") return 0;
    if (path == "/dev/stdout") return 1;
    if (path == "/dev/stderr") return 2;
    for (const std::string& prefix :
         {std::string("/dev/fd/"), std::string("/proc/self/fd/"), std::string("/proc/thread-self/fd/"),
          "/proc/" + std::to_string(getpid()) + "/fd/"}) {
        if (path.size() <= prefix.size() || path.size() > prefix.size() + 9 || path.rfind(prefix, 0) != 0)
            continue;
        const std::string digits = path.substr(prefix.size());
        if (digits.find_first_not_of("0123456789") != std::string::npos) return -1;
        return std::stoi(digits);
    }
    return -1;
}

// A symbolic link is replaced through its target, so the link stays a link. A dangling link
// is written through as it stands; a loop of links is left to open() to report. A link into
// /proc/ (/dev/stdout, /dev/fd/N) names an open descriptor, not a file: it is not followed
// further.
std::string resolveTarget(std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (isUnderProc(path) || descriptorNamed(path) >= 0 || lstat(path.c_str(), &st) != 0 ||
            !S_ISLNK(st.st_mode))
            return path;
        char buf[PATH_MAX];
        const ssize_t n = readlink(path.c_str(), buf, sizeof buf - 1);
        if (n <= 0) return path;
        std::string link(buf, size_t(n));
        path = link[0] == '/' ? link : folderOf(path) + "/" + link;
    }
    return path;
}

// Temporary files are named ".zvl-save-<pid>-<n>.tmp" in the target's folder: short, so any
// target name that is valid can be saved, and of this program's own, so that only its own are
// ever removed.
constexpr const char* kTemporaryPrefix = ".zvl-save-";

std::string temporaryName(const std::string& folder) {
    static std::atomic<unsigned> counter{0};
    return folder + "/" + kTemporaryPrefix + std::to_string(getpid()) + "-" + std::to_string(counter++) +
           ".tmp";
}

// The process id in a temporary file's name of this program's pattern, or 0.
pid_t temporaryFileOwner(const std::string& name) {
    const std::string prefix = kTemporaryPrefix, suffix = ".tmp";
    if (name.size() <= prefix.size() + suffix.size() || name.rfind(prefix, 0) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return 0;
    const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    const auto dash = middle.find('-');
    if (dash == 0 || dash == std::string::npos || dash > 9 || dash + 1 == middle.size() ||
        middle.size() - dash - 1 > 10 || middle.find_first_not_of("0123456789-") != std::string::npos ||
        middle.find('-', dash + 1) != std::string::npos)
        return 0;
    return pid_t(std::stol(middle.substr(0, dash)));
}

// The temporary files of saves that were killed before they ended (of this program's pattern,
// whose process no longer runs) are removed from the folder. A temporary file of a save that
// is still running, in this or another process, is left alone, and so is every other file.
void removeLeftTemporaryFiles(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = readdir(dir)) {
        const pid_t pid = temporaryFileOwner(entry->d_name);
        if (pid <= 0 || pid == getpid() || kill(pid, 0) == 0 || errno != ESRCH) continue;
        ::unlink((folder + "/" + entry->d_name).c_str());
    }
    closedir(dir);
}

// The search for left-over temporary files reads the whole folder, so it runs once per folder
// in a process (at its first save there), not at every save: a logger saving into a folder of
// a great many files would otherwise read all of them each time. A forked child is a process
// of its own and searches again.
void removeLeftTemporaryFilesOnce(const std::string& folder) {
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0) return;
    static std::mutex mutex;
    static pid_t owner = 0;
    static std::set<std::pair<dev_t, ino_t>> searched;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (owner != getpid()) {
            searched.clear();
            owner = getpid();
        }
        if (!searched.insert({st.st_dev, st.st_ino}).second) return;
    }
    removeLeftTemporaryFiles(folder);
}

}  // namespace

// Puts a rename or an unlink in the folder on the disk: until the folder itself is synced, a
// power cut can lose the new name even though the file's bytes were synced. Returns 0 or the
// error number. A file system that cannot sync a folder (EINVAL, EROFS) keeps its names as well
// as it can and is not a failure, as for the file's own sync.
int syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    int e = 0;
    if (fsync(fd) != 0 && errno != EINVAL && errno != EROFS) e = errno;
    ::close(fd);
    return e;
}

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
    if (const int descriptor = descriptorNamed(target_); descriptor >= 0) {
        // What this program's own streams hold goes first, then the file's bytes.
        if (descriptor == 1) std::fflush(stdout);
        if (descriptor == 2) std::fflush(stderr);
        stream_ = true;
        fd_ = fcntl(descriptor, F_DUPFD_CLOEXEC, 3);
        if (fd_ < 0) return fail("Cannot open file", errno);
        buffer_.reserve(kBufferSize);
        return true;
    }
    struct stat existing {};
    const bool replacing = stat(target_.c_str(), &existing) == 0;
    if (replacing && S_ISDIR(existing.st_mode)) return fail("Cannot create file", EISDIR);
    // A device, a pipe or a socket is written as it stands: a rename would put a plain file in
    // its place. So is an open descriptor of another process named under /proc/, which is
    // appended to. The open does not wait: a FIFO that no program reads is refused at once
    // (a blocking open would wait for a reader for ever); the writes then block as usual.
    if (replacing && (!S_ISREG(existing.st_mode) || isUnderProc(target_))) {
        stream_ = true;
        fd_ = ::open(target_.c_str(),
                     O_WRONLY | O_CLOEXEC | O_NONBLOCK | (S_ISREG(existing.st_mode) ? O_APPEND : 0));
        if (fd_ < 0 && errno == ENXIO && S_ISFIFO(existing.st_mode)) {
            error_ = "Cannot open file " + path_ + ": no program is reading the pipe";
            return false;
        }
        if (fd_ < 0) return fail("Cannot open file", errno);
        const int flags = fcntl(fd_, F_GETFL);
        if (flags < 0 || fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0)
            return fail("Cannot open file", errno);
        buffer_.reserve(kBufferSize);
        return true;
    }
    stream_ = false;

    const std::string folder = folderOf(target_);
    removeLeftTemporaryFilesOnce(folder);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath_ = temporaryName(folder);
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

bool AtomicFile::finish() {
    if (fd_ < 0) return notOpen();
    if (!flush()) return false;
    if (fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) return fail("Cannot write file", errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return fail("Cannot write file", errno);
    return true;
}

bool AtomicFile::commit() {
    if (!finish()) return false;
    if (stream_) return true;
    if (std::rename(tempPath_.c_str(), target_.c_str()) != 0) return fail("Cannot replace file", errno);
    tempPath_.clear();
    if (const int e = syncFolder(folderOf(target_)); e != 0) return fail("Cannot write file", e);
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

std::string replaceFilesTogether(const std::vector<std::pair<std::string, std::string>>& files,
                                 const std::vector<std::string>& removed) {
    // First every file whole on the disk beside its target; a failure here has changed nothing
    // (the files written so far are discarded with their AtomicFiles).
    std::vector<std::unique_ptr<AtomicFile>> written;
    for (const auto& [path, bytes] : files) {
        written.push_back(std::make_unique<AtomicFile>(path));
        AtomicFile& file = *written.back();
        if (!file.open() || !file.write(bytes) || !file.finish()) return file.error();
    }
    // Then into place. The files to be removed are moved aside under temporary names, and a
    // replaced file keeps a second link under one, so that a step that fails can put back every
    // file as it was; the names aside are deleted once all is in place.
    std::vector<std::function<void()>> undo;
    std::vector<std::string> aside;
    auto failed = [&](const std::string& what, const std::string& path, int e) {
        for (auto it = undo.rbegin(); it != undo.rend(); ++it) (*it)();
        for (const std::string& name : aside) ::unlink(name.c_str());
        return fileErrorText(what, path, e);
    };
    for (const std::string& path : removed) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
        const std::string name = temporaryName(folderOf(path));
        if (std::rename(path.c_str(), name.c_str()) != 0) return failed("Cannot remove file", path, errno);
        aside.push_back(name);
        undo.push_back([path, name] { (void)std::rename(name.c_str(), path.c_str()); });
    }
    // The last part first: until part 1 is in place a reader sees the older save's part 1.
    for (auto it = written.rbegin(); it != written.rend(); ++it) {
        AtomicFile& file = **it;
        if (file.stream_) continue;
        const std::string target = file.target_;
        struct stat st {};
        std::function<void()> putBack = [target] { ::unlink(target.c_str()); };
        if (lstat(target.c_str(), &st) == 0) {
            // Where a second link cannot be made (a file system without them) the old file
            // cannot be put back; it is replaced all the same.
            const std::string backup = temporaryName(folderOf(target));
            putBack = [] {};
            if (::link(target.c_str(), backup.c_str()) == 0) {
                aside.push_back(backup);
                putBack = [target, backup] { (void)std::rename(backup.c_str(), target.c_str()); };
            }
        }
        if (std::rename(file.tempPath_.c_str(), target.c_str()) != 0)
            return failed("Cannot replace file", file.path(), errno);
        file.tempPath_.clear();
        undo.push_back(putBack);
    }
    for (const std::string& name : aside) ::unlink(name.c_str());
    // The new names (and the removed ones) on the disk: each folder that changed is synced.
    std::vector<std::pair<std::string, std::string>> folders;  // folder, a path in it for the message
    for (const auto& file : written)
        if (!file->stream_) folders.emplace_back(folderOf(file->target_), file->path());
    for (const std::string& path : removed) folders.emplace_back(folderOf(path), path);
    std::set<std::string> synced;
    for (const auto& [folder, path] : folders)
        if (synced.insert(folder).second)
            if (const int e = syncFolder(folder); e != 0) return fileErrorText("Cannot write file", path, e);
    return {};
}

bool isSameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace zvl
