#include "qt/cp1252.h"

#include "core/codepage.h"

namespace zvl {

QString fromCp1252(const std::string& bytes) {
    const std::string utf8 = windows1252ToUtf8(bytes);
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

std::string toCp1252(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return utf8ToWindows1252(std::string_view(utf8.constData(), size_t(utf8.size())));
}

}  // namespace zvl
