#include "files/recentfiles.h"

#include <algorithm>

namespace zvl {

void addRecentFile(AppState& state, const std::string& path) {
    auto& list = state.recentFiles;
    if (std::find(list.begin(), list.end(), path) != list.end()) return;
    std::move_backward(list.begin(), list.end() - 1, list.end());
    list[0] = path;
}

}  // namespace zvl
