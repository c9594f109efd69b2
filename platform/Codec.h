#pragma once
// The one bridge between Windows-1251 page text and Qt's Unicode strings.
#include <QString>
#include <string>

namespace codec {

// Windows-1251 bytes as a Qt string.
QString fromCp1251(const std::string& bytes);
// A Qt string as Windows-1251 bytes; characters outside the code page become '?'.
std::string toCp1251(const QString& text);
// UTF-8 (exception messages, store text) as a Qt string.
inline QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace codec
