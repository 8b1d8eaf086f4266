#include "core/state.h"

namespace zvl {

void setDefaultColours(AppState& state) {
    state.monochromePrinting = false;
    state.colours = ColourSlots{};
}

std::string formatResultTime(const AppState& state, int64_t index) {
    return formatTimeStamp(index < 1 ? 0 : state.resultTime(index));
}

}  // namespace zvl
