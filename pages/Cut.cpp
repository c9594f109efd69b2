#include "pages/Cut.h"

#include <algorithm>

namespace {

// 1-based position of the first occurrence of `needle` in `haystack`, or 0 when it does
// not occur; an empty needle is never found.
std::size_t position(const std::string& haystack, const std::string& needle) {
    if (needle.empty())
        return 0;
    const std::size_t found = haystack.find(needle);
    return found == std::string::npos ? 0 : found + 1;
}

} // namespace

std::string cut(const std::string& text, const std::string& start, int frontCount,
                const std::string& end) {
    const std::size_t p = position(text, start);
    const std::size_t front = static_cast<std::size_t>(std::max(frontCount, 0));
    // p is at most text.size(), so p + front cannot wrap.
    const std::size_t dropped = std::min(p + front, text.size());
    std::string rest = text.substr(dropped);

    const std::size_t q = position(rest, end);
    if (q >= 1)
        rest.erase(q - 1);
    return rest;
}
