#pragma once
// The settings-only file (STG): the description of a recording without its results, 45 text
// lines ended by CR LF: the header, an empty line, the title, ten comment lines, sixteen
// "TRUE"/"FALSE" active flags and sixteen labels.

#include <string>

#include "core/state.h"
#include "files/textio.h"

namespace zvl {

inline constexpr const char* kSettingsOnlyHeader = "Corvask Pellam STG Settings Only File  ";

// The file's text. Line 1 is the header, then the path (as Windows-1252) and the date with
// nothing between them.
std::string settingsOnlyText(const AppState& state, const std::string& path, const LocalDateTime& when);

// Reads a settings-only file into the comment lines, the active flags and the labels; the
// header, the empty line and the title are read and ignored. Stops at the first failure (the
// data ends, an empty flag line) and returns false; fields read before it keep their new
// values. A flag line starting with F or f means inactive, anything else active.
bool readSettingsOnly(AppState& state, ByteSource& in);

}  // namespace zvl
