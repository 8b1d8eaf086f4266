#include "files/exportline.h"

#include <cstdio>

namespace zvl {

std::string exportDataLine(const AppState& state, int64_t index) {
    char head[64];
    std::snprintf(head, sizeof head, "%6lld, ", static_cast<long long>(index));
    std::string line = head;
    line += formatResultTime(state, index);
    std::snprintf(head, sizeof head, ", %12lld, ",
                  static_cast<long long>(index < 1 ? 0 : state.resultTime(index)));
    line += head;
    const uint16_t states = validSlot(index) ? state.store.results[size_t(index)].inputStates : 0;
    for (int input = 1; input <= kInputCount; ++input) line += (states & inputMask(input)) ? "1," : "0,";
    return line;
}

}  // namespace zvl
