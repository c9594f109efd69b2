#include "platform/core/Utf8.h"

namespace utf8 {

// Writes `c` as UTF-8 at `out`; returns the end.
char* encode(char* out, char32_t c) {
    if (c < 0x80) {
        *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

namespace {

bool continuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

} // namespace

// Decodes the sequence at `p` (with `left` bytes available); sets `used` to the bytes it
// takes. A malformed sequence gives U+FFFD and takes one byte.
char32_t decode(const unsigned char* p, std::size_t left, std::size_t& used) {
    const unsigned char b0 = p[0];
    used = 1;
    if (b0 < 0x80)
        return b0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        if (left >= 2 && continuation(p[1])) {
            used = 2;
            return (char32_t(b0 & 0x1F) << 6) | (p[1] & 0x3F);
        }
        return kReplacement;
    }
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        if (left >= 3 && continuation(p[1]) && continuation(p[2])) {
            const char32_t c =
                (char32_t(b0 & 0x0F) << 12) | (char32_t(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
            if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {
                used = 3;
                return c;
            }
        }
        return kReplacement;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        if (left >= 4 && continuation(p[1]) && continuation(p[2]) && continuation(p[3])) {
            const char32_t c = (char32_t(b0 & 0x07) << 18) | (char32_t(p[1] & 0x3F) << 12) |
                               (char32_t(p[2] & 0x3F) << 6) | (p[3] & 0x3F);
            if (c >= 0x10000 && c <= 0x10FFFF) {
                used = 4;
                return c;
            }
        }
        return kReplacement;
    }
    return kReplacement;
}

} // namespace utf8
