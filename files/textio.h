#pragma once
// Reading the program's files: a byte source over a file or over memory (the fuzz tests and
// the benchmarks feed the readers from memory), and the two kinds of text line.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zvl {

// Longest text line kept by the readers. The rest of a longer line is read past up to its end
// and dropped, so a file without line ends cannot fill memory.
constexpr size_t kMaxKeptLine = 65536;

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Copy up to n bytes to dst; returns how many were copied (fewer only at the end or on an
    // error). After a short read, error() tells an I/O error from the end of the data.
    virtual size_t read(void* dst, size_t n) = 0;
    // One byte, or -1 at the end (or on an error).
    virtual int get() = 0;
    // The next byte without taking it, or -1.
    virtual int peek() = 0;
    // The system's error text of a failed read ("" at the plain end of the data).
    virtual std::string error() const { return {}; }
};

class MemorySource final : public ByteSource {
public:
    // The data is not copied: it must outlive the source.
    explicit MemorySource(std::string_view data) : data_(data) {}
    explicit MemorySource(std::string&&) = delete;
    size_t read(void* dst, size_t n) override;
    int get() override { return pos_ < data_.size() ? uint8_t(data_[pos_++]) : -1; }
    int peek() override { return pos_ < data_.size() ? uint8_t(data_[pos_]) : -1; }

private:
    std::string_view data_;
    size_t pos_ = 0;
};

// A regular file opened for reading; closed by the destructor on every path.
class FileSource final : public ByteSource {
public:
    FileSource() = default;
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    // Open for reading. Anything but a regular file (a folder, a device, a pipe) is refused,
    // so a reader can never block or read without end. On failure openError() is the message.
    bool open(const std::string& path);
    const std::string& openError() const { return openError_; }

    size_t read(void* dst, size_t n) override;
    int get() override;
    int peek() override;
    std::string error() const override;

private:
    bool fill();
    int fd_ = -1;
    std::string path_;
    std::unique_ptr<uint8_t[]> buffer_;
    size_t pos_ = 0, end_ = 0;
    int errno_ = 0;
    std::string openError_;
};

// A line of the recording file, ended by one carriage return. Reads one byte at a time until a
// carriage return has been read or the data ends, and returns what was read without its final
// byte (the carriage return, or the last byte of a line cut off by the end). False, with the
// line untouched, when the data had already ended: there was no line to read.
bool readTextLine(ByteSource& in, std::string& line);

// A line of a CR LF text file (settings-only file, CSV import): ended by CR LF, LF or a lone
// CR; the last line needs no line end. False when the data had already ended. `fullLength`
// receives the line's length before any cut at kMaxKeptLine.
bool readTextFileLine(ByteSource& in, std::string& line, size_t* fullLength = nullptr);

}  // namespace zvl
