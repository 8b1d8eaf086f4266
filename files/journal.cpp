#include "files/journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "core/timerules.h"
#include "files/recordbytes.h"
#include "platform/atomicfile.h"

namespace zvl {

namespace {

constexpr std::string_view kMagic = "ZVLJRNL\n";
constexpr uint32_t kVersion = 1;
constexpr size_t kBlockHeaderBytes = 16;  // count u32, first index i64, CRC-32 u32
constexpr uint32_t kMaxBlockRecords = 65535;
constexpr uint32_t kMaxHeaderBody = 1 << 20;  // far above any real header; a bound for damage

uint32_t crc32(std::string_view bytes, uint32_t crc = 0) {
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (unsigned char b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void putU32(std::string& out, uint32_t v) {
    for (int k = 0; k < 4; ++k) out += char((v >> (8 * k)) & 0xFF);
}
void putI64(std::string& out, int64_t v) {
    for (int k = 0; k < 8; ++k) out += char((uint64_t(v) >> (8 * k)) & 0xFF);
}
void putString(std::string& out, const std::string& s) {
    putU32(out, uint32_t(s.size()));
    out += s;
}

// Reads little-endian fields from a piece of the file; once a read runs past the end, every
// later read fails too.
class Fields {
public:
    explicit Fields(std::string_view bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }
    size_t position() const { return at_; }
    uint64_t number(int size) {
        if (!take(size_t(size))) return 0;
        uint64_t v = 0;
        for (int k = 0; k < size; ++k)
            v |= uint64_t(uint8_t(bytes_[at_ - size_t(size) + size_t(k)])) << (8 * k);
        return v;
    }
    std::string text() {
        const uint64_t n = number(4);
        if (!take(n)) return {};
        return std::string(bytes_.substr(at_ - n, n));
    }

private:
    bool take(uint64_t n) {
        if (!ok_ || n > bytes_.size() - at_) return ok_ = false;
        at_ += size_t(n);
        return true;
    }
    std::string_view bytes_;
    size_t at_ = 0;
    bool ok_ = true;
};

bool readHeaderBody(std::string_view body, JournalHeader& h) {
    Fields f(body);
    const uint64_t kind = f.number(1);
    h.kind = JournalKind(kind);
    h.startTime = int64_t(f.number(8));
    h.port = f.text();
    h.serialNumber = f.text();
    h.title = f.text();
    const uint64_t comments = f.number(4);
    for (uint64_t k = 0; f.ok() && k < comments; ++k) h.commentLines.push_back(f.text());
    for (std::string& label : h.labels) label = f.text();
    for (bool& active : h.active) active = f.number(1) == 1;
    return f.ok() && kind <= 2 && f.position() == body.size();
}

struct BlockHead {
    uint32_t count = 0;
    int64_t first = 0;
    uint32_t crc = 0;
};

BlockHead blockHeadAt(std::string_view bytes) {
    Fields f(bytes);
    BlockHead b;
    b.count = uint32_t(f.number(4));
    b.first = int64_t(f.number(8));
    b.crc = uint32_t(f.number(4));
    return b;
}

// A whole block with a good checksum at `at`, continuing at index `first` (any index >= 1 when
// first is 0).
bool goodBlockAt(std::string_view bytes, size_t at, int64_t first, BlockHead& b) {
    if (bytes.size() - at < kBlockHeaderBytes) return false;
    b = blockHeadAt(bytes.substr(at, kBlockHeaderBytes));
    if (b.count < 1 || b.count > kMaxBlockRecords) return false;
    if (first > 0 ? b.first != first : (b.first < 1 || b.first > kLastSlot)) return false;
    const size_t size = kBlockHeaderBytes + size_t(b.count) * kRecordBytes;
    if (bytes.size() - at < size) return false;
    const uint32_t crc =
        crc32(bytes.substr(at + kBlockHeaderBytes, size - kBlockHeaderBytes), crc32(bytes.substr(at, 12)));
    return crc == b.crc;
}

// How much the damaged tail from `at` held, as far as it can be told. A block whose header
// reads and is followed by the next block's header counts its records; otherwise the next good
// block further on tells by its first index how many records lay between; otherwise a header
// that reads counts the records whose bytes are there (a block torn at the end), and bytes that
// are no block count as records of 8.
void measureCutTail(std::string_view bytes, size_t at, int64_t expected, JournalContents& out) {
    while (at < bytes.size()) {
        ++out.blocksCut;
        const size_t left = bytes.size() - at;
        BlockHead b;
        if (left >= kBlockHeaderBytes) b = blockHeadAt(bytes.substr(at, kBlockHeaderBytes));
        const bool reads =
            left >= kBlockHeaderBytes && b.count >= 1 && b.count <= kMaxBlockRecords && b.first == expected;
        const size_t recordBytes =
            reads ? std::min(left - kBlockHeaderBytes, size_t(b.count) * kRecordBytes) : 0;
        const size_t end = at + kBlockHeaderBytes + recordBytes;
        const auto recordsIn = [](size_t n) { return int64_t((n + kRecordBytes - 1) / kRecordBytes); };
        if (reads && bytes.size() - end >= kBlockHeaderBytes &&
            blockHeadAt(bytes.substr(end, kBlockHeaderBytes)).first == expected + b.count) {
            out.droppedRecords += recordsIn(recordBytes);
            at = end;
            expected += b.count;
            continue;
        }
        bool found = false;
        for (size_t next = at + 1; !found && next + kBlockHeaderBytes <= bytes.size(); ++next) {
            BlockHead good;
            if (goodBlockAt(bytes, next, 0, good) && good.first > expected) {
                out.droppedRecords += good.first - expected;
                expected = good.first;
                at = next;
                found = true;
            }
        }
        if (found) continue;
        if (!reads) {
            out.droppedRecords += recordsIn(left);
            return;
        }
        out.droppedRecords += recordsIn(recordBytes);
        at = end;
        expected += b.count;
    }
}

}  // namespace

std::string encodeJournalHeader(const JournalHeader& h) {
    std::string body;
    body += char(uint8_t(h.kind));
    putI64(body, h.startTime);
    putString(body, h.port);
    putString(body, h.serialNumber);
    putString(body, h.title);
    putU32(body, uint32_t(h.commentLines.size()));
    for (const std::string& line : h.commentLines) putString(body, line);
    for (const std::string& label : h.labels) putString(body, label);
    for (bool active : h.active) body += char(active ? 1 : 0);
    std::string out(kMagic);
    putU32(out, kVersion);
    putU32(out, uint32_t(body.size()));
    out += body;
    putU32(out, crc32(out));
    return out;
}

std::string encodeJournalBlock(int64_t firstIndex, const ResultRecord* records, size_t count) {
    std::string out;
    out.reserve(kBlockHeaderBytes + count * kRecordBytes);
    putU32(out, uint32_t(count));
    putI64(out, firstIndex);
    std::string data;
    data.reserve(count * kRecordBytes);
    for (size_t k = 0; k < count; ++k) appendRecordBytes(data, records[k]);
    putU32(out, crc32(data, crc32(out)));
    return out + data;
}

JournalContents readJournal(std::string_view bytes) {
    JournalContents out;
    if (bytes.empty()) {
        out.problem = "the file is empty";
        return out;
    }
    if (bytes.size() < kMagic.size() || bytes.substr(0, kMagic.size()) != kMagic) {
        out.problem = "the file is not a journal";
        return out;
    }
    Fields f(bytes.substr(kMagic.size()));
    const uint64_t version = f.number(4);
    const uint64_t bodySize = f.number(4);
    if (f.ok() && version != kVersion) {
        out.problem = "the journal is of another version (" + std::to_string(version) + ")";
        return out;
    }
    const size_t headerSize = kMagic.size() + 8 + size_t(std::min<uint64_t>(bodySize, kMaxHeaderBody)) + 4;
    if (!f.ok() || bodySize > kMaxHeaderBody || bytes.size() < headerSize) {
        out.problem = "the journal's header is cut short";
        return out;
    }
    const std::string_view body = bytes.substr(kMagic.size() + 8, size_t(bodySize));
    const uint32_t stored = uint32_t(Fields(bytes.substr(headerSize - 4, 4)).number(4));
    if (crc32(bytes.substr(0, headerSize - 4)) != stored || !readHeaderBody(body, out.header)) {
        out.header = {};
        out.problem = "the journal's header is damaged";
        return out;
    }
    out.headerRead = true;

    size_t at = headerSize;
    int64_t expected = 0;  // the first block sets where the records start
    BlockHead b;
    while (at < bytes.size()) {
        if (!goodBlockAt(bytes, at, expected, b) || b.first + int64_t(b.count) - 1 > kLastSlot) break;
        if (expected == 0) out.firstIndex = b.first;
        const size_t data = at + kBlockHeaderBytes;
        for (size_t k = 0; k < b.count; ++k)
            out.records.push_back(
                recordFromBytes(reinterpret_cast<const uint8_t*>(bytes.data()) + data + k * kRecordBytes));
        expected = b.first + b.count;
        at = data + size_t(b.count) * kRecordBytes;
    }
    if (at < bytes.size()) {
        measureCutTail(bytes, at, expected == 0 ? out.firstIndex : expected, out);
        out.problem = "a damaged tail was cut: " + std::to_string(out.droppedRecords) + " records in " +
                      std::to_string(out.blocksCut) + (out.blocksCut == 1 ? " block" : " blocks");
    }
    return out;
}

JournalContents readJournalFile(const std::string& path) {
    JournalContents out;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        out.problem = fileErrorText("Cannot open file", path, errno);
        return out;
    }
    std::string bytes;
    char buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
    const int readError = std::ferror(file) ? errno : 0;
    std::fclose(file);
    if (readError != 0) {
        out.problem = fileErrorText("Cannot read file", path, readError);
        return out;
    }
    return readJournal(bytes);
}

std::string defaultJournalFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return std::string(state) + "/Pellam/journal";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/state/Pellam/journal";
}

std::string newJournalPath(const std::string& folder, const JournalHeader& header) {
    static const char* const kinds[] = {"window", "collect", "log"};
    const LocalDateTime t = dateTimeFromTimeStamp(header.startTime);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", t.year % 10000, t.month, t.day, t.hour,
                  t.minute, t.second);
    return folder + "/" + kinds[std::min<size_t>(size_t(header.kind), 2)] + "-" + std::to_string(getpid()) +
           "-" + stamp + kJournalExtension;
}

