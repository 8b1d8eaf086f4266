#include "viewer/colouroptions.h"

namespace zvl {

const char* colourButtonCaption(ColourButton button) {
    switch (button) {
        case ColourButton::On:
            return "On";
        case ColourButton::Off:
            return "Off";
        case ColourButton::Change:
            return "Change";
        case ColourButton::HighlightOn:
            return "Highlight On";
        case ColourButton::HighlightOff:
            return "Highlight Off";
        case ColourButton::Background:
            return "Background";
    }
    return "";
}

uint32_t& colourSlot(ColourSlots& colours, ColourButton button) {
    switch (button) {
        case ColourButton::On:
            return colours.onColour;
        case ColourButton::Off:
            return colours.offColour;
        case ColourButton::Change:
            return colours.changeColour;
        case ColourButton::HighlightOn:
            return colours.highlightOnColour;
        case ColourButton::HighlightOff:
            return colours.highlightOffColour;
        case ColourButton::Background:
            break;
    }
    return colours.backgroundColour;
}

void pickColour(AppState& state, ColourButton button, ColourPicker& picker, ViewHooks& view) {
    uint32_t& slot = colourSlot(state.colours, button);
    if (const std::optional<uint32_t> picked = picker.pick(slot)) slot = *picked & 0xFFFFFFu;
    view.refreshWindow();
}

void askForDefaultColours(AppState& state, Prompts& prompts) {
    if (prompts.confirm(kDefaultColoursQuestion, IfEscaped::No)) setDefaultColours(state);
}

void editColours(ModalDialog& dialog, ViewHooks& view) {
    dialog.runModal();
    view.refreshWindow();
}

}  // namespace zvl
