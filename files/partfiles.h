#pragma once
// A recording saved by Save As in part files (NAME_1.ZVL .. NAME_n.ZVL, see partFileName), read
// back as one recording.

#include <string>
#include <vector>

#include "core/state.h"
#include "platform/prompts.h"
#include "platform/viewhooks.h"

namespace zvl {

struct PartFiles {
    std::vector<std::string> paths;  // NAME_1 .. NAME_n, in order
    size_t chosen = 0;               // the chosen part's place in paths
    std::string error;               // why they cannot be read as one; empty when they can
};

// The parts of the recording `chosen` is a part of: every NAME_k with the chosen file's
// extension in its folder, k from 1 to the highest present. A chosen name that is not
// NAME_k.EXT, or a k missing between 1 and the highest, is an error naming the file.
PartFiles findPartFiles(const std::string& chosen);

// Reads the parts in order into one recording: the results of each after those of the one
// before (up to the store's 100000; `leftOut` counts the rest), the title, comments, labels and
// active flags of paths[describedBy]. On success the store and the description are replaced;
// on failure (a part that cannot be opened or read whole) nothing in `state` is changed and
// `error` names the part.
struct PartsRead {
    bool ok = false;
    std::string error;
    int64_t leftOut = 0;
};
PartsRead readPartFiles(AppState& state, const std::vector<std::string>& paths, size_t describedBy);

// File > Open All Parts after its dialog: finds and reads the parts of `chosen`, then shows the
// recording as a loaded file is shown (time base fitted, first result, offline event mode). A
// failure is reported and changes nothing; results beyond the store's are reported too.
bool loadAllPartFiles(AppState& state, const std::string& chosen, Prompts& prompts, ViewHooks& view);

}  // namespace zvl
