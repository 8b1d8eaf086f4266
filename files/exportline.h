#pragma once
// One data line of the CSV/TXT export (also what `zvl collect` prints per result):
// index padded to 6, ", ", "d mmm yy hh:nn:ss", ", ", seconds padded to 12, ", ", sixteen "1,"/"0,".

#include <cstdint>
#include <string>

#include "core/state.h"

namespace zvl {

std::string exportDataLine(const AppState& state, int64_t index);
// The line of result `index` with its time and input states (index 0: time 0).
std::string exportDataLine(int64_t index, int64_t time, uint16_t states);

}  // namespace zvl
