#include "pages/PlayerPage.h"

#include "pages/Markers.h"
#include "pages/SafeMarkup.h"

namespace {

using namespace std::string_literals;

// Closes the Flash object after the stream address and opens the notice's division.
const std::string kFlashTail =
    std::string(playerPage::kPlaceholder) + ".flv\" /></object></div><div align=\"center\">";

const std::string kClosing = "</div>";

// Replaces every occurrence of `word`, left to right, without looking into what was put in.
std::string replaceAll(const std::string& text, std::string_view word, const std::string& by) {
    std::string result;
    result.reserve(text.size());
    std::size_t from = 0;
    for (;;) {
        const std::size_t found = text.find(word, from);
        if (found == std::string::npos)
            break;
        result.append(text, from, found - from);
        result += by;
        from = found + word.size();
    }
    result.append(text, from, std::string::npos);
    return result;
}

} // namespace

namespace playerPage {

std::string templateA(const std::string& siteBase) {
    return "<div align=\"center\"><object id=\"videoplayer5655\" "
           "type=\"application/x-shockwave-flash\" data=\""s +
           siteBase +
           "/player/player.swf\" width=\"500\" height=\"375\"><param name=\"allowFullScreen\" "
           "value=\"true\" /><param name=\"allowScriptAccess\" ";
}

std::string templateA2(const std::string& siteBase) {
    return "value=\"always\" /><param name=\"wmode\" value=\"transparent\" /><param "
           "name=\"movie\" value=\""s +
           siteBase +
           "/player/player.swf\" /><param name=\"flashvars\" value=\"comment=Korvex&st=" +
           siteBase + "/player/video18-805.txt&file=http://";
}

} // namespace playerPage

std::string normaliseLineBreaks(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            result += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            result += "\r\n";
        } else {
            result += c;
        }
    }
    return result;
}

std::string textUpToNul(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

PlayerPage buildPlayerPage(Category c, const std::string& pageText, const std::string& notice,
                           const std::string& siteBase) {
    PlayerPage result;
    const std::string siteNotice = textUpToNul(notice);
    std::string page;
    std::string replacement;
    const PlayerInfo& player = categoryInfo(c).player;
    result.link = textUpToNul(cut(pageText, player.cut));
    switch (player.kind) {
    case PlayerKind::FlashLink:
        result.templateA = playerPage::templateA(siteBase);
        result.templateA2 = playerPage::templateA2(siteBase);
        page = std::string(playerPage::kWaitBanner) + *result.templateA + *result.templateA2 +
               kFlashTail + siteNotice + kClosing;
        // The stream address stands inside an attribute value. A well-formed address has
        // none of the characters escaped there (they are percent-encoded); anything else the
        // cut brought along must not close the attribute and add markup of its own.
        appendAttributeValue(replacement, result.link);
        break;
    case PlayerKind::EmbedCode:
        // The embed code is set back into its element, after the wait banner; the notice's
        // division follows.
        page = std::string(playerPage::kWaitBanner) + std::string(player.frameBefore) +
               std::string(playerPage::kPlaceholder) + std::string(player.frameAfter) + siteNotice +
               kClosing;
        replacement = result.link;
        break;
    }
    // The embed code and the notice are other people's markup: only what cannot run script
    // goes into the page.
    page = safeMarkup(replaceAll(page, playerPage::kPlaceholder, replacement));
    result.page = textUpToNul(normaliseLineBreaks(page));
    return result;
}
