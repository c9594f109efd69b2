#include "catalogue/TitleIndex.h"

#include "catalogue/Fold.h"
#include "platform/core/Exception.h"

#include <algorithm>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Where `needle` first occurs in `text` at or after `from`, or npos.
std::size_t findIn(std::string_view text, std::size_t from, std::string_view needle) {
    if (from > text.size())
        return std::string_view::npos;
#if defined(__GLIBC__)
    // glibc's memmem is the fastest search there is for long titles.
    const void* hit =
        ::memmem(text.data() + from, text.size() - from, needle.data(), needle.size());
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data())
               : std::string_view::npos;
#else
    return text.find(needle, from);
#endif
}

// The end of a match of `piece` (where "_" is any one character) starting at `at` in
// `text`, or npos.
std::size_t matchPieceAt(std::string_view text, std::size_t at, std::string_view piece) {
    std::size_t j = at;
    for (const char p : piece) {
        if (j >= text.size())
            return std::string_view::npos;
        if (p == '_') {
            j += fold::sequenceLength(static_cast<unsigned char>(text[j]));
            if (j > text.size())
                return std::string_view::npos;
        } else if (text[j] == p) {
            ++j;
        } else {
            return std::string_view::npos;
        }
    }
    return j;
}

// The end of the leftmost match of `piece` at or after `from`, or npos.
std::size_t findPiece(std::string_view text, std::size_t from, std::string_view piece) {
    const std::size_t wild = piece.find('_');
    if (wild == std::string_view::npos) {
        const std::size_t at = findIn(text, from, piece);
        return at == std::string_view::npos ? at : at + piece.size();
    }
    const std::string_view lead = piece.substr(0, wild);
    for (std::size_t at = from; at <= text.size();) {
        if (!lead.empty()) {
            at = findIn(text, at, lead);
            if (at == std::string_view::npos)
                return at;
        }
        const std::size_t end = matchPieceAt(text, at, piece);
        if (end != std::string_view::npos)
            return end;
        if (at >= text.size())
            break;
        // Candidates start on character boundaries.
        at += fold::sequenceLength(static_cast<unsigned char>(text[at]));
    }
    return std::string_view::npos;
}

} // namespace

// ---- TitlePattern ----

TitlePattern::TitlePattern(const QString& text) : folded_(fold::folded(text)) {
    parse();
}

TitlePattern::TitlePattern(std::string folded) : folded_(std::move(folded)) {
    parse();
}

void TitlePattern::parse() {
    plain_ = folded_.find_first_of("%_") == std::string::npos;
    std::string piece;
    auto endPiece = [&] {
        if (!piece.empty())
            pieces_.push_back(std::move(piece));
        piece.clear();
    };
    for (const char c : folded_) {
        if (c == '%')
            endPiece();
        else
            piece += c;
    }
    endPiece();
    // The longest run of plain characters is what a scan looks for first.
    for (const std::string& p : pieces_) {
        std::size_t start = 0;
        while (start <= p.size()) {
            std::size_t stop = p.find('_', start);
            if (stop == std::string::npos)
                stop = p.size();
            if (stop - start > anchor_.size())
                anchor_ = p.substr(start, stop - start);
            start = stop + 1;
        }
    }
}

bool TitlePattern::narrows(const TitlePattern& wider) const {
    // Both are whole UTF-8 texts, so a byte match is a match of whole characters, and a
    // title matching this pattern has a part matching the wider one.
    return folded_.find(wider.folded_) != std::string::npos;
}

bool TitlePattern::matches(std::string_view title) const {
    std::size_t at = 0;
    for (const std::string& piece : pieces_) {
        at = findPiece(title, at, piece);
        if (at == std::string_view::npos)
            return false;
    }
    return true;
}

// ---- TitleIndex ----

TitleIndex::TitleIndex() {
    textStart_.push_back(0);
    foldedStart_.push_back(0);
}

void TitleIndex::shrink() {
    text_.shrink_to_fit();
    folded_.shrink_to_fit();
    textStart_.shrink_to_fit();
    foldedStart_.shrink_to_fit();
    nulls_.shrink_to_fit();
    letters_.shrink_to_fit();
}

