// The player page builder and the cut over hostile page text and site notice. The input is
// the category (first byte), the notice (up to the first 0x01 byte) and the page text.
//
// Whatever they hold, the page has no NUL and only CR LF line breaks; the film link stays in
// its attribute value; and the page reads, by a strict reader of its own here, as text
// without "<" and tags of harmless elements with harmless attributes only: no script, no
// relative address, no frame granted more, nothing placed over the page.
#include "pages/PlayerPage.h"
#include "pages/SafeMarkup.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

const std::string kBase = "http://127.0.0.1:8080";

[[noreturn]] void fail(const char* what, const std::string& page, std::size_t at) {
    std::fprintf(stderr, "%s at %zu in:\n%s\n", what, at, page.c_str());
    std::abort();
}

bool in(std::string_view word, std::initializer_list<std::string_view> words) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

std::string lowered(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// What a browser takes an address value for, near enough for its scheme: numeric and a few
// named references decoded, controls and blanks gone, lower case.
std::string schemeView(std::string_view raw) {
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '&' && i + 1 < raw.size() && raw[i + 1] == '#') {
            std::size_t j = i + 2;
            const bool hex = j < raw.size() && (raw[j] | 0x20) == 'x';
            j += hex;
            unsigned long code = 0;
            const std::size_t first = j;
            while (j < raw.size() && (std::isdigit(static_cast<unsigned char>(raw[j])) ||
                                      (hex && std::isxdigit(static_cast<unsigned char>(raw[j]))))) {
                code = std::min(code * (hex ? 16 : 10) +
                                    std::stoul(std::string(1, raw[j]), nullptr, 16),
                                0x110000ul);
                ++j;
            }
            if (j > first) {
                out += code < 0x80 ? static_cast<char>(code) : '?';
                i = j - (j < raw.size() && raw[j] == ';' ? 0 : 1);
                continue;
            }
        }
        if (raw.substr(i, 7) == "&colon;") {
            out += ':';
            i += 6;
            continue;
        }
        out += raw[i];
    }
    std::string view;
    for (char c : out)
        if (static_cast<unsigned char>(c) > 0x20)
            view += c;
    return lowered(view);
}

bool scriptAddress(std::string_view raw) {
    const std::string v = schemeView(raw);
    for (const char* scheme : {"javascript:", "vbscript:", "data:", "file:"})
        if (v.rfind(scheme, 0) == 0)
            return true;
    return false;
}

// An address the browser would take as relative to main.html, a local file.
bool relativeAddress(std::string_view raw) {
    const std::string v = schemeView(raw);
    const std::size_t stop = v.find_first_of(":/\\?#");
    return stop == std::string::npos || v[stop] != ':';
}

// A style that takes the element out of the flow of the page to place it over it.
bool positioned(std::string_view style) {
    const std::string s = lowered(style);
    for (std::size_t from = 0; from <= s.size();) {
        const std::size_t end = std::min(s.find(';', from), s.size());
        const std::string declaration = s.substr(from, end - from);
        from = end + 1;
        const std::size_t colon = declaration.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = declaration.substr(0, colon);
        // Blanks around a name do not count; blanks inside make another name.
        name.erase(0, name.find_first_not_of(" \t\n\r\f"));
        name.erase(name.find_last_not_of(" \t\n\r\f") + 1);
        std::string value = declaration.substr(colon + 1);
        std::erase_if(value, space);
        if (name == "position" && value.rfind("static", 0) != 0 && value.rfind("relative", 0) != 0)
            return true;
    }
    return false;
}

