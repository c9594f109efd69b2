#pragma once
// Text as Jet files store it, to UTF-8: Jet 4's two-byte text (UCS-2, with surrogate pairs kept
// as the characters they stand for) and its compressed form, Jet 3's single-byte code pages.
#include <string>
#include <string_view>

namespace jet {

// UTF-16LE bytes to UTF-8; a surrogate without its partner becomes U+FFFD. EDamaged when the
// length is odd.
std::string utf16ToUtf8(std::string_view bytes);
// A Jet 4 text value: compressed when it starts with 0xFF 0xFE, else UTF-16LE.
std::string jet4TextToUtf8(std::string_view bytes);
// A Jet 3 text value in `codePage` (1251 or 1252; ASCII in any). EUnsupported for other code
// pages when the text has bytes outside ASCII.
std::string jet3TextToUtf8(std::string_view bytes, int codePage);

} // namespace jet