void TitleIndex::append(std::string_view utf8, bool null) {
    constexpr std::size_t limit = std::numeric_limits<std::uint32_t>::max() - 1;
    if (text_.size() + utf8.size() > limit || folded_.size() + 4 * utf8.size() + 1 > limit)
        throw EDatabaseError("The catalogue's titles exceed 4 GB");
    const std::size_t from = folded_.size();
    if (!null) {
        text_.append(utf8);
        fold::appendFolded(folded_, utf8);
    }
    folded_ += '\0';
    for (std::size_t i = from; i < std::min(folded_.size(), kByteSample); ++i)
        ++byteCounts_[static_cast<unsigned char>(folded_[i])];
    textStart_.push_back(static_cast<std::uint32_t>(text_.size()));
    foldedStart_.push_back(static_cast<std::uint32_t>(folded_.size()));
    nulls_.push_back(null);
    letters_.push_back(letters(std::string_view(folded_).substr(foldedStart_[size() - 1])));
}

std::size_t TitleIndex::bytes() const {
    return text_.capacity() + folded_.capacity() +
           (textStart_.capacity() + foldedStart_.capacity()) * sizeof(std::uint32_t) +
           nulls_.capacity() / 8 + letters_.capacity() * sizeof(std::uint64_t);
}

TitleIndex::Needle TitleIndex::needle(std::string_view text) const {
    Needle n{text, 0, 0};
    if (text.size() < 2)
        return n;
    // In UTF-8 Cyrillic every other byte is one of two lead bytes: a scan looks for the
    // text's two rarest bytes at their places and compares the whole text where both are.
    auto count = [&](std::size_t i) { return byteCounts_[static_cast<unsigned char>(text[i])]; };
    n.a = 0;
    n.b = 1;
    if (count(n.b) < count(n.a))
        std::swap(n.a, n.b);
    for (std::size_t i = 2; i < text.size(); ++i) {
        if (count(i) < count(n.a)) {
            n.b = n.a;
            n.a = i;
        } else if (count(i) < count(n.b)) {
            n.b = i;
        }
    }
    return n;
}

template <class Found>
void TitleIndex::scan(const char* hay, std::size_t length, const Needle& n, Found&& found) {
    // `found(at)` is told of each occurrence and answers where to go on looking.
    const std::size_t k = n.text.size();
    if (k == 0 || k > length)
        return;
    if (k == 1) {
        for (std::size_t s = 0; s < length;) {
            const void* hit = std::memchr(hay + s, n.text[0], length - s);
            if (!hit)
                return;
            s = found(static_cast<std::size_t>(static_cast<const char*>(hit) - hay));
        }
        return;
    }
    const char ca = n.text[n.a], cb = n.text[n.b];
    std::size_t s = 0;
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(ca), vb = _mm_set1_epi8(cb);
    while (s + 15 + k <= length) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + s + n.a));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + s + n.b));
        auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(x, va), _mm_cmpeq_epi8(y, vb))));
        std::size_t next = s + 16;
        while (mask) {
            const std::size_t at = s + static_cast<std::size_t>(__builtin_ctz(mask));
            mask &= mask - 1;
            if (k == 2 || std::memcmp(hay + at, n.text.data(), k) == 0) {
                next = found(at);
                break;
            }
        }
        s = next;
    }
#endif
    while (s + k <= length) {
        if (hay[s + n.a] == ca && hay[s + n.b] == cb &&
            (k == 2 || std::memcmp(hay + s, n.text.data(), k) == 0))
            s = found(s);
        else
            ++s;
    }
}

RowList TitleIndex::all() const {
    RowList rows(size());
    for (std::uint32_t i = 0; i < rows.size(); ++i)
        rows[i] = i;
    return rows;
}

