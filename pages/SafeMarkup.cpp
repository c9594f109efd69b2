#include "pages/SafeMarkup.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr std::size_t npos = std::string_view::npos;

// The HTML parser's white space (a CR is read as a line feed).
bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == y; });
}

bool oneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// ---- the allow-list ----

// What an allowed attribute's value must be.
enum class Value {
    Any,      // anything
    LoadUrl,  // an address the browser loads: http, https or relative
    LinkUrl,  // an address the user may follow: also mailto and ftp
    ParamUrl, // a plug-in parameter; an address when the parameter's name says so
    ClassId,  // "clsid:" and a class number
    Style,    // plain declarations: no functions, escapes or quotes
};

bool allowedElement(std::string_view tag) {
    return oneOf(tag,
                 {"a",  "b",     "big",    "br",     "center", "div",    "em",  "embed", "font",
                  "hr", "i",     "iframe", "img",    "li",     "object", "ol",  "p",     "param",
                  "s",  "small", "span",   "strike", "strong", "sub",    "sup", "u",     "ul"});
}

// Elements whose content is not markup: they go with everything up to their end tag.
bool rawTextElement(std::string_view tag) {
    return oneOf(tag, {"script", "style", "textarea", "title", "xmp", "iframe", "noembed",
                       "noframes", "noscript"});
}

// Whether `attribute` may stand on the allowed element `tag`, and what its value must be.
bool allowedAttribute(std::string_view tag, std::string_view attribute, Value& value) {
    value = Value::Any;
    if (oneOf(attribute, {"id", "class", "title", "lang", "dir", "align", "width", "height"}))
        return true;
    if (attribute == "style") {
        value = Value::Style;
        return true;
    }
    if (tag == "a") {
        if (attribute == "href") {
            value = Value::LinkUrl;
            return true;
        }
        return oneOf(attribute, {"target", "name", "rel"});
    }
    if (tag == "img") {
        if (attribute == "src") {
            value = Value::LoadUrl;
            return true;
        }
        return oneOf(attribute, {"alt", "border", "hspace", "vspace"});
    }
    if (tag == "font")
        return oneOf(attribute, {"color", "size", "face"});
    if (tag == "hr")
        return oneOf(attribute, {"size", "noshade", "color"});
    if (tag == "object") {
        if (oneOf(attribute, {"data", "codebase"})) {
            value = Value::LoadUrl;
            return true;
        }
        if (attribute == "classid") {
            value = Value::ClassId;
            return true;
        }
        return oneOf(attribute, {"type", "name", "standby"});
    }
    if (tag == "param") {
        if (attribute == "value") {
            value = Value::ParamUrl;
            return true;
        }
        return oneOf(attribute, {"name", "valuetype", "type"});
    }
    if (tag == "embed") {
        if (oneOf(attribute, {"src", "pluginspage"})) {
            value = Value::LoadUrl;
            return true;
        }
        return oneOf(attribute, {"type", "name", "quality", "bgcolor", "wmode", "flashvars",
                                 "allowscriptaccess", "allowfullscreen", "allownetworking", "scale",
                                 "salign", "menu", "play", "loop"});
    }
    if (tag == "iframe") {
        if (attribute == "src") {
            value = Value::LoadUrl;
            return true;
        }
        return oneOf(attribute, {"frameborder", "scrolling", "marginwidth", "marginheight",
                                 "allowfullscreen", "webkitallowfullscreen", "mozallowfullscreen",
                                 "allow", "name", "referrerpolicy", "loading"});
    }
    return false;
}

// Plug-in parameters that name what the plug-in loads; a browser also takes them for the
// object's address when it has no data attribute.
bool addressParameter(std::string_view name) {
    return oneOf(name,
                 {"movie", "src", "url", "code", "codebase", "filename", "data", "href", "source"});
}

// ---- addresses ----

