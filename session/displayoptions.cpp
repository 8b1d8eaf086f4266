#include "session/displayoptions.h"

#include "files/settings.h"

namespace zvl {

void acceptDisplayOptions(AppState& state, const DisplayOptions& shown) {
    for (size_t i = 0; i < size_t(kInputCount); ++i) {
        state.inputLabels[i] = shown.labels[i].substr(0, kMaxInputLabelLength);
        state.inputActive[i] = shown.active[i];
    }
}

void setAllInputsActive(AppState& state) {
    state.inputActive.fill(true);
}

void editDisplayOptions(AppState& state, Prompts& prompts, ViewHooks& view, ModalDialog& dialog,
                        const std::string& settingsPath) {
    if (dialog.runModal()) writeSettings(state, prompts, settingsPath);
    view.refreshWindow();
}

}  // namespace zvl
