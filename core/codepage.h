#pragma once
// Text in the model is Windows-1252 bytes, exactly as the files hold it. These convert at the
// places where text meets the rest of the system: file paths (UTF-8 on Linux) that become part
// of a file's text, and text that the zvl tool prints on a UTF-8 terminal.

#include <string>
#include <string_view>

namespace zvl {

// Each byte as its character. The five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) become the control characters of the same number, as Windows converts them.
std::string windows1252ToUtf8(std::string_view text);

// Each character as its Windows-1252 byte; a character the code page lacks, and each byte of a
// malformed UTF-8 sequence, becomes `replacement`.
std::string utf8ToWindows1252(std::string_view text, char replacement = '?');

}  // namespace zvl