// The character references that can spell part of a scheme, decoded once as the browser
// decodes an attribute value; other references are left as they are, "&" and all.
std::string decodeReferences(std::string_view raw) {
    static constexpr std::array<std::pair<std::string_view, char>, 8> kNamed = {{
        {"amp;", '&'},
        {"lt;", '<'},
        {"gt;", '>'},
        {"quot;", '"'},
        {"apos;", '\''},
        {"colon;", ':'},
        {"Tab;", '\t'},
        {"NewLine;", '\n'},
    }};
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size();) {
        if (raw[i] != '&') {
            out += raw[i++];
            continue;
        }
        std::size_t j = i + 1;
        if (j < raw.size() && raw[j] == '#') {
            ++j;
            const bool hex = j < raw.size() && (raw[j] == 'x' || raw[j] == 'X');
            if (hex)
                ++j;
            const std::size_t digits = j;
            unsigned long code = 0;
            while (j < raw.size()) {
                const char c = lower(raw[j]);
                int d;
                if (c >= '0' && c <= '9')
                    d = c - '0';
                else if (hex && c >= 'a' && c <= 'f')
                    d = c - 'a' + 10;
                else
                    break;
                code = std::min<unsigned long>(code * (hex ? 16 : 10) + d, 0x110000);
                ++j;
            }
            if (j > digits) {
                if (j < raw.size() && raw[j] == ';')
                    ++j;
                // Anything outside ASCII only matters as "not a letter of a scheme".
                out += code > 0 && code < 0x80 ? static_cast<char>(code) : '\x80';
                i = j;
                continue;
            }
        } else {
            bool matched = false;
            for (const auto& [name, c] : kNamed) {
                if (raw.substr(j, name.size()) == name) {
                    out += c;
                    i = j + name.size();
                    matched = true;
                    break;
                }
            }
            if (matched)
                continue;
        }
        out += raw[i++];
    }
    return out;
}

// Whether an attribute value (as it stands in the markup) is an address that is safe to
// load or follow: http or https, or for a link also mailto or ftp, or a relative address
// that is not a network path.
bool safeAddress(std::string_view raw, bool link) {
    std::string url = decodeReferences(raw);
    // The browser's address parser drops leading and trailing controls and blanks, and tabs
    // and line breaks anywhere.
    std::erase_if(url, [](char c) { return c == '\t' || c == '\n' || c == '\r'; });
    std::string_view u = url;
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    while (!u.empty() && blank(u.front()))
        u.remove_prefix(1);
    while (!u.empty() && blank(u.back()))
        u.remove_suffix(1);

    const std::size_t stop = u.find_first_of(":/?#");
    if (stop != npos && u[stop] == ':') {
        std::string scheme(u.substr(0, stop));
        std::transform(scheme.begin(), scheme.end(), scheme.begin(), lower);
        return scheme == "http" || scheme == "https" ||
               (link && (scheme == "mailto" || scheme == "ftp"));
    }
    // A reference this reader does not decode might spell a scheme's colon.
    if (u.substr(0, stop).find('&') != npos)
        return false;
    // "//host/path" and its backslash forms reach out of a local page to a network share.
    const auto slash = [](char c) { return c == '/' || c == '\\'; };
    return !(u.size() >= 2 && slash(u[0]) && slash(u[1]));
}

bool safeClassId(std::string_view raw) {
    if (!equalsIgnoringCase(raw.substr(0, 6), "clsid:") || raw.size() == 6)
        return false;
    return std::all_of(raw.begin() + 6, raw.end(), [](char c) {
        return (c >= '0' && c <= '9') || (lower(c) >= 'a' && lower(c) <= 'f') || c == '-';
    });
}

bool safeStyle(std::string_view raw) {
    return std::all_of(raw.begin(), raw.end(), [](char c) {
        return isAlpha(c) || (c >= '0' && c <= '9') || isSpace(c) ||
               std::string_view(":;#.,%!-").find(c) != npos;
    });
}

// ---- reading tags ----

struct Attribute {
    std::string name; // lower case
    std::string_view value;
    bool hasValue = false;
    bool keep = false;
};

struct Tag {
    std::string name; // lower case
    std::vector<Attribute> attributes;
    bool selfClosing = false;
    // Written the plain way: blanks between attributes, values quoted or free of the
    // characters that make a parser stumble, no repeated names, no stray slash.
    bool plain = true;
};

