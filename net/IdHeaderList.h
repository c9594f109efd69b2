#pragma once
// An ordered list of raw header lines "Name: value". A line's name is its text before the
// first ":"; names compare ignoring case. A line that begins with a blank or a tab continues
// the line before it.
#include "net/IdLimits.h"

#include <string>
#include <string_view>
#include <vector>

class TIdHeaderList {
public:
    void Clear() { lines_.clear(); }
    void Add(std::string line) { lines_.push_back(std::move(line)); }
    std::size_t Count() const { return lines_.size(); }
    const std::string& operator[](std::size_t index) const { return lines_[index]; }
    const std::vector<std::string>& Lines() const { return lines_; }

    // The first line of that name with its continuation lines, trimmed; empty when missing.
    std::string Values(std::string_view name) const;
    // Replaces the line of that name (and its continuation lines) or appends a new one.
    void SetValues(std::string_view name, const std::string& value);
    // Every value of that name, in order.
    std::vector<std::string> AllValues(std::string_view name) const;
    // The line's name: its text before the first ":" (the whole line without one).
    static std::string_view NameOf(std::string_view line);

    // Breaks a line longer than `maxLength` after a blank, tab or comma outside double quotes;
    // each continuation begins with one blank and trailing blanks are cut from every piece.
    static std::vector<std::string> Fold(const std::string& line,
                                         std::size_t maxLength = kIdHeaderFoldWidth);

private:
    std::size_t indexOfName(std::string_view name) const;
    std::string valueAt(std::size_t index) const;
    std::vector<std::string> lines_;
};
