#pragma once
// The Reopen list: four recording files, newest first (AppState::recentFiles, the captions of
// the menu entries N11, N21, N31, N41).

#include <string>

#include "core/state.h"

namespace zvl {

constexpr int kRecentFileCount = 4;

// A path already in the list (compared byte for byte, case-sensitively) changes nothing, not
// even its place; a new one becomes the newest and the oldest drops out.
void addRecentFile(AppState& state, const std::string& path);

}  // namespace zvl
