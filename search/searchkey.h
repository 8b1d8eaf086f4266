#pragma once
// The search key: one condition per input, edited in SearchKeyDialog (Tools > "&Search Key") or a
// step at a time in the key boxes of the trace view. What the dialog does, without the widgets.

#include <array>
#include <cstdint>
#include <optional>

#include "core/state.h"
#include "files/settings.h"
#include "platform/canvas.h"
#include "platform/modaldialog.h"
#include "platform/prompts.h"
#include "platform/viewhooks.h"

namespace zvl {

constexpr int kConditionCount = 5;
// The texts painted over the five choices of every group, in condition order.
extern const char* const kConditionLabels[kConditionCount];

// The choice a group shows for a stored condition: an unknown byte (a hand-edited settings
// file) shows as "Do Not Care", which is what the search makes of it.
int conditionChoice(uint8_t condition);

// "Accept": the chosen item of each group becomes the stored key.
void acceptSearchKey(AppState& state, const std::array<int, kInputCount>& choices);

// "Set ALL to "Do not Care"": clears the stored key itself, at once.
void setAllDoNotCare(AppState& state);

// The symbol of a condition: a 20 x 20 square at (x, 130) with a black outline, filled in the
// condition's level colour, with the left-half triangle of the level it changes from.
struct ConditionSymbol {
    uint32_t fill;
    std::optional<uint32_t> triangle;
};
ConditionSymbol conditionSymbol(int condition, const ColourSlots& colours);
void drawConditionSymbol(Canvas& canvas, int x, int condition, const ColourSlots& colours);

// Tools > "&Search Key" (editSearchKey): the dialog modally; the settings file is rewritten
// when it closes with "Accept"; the main window is refreshed in every case.
void editSearchKey(AppState& state, Prompts& prompts, ViewHooks& view, ModalDialog& searchKeyDialog,
                   const std::string& settingsPath = settingsFilePath());

}  // namespace zvl
