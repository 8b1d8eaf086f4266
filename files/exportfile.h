#pragma once
// The CSV/TXT export (15 header lines and one data line per slot 0..resultCount, CR LF) and
// the import of compliant CSV files (first field the time in seconds since 2000, second the
// input-state word; one slot per line from slot 0).

#include <cstdint>
#include <string>
#include <string_view>

#include "core/state.h"
#include "files/textio.h"

namespace zvl {

inline constexpr const char* kExportHeader = "Corvask Pellam ZVL Data File  ";
inline constexpr const char* kCsvMessage = "File Converted to .CSV Format. (For use with Excel)";
inline constexpr const char* kTxtMessage = "File Converted to .TXT Format. (For use with Notepad, Wordpad etc.)";

// The export file's text. Line 1 names the recording save dialog's file (state.saveFileName,
// as Windows-1252) and the date `when`, with nothing between them.
std::string exportText(const AppState& state, const LocalDateTime& when);

// The closing message for an export file name: by its extension, compared in upper case;
// empty for any extension but .CSV and .TXT.
std::string exportMessage(const std::string& fileName);

// --- Compliant CSV --------------------------------------------------------------------------

// Longest line csvField takes, once its leading blanks are removed (255 with the added comma).
constexpr size_t kMaxCsvLine = 254;

struct CsvField {
    enum Status { Ok, LineTooLong, OutOfRange } status = Ok;
    int32_t value = 0;   // the field rounded to the nearest integer, halves to even
    double number = 0;   // the field as read, before rounding
};

// csvField (line, n): the numeric value of the n-th (1-based) comma-separated field. Leading
// blanks of a field are skipped; a sign, a fractional part and an exponent are accepted; any
// other text reads as 0, and so does a field the line does not have. A line longer than
// kMaxCsvLine characters after its leading blanks, or a value outside the 32-bit range, fails.
CsvField csvField(std::string_view line, int n);

struct CsvImport {
    bool ok = true;
    int64_t lineNumber = 0;   // 1-based line that stopped the import
    std::string reason;       // why, e.g. "the line is longer than 254 characters"
    std::string message() const;  // "Import stopped at line N: reason" (or the read error)
    std::string ioError;      // the system's error text of a failed read
};

// Reads a compliant CSV file into a cleared store: line i+1 into slot i, resultCount = the last
// slot written. Stops at the first failure (a line too long, a negative or too large time, more
// lines than the store has slots, a read error) and keeps what was read before it; resultCount
// is then the failing line's slot, or 100005 when the store is full.
CsvImport readCompliantCsv(AppState& state, ByteSource& in);

}  // namespace zvl
