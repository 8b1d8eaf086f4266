#pragma once
// The display options: the sixteen input names and which inputs are shown, as the display
// options dialog edits them. The dialog holds nothing of its own: it shows the stored labels
// and flags, "Accept" stores what it shows, "Set All Active" changes the store at once.

#include <array>
#include <string>

#include "core/state.h"
#include "platform/modaldialog.h"
#include "platform/prompts.h"
#include "platform/viewhooks.h"

namespace zvl {

// The longest input label the dialog stores.
inline constexpr size_t kMaxInputLabelLength = 14;

struct DisplayOptions {
    std::array<std::string, kInputCount> labels{};
    std::array<bool, kInputCount> active{};
};

// "Accept": the labels (each cut to its first 14 characters, also one that came from a file
// and was not touched) and the active flags become the stored ones.
void acceptDisplayOptions(AppState& state, const DisplayOptions& shown);
// "Set All Active": every input shown, at once and for good (a Cancel afterwards keeps it).
void setAllInputsActive(AppState& state);
// Setup > "&Display..." and a click in the name column: the dialog; when it closes with OK
// the settings file is rewritten; the window is refreshed in every case.
void editDisplayOptions(AppState& state, Prompts& prompts, ViewHooks& view, ModalDialog& dialog,
                        const std::string& settingsPath);

}  // namespace zvl
