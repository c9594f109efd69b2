#pragma once
// The "show the video's description" command: the meta description of a video page.
#include <string>
#include <string_view>

// The panel text for a fetched video page (Windows-1251, nothing decoded). It runs from the
// content value up to the first "/>" after it, so it normally ends with the attribute's
// closing quote and a blank. A page without a meta description is no failure: the text is
// then the page without its first 33 characters, up to the first "/>".
std::string describe(const std::string& pageText);

namespace description {

// "Для видео ВКонтакте данная операция не возможна!": VKontakte videos have no description.
inline constexpr std::string_view kVKontakteNotice =
    "\xC4\xEB\xFF \xE2\xE8\xE4\xE5\xEE \xC2\xCA\xEE\xED\xF2\xE0\xEA\xF2\xE5 "
    "\xE4\xE0\xED\xED\xE0\xFF \xEE\xEF\xE5\xF0\xE0\xF6\xE8\xFF "
    "\xED\xE5 \xE2\xEE\xE7\xEC\xEE\xE6\xED\xE0!";

} // namespace description