// Reads a tag whose name starts at `p` (after "<" or "</") up to its ">", as the HTML
// tokenizer does. Returns the position after the ">", or npos when the markup ends first
// (a browser then drops the tag).
std::size_t readTag(std::string_view in, std::size_t p, Tag& tag) {
    const std::size_t n = in.size();
    while (p < n && !isSpace(in[p]) && in[p] != '/' && in[p] != '>')
        tag.name += lower(in[p++]);
    if (!std::all_of(tag.name.begin(), tag.name.end(),
                     [](char c) { return isAlpha(c) || (c >= '0' && c <= '9'); }))
        tag.plain = false;

    enum class State { BeforeName, Name, AfterName, BeforeValue, AfterQuoted, SelfClosing };
    State state = State::BeforeName;
    bool spaced = true; // white space stood before the next attribute
    auto startAttribute = [&] {
        if (!spaced)
            tag.plain = false;
        spaced = false;
        tag.attributes.emplace_back();
    };
    while (p < n) {
        const char c = in[p];
        switch (state) {
        case State::BeforeName:
            if (isSpace(c)) {
                spaced = true;
                ++p;
            } else if (c == '/' || c == '>') {
                state = State::AfterName;
            } else {
                startAttribute();
                if (c == '=') {
                    tag.plain = false;
                    tag.attributes.back().name += c;
                    ++p;
                }
                state = State::Name;
            }
            break;
        case State::Name:
            if (isSpace(c) || c == '/' || c == '>') {
                state = State::AfterName;
            } else if (c == '=') {
                ++p;
                state = State::BeforeValue;
            } else {
                if (c == '"' || c == '\'' || c == '<')
                    tag.plain = false;
                tag.attributes.back().name += lower(c);
                ++p;
            }
            break;
        case State::AfterName:
            if (isSpace(c)) {
                spaced = true;
                ++p;
            } else if (c == '/') {
                ++p;
                state = State::SelfClosing;
            } else if (c == '=') {
                ++p;
                state = State::BeforeValue;
            } else if (c == '>') {
                return p + 1;
            } else {
                startAttribute();
                state = State::Name;
            }
            break;
        case State::BeforeValue:
            if (isSpace(c)) {
                ++p;
            } else if (c == '"' || c == '\'') {
                const std::size_t close = in.find(c, p + 1);
                if (close == npos)
                    return npos;
                tag.attributes.back().value = in.substr(p + 1, close - p - 1);
                tag.attributes.back().hasValue = true;
                p = close + 1;
                state = State::AfterQuoted;
            } else if (c == '>') {
                tag.plain = false;
                tag.attributes.back().hasValue = true;
                return p + 1;
            } else {
                const std::size_t begin = p;
                while (p < n && !isSpace(in[p]) && in[p] != '>') {
                    if (std::string_view("\"'<=`").find(in[p]) != npos)
                        tag.plain = false;
                    ++p;
                }
                if (p >= n)
                    return npos;
                tag.attributes.back().value = in.substr(begin, p - begin);
                tag.attributes.back().hasValue = true;
                spaced = false;
                state = State::BeforeName;
            }
            break;
        case State::AfterQuoted:
            // Unlike after a name, an "=" here starts a new attribute.
            spaced = false;
            if (c == '/') {
                ++p;
                state = State::SelfClosing;
            } else if (c == '>') {
                return p + 1;
            } else {
                if (!isSpace(c))
                    tag.plain = false;
                state = State::BeforeName;
            }
            break;
        case State::SelfClosing:
            if (c == '>') {
                tag.selfClosing = true;
                return p + 1;
            }
            tag.plain = false;
            state = State::BeforeName;
            break;
        }
    }
    return npos;
}

// ---- writing ----

// Decides which attributes of an allowed start tag stay.
void judgeAttributes(Tag& tag) {
    // A parameter names what it is by its first name attribute, references decoded; a name
    // this reader cannot decode whole may be an address parameter.
    bool addressValue = false;
    for (const Attribute& a : tag.attributes)
        if (a.name == "name") {
            std::string name = decodeReferences(a.value);
            std::transform(name.begin(), name.end(), name.begin(), lower);
            addressValue = addressParameter(name) || name.find('&') != npos;
            break;
        }
    std::vector<std::string_view> seen;
    for (Attribute& a : tag.attributes) {
        if (std::find(seen.begin(), seen.end(), a.name) != seen.end()) {
            // The browser keeps the first of repeated attributes.
            tag.plain = false;
            continue;
        }
        seen.push_back(a.name);
        Value kind;
        if (!allowedAttribute(tag.name, a.name, kind)) {
            tag.plain = false;
            continue;
        }
        switch (kind) {
        case Value::Any:
            a.keep = true;
            break;
        case Value::LoadUrl:
            a.keep = safeAddress(a.value, false);
            break;
        case Value::LinkUrl:
            a.keep = safeAddress(a.value, true);
            break;
        case Value::ParamUrl:
            a.keep = !addressValue || safeAddress(a.value, false);
            break;
        case Value::ClassId:
            a.keep = safeClassId(a.value);
            break;
        case Value::Style:
            a.keep = safeStyle(a.value);
            break;
        }
        if (!a.keep)
            tag.plain = false;
    }
}

