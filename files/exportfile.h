#pragma once
// The CSV/TXT export: 15 header lines and one data line per slot 0..resultCount, CR LF.

#include <functional>
#include <string>
#include <string_view>

#include "core/resultsource.h"
#include "core/state.h"
#include "files/textio.h"

namespace zvl {

inline constexpr const char* kExportHeader = "Corvask Pellam ZVL Data File  ";
inline constexpr const char* kCsvMessage = "File Converted to .CSV Format. (For use with Excel)";
inline constexpr const char* kTxtMessage =
    "File Converted to .TXT Format. (For use with Notepad, Wordpad etc.)";

// The export file's text. Line 1 names the recording save dialog's file (state.saveFileName,
// as Windows-1252) and the date `when`, with nothing between them.
std::string exportText(const AppState& state, const LocalDateTime& when);
// The same for the results of `source` (line 0 its start record), with the file name, comment
// lines, labels and active flags of `description`.
std::string exportText(const ResultSource& source, const AppState& description, const LocalDateTime& when);
// The same text handed to `write` in pieces of about a megabyte, so that a long source is never
// held whole; false as soon as `write` fails.
bool exportTextTo(const ResultSource& source, const AppState& description, const LocalDateTime& when,
                  const std::function<bool(std::string_view)>& write);

// The closing message for an export file name: by its extension, compared in upper case;
// empty for any extension but .CSV and .TXT.
std::string exportMessage(const std::string& fileName);

}  // namespace zvl
