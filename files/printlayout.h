#pragma once
// The printed page of File > "&Print...", in the printer's device units with the origin at the
// top left of the printable page: the trace picture stretched into a rectangle whose width and
// height follow the page, and around it text at fixed distances (the margins and the line
// step are device units whatever the printer's resolution).

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zvl {

struct AppState;

// The main window's caption, printed above the picture.
inline constexpr const char* kPrintCaption = "Corvask Pellam-ZVL";

struct PageRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const PageRect&) const = default;
};

struct PrintedText {
    int x = 0, y = 0;  // top left of the text
    std::string text;  // Windows-1252
    bool bold = false;
    bool operator==(const PrintedText&) const = default;
};

struct PrintPage {
    static constexpr int kLeft = 200, kTop = 100, kLineStep = 150;
    double sx = 0, sy = 0;           // W / 660, H / 1000
    int halfPage = 0;                // W / 2, truncated
    PageRect picture;                // (200, 550) to (200 + round(600 sx), 550 + round(300 sy))
    std::vector<PrintedText> texts;  // event line, caption, title, comment lines, in print order
};

// The page for a printable area of width x height device units, with the text of `state`:
// the event line (cursor result's time and number, centred on 200 + W / 2 by `boldWidth`,
// the width of a text in the bold font), the caption, the title and the first ten comment
// lines that are not empty, one line step apart. Nothing for a page wider or higher than
// 65535 units or with no area.
std::optional<PrintPage> printPage(int width, int height, const AppState& state,
                                   const std::function<int(const std::string&)>& boldWidth);

}  // namespace zvl
