#pragma once
// The player page, main.html: what the "go to the player" command writes for the selected
// entry. Everything here is Windows-1251 bytes and free of side effects; the main window
// fetches the page, keeps the buffers and writes and opens the file.
#include <optional>
#include <string>
#include <string_view>

#include "types/Category.h"

struct PlayerPage {
    // What the link buffer keeps: the piece cut out of the video's page, up to a NUL.
    std::string link;
    // The two halves of the Flash player template for films and cartoons; empty for the
    // other categories, whose branch leaves the template buffers as they are.
    std::optional<std::string> templateA;
    std::optional<std::string> templateA2;
    // The exact bytes of main.html, as the page buffer keeps them.
    std::string page;
};

// Builds the player page of a video of category `c`.
//   pageText: the fetched body of the video's web page;
//   notice:   the site notice (the notice buffer's text), empty when none was fetched;
//   siteBase: scheme and host of the maker's site, e.g. "http://127.0.0.1:8080", where the
//             Flash player movie and its style file lie.
// A page without the expected markers is no failure: whatever the cut yields goes in.
PlayerPage buildPlayerPage(Category c, const std::string& pageText, const std::string& notice,
                           const std::string& siteBase);

// Every lone CR and every lone LF becomes CR LF; CR LF stays as it is.
std::string normaliseLineBreaks(const std::string& text);

// What a text buffer keeps of a text: everything before its first NUL.
std::string textUpToNul(const std::string& text);

// The fixed texts of the page (Windows-1251).
namespace playerPage {

// "ссылка": the word in the fixed texts and the notice that the cut link replaces.
inline constexpr std::string_view kPlaceholder = "\xF1\xF1\xFB\xEB\xEA\xE0";

// "ПОДОЖДИТЕ ПОКА ЗАГРУЗИТСЯ ПРОИГРОВАТЕЛЬ" in bold, centred.
inline constexpr std::string_view kWaitBanner =
    "<div align=\"center\"><b>"
    "\xCF\xCE\xC4\xCE\xC6\xC4\xC8\xD2\xC5 \xCF\xCE\xCA\xC0 "
    "\xC7\xC0\xC3\xD0\xD3\xC7\xC8\xD2\xD1\xDF "
    "\xCF\xD0\xCE\xC8\xC3\xD0\xCE\xC2\xC0\xD2\xC5\xCB\xDC"
    "</b></div>";

// The first half of the Flash player template (it ends with a blank).
std::string templateA(const std::string& siteBase);
// The second half, ending where the stream address goes.
std::string templateA2(const std::string& siteBase);

} // namespace playerPage
