#include "files/textio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/atomicfile.h"

namespace zvl {

namespace {
constexpr size_t kReadBuffer = 1 << 16;
}

size_t MemorySource::read(void* dst, size_t n) {
    const size_t count = std::min(n, data_.size() - pos_);
    if (count) std::memcpy(dst, data_.data() + pos_, count);
    pos_ += count;
    return count;
}

FileSource::~FileSource() {
    if (fd_ >= 0) ::close(fd_);
}

bool FileSource::open(const std::string& path) {
    path_ = path;
    // Non-blocking, so that opening a pipe cannot wait for a writer; it is refused below.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        openError_ = fileErrorText("Cannot open file", path, errno);
        return false;
    }
    struct stat st {};
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int e = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        openError_ = S_ISDIR(st.st_mode) ? fileErrorText("Cannot open file", path, e)
                                         : "Cannot open file " + path + ": not a regular file";
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    buffer_ = std::make_unique<uint8_t[]>(kReadBuffer);
    return true;
}

bool FileSource::fill() {
    if (fd_ < 0 || errno_ != 0) return false;
    pos_ = end_ = 0;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer_.get(), kReadBuffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            errno_ = errno;
            return false;
        }
        end_ = size_t(n);
        return n > 0;
    }
}

size_t FileSource::read(void* dst, size_t n) {
    auto* out = static_cast<uint8_t*>(dst);
    size_t done = 0;
    while (done < n) {
        if (pos_ == end_ && !fill()) break;
        const size_t count = std::min(n - done, end_ - pos_);
        std::memcpy(out + done, buffer_.get() + pos_, count);
        pos_ += count;
        done += count;
    }
    return done;
}

int FileSource::get() {
    if (pos_ == end_ && !fill()) return -1;
    return buffer_[pos_++];
}

int FileSource::peek() {
    if (pos_ == end_ && !fill()) return -1;
    return buffer_[pos_];
}

std::string FileSource::error() const {
    return errno_ ? fileErrorText("Cannot read file", path_, errno_) : std::string();
}

bool readTextLine(ByteSource& in, std::string& line) {
    int c = in.get();
    if (c < 0) return false;
    std::string text;
    bool lastKept = false;
    for (;;) {
        lastKept = text.size() < kMaxKeptLine;
        if (lastKept) text += char(c);
        if (c == '\r') break;
        c = in.get();
        if (c < 0) break;
    }
    // The final byte read is dropped: the carriage return, or the last byte before the end.
    if (lastKept) text.pop_back();
    line = std::move(text);
    return true;
}

bool readTextFileLine(ByteSource& in, std::string& line, size_t* fullLength) {
    int c = in.get();
    if (c < 0) return false;
    std::string text;
    size_t length = 0;
    while (c >= 0 && c != '\n' && c != '\r') {
        if (text.size() < kMaxKeptLine) text += char(c);
        ++length;
        c = in.get();
    }
    if (c == '\r' && in.peek() == '\n') in.get();
    line = std::move(text);
    if (fullLength) *fullLength = length;
    return true;
}

}  // namespace zvl
