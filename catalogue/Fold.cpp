#include "catalogue/Fold.h"

#include "platform/core/Utf8.h"

#include <QChar>
#include <array>

namespace fold {
namespace {

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
        const char32_t c = utf8::decode(p, static_cast<std::size_t>(end - p), used);
        p += used;
        w = utf8::encode(w, c < 0x800 ? table.to[c] : QChar::toCaseFolded(c));
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
