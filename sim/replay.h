#pragma once
// zvl-sim --replay FILE.csv: the live results to play, read from a CSV file.

#include <optional>
#include <string>
#include <vector>

#include "sim/engine.h"

namespace zvl::sim {

// One line per result, "SECONDS,WORD": SECONDS from the start of live collection (a decimal
// number, up to three decimals, never less than the line before, at most 31622400), WORD
// the sixteen inputs (decimal 0..65535 or hexadecimal 0x0000..0xFFFF; bit 0 is input 1).
// Spaces around a field, blank lines, lines starting with # and a first line that does not
// start with a digit (a header) are passed over; CR LF line ends are taken. At most
// kMaxReplayLines results. Returns the error ("FILE line N: ...") or nullopt.
constexpr size_t kMaxReplayLines = 1'000'000;
std::optional<std::string> parseReplay(const std::string& text, const std::string& name,
                                       std::vector<ReplayStep>& out);
std::optional<std::string> readReplayFile(const std::string& path, std::vector<ReplayStep>& out);

}  // namespace zvl::sim
