#pragma once
// The settings file: 66 positional lines, CR LF, no keys. Read once at start-up, rewritten whole
// whenever a setting may have changed. It lives at $XDG_CONFIG_HOME/Pellam/Pellam.ini.

#include <string>
#include <string_view>

#include "core/state.h"
#include "platform/prompts.h"
#include "platform/viewhooks.h"

namespace zvl {

inline constexpr const char* kSettingsVersionLine = "1.51 5th February 2014";
inline constexpr const char* kIniErrorText = "INI File Error. Defaults Loaded";
inline constexpr const char* kIniWriteErrorText = "Default File Write Error";
inline constexpr int kSettingsLineCount = 66;

std::string settingsFilePath();
// The data folder's default: ~/Pellam.
std::string defaultDataDirectory();

// The 66 lines of the current values.
std::string encodeSettings(const AppState& state);

// Reads the lines into the state, in order. Returns false at the first line that is missing or
// does not parse; the values read before it stay. Values the program cannot use are brought
// into range: a time base outside 0..19 becomes 5, the mode keeps its two low bits, a colour
// its low 24 bits.
bool decodeSettings(std::string_view bytes, AppState& state);

enum class SettingsRead { Complete, Unreadable, Incomplete };
// Reads the file: Unreadable when it cannot be opened, Incomplete when a line is missing or
// does not parse (the values before it are kept).
SettingsRead loadSettingsFile(const std::string& path, AppState& state);

// The defaults: labels "Channel n" all shown, data folder, search key cleared, default
// colours, offline event mode; the view shows them, then the warning and the port prompt.
void loadDefaultSettings(AppState& state, Prompts& prompts, ViewHooks& view);

// "Select Comport [1..4]" until the answer's last character is 1..4.
void firstRunPortPrompt(AppState& state, Prompts& prompts);

// Rewrites the whole file (folder created when missing, written to a temporary file and
// renamed). On failure shows "Default File Write Error" and returns false.
bool writeSettings(const AppState& state, Prompts& prompts, const std::string& path = settingsFilePath());

}  // namespace zvl
