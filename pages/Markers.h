#pragma once
// The marker pairs by which the program takes its pieces out of web pages.
#include <string>
#include <string_view>

#include "pages/Cut.h"
#include "types/MarkerPair.h"

// The markers of the player's cut stand in each category's row (types/Category.h).

namespace markers {

// The meta description of a video page.
inline constexpr MarkerPair kDescription{"<meta name=\"description\" content=\"", "/>"};
// The notice on the maker's home page that goes under every player page.
inline constexpr MarkerPair kSiteNotice{"<div style=\"padding:5px;text-align:center;\"><u>",
                                        "</a></u></div>"};
// The version label on the maker's home page.
inline constexpr MarkerPair kSiteVersion{"<div style=\"padding:5px;text-align:center;\"><b>",
                                         "</b></div>"};

} // namespace markers

inline std::string cut(const std::string& text, const MarkerPair& pair) {
    return cut(text, std::string(pair.start), pair.frontCount(), std::string(pair.end));
}
