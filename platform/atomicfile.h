#pragma once
// Safe replacement of a file. Everything is written to a temporary file in the target's own
// folder, flushed to the disk, and renamed over the target only when all of it was written.
// A failed or interrupted save therefore leaves the file that was there as it was; the
// temporary file is removed on every path out. Temporary files have short names of this
// program's own (".zvl-save-PID-N.tmp"), so a target of any valid length can be saved; those
// left by a save that was killed are removed by this process's first save into the folder
// (once, not at every save: a folder can hold a great many files), and another program's
// temporary files are never touched. Only a plain file is replaced: a symbolic link is
// followed (its target is replaced, the link kept), and a device or a pipe is opened and
// written as it stands (a FIFO without a reader is refused at once rather than waited on).
// A name of an open descriptor of this process (/dev/stdout, /dev/fd/N, /proc/self/fd/N) is
// written through that descriptor itself, at its own position.
//
//     AtomicFile out(path);
//     if (!out.open() || !out.write(bytes) || !out.commit()) report(out.error());
//
// or, for a file built in memory, `std::string error = writeFileAtomically(path, bytes);`.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zvl {

// The message for a failed file operation: "<what> <path>: <the system's error text>",
// for example "Cannot create file /data/run.zvl: Permission denied".
std::string fileErrorText(const std::string& what, const std::string& path, int errorNumber);

class AtomicFile {
public:
    explicit AtomicFile(std::string path);
    ~AtomicFile();  // discards the temporary file unless commit() succeeded
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Create the temporary file. A new file gets the usual permissions (0666 less the umask);
    // a replaced file keeps its own. A symbolic link is followed: the file it names is replaced.
    // What is not a plain file is opened for writing instead, with no temporary file.
    bool open();
    // Append bytes (buffered). False once anything failed.
    bool write(std::string_view bytes);
    // Flush, sync, close and rename over the target, then sync the folder so that the new name
    // survives a power cut. False on failure: before the rename the target is untouched; a folder
    // that cannot be synced after it is a failed write too (a file system that cannot sync a
    // folder at all is not). What was written to a device or a pipe stays written.
    bool commit();
    // Give up: close and remove the temporary file.
    void discard();

    const std::string& path() const { return path_; }
    // What failed, with the system's error text; empty while nothing failed.
    const std::string& error() const { return error_; }

private:
    friend std::string replaceFilesTogether(const std::vector<std::pair<std::string, std::string>>& files,
                                            const std::vector<std::string>& removed);
    bool finish();  // flush, sync and close, the temporary file kept
    bool flush();
    bool fail(const std::string& what, int errorNumber);
    bool notOpen();

    std::string path_;    // the target as given (used in messages)
    std::string target_;  // the file actually replaced (the link's target for a symlink)
    std::string tempPath_;
    std::string buffer_;
    std::string error_;
    int fd_ = -1;
    bool stream_ = false;  // writing the target itself: a device, a pipe, an open descriptor
};

// Write `bytes` as the whole new content of `path` through an AtomicFile. Returns "" on
// success, else the error text.
std::string writeFileAtomically(const std::string& path, std::string_view bytes);

// Replace several files as one save (the part files of one recording): every (path, bytes) is
// written whole to its temporary file first, and only then are they all put in place and the
// `removed` files (the higher parts of an older save) removed, at the same moment. A failure
// at any step leaves every file as it was (a device or a pipe among `files` is written as it
// stands). The folders are synced once all is in place (a failure there is a failed save, with
// the files already in place). Returns "" on success, else the error text of the first failure.
std::string replaceFilesTogether(const std::vector<std::pair<std::string, std::string>>& files,
                                 const std::vector<std::string>& removed);

// Puts a rename or an unlink in `folder` on the disk (a power cut can lose a new name until the
// folder is synced). 0, or the error number; a file system that cannot sync a folder is not a
// failure.
int syncFolder(const std::string& folder);

// True when both paths name the same existing file (same device and inode, links followed).
bool isSameFile(const std::string& a, const std::string& b);

}  // namespace zvl
