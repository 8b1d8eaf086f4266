#pragma once
// A recording saved by Save As in part files (NAME_1.ZVL .. NAME_n.ZVL, see partFileName), read
// back as one recording. Parts of an older, longer save of the same name can be left beside a
// newer one (written by an older program, or a save killed while it put its parts in place),
// and a part can be copied in from elsewhere, so a part continues the recording only if every
// part before it holds exactly 32768 results, it carries the same comment lines, input labels
// and active flags as part 1, its title line the same time of saving as part 1's (a save gives
// all its parts one), and its first result is not earlier than the last of the part before;
// the read stops at the first part that does not.

#include <string>
#include <vector>

#include "core/state.h"
#include "platform/prompts.h"
#include "platform/viewhooks.h"

namespace zvl {

struct PartFiles {
    std::vector<std::string> paths;  // NAME_1 .. NAME_n, in order (a k between may be missing)
    size_t chosen = 0;               // the chosen part's place in paths
    std::string error;               // why they cannot be read as one; empty when they can
};

// The part files named like `chosen`: NAME_k with the chosen file's extension in its folder, k
// from 1 to the highest present. A chosen name that is not NAME_k.EXT, or one that does not
// exist, is an error naming the file.
PartFiles findPartFiles(const std::string& chosen);

// Reads the parts in order into one recording, while each continues the one before: the
// results of each after those of the one before (up to the store's 100000; `leftOut` counts the
// rest), the comments, labels and active flags they share, and the title of paths[describedBy]
// (of part 1 when that part is left out). The first part that does not continue and the parts
// after it are left out: `partsLeftOut` names those that exist and `whyLeftOut` says why. On
// success the store and the description are replaced; on failure (part 1 missing, a part of the
// recording that cannot be opened or read whole) nothing in `state` is changed and `error` names
// the part.
struct PartsRead {
    bool ok = false;
    std::string error;
    int64_t leftOut = 0;
    size_t partsLoaded = 0;
    std::vector<std::string> partsLeftOut;
    std::string whyLeftOut;
};
PartsRead readPartFiles(AppState& state, const std::vector<std::string>& paths, size_t describedBy);

// File > Open All Parts after its dialog: finds and reads the parts of `chosen`, then shows the
// recording as a loaded file is shown (time base fitted, first result, offline event mode). A
// failure is reported and changes nothing; parts left out and results beyond the store's are
// reported in one message (partsLeftOutMessage).
// "Loaded run_1.ZVL to run_2.ZVL as one recording; left out run_3.ZVL and run_4.ZVL, because
// run_2.ZVL holds 5 results, not 32768.", followed by the store's limit when results were left
// out too; empty when everything was loaded.
std::string partsLeftOutMessage(const PartsRead& read, const std::vector<std::string>& paths);

bool loadAllPartFiles(AppState& state, const std::string& chosen, Prompts& prompts, ViewHooks& view);

}  // namespace zvl