std::uint64_t TitleIndex::letters(std::string_view folded) {
    std::uint64_t mask = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(folded.data());
    const auto* end = p + folded.size();
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            if (b >= 'a' && b <= 'z')
                mask |= std::uint64_t(1) << (kLatinBit + (b - 'a'));
            else if (b >= '0' && b <= '9')
                mask |= std::uint64_t(1) << kDigitBit;
            ++p;
            continue;
        }
        const std::size_t length = fold::sequenceLength(b);
        if (length == 2 && p + 1 < end) {
            const unsigned c = (unsigned(b & 0x1F) << 6) | (p[1] & 0x3F);
            if (c >= 0x430 && c <= 0x44F)
                mask |= std::uint64_t(1) << (c - 0x430);
            else if (c == 0x451)
                mask |= std::uint64_t(1) << kYoBit;
            else
                mask |= std::uint64_t(1) << (kOtherBit + (c & 3));
        } else {
            mask |= std::uint64_t(1) << (kOtherBit + (b & 3));
        }
        p += length;
    }
    return mask;
}

bool TitleIndex::isOneLetter(std::string_view folded) {
    const std::uint64_t mask = letters(folded);
    const bool ownBit = (mask & ((std::uint64_t(1) << kDigitBit) - 1)) == mask && mask != 0;
    return ownBit && fold::sequenceLength(static_cast<unsigned char>(folded[0])) == folded.size();
}

RowList TitleIndex::find(const TitlePattern& pattern) const {
    RowList rows;
    const auto n = static_cast<std::uint32_t>(size());
    const std::string_view anchor = pattern.anchor();
    const std::uint64_t need = letters(pattern.folded());
    if (pattern.plain() && isOneLetter(pattern.folded())) {
        // One Russian or Latin letter has a mark of its own: no text to read.
        for (std::uint32_t i = 0; i < n; ++i) {
            if (letters_[i] & need)
                rows.push_back(i);
        }
        return rows;
    }
    if (need) {
        // The titles holding every letter of the text are the only candidates; when they
        // are few, reading just them beats a pass over all the text.
        std::uint32_t candidates = 0;
        for (std::uint32_t i = 0; i < n; ++i)
            candidates += (letters_[i] & need) == need;
        if (candidates < n / 4) {
            RowList among;
            among.reserve(candidates);
            for (std::uint32_t i = 0; i < n; ++i) {
                if ((letters_[i] & need) == need)
                    among.push_back(i);
            }
            return find(pattern, among);
        }
    }
    if (anchor.empty()) {
        // Only "%" and "_": every title is a candidate.
        for (std::uint32_t i = 0; i < n; ++i) {
            if (!nulls_[i] && pattern.matches(foldedTitle(i)))
                rows.push_back(i);
        }
        return rows;
    }
    // One pass over all folded titles for the anchor; each title it occurs in is checked
    // once, and the pass goes on at the next title.
    std::uint32_t row = 0;
    scan(folded_.data(), folded_.size(), needle(anchor), [&](std::size_t at) {
        while (foldedStart_[row + 1] <= at)
            ++row;
        // An anchor holding a NUL may run over the title's end, its own NUL at
        // foldedStart_[row + 1] - 1.
        if (at + anchor.size() < foldedStart_[row + 1] && !nulls_[row] &&
            (pattern.plain() || pattern.matches(foldedTitle(row))))
            rows.push_back(row);
        return static_cast<std::size_t>(foldedStart_[row + 1]);
    });
    return rows;
}

RowList TitleIndex::find(const TitlePattern& pattern, const RowList& among) const {
    RowList rows;
    const std::string_view anchor = pattern.anchor();
    const Needle probe = needle(anchor);
    const std::uint64_t need = letters(pattern.folded());
    for (const std::uint32_t row : among) {
        if (nulls_[row] || (letters_[row] & need) != need)
            continue;
        const std::string_view title = foldedTitle(row);
        bool contains = anchor.empty();
        if (!contains) {
            scan(title.data(), title.size(), probe, [&](std::size_t) {
                contains = true;
                return title.size();
            });
        }
        if (!contains)
            continue;
        if (pattern.plain() || pattern.matches(title))
            rows.push_back(row);
    }
    return rows;
}
