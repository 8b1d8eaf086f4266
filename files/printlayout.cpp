#include "files/printlayout.h"

#include <cmath>

#include "core/state.h"

namespace zvl {

std::optional<PrintPage> printPage(int width, int height, const AppState& state,
                                   const std::function<int(const std::string&)>& boldWidth) {
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535) return std::nullopt;
    PrintPage page;
    page.sx = width / 660.0;
    page.sy = height / 1000.0;
    page.halfPage = width / 2;
    const int pictureTop = PrintPage::kTop + 3 * PrintPage::kLineStep;
    // Nearest integer, halves to the even neighbour (the default rounding mode).
    page.picture = {PrintPage::kLeft, pictureTop, PrintPage::kLeft + int(std::nearbyint(600 * page.sx)),
                    pictureTop + int(std::nearbyint(300 * page.sy))};

    const int below = page.picture.bottom;
    const std::string eventLine =
        formatResultTime(state, state.cursorResult) + "   Event: " + std::to_string(state.cursorResult);
    // Integer division truncates toward zero, as the centring asks.
    page.texts.push_back({PrintPage::kLeft + page.halfPage - boldWidth(eventLine) / 2,
                          below + PrintPage::kLineStep, eventLine, true});
    page.texts.push_back({PrintPage::kLeft, PrintPage::kTop, kPrintCaption, true});
    page.texts.push_back({PrintPage::kLeft, below + 2 * PrintPage::kLineStep, state.recordingTitle, false});
    int y = below + 3 * PrintPage::kLineStep;
    for (size_t k = 0; k < 10; ++k) {
        if (state.commentLines[k].empty()) continue;  // empty lines take no space
        page.texts.push_back({PrintPage::kLeft, y, state.commentLines[k], false});
        y += PrintPage::kLineStep;
    }
    return page;
}

}  // namespace zvl
