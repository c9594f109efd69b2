#include "pages/PlayerPage.h"

#include "pages/Markers.h"
#include "pages/SafeMarkup.h"

namespace {

using namespace std::string_literals;

// Closes the Flash object after the stream address and opens the notice's division.
constexpr std::string_view kFlashTail = ".flv\" /></object></div><div align=\"center\">";

const std::string kClosing = "</div>";

// Appends `text` with every occurrence of `word` replaced by what `put` appends (of size
// `size`), left to right, without looking into what was put in.
template <class Put>
void appendReplaced(std::string& out, std::string_view text, std::string_view word,
                    std::size_t size, Put put) {
    std::size_t count = 0;
    for (std::size_t at = text.find(word); at != std::string_view::npos;
         at = text.find(word, at + word.size()))
        ++count;
    out.reserve(out.size() + text.size() + count * size - count * word.size());
    std::size_t from = 0;
    for (;;) {
        const std::size_t found = text.find(word, from);
        if (found == std::string_view::npos)
            break;
        out.append(text.substr(from, found - from));
        put(out);
        from = found + word.size();
    }
    out.append(text.substr(from));
}

// The size of `raw` written by appendAttributeValue.
std::size_t attributeValueSize(std::string_view raw) {
    std::size_t size = raw.size();
    for (const char c : raw)
        size += c == '"' ? 5 : c == '<' || c == '>' ? 3 : 0;
    return size;
}

// Every lone CR and LF of `text` becomes CR LF, in place.
void normaliseInPlace(std::string& text) {
    std::size_t extra = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) ||
            (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')))
            ++extra;
    if (extra == 0)
        return;
    std::size_t read = text.size();
    text.resize(read + extra);
    // From the end backwards, so what is written never overtakes what is still to be read.
    std::size_t write = text.size();
    while (read > 0) {
        const char c = text[--read];
        if (c == '\n' || c == '\r') {
            if (c == '\n' && read > 0 && text[read - 1] == '\r')
                --read;
            text[--write] = '\n';
            text[--write] = '\r';
        } else {
            text[--write] = c;
        }
    }
}

void cutAtNul(std::string& text) {
    if (const std::size_t nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
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
    std::string result = text;
    normaliseInPlace(result);
    return result;
}

std::string textUpToNul(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

// The page holds as few copies of a large link as it can: the link, the assembled page and
// the filtered page at most (what the caller's page text takes comes on top).
PlayerPage buildPlayerPage(Category c, const std::string& pageText, const std::string& notice,
                           const std::string& siteBase) {
    PlayerPage result;
    const std::string_view siteNotice = std::string_view(notice).substr(0, notice.find('\0'));
    const std::string_view word = playerPage::kPlaceholder;
    std::string page;
    const PlayerInfo& info = categoryInfo(c).player;
    result.link = cut(pageText, info.cut);
    cutAtNul(result.link);
    switch (info.kind) {
    case PlayerKind::FlashLink: {
        result.templateA = playerPage::templateA(siteBase);
        result.templateA2 = playerPage::templateA2(siteBase);
        // The stream address stands inside an attribute value. A well-formed address has
        // none of the characters escaped there (they are percent-encoded); anything else the
        // cut brought along must not close the attribute and add markup of its own.
        const std::size_t linkSize = attributeValueSize(result.link);
        const auto putLink = [&](std::string& out) { appendAttributeValue(out, result.link); };
        const std::string head =
            std::string(playerPage::kWaitBanner) + *result.templateA + *result.templateA2;
        // The player is fixed text; the address in it can only be the end of the flashvars
        // value, which is not an address parameter. So when the filter keeps the player as
        // it is without an address, it keeps it with any, and only the notice needs the
        // filter: the page is not made twice over for a long address.
        const std::string player = head + std::string(kFlashTail);
        if (head.find(word) == std::string::npos && safeMarkup(player) == player) {
            std::string rest;
            appendReplaced(rest, siteNotice, word, linkSize, putLink);
            rest += kClosing;
            const std::string filtered = safeMarkup(rest);
            rest = std::string();
            page.reserve(head.size() + linkSize + kFlashTail.size() + filtered.size());
            page += head;
            putLink(page);
            page += kFlashTail;
            page += filtered;
        } else {
            std::string assembled;
            appendReplaced(assembled,
                           head + std::string(word) + std::string(kFlashTail) +
                               std::string(siteNotice) + kClosing,
                           word, linkSize, putLink);
            page = safeMarkup(assembled);
        }
        break;
    }
    case PlayerKind::EmbedCode: {
        // The embed code is set back into its element, after the wait banner; the notice's
        // division follows.
        const std::string fixed = std::string(playerPage::kWaitBanner) +
                                  std::string(info.frameBefore) + std::string(word) +
                                  std::string(info.frameAfter) + std::string(siteNotice) + kClosing;
        std::string assembled;
        appendReplaced(assembled, fixed, word, result.link.size(),
                       [&](std::string& out) { out += result.link; });
        // The embed code and the notice are other people's markup: only what cannot run
        // script goes into the page.
        page = safeMarkup(assembled);
        break;
    }
    }
    normaliseInPlace(page);
    cutAtNul(page);
    result.page = std::move(page);
    return result;
}
