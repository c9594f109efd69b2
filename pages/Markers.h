#pragma once
// The marker pairs by which the program takes its pieces out of web pages.
#include <string>
#include <string_view>

#include "pages/Cut.h"

struct MarkerPair {
    std::string_view start;
    std::string_view end;
    // Every cut drops exactly the start marker.
    constexpr int frontCount() const { return static_cast<int>(start.size()) - 1; }
};

namespace markers {

// The stream address of a Flash video (films, cartoons), without "http://" and ".flv".
inline constexpr MarkerPair kFlashLink{"file=http://", ".flv"};
// The embedded object of a serial, from its id attribute to its closing tag.
inline constexpr MarkerPair kObjectEmbed{"<object id=\"", "</object>"};
// The frame of a VKontakte video, from its address to its closing tag.
inline constexpr MarkerPair kFrameEmbed{"<div align=\"center\"><iframe src=\"", "</iframe>"};
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