void writeStartTag(std::string& out, const Tag& tag, std::string_view source) {
    if (tag.plain) {
        out.append(source);
        return;
    }
    out += '<';
    out += tag.name;
    for (const Attribute& a : tag.attributes) {
        if (!a.keep)
            continue;
        out += ' ';
        out += a.name;
        if (a.hasValue) {
            out += "=\"";
            appendAttributeValue(out, a.value);
            out += '"';
        }
    }
    out += tag.selfClosing ? " />" : ">";
}

void writeEndTag(std::string& out, const Tag& tag, std::string_view source) {
    if (!allowedElement(tag.name))
        return;
    if (source.size() == tag.name.size() + 3) // "</name>" as it stood
        out.append(source);
    else
        out += "</" + tag.name + ">";
}

// Where the text of a raw text element `name` that starts at `from` ends: the "<" of its
// end tag, or npos when the markup ends first.
std::size_t rawTextEnd(std::string_view in, std::size_t from, std::string_view name) {
    for (std::size_t at = from;; ++at) {
        at = in.find("</", at);
        if (at == npos)
            return npos;
        const std::size_t after = at + 2 + name.size();
        if (after < in.size() && equalsIgnoringCase(in.substr(at + 2, name.size()), name) &&
            (isSpace(in[after]) || in[after] == '/' || in[after] == '>'))
            return at;
    }
}

// The position after the ">" that ends a comment-like construct at or after `from`.
std::size_t skipPast(std::string_view in, std::size_t from, std::string_view end) {
    const std::size_t at = in.find(end, from);
    return at == npos ? in.size() : at + end.size();
}

std::size_t skipComment(std::string_view in, std::size_t p) {
    // `p` is after "<!--"; "<!-->" and "<!--->" end at once.
    if (in.substr(p, 1) == ">")
        return p + 1;
    if (in.substr(p, 2) == "->")
        return p + 2;
    const std::size_t dashes = in.find("--", p);
    for (std::size_t at = dashes; at != npos; at = in.find("--", at + 1)) {
        if (in.substr(at + 2, 1) == ">")
            return at + 3;
        if (in.substr(at + 2, 2) == "!>")
            return at + 4;
    }
    return in.size();
}

} // namespace

void appendAttributeValue(std::string& out, std::string_view raw) {
    for (const char c : raw) {
        switch (c) {
        case '"':
            out += "&quot;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
}

std::string safeMarkup(std::string_view in) {
    std::string out;
    out.reserve(in.size());
    const std::size_t n = in.size();
    std::size_t i = 0;
    while (i < n) {
        const std::size_t lt = in.find('<', i);
        if (lt == npos) {
            out.append(in.substr(i));
            break;
        }
        out.append(in.substr(i, lt - i));
        i = lt;
        const char c = i + 1 < n ? in[i + 1] : '\0';
        if (i + 1 < n && isAlpha(c)) {
            Tag tag;
            const std::size_t end = readTag(in, i + 1, tag);
            if (end == npos)
                break; // a tag cut off by the end of the markup is dropped
            const std::string_view source = in.substr(i, end - i);
            i = end;
            if (allowedElement(tag.name)) {
                judgeAttributes(tag);
                writeStartTag(out, tag, source);
            }
            if (tag.name == "plaintext")
                break; // everything after it is text of an element that is not kept
            if (rawTextElement(tag.name)) {
                // Its text goes; its end tag is read like any other.
                const std::size_t close = rawTextEnd(in, i, tag.name);
                i = close == npos ? n : close;
            }
        } else if (c == '/' && i + 2 < n && isAlpha(in[i + 2])) {
            Tag tag;
            const std::size_t end = readTag(in, i + 2, tag);
            if (end == npos)
                break;
            writeEndTag(out, tag, in.substr(i, end - i));
            i = end;
        } else if (c == '/' && i + 2 < n && in[i + 2] == '>') {
            i += 3; // "</>" is nothing
        } else if (c == '/' && i + 2 < n) {
            i = skipPast(in, i + 2, ">"); // a bogus comment
        } else if (c == '!' && in.substr(i + 2, 2) == "--") {
            i = skipComment(in, i + 4);
        } else if (c == '!' || c == '?') {
            i = skipPast(in, i + 2, ">"); // declarations and processing instructions
        } else {
            out += "&lt;";
            ++i;
        }
    }
    return out;
}
