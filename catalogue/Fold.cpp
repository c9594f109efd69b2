#include "catalogue/Fold.h"

#include <QChar>
#include <array>

namespace fold {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Folded values of the one- and two-byte code points (Latin, Greek, Cyrillic and the
// rest below U+0800), the bulk of every title.
struct ShortTable {
    std::array<char32_t, 0x800> to{};
    ShortTable() {
        for (char32_t c = 0; c < to.size(); ++c)
            to[c] = QChar::toCaseFolded(c);
    }
};

const ShortTable& shortTable() {
    static const ShortTable table;
    return table;
}

// Writes `c` as UTF-8 at `out`; returns the end.
char* put(char* out, char32_t c) {
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

bool continuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

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

} // namespace

void appendFolded(std::string& out, std::string_view utf8) {
    const ShortTable& table = shortTable();
    // Room for the worst case: a stray byte becomes U+FFFD, three bytes.
    const std::size_t start = out.size();
    out.resize(start + 4 * utf8.size());
    char* w = out.data() + start;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    while (p < end) {
        if (*p < 0x80) {
            const unsigned char b = *p++;
            *w++ = static_cast<char>(b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b);
            continue;
        }
        std::size_t used = 0;
        const char32_t c = decode(p, static_cast<std::size_t>(end - p), used);
        p += used;
        w = put(w, c < 0x800 ? table.to[c] : QChar::toCaseFolded(c));
    }
    out.resize(static_cast<std::size_t>(w - out.data()));
}

std::string folded(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    appendFolded(out, utf8);
    return out;
}

std::string folded(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return folded(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

} // namespace fold
