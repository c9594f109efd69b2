#pragma once
// The titles of one category held in memory for searching: the titles as stored and their
// case-folded forms, each in one contiguous buffer, and the title search itself, a
// substring match in which "%" stands for any run of characters and "_" for one character.
//
// An index is filled by append() on one thread; once filled, it is not changed again, and
// every const member, the searches included, may then run on any number of threads at once.
#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A search text turned into a title pattern: the text is folded, and "%" and "_" are its
// only special characters. Everything else, apostrophes, backslashes and NUL included,
// stands for itself.
class TitlePattern {
public:
    explicit TitlePattern(const QString& text);
    // From text that is already folded UTF-8.
    explicit TitlePattern(std::string folded);

    const std::string& folded() const { return folded_; }
    // True when the pattern is plain text without "%" and "_".
    bool plain() const { return plain_; }
    // True when every title this pattern finds is also found by `wider`: the text of
    // `wider` appears whole in this one, so it can only narrow the result.
    bool narrows(const TitlePattern& wider) const;
    // A run of text that every matching title contains; empty when there is none.
    std::string_view anchor() const { return anchor_; }
    // Whether a folded title contains a match.
    bool matches(std::string_view foldedTitle) const;

private:
    void parse();

    std::string folded_;
    bool plain_ = true;
    // The pieces between the "%" signs; "_" in them stands for one character.
    std::vector<std::string> pieces_;
    std::string anchor_;
};

using RowList = std::vector<std::uint32_t>;

class TitleIndex {
public:
    TitleIndex();

    // Adds the next row's title, as stored (UTF-8); a null title is added as such.
    void append(std::string_view utf8, bool null);
    // Gives back the room that appending left unused.
    void shrink();

    std::size_t size() const { return nulls_.size(); }
    std::string_view title(std::uint32_t row) const {
        return std::string_view(text_).substr(textStart_[row],
                                              textStart_[row + 1] - textStart_[row]);
    }
    bool isNull(std::uint32_t row) const { return nulls_[row]; }
    // Bytes held, for the curious.
    std::size_t bytes() const;

    // Every row, null titles included, in order.
    RowList all() const;
    // The rows whose title matches, in order; a null title never matches.
    RowList find(const TitlePattern& pattern) const;
    // The same, looking only at `among` (rows in order), which must hold every match.
    RowList find(const TitlePattern& pattern, const RowList& among) const;

private:
    // The letters a folded text holds, one bit each: Russian а to я, ё, Latin a to z; one
    // bit for all digits and four shared by everything else outside ASCII. A title can
    // hold a text only if it has every bit the text has.
    static constexpr int kYoBit = 32, kLatinBit = 33, kDigitBit = 59, kOtherBit = 60;
    static std::uint64_t letters(std::string_view folded);
    // True for a single character that has a bit of its own.
    static bool isOneLetter(std::string_view folded);

    // Text to look for, with the places of its two rarest bytes.
    struct Needle {
        std::string_view text;
        std::size_t a, b;
    };
    Needle needle(std::string_view text) const;
    template <class Found>
    static void scan(const char* hay, std::size_t length, const Needle& needle, Found&& found);
    std::string_view foldedTitle(std::uint32_t row) const {
        // Each folded title is followed by a NUL that the view leaves out.
        return std::string_view(folded_).substr(foldedStart_[row],
                                                foldedStart_[row + 1] - foldedStart_[row] - 1);
    }

    std::string text_;
    std::vector<std::uint32_t> textStart_;
    std::string folded_;
    std::vector<std::uint32_t> foldedStart_;
    std::vector<bool> nulls_;
    std::vector<std::uint64_t> letters_;
    // How often each byte value occurs in the first kByteSample bytes of the folded titles,
    // counted as titles are appended: a search looks for the rarest byte of the text first.
    static constexpr std::size_t kByteSample = std::size_t(1) << 18;
    std::array<std::uint32_t, 256> byteCounts_{};
};
