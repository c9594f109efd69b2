#pragma once
// UTF-8: the encoding of text in the stores and of the program's own messages.
#include <cstddef>
#include <string>

namespace utf8 {

inline constexpr char32_t kReplacement = 0xFFFD;

// Writes `c` as UTF-8 at `out` (room for four bytes); returns the end.
char* encode(char* out, char32_t c);
// Appends `c` as UTF-8.
inline void append(std::string& out, char32_t c) {
    char bytes[4];
    out.append(bytes, static_cast<std::size_t>(encode(bytes, c) - bytes));
}
// Decodes the sequence at `p` (with `left` bytes available, at least one); sets `used` to the
// bytes it takes. A malformed, overlong or surrogate sequence gives U+FFFD and takes one byte.
char32_t decode(const unsigned char* p, std::size_t left, std::size_t& used);

} // namespace utf8
