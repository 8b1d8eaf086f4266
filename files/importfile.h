#pragma once
// The import of compliant CSV files: first field the time in seconds since 2000, second the
// input-state word; one slot per line from slot 0.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/state.h"
#include "files/textio.h"

namespace zvl {

// Longest line csvField takes, once its leading blanks are removed (255 with the added comma).
constexpr size_t kMaxCsvLine = 254;

struct CsvField {
    enum Status { Ok, LineTooLong, OutOfRange } status = Ok;
    int32_t value = 0;  // the field rounded to the nearest integer, halves to even
    double number = 0;  // the field as read, before rounding
};

// csvField (line, n): the numeric value of the n-th (1-based) comma-separated field. Leading
// blanks of a field are skipped; a sign, a fractional part and an exponent are accepted; any
// other text reads as 0, and so does a field the line does not have. A line longer than
// kMaxCsvLine characters after its leading blanks, or a value outside the 32-bit range, fails.
CsvField csvField(std::string_view line, int n);

struct CsvImport {
    bool ok = true;
    int64_t lineNumber = 0;       // 1-based line that stopped the import
    std::string reason;           // why, e.g. "the line is longer than 254 characters"
    std::string message() const;  // "Import stopped at line N: reason" (or the read error)
    std::string ioError;          // the system's error text of a failed read
};

// Reads a compliant CSV file into a cleared store: line i+1 into slot i, resultCount = the last
// slot written. Stops at the first failure (a line too long, a negative or too large time, more
// lines than the store has slots, a read error) and keeps what was read before it; resultCount
// is then the failing line's slot, or 100005 when the store is full.
CsvImport readCompliantCsv(AppState& state, ByteSource& in);

}  // namespace zvl
