#pragma once
// Save as Binary File: results 1..resultCount as bare 8-byte records in the instrument's order,
// nothing before or after them. The program never reads such a file back.

#include <string>

#include "core/state.h"

namespace zvl {

// The file's bytes: 8 x resultCount of them (none for an empty store).
std::string binaryFileBytes(const AppState& state);

}  // namespace zvl