std::vector<std::string> journalsInFolder(const std::string& folder) {
    std::vector<std::string> found;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return found;
    const std::string ext = kJournalExtension;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() > ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0)
            found.push_back(folder + "/" + name);
    }
    closedir(dir);
    std::sort(found.begin(), found.end());
    return found;
}

JournalWriter::~JournalWriter() {
    close();
}

bool JournalWriter::fail(const std::string& what, int errorNumber) {
    if (error_.empty()) error_ = fileErrorText(what, path_, errorNumber);
    close();
    pending_.clear();
    return false;
}

void JournalWriter::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool JournalWriter::open(const std::string& path, const JournalHeader& header, int64_t firstIndex) {
    close();
    path_ = path;
    unsynced_ = false;
    error_.clear();
    errorTaken_ = false;
    pending_.clear();
    nextIndex_ = firstIndex;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code ec;
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    if (ec) {
        error_ = fileErrorText("Cannot create folder", folder.string(), ec.value());
        return false;
    }
    // The header goes in place as a whole file (synced, with its name), then is appended to.
    if (std::string e = writeFileAtomically(path, encodeJournalHeader(header)); !e.empty()) {
        error_ = e;
        return false;
    }
    fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd_ < 0) return fail("Cannot open file", errno);
    return true;
}