// Reads the page strictly; fails on anything but text without "<" and well-formed tags of
// elements that run no script, with attributes that run none.
void checkHarmless(const std::string& page) {
    const std::size_t n = page.size();
    std::size_t i = 0;
    while (i < n) {
        if (page[i] != '<') {
            ++i;
            continue;
        }
        const std::size_t tagStart = i++;
        const bool end = i < n && page[i] == '/';
        i += end;
        const std::size_t nameStart = i;
        while (i < n && std::isalnum(static_cast<unsigned char>(page[i])))
            ++i;
        const std::string name = lowered(page.substr(nameStart, i - nameStart));
        if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0])))
            fail("a '<' that starts no tag", page, tagStart);
        if (!in(name,
                {"a",  "b",     "big",    "br",     "center", "div",    "em",  "embed", "font",
                 "hr", "i",     "iframe", "img",    "li",     "object", "ol",  "p",     "param",
                 "s",  "small", "span",   "strike", "strong", "sub",    "sup", "u",     "ul"}))
            fail("an element that is not harmless", page, tagStart);
        std::string paramName;
        std::string paramValue;
        bool paramHasValue = false;
        for (;;) {
            while (i < n && space(page[i]))
                ++i;
            if (i >= n)
                break;
            if (page[i] == '>' || (page[i] == '/' && i + 1 < n && page[i + 1] == '>'))
                break;
            if (end)
                fail("an end tag with attributes", page, tagStart);
            const std::size_t attrStart = i;
            while (i < n && (std::isalpha(static_cast<unsigned char>(page[i])) || page[i] == '-'))
                ++i;
            const std::string attr = lowered(page.substr(attrStart, i - attrStart));
            if (attr.empty())
                fail("a malformed attribute", page, attrStart);
            if (attr.rfind("on", 0) == 0 || in(attr, {"srcdoc", "formaction", "action"}))
                fail("an attribute that runs script", page, attrStart);
            while (i < n && space(page[i]))
                ++i;
            std::string value;
            if (i < n && page[i] == '=') {
                ++i;
                while (i < n && space(page[i]))
                    ++i;
                if (i < n && (page[i] == '"' || page[i] == '\'')) {
                    const std::size_t close = page.find(page[i], i + 1);
                    if (close == std::string::npos)
                        fail("an unclosed value", page, i);
                    value = page.substr(i + 1, close - i - 1);
                    i = close + 1;
                } else {
                    const std::size_t from = i;
                    while (i < n && !space(page[i]) && page[i] != '>' &&
                           std::string_view("\"'<=`").find(page[i]) == std::string_view::npos)
                        ++i;
                    if (i == from)
                        fail("an empty unquoted value", page, from);
                    value = page.substr(from, i - from);
                }
            }
            if (in(attr, {"href", "src", "data", "codebase", "pluginspage"}) &&
                (scriptAddress(value) || relativeAddress(value)))
                fail("a script or relative address", page, attrStart);
            if (attr == "allow")
                fail("a frame granted more", page, attrStart);
            if (attr == "style" && positioned(value))
                fail("an element placed over the page", page, attrStart);
            if (attr == "style" && value.find_first_of("(\\&") != std::string::npos)
                fail("a style that can call", page, attrStart);
            if (name == "param" && attr == "name" && paramName.empty())
                paramName = lowered(value);
            if (name == "param" && attr == "value" && !paramHasValue) {
                paramValue = value;
                paramHasValue = true;
            }
        }
        if (i >= n)
            fail("a tag cut off", page, tagStart);
        i += page[i] == '/' ? 2 : 1;
        if (in(paramName, {"movie", "src", "url", "code", "data"}) && paramHasValue &&
            (scriptAddress(paramValue) || relativeAddress(paramValue)))
            fail("a script or relative address in a parameter", page, tagStart);
        // A frame's content is not markup: nothing may stand in it.
        if (name == "iframe" && !end && i < n && lowered(page.substr(i, 8)) != "</iframe")
            fail("text inside a frame", page, i);
    }
}

std::string escapedForAttribute(const std::string& link) {
    std::string out;
    for (char c : link) {
        if (c == '"')
            out += "&quot;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const auto category = static_cast<Category>(data[0] % kCategoryCount);
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t split = rest.find('\x01');
    const std::string notice = split == std::string::npos ? std::string() : rest.substr(0, split);
    const std::string text = split == std::string::npos ? rest : rest.substr(split + 1);

    const PlayerPage result = buildPlayerPage(category, text, notice, kBase);
    const std::string& page = result.page;

    if (page.find('\0') != std::string::npos)
        fail("a NUL", page, page.find('\0'));
    for (std::size_t i = 0; i < page.size(); ++i) {
        if (page[i] == '\r' && (i + 1 >= page.size() || page[i + 1] != '\n'))
            fail("a lone CR", page, i);
        if (page[i] == '\n' && (i == 0 || page[i - 1] != '\r'))
            fail("a lone LF", page, i);
    }
    if (categoryInfo(category).player.kind == PlayerKind::FlashLink) {
        // The link is the flashvars value's end and nothing else: it cannot close it.
        const std::string head = std::string(playerPage::kWaitBanner) +
                                 playerPage::templateA(kBase) + playerPage::templateA2(kBase);
        const std::string link = normaliseLineBreaks(escapedForAttribute(result.link));
        const std::string tail = ".flv\" /></object></div><div align=\"center\">";
        if (page.compare(0, head.size(), head) != 0 ||
            page.compare(head.size(), link.size(), link) != 0 ||
            page.compare(head.size() + link.size(), tail.size(), tail) != 0)
            fail("the film link out of its attribute", page, head.size());
    }
    checkHarmless(page);
    // What comes out is what the filter lets through unchanged.
    if (safeMarkup(page) != page)
        fail("a page the filter would change again", page, 0);
    return 0;
}
