#pragma once
// The model keeps text as Windows-1252 bytes, as the files hold it; Qt speaks QString. These
// go through the code page conversion of core/codepage.

#include <QString>
#include <string>

namespace zvl {

QString fromCp1252(const std::string& bytes);
// Characters outside the code page become "?".
std::string toCp1252(const QString& text);

}  // namespace zvl
