#pragma once
// The Windows-1251 code page: page text, wire literals and main.html are bytes in it.
// Everything else of the program is Unicode; these are the only conversions between
// the two (the Qt side wraps them in platform/Codec.h).
#include <string>
#include <string_view>

namespace cp1251 {

// The Unicode code point of one Windows-1251 byte; the unassigned 0x98 maps to U+0098, so
// that every byte value goes there and back unchanged.
char32_t toUnicode(unsigned char byte);
// The Windows-1251 byte of a code point, or '?' when the code page has none.
unsigned char fromUnicode(char32_t codePoint);

// Windows-1251 bytes to UTF-8 text.
std::string toUtf8(std::string_view bytes);
// UTF-8 text to Windows-1251 bytes; characters outside the code page become '?'.
std::string fromUtf8(std::string_view utf8);
// UTF-16 code units to Windows-1251 bytes.
std::string fromUtf16(std::u16string_view text);
// Windows-1251 bytes to UTF-16 code units.
std::u16string toUtf16(std::string_view bytes);

} // namespace cp1251
