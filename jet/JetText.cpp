#include "jet/JetText.h"

#include "jet/JetFile.h"
#include "platform/core/Cp1251.h"
#include "platform/core/Utf8.h"

#include <array>

namespace jet {
namespace {

// Windows-1252's bytes 0x80..0x9F; the five it leaves unassigned stand for the control
// characters of the same number. 0xA0..0xFF are the Latin-1 code points.
constexpr std::array<char16_t, 32> kCp1252Controls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isHighSurrogate(char32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool isLowSurrogate(char32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// Appends the UTF-16 units of `units` as UTF-8, joining surrogate pairs. `pending` carries a
// high surrogate from one call to the next (compressed text switches modes between them).
void appendUnit(std::string& out, char32_t unit, char32_t& pending) {
    if (pending != 0) {
        if (isLowSurrogate(unit)) {
            utf8::append(out, 0x10000 + ((pending - 0xD800) << 10) + (unit - 0xDC00));
            pending = 0;
            return;
        }
        utf8::append(out, utf8::kReplacement);
        pending = 0;
    }
    if (isHighSurrogate(unit))
        pending = unit;
    else if (isLowSurrogate(unit))
        utf8::append(out, utf8::kReplacement);
    else
        utf8::append(out, unit);
}

void flush(std::string& out, char32_t& pending) {
    if (pending != 0)
        utf8::append(out, utf8::kReplacement);
    pending = 0;
}

char32_t unitAt(std::string_view bytes, std::size_t i) {
    return char32_t(static_cast<unsigned char>(bytes[i])) |
           char32_t(static_cast<unsigned char>(bytes[i + 1])) << 8;
}

} // namespace

std::string utf16ToUtf8(std::string_view bytes) {
    if (bytes.size() % 2 != 0)
        throw EDamaged("damaged Jet file (two-byte text of odd length)");
    std::string out;
    out.reserve(bytes.size());
    char32_t pending = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 2)
        appendUnit(out, unitAt(bytes, i), pending);
    flush(out, pending);
    return out;
}

std::string jet4TextToUtf8(std::string_view bytes) {
    if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
        static_cast<unsigned char>(bytes[1]) != 0xFE)
        return utf16ToUtf8(bytes);
    // Compressed: one byte per character (the high byte zero) until a zero byte switches to
    // two bytes per character, and the next zero byte back.
    std::string out;
    out.reserve(bytes.size());
    char32_t pending = 0;
    bool compressed = true;
    std::size_t i = 2;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b == 0) {
            compressed = !compressed;
            ++i;
        } else if (compressed) {
            appendUnit(out, b, pending);
            ++i;
        } else {
            if (i + 1 >= bytes.size())
                throw EDamaged("damaged Jet file (compressed text ends inside a character)");
            appendUnit(out, unitAt(bytes, i), pending);
            i += 2;
        }
    }
    flush(out, pending);
    return out;
}

std::string jet3TextToUtf8(std::string_view bytes, int codePage) {
    bool ascii = true;
    for (char c : bytes)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii)
        return std::string(bytes);
    if (codePage == 1251)
        return cp1251::toUtf8(bytes);
    if (codePage != 1252)
        throw EUnsupported("Jet 3 text in code page " + std::to_string(codePage) +
                           " is not supported");
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        utf8::append(out, b >= 0x80 && b < 0xA0 ? char32_t(kCp1252Controls[b - 0x80]) : b);
    }
    return out;
}

} // namespace jet
