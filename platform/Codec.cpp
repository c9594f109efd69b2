#include "platform/Codec.h"

#include "platform/core/Cp1251.h"

namespace codec {

QString fromCp1251(const std::string& bytes) {
    const std::u16string wide = cp1251::toUtf16(bytes);
    return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

std::string toCp1251(const QString& text) {
    return cp1251::fromUtf16(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), text.size()));
}

} // namespace codec
