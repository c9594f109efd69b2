// The title search against a plain matcher. The input is the search text (up to the first
// line feed, UTF-8 as the search box would hold it) and the titles, one a line, as stored:
// any bytes, NUL and malformed UTF-8 included; a line that starts with 0x01 is a null title.
//
// The reference reads each title as the list shows it (Qt's UTF-8 reading), folds every code
// point on its own, and matches "%" as any run and "_" as one code point, with "%" implied
// at both ends; a null title matches nothing. Every road of the index must agree with it.
#include "catalogue/TitleIndex.h"

#include <QChar>
#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<char32_t> foldedCodePoints(const QString& text) {
    std::vector<char32_t> out;
    for (const uint c : text.toUcs4())
        out.push_back(QChar::toCaseFolded(char32_t(c)));
    return out;
}

// LIKE '%' + pattern + '%' over code points.
bool likeMatch(const std::vector<char32_t>& title, const std::vector<char32_t>& pattern) {
    // reach[j]: the pattern so far can end right before title[j].
    std::vector<char> reach(title.size() + 1, 1); // the leading "%"
    for (const char32_t p : pattern) {
        std::vector<char> next(title.size() + 1, 0);
        if (p == U'%') {
            char any = 0;
            for (std::size_t j = 0; j <= title.size(); ++j) {
                any |= reach[j];
                next[j] = any;
            }
        } else {
            for (std::size_t j = 0; j < title.size(); ++j)
                if (reach[j] && (p == U'_' || title[j] == p))
                    next[j + 1] = 1;
        }
        reach.swap(next);
    }
    for (const char r : reach) // the trailing "%"
        if (r)
            return true;
    return false;
}

[[noreturn]] void fail(const char* what, const QString& text, std::size_t row) {
    std::fprintf(stderr, "%s: search text \"%s\", row %zu\n", what, qPrintable(text), row);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t lf = input.find('\n');
    const std::string typed = input.substr(0, lf);
    const QString text = QString::fromUtf8(typed.data(), static_cast<qsizetype>(typed.size()));

    TitleIndex index;
    std::vector<std::string> stored;
    std::vector<bool> nulls;
    for (std::size_t at = lf; at != std::string::npos && at < input.size();) {
        const std::size_t next = input.find('\n', at + 1);
        const std::string line =
            input.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
        const bool null = !line.empty() && line[0] == '\x01';
        index.append(null ? std::string_view() : std::string_view(line), null);
        stored.push_back(null ? std::string() : line);
        nulls.push_back(null);
        at = next;
    }
    index.shrink();

    const std::vector<char32_t> pattern = foldedCodePoints(text);
    RowList want;
    for (std::uint32_t r = 0; r < stored.size(); ++r) {
        if (index.isNull(r) != nulls[r] || index.title(r) != stored[r])
            fail("a title not kept as stored", text, r);
        const QString shown =
            QString::fromUtf8(stored[r].data(), static_cast<qsizetype>(stored[r].size()));
        if (!nulls[r] && likeMatch(foldedCodePoints(shown), pattern))
            want.push_back(r);
    }

    const TitlePattern searched(text);
    if (index.find(searched) != want)
        fail("the search differs from the plain matcher", text, 0);
    if (index.find(searched, index.all()) != want)
        fail("the search among all rows differs", text, 0);
    // Typing one more character narrows the result of the text before it.
    const QList<uint> codePoints = text.toUcs4();
    if (!codePoints.isEmpty()) {
        const std::vector<char32_t> shorter(codePoints.begin(), codePoints.end() - 1);
        const TitlePattern wider(
            QString::fromUcs4(shorter.data(), static_cast<qsizetype>(shorter.size())));
        if (!searched.narrows(wider))
            fail("a longer text does not narrow", text, 0);
        if (index.find(searched, index.find(wider)) != want)
            fail("narrowing differs", text, 0);
    }
    return 0;
}
