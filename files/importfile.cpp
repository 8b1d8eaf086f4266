#include "files/importfile.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace zvl {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A decimal number between optional blanks: sign, digits, fraction, exponent. Anything else,
// trailing text included, is not a number and reads as 0.
double decimalValue(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const size_t start = i;
    size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j >= text.size() || !isDigit(text[j])) return 0;
        while (j < text.size() && isDigit(text[j])) ++j;
        i = j;
    }
    const size_t numberEnd = i;
    while (i < text.size() && text[i] == ' ') ++i;  // blanks after the number are allowed
    if (i != text.size()) return 0;
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data() + start, text.data() + numberEnd, value);
    if (ec == std::errc::result_out_of_range)
        value = HUGE_VAL;  // an exponent too large for a double
    else if (ec != std::errc() || end != text.data() + numberEnd)
        return 0;
    return negative ? -value : value;
}

}  // namespace

CsvField csvField(std::string_view lineIn, int n) {
    CsvField result;
    std::string line(lineIn);
    line += ',';
    if (line[0] == ' ' && line.size() > 5) line.erase(0, line.find_first_not_of(' '));
    if (line.size() > kMaxCsvLine + 1) {
        result.status = CsvField::LineTooLong;
        return result;
    }
    int counter = 0;
    size_t fieldStart = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != ',') continue;
        ++counter;
        if (counter == n)
            result.number = decimalValue(std::string_view(line).substr(fieldStart, i - fieldStart));
        fieldStart = i + 1;
    }
    // std::nearbyint in the default rounding mode takes halves to the even neighbour.
    const double rounded = std::nearbyint(result.number);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) {
        result.status = CsvField::OutOfRange;
        return result;
    }
    result.value = int32_t(rounded);
    return result;
}

std::string CsvImport::message() const {
    if (!ioError.empty()) return ioError;
    return "Import stopped at line " + std::to_string(lineNumber) + ": " + reason;
}

namespace {
std::string numberText(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}
}  // namespace

CsvImport readCompliantCsv(AppState& state, ByteSource& in) {
    CsvImport result;
    auto fail = [&](int64_t slot, std::string reason) {
        result.ok = false;
        result.lineNumber = slot + 1;
        result.reason = std::move(reason);
        return result;
    };
    std::string line;
    for (int64_t i = 0;; ++i) {
        if (!readTextFileLine(in, line)) break;
        // The store ends at slot 100005: resultCount stays there rather than naming a slot
        // that does not exist.
        if (i > kLastSlot) return fail(i, "the store is full (slot 100005 is the last)");
        state.resultCount() = i;
        const CsvField time = csvField(line, 1);
        if (time.status == CsvField::LineTooLong)
            return fail(i, "the line is longer than " + std::to_string(kMaxCsvLine) + " characters");
        if (std::nearbyint(time.number) < 0)
            return fail(i, "the time " + numberText(time.number) + " is negative");
        if (time.status == CsvField::OutOfRange)
            return fail(i, "the time " + numberText(time.number) + " is too large for 32 bits");
        const CsvField states = csvField(line, 2);
        if (states.status == CsvField::OutOfRange)
            return fail(i, "the input states " + numberText(states.number) + " are too large for 32 bits");
        ResultRecord& r = state.store.slot(i);
        r.setTime(uint32_t(time.value));
        r.inputStates = uint16_t(uint32_t(states.value) & 0xFFFF);
    }
    if (const std::string e = in.error(); !e.empty()) {
        result.ok = false;
        result.ioError = e;
    }
    return result;
}

}  // namespace zvl
