#include "files/exportline.h"

#include <cstdio>

namespace zvl {

std::string exportDataLine(const AppState& state, int64_t index) {
    const uint16_t states = validSlot(index) ? state.store.results[size_t(index)].inputStates : 0;
    return exportDataLine(index, index < 1 ? 0 : state.resultTime(index), states);
}

std::string exportDataLine(int64_t index, int64_t time, uint16_t states) {
    char head[64];
    std::snprintf(head, sizeof head, "%6lld, ", static_cast<long long>(index));
    std::string line = head;
    line += formatTimeStamp(index < 1 ? 0 : time);
    std::snprintf(head, sizeof head, ", %12lld, ", static_cast<long long>(index < 1 ? 0 : time));
    line += head;
    for (int input = 1; input <= kInputCount; ++input) line += (states & inputMask(input)) ? "1," : "0,";
    return line;
}

}  // namespace zvl
