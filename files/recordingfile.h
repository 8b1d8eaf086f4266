#pragma once
// The recording file (ZVL): a little-endian 16-bit count, the 8-byte records, the title line,
// ten comment lines and sixteen label lines (each ended by one carriage return), then sixteen
// input-active bytes. No magic, no checksum.

#include <cstdint>
#include <string>

#include "core/state.h"
#include "files/textio.h"
#include "platform/clock.h"
#include "platform/prompts.h"
#include "platform/viewhooks.h"

namespace zvl {

// Results per file; a longer recording is saved as part files of this many results.
constexpr int64_t kResultsPerFile = 32768;

inline constexpr const char* kRecordingTitlePrefix = "Corvask Pellam ZVL Data File : ";

// "Corvask Pellam ZVL Data File : " + path + two blanks + "d MMM yyyy - hh:nn:ss".
// The path is converted to Windows-1252, as every text in the file is.
std::string recordingTitleLine(const std::string& path, const LocalDateTime& when);

// The whole file holding results first..last (no results when last < first), with the given
// title line and the state's comment lines, labels and active flags. At most 65535 results
// (std::invalid_argument otherwise); first..last must be slots of the store.
std::string encodeRecordingFile(const AppState& state, int64_t first, int64_t last,
                                const std::string& titleLine);

// Writes results first..last (1-based) to the file named by state.saveFileName, replacing it
// safely. On success the generated title line becomes the title box's text. A failure is
// reported with the system's error text through prompts; the old file stays as it was.
bool writeRecordingFile(AppState& state, const Clock& clock, Prompts& prompts, int64_t first, int64_t last);

struct RecordingRead {
    enum Status { Complete, EndedEarly, ReadError } status = Complete;
    int64_t fileCount = 0;  // the count the file gives (before trailing empty results are dropped)
    std::string ioError;    // with ReadError: the system's error text
};

// The reading part of the load, from a store already cleared: the count, the records, the
// title, comment and label lines and the active flags, each field stored as soon as it is read.
// A complete read drops the empty results from the end; one that stops early keeps what it read
// with resultCount as the file's count, and leaves the fields it did not reach as they were.
RecordingRead readRecording(AppState& state, ByteSource& in);

// loadRecordingFile: replaces the store with the file's contents, then (whether or not the read
// succeeded) fits the time base, puts the view at the first result, sets recordingEndTime and
// the offline event mode and refreshes the window; a failure is reported after that. False on
// failure. `details` receives what the reader saw.
bool loadRecordingFile(AppState& state, const std::string& path, Prompts& prompts, ViewHooks& view,
                       RecordingRead* details = nullptr);

// What follows every load: fits the time base, puts the view at the first result, sets
// recordingEndTime and the offline event mode and refreshes the window.
void showLoadedRecording(AppState& state, ViewHooks& view);

// The time base a freshly opened recording is shown at: from index 3, the first whose 600
// pixels span more than the recording (at most index 19).
void fitTimebaseToRecording(AppState& state);

// "Go to First Result": result 1 under the cursor in both views, currentResult = -30 and
// viewStartTime = T(1) - nearest(seconds per pixel x 300).
void positionViewAtFirstResult(AppState& state);

}  // namespace zvl