void JournalWriter::append(const ResultRecord& record) {
    if (fd_ < 0) return;
    pending_.push_back(record);
}

bool JournalWriter::flush(std::optional<int64_t> nowMs) {
    if (fd_ < 0) return error_.empty();
    if (nowMs) lastWriteMs_ = lastSyncMs_ = *nowMs;
    return writePending() && syncWritten();
}

bool JournalWriter::flushIfDue(int64_t nowMs) {
    if (fd_ < 0) return error_.empty();
    if (!pending_.empty() && nowMs - lastWriteMs_ >= kWriteEveryMs) {
        lastWriteMs_ = nowMs;
        if (!writePending()) return false;
    }
    if (unsynced_ && nowMs - lastSyncMs_ >= kSyncEveryMs) {
        lastSyncMs_ = nowMs;
        return syncWritten();
    }
    return true;
}

bool JournalWriter::writePending() {
    if (pending_.empty()) return true;
    std::string blocks;
    for (size_t done = 0; done < pending_.size();) {
        const size_t count = std::min<size_t>(pending_.size() - done, kMaxBlockRecords);
        blocks += encodeJournalBlock(nextIndex_ + int64_t(done), pending_.data() + done, count);
        done += count;
    }
    for (size_t done = 0; done < blocks.size();) {
        const ssize_t n = ::write(fd_, blocks.data() + done, blocks.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail("Cannot write file", errno);
        done += size_t(n);
    }
    nextIndex_ += int64_t(pending_.size());
    pending_.clear();
    unsynced_ = true;
    return true;
}

bool JournalWriter::syncWritten() {
    if (!unsynced_) return true;
    if (fdatasync(fd_) != 0 && errno != EINVAL && errno != EROFS) return fail("Cannot write file", errno);
    unsynced_ = false;
    return true;
}

void JournalWriter::remove() {
    close();
    pending_.clear();
    if (!path_.empty()) ::unlink(path_.c_str());
}

std::string JournalWriter::takeError() {
    if (error_.empty() || errorTaken_) return {};
    errorTaken_ = true;
    return error_;
}

}  // namespace zvl
