#pragma once
// The colours dialog's behaviour: six of the eight colour slots each have a button that offers
// the colour picker preset to the slot's colour; "Default" puts all eight back. Every change is
// stored at once (there is nothing to cancel) and reaches the settings file with the next
// writeSettings, not when the dialog closes.

#include <array>
#include <cstdint>
#include <optional>

#include "core/state.h"
#include "platform/modaldialog.h"
#include "platform/prompts.h"
#include "platform/viewhooks.h"

namespace zvl {

// The slots the dialog edits, in the order of its buttons: top row, then second row.
enum class ColourButton { On, Off, Change, HighlightOn, HighlightOff, Background };
inline constexpr std::array<ColourButton, 6> kColourButtons{
    ColourButton::On,          ColourButton::Off,          ColourButton::Change,
    ColourButton::HighlightOn, ColourButton::HighlightOff, ColourButton::Background};
const char* colourButtonCaption(ColourButton button);
uint32_t& colourSlot(ColourSlots& colours, ColourButton button);

inline constexpr const char* kDefaultColoursQuestion = "Set All Morvic ZVL Colours to Default Values ?";

// The system's colour picker: shows `current` first; the picked colour, or nothing when the
// user cancels.
class ColourPicker {
public:
    virtual ~ColourPicker() = default;
    virtual std::optional<uint32_t> pick(uint32_t current) = 0;
};

// A colour button: the picker on the slot's colour; a confirmed colour is stored. The window
// is refreshed either way, so the change shows behind the dialog at once.
void pickColour(AppState& state, ColourButton button, ColourPicker& picker, ViewHooks& view);
// "Default": asks, and on Yes runs setDefaultColours (all eight slots, monochrome off).
void askForDefaultColours(AppState& state, Prompts& prompts);
// Setup > "&Colours...": the dialog, then a window refresh. The settings file is not written.
void editColours(ModalDialog& dialog, ViewHooks& view);

}  // namespace zvl
