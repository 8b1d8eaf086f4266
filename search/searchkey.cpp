#include "search/searchkey.h"

#include "files/settings.h"

namespace zvl {

const char* const kConditionLabels[kConditionCount] = {"Do Not Care", "On", "Off", "High to Low",
                                                       "Low to High"};

namespace {
constexpr uint32_t kSymbolSilver = rgb(0xC0, 0xC0, 0xC0);
constexpr uint32_t kSymbolOutline = rgb(0, 0, 0);
}  // namespace

int conditionChoice(uint8_t condition) {
    return condition <= LowToHigh ? int(condition) : int(DoNotCare);
}

void acceptSearchKey(AppState& state, const std::array<int, kInputCount>& choices) {
    for (size_t i = 0; i < choices.size(); ++i)
        state.searchKey[i] =
            uint8_t(choices[i] >= 0 && choices[i] < kConditionCount ? choices[i] : DoNotCare);
}

void setAllDoNotCare(AppState& state) {
    state.searchKey.fill(DoNotCare);
}

ConditionSymbol conditionSymbol(int condition, const ColourSlots& colours) {
    switch (condition) {
        case On:
            return {colours.onColour, std::nullopt};
        case Off:
            return {colours.offColour, std::nullopt};
        case HighToLow:
            return {colours.offColour, colours.onColour};
        case LowToHigh:
            return {colours.onColour, colours.offColour};
        default:
            return {kSymbolSilver, std::nullopt};
    }
}

void drawConditionSymbol(Canvas& canvas, int x, int condition, const ColourSlots& colours) {
    const ConditionSymbol symbol = conditionSymbol(condition, colours);
    canvas.setPenWidth(1);
    canvas.setPenColour(kSymbolOutline);
    canvas.setFillColour(symbol.fill);
    canvas.rectangle(x, 130, x + 20, 150);
    if (symbol.triangle) {
        canvas.setFillColour(*symbol.triangle);
        canvas.polygon({{x, 130}, {x + 11, 139}, {x, 148}});
    }
}

void editSearchKey(AppState& state, Prompts& prompts, ViewHooks& view, ModalDialog& searchKeyDialog,
                   const std::string& settingsPath) {
    if (searchKeyDialog.runModal()) writeSettings(state, prompts, settingsPath);
    view.refreshWindow();
}

}  // namespace zvl
