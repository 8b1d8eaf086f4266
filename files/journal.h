#pragma once
// The journal of a live recording: every result, as it is stored, goes to a file beside the
// store, so that whatever ends the program (a crash, a kill, a power cut) at most the last
// second of results is lost and the rest can be recovered.
//
// The file: a header, then blocks of records, all integers little-endian.
//   header  "ZVLJRNL\n", version (u32 = 1), body length (u32), the body, CRC-32 of all before it
//   body    kind (u8: window, collect, log), start (i64, PC time stamp: seconds since 2000,
//           local time), port, instrument serial number, title (each a string: u32 length and
//           its bytes), the comment lines (u32 count, then the strings), the 16 labels
//           (strings), the 16 active flags (one byte each, 1 = active)
//   block   number of records n (u32, 1..65535), index of its first record (i64), CRC-32 of
//           those 12 bytes and the records, then n records of 8 bytes in the instrument's
//           record order (files/recordbytes.h)
// Each block continues the one before it (its first index is the previous one's last + 1). A
// reader keeps every whole block whose checksum holds up to the first that does not (a torn
// write at a kill, a damaged sector) and cuts the rest: a damaged tail is never read as results.
//
// The writer buffers the results in memory; flushIfDue() writes them as one block a quarter of
// a second after the last write, and syncs what was written a second after the last sync. A
// recording calls it where a result is stored (a timer alone comes late on a busy machine) and
// from a timer (for results that stop coming). A kill loses what was not written (about a
// quarter of a second; the system keeps what was written), a power cut what was not synced
// (about a second): one sync a second at most, never one per result.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/resultstore.h"

namespace zvl {

// A journal's name ends so, never in .zvl: nothing takes a journal for a recording file.
inline constexpr const char* kJournalExtension = ".zvlj";

enum class JournalKind : uint8_t { Window = 0, Collect = 1, Log = 2 };

// What a recording started with.
struct JournalHeader {
    JournalKind kind = JournalKind::Window;
    int64_t startTime = 0;  // the PC's time stamp at the start (seconds since 2000, local time)
    std::string port;
    std::string serialNumber;
    std::string title;
    std::vector<std::string> commentLines;
    std::array<std::string, kInputCount> labels{};
    std::array<bool, kInputCount> active{};
    bool operator==(const JournalHeader&) const = default;
};

struct JournalContents {
    bool headerRead = false;  // false: no usable header (records is then empty)
    JournalHeader header;
    int64_t firstIndex = 1;             // the result index of records[0]
    std::vector<ResultRecord> records;  // every record of the whole blocks before any damage
    int64_t droppedRecords = 0;         // records in the tail that was cut (as far as it tells)
    int blocksCut = 0;                  // blocks, whole or torn, in that tail
    std::string problem;                // what was wrong, empty for an undamaged journal
};

// The journal in `bytes`; never fails: what cannot be read is said in `problem`.
JournalContents readJournal(std::string_view bytes);
// The journal file at `path`; a file that cannot be read is a problem ("Cannot open file ...").
JournalContents readJournalFile(const std::string& path);

// The encoded header, and a block of records first..first+count-1 (count 1..65535), as the
// writer writes them (also for making test and seed files).
std::string encodeJournalHeader(const JournalHeader& header);
std::string encodeJournalBlock(int64_t firstIndex, const ResultRecord* records, size_t count);

// $XDG_STATE_HOME/Pellam/journal (default ~/.local/state/Pellam/journal): the journals of the
// window and of zvl collect. The folder is made by the writer when it opens a journal there.
std::string defaultJournalFolder();
// A new journal's path in `folder`: "<kind>-<pid>-<start as yyyymmdd-hhmmss>.zvlj".
std::string newJournalPath(const std::string& folder, const JournalHeader& header);
// The journals (*.zvlj) in a folder, sorted by name; none when it does not exist.
std::vector<std::string> journalsInFolder(const std::string& folder);

// Writes one recording's journal. Toolkit-free; the caller's timer calls flush() once a second.
// A failure (full disk, no folder) is kept as error text and given once by takeError(); from
// then on the writer does nothing more (the recording goes on in memory).
class JournalWriter {
public:
    JournalWriter() = default;
    ~JournalWriter();  // closes the file and leaves it (a recording that was not saved)
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    // Creates (or replaces) the journal at `path`, making its folder when needed, with the
    // header alone, synced to the disk with its name. The first result appended will have the
    // index `firstIndex`. False on failure.
    bool open(const std::string& path, const JournalHeader& header, int64_t firstIndex = 1);
    // Buffers one result (in memory only).
    void append(const ResultRecord& record);
    // Writes the buffered results as one block (several above 65535) and syncs the data. True
    // when there was nothing to write or all of it is on the disk; false on the failure, and
    // quietly after it. With the caller's millisecond clock, it counts as flushIfDue's write and
    // sync.
    bool flush(std::optional<int64_t> nowMs = std::nullopt);
    // Writes the buffered results when kWriteEveryMs have passed (on the caller's millisecond
    // clock) since the last write made here, and syncs what is written when kSyncEveryMs have
    // passed since the last sync made here. The result as flush() gives it.
    bool flushIfDue(int64_t nowMs);
    static constexpr int64_t kWriteEveryMs = 250;
    static constexpr int64_t kSyncEveryMs = 1000;
    // Closes and deletes the journal (the recording was saved or printed whole).
    void remove();

    bool isOpen() const { return fd_ >= 0; }
    bool failed() const { return !error_.empty(); }
    const std::string& path() const { return path_; }
    // The failure's message the first time it is asked, then "" (it is said once).
    std::string takeError();
    int64_t nextIndex() const { return nextIndex_; }

private:
    bool fail(const std::string& what, int errorNumber);
    bool writePending();
    bool syncWritten();
    void close();

    std::string path_;
    std::vector<ResultRecord> pending_;    // the records not yet written
    int64_t nextIndex_ = 1;                // the index of the first pending record
    bool unsynced_ = false;                // written since the last sync
    int64_t lastWriteMs_ = INT64_MIN / 2;  // of flushIfDue(): the first results go at once
    int64_t lastSyncMs_ = INT64_MIN / 2;
    std::string error_;
    bool errorTaken_ = false;
    int fd_ = -1;
};

}  // namespace zvl
