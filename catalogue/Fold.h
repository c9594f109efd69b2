#pragma once
// Case folding for title search: Unicode simple case folding, one code point for one code
// point, so "А" and "а", "Ё" and "ё", "Q" and "q" compare equal and a pattern's "_" still
// stands for one character of the title as written.
#include <QString>
#include <cstddef>
#include <string>
#include <string_view>

namespace fold {

// Appends `utf8` folded to `out`, as UTF-8. A malformed sequence becomes U+FFFD, as it does
// when the title is shown.
void appendFolded(std::string& out, std::string_view utf8);

std::string folded(std::string_view utf8);
std::string folded(const QString& text);

// Length in bytes of the UTF-8 sequence led by `lead`: 1 for ASCII and for stray bytes.
inline std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0xC0)
        return 1;
    if (lead < 0xE0)
        return 2;
    if (lead < 0xF0)
        return 3;
    return 4;
}

} // namespace fold
