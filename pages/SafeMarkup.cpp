#include "pages/SafeMarkup.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <span>

namespace {

constexpr std::size_t npos = std::string_view::npos;

// The HTML parser's white space (a CR is read as a line feed).
bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
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
    LoadUrl,  // an address the browser loads: http or https
    LinkUrl,  // an address the user may follow: also mailto
    ParamUrl, // a plug-in parameter; an address when the parameter's name says so
    ClassId,  // "clsid:" and a class number
    Style,    // plain declarations that leave the element in the flow of the page
};

struct AttributeRule {
    std::string_view name;
    Value value = Value::Any;
};

struct ElementRule {
    std::string_view name;
    std::span<const AttributeRule> attributes = {}; // besides kCommonAttributes
};

// The attributes every allowed element may carry.
constexpr AttributeRule kCommonAttributes[] = {
    {"id"},    {"class"},  {"title"},
    {"lang"},  {"dir"},    {"align"},
    {"width"}, {"height"}, {"style", Value::Style},
};

constexpr AttributeRule kLinkAttributes[] = {
    {"href", Value::LinkUrl},
    {"target"},
    {"name"},
    {"rel"},
};

constexpr AttributeRule kEmbedAttributes[] = {
    {"src", Value::LoadUrl},
    {"pluginspage", Value::LoadUrl},
    {"type"},
    {"name"},
    {"quality"},
    {"bgcolor"},
    {"wmode"},
    {"flashvars"},
    {"allowscriptaccess"},
    {"allowfullscreen"},
    {"allownetworking"},
    {"scale"},
    {"salign"},
    {"menu"},
    {"play"},
    {"loop"},
};

constexpr AttributeRule kFontAttributes[] = {{"color"}, {"size"}, {"face"}};

constexpr AttributeRule kRuleAttributes[] = {{"size"}, {"noshade"}, {"color"}};

// No "allow": it grants the framed page the camera, the microphone, the location.
constexpr AttributeRule kFrameAttributes[] = {
    {"src", Value::LoadUrl},
    {"frameborder"},
    {"scrolling"},
    {"marginwidth"},
    {"marginheight"},
    {"allowfullscreen"},
    {"webkitallowfullscreen"},
    {"mozallowfullscreen"},
    {"name"},
    {"referrerpolicy"},
    {"loading"},
};

constexpr AttributeRule kImageAttributes[] = {
    {"src", Value::LoadUrl}, {"alt"}, {"border"}, {"hspace"}, {"vspace"},
};

constexpr AttributeRule kObjectAttributes[] = {
    {"data", Value::LoadUrl},
    {"codebase", Value::LoadUrl},
    {"classid", Value::ClassId},
    {"type"},
    {"name"},
    {"standby"},
};

constexpr AttributeRule kParamAttributes[] = {
    {"value", Value::ParamUrl},
    {"name"},
    {"valuetype"},
    {"type"},
};

// The allowed elements; every other element goes (its content stays, unless it is one of
// the raw text elements below).
constexpr ElementRule kElements[] = {
    {"a", kLinkAttributes},
    {"b"},
    {"big"},
    {"br"},
    {"center"},
    {"div"},
    {"em"},
    {"embed", kEmbedAttributes},
    {"font", kFontAttributes},
    {"hr", kRuleAttributes},
    {"i"},
    {"iframe", kFrameAttributes},
    {"img", kImageAttributes},
    {"li"},
    {"object", kObjectAttributes},
    {"ol"},
    {"p"},
    {"param", kParamAttributes},
    {"s"},
    {"small"},
    {"span"},
    {"strike"},
    {"strong"},
    {"sub"},
    {"sup"},
    {"u"},
    {"ul"},
};

// An element's attributes are numbered, the common ones first; a tag notes by number which
// it has met.
constexpr std::size_t kMaxAttributes = 32;
static_assert(std::ranges::all_of(kElements, [](const ElementRule& e) {
    return std::size(kCommonAttributes) + e.attributes.size() <= kMaxAttributes;
}));

// The longest element and attribute names worth reading whole; a longer one matches nothing.
constexpr std::size_t kLongestName = 24;

const ElementRule* findElement(std::string_view name) {
    for (const ElementRule& e : kElements)
        if (e.name == name)
            return &e;
    return nullptr;
}

// The number of `name` among the element's attributes, or -1 when it may not stand there.
int findAttribute(const ElementRule& element, std::string_view name) {
    for (std::size_t k = 0; k < std::size(kCommonAttributes); ++k)
        if (kCommonAttributes[k].name == name)
            return static_cast<int>(k);
    for (std::size_t k = 0; k < element.attributes.size(); ++k)
        if (element.attributes[k].name == name)
            return static_cast<int>(std::size(kCommonAttributes) + k);
    return -1;
}

const AttributeRule& attributeRule(const ElementRule& element, int number) {
    const auto k = static_cast<std::size_t>(number);
    return k < std::size(kCommonAttributes) ? kCommonAttributes[k]
                                            : element.attributes[k - std::size(kCommonAttributes)];
}

// Elements whose content is not markup: they go with everything up to their end tag.
bool rawTextElement(std::string_view tag) {
    return oneOf(tag, {"script", "style", "textarea", "title", "xmp", "iframe", "noembed",
                       "noframes", "noscript"});
}

// Plug-in parameters that name what the plug-in loads; a browser also takes them for the
// object's address when it has no data attribute.
bool addressParameter(std::string_view name) {
    return oneOf(name,
                 {"movie", "src", "url", "code", "codebase", "filename", "data", "href", "source"});
}

// ---- character references ----

struct NamedReference {
    std::string_view name; // as written between "&" and ";"
    std::string_view text;
};

// The named character references that stand for ASCII text. 0x80 stands for the combining
// mark that follows the character in the last three.
constexpr NamedReference kAsciiReferences[] = {
    {"Tab", "\t"},         {"NewLine", "\n"},
    {"excl", "!"},         {"quot", "\""},
    {"QUOT", "\""},        {"num", "#"},
    {"dollar", "$"},       {"percnt", "%"},
    {"amp", "&"},          {"AMP", "&"},
    {"apos", "'"},         {"lpar", "("},
    {"rpar", ")"},         {"ast", "*"},
    {"midast", "*"},       {"plus", "+"},
    {"comma", ","},        {"period", "."},
    {"sol", "/"},          {"colon", ":"},
    {"semi", ";"},         {"lt", "<"},
    {"LT", "<"},           {"equals", "="},
    {"gt", ">"},           {"GT", ">"},
    {"quest", "?"},        {"commat", "@"},
    {"lsqb", "["},         {"lbrack", "["},
    {"bsol", "\\"},        {"rsqb", "]"},
    {"rbrack", "]"},       {"Hat", "^"},
    {"lowbar", "_"},       {"UnderBar", "_"},
    {"grave", "`"},        {"DiacriticalGrave", "`"},
    {"lcub", "{"},         {"lbrace", "{"},
    {"verbar", "|"},       {"vert", "|"},
    {"VerticalLine", "|"}, {"rcub", "}"},
    {"rbrace", "}"},       {"fjlig", "fj"},
    {"nvlt", "<\x80"},     {"nvgt", ">\x80"},
    {"bne", "=\x80"},
};

// Of those, the ones a browser also reads without their ";" (in an attribute value only when
// neither a letter, a digit nor "=" follows).
constexpr std::string_view kLegacyReferences[] = {"amp", "AMP", "lt",   "LT",
                                                  "gt",  "GT",  "quot", "QUOT"};

// An attribute value character by character as the browser decodes it: every reference to
// an ASCII character (named or numeric, with or without ";" as the browser reads it) becomes
// that character, a numeric one to anything else becomes 0x80, and the references that stand
// for other characters are left as written ("&" and all), which no check takes for a letter.
class DecodedValue {
public:
    explicit DecodedValue(std::string_view raw) : raw_(raw) {}

    // The next character as an unsigned byte, or -1 at the end.
    int next() {
        if (!pending_.empty()) {
            const char c = pending_.front();
            pending_.remove_prefix(1);
            return static_cast<unsigned char>(c);
        }
        if (at_ >= raw_.size())
            return -1;
        if (raw_[at_] == '&' && reference())
            return next();
        return static_cast<unsigned char>(raw_[at_++]);
    }

private:
    // Reads the reference at at_ into pending_; false when there is none.
    bool reference() {
        std::size_t j = at_ + 1;
        if (j < raw_.size() && raw_[j] == '#') {
            ++j;
            const bool hex = j < raw_.size() && lower(raw_[j]) == 'x';
            j += hex;
            const std::size_t digits = j;
            unsigned long code = 0;
            for (; j < raw_.size(); ++j) {
                const char c = lower(raw_[j]);
                int d;
                if (c >= '0' && c <= '9')
                    d = c - '0';
                else if (hex && c >= 'a' && c <= 'f')
                    d = c - 'a' + 10;
                else
                    break;
                code = std::min<unsigned long>(code * (hex ? 16 : 10) + d, 0x110000);
            }
            if (j == digits)
                return false;
            if (j < raw_.size() && raw_[j] == ';')
                ++j;
            // Anything outside ASCII (or NUL, which the browser replaces) only matters as
            // "not ASCII".
            char_ = code > 0 && code < 0x80 ? static_cast<char>(code) : '\x80';
            pending_ = std::string_view(&char_, 1);
            at_ = j;
            return true;
        }
        while (j < raw_.size() && j - at_ <= kLongestName && (isAlpha(raw_[j]) || isDigit(raw_[j])))
            ++j;
        const std::string_view name = raw_.substr(at_ + 1, j - at_ - 1);
        if (j < raw_.size() && raw_[j] == ';') {
            for (const NamedReference& r : kAsciiReferences)
                if (r.name == name) {
                    pending_ = r.text;
                    at_ = j + 1;
                    return true;
                }
        }
        for (const std::string_view legacy : kLegacyReferences) {
            if (name.substr(0, legacy.size()) != legacy)
                continue;
            const std::size_t after = at_ + 1 + legacy.size();
            if (after < raw_.size() &&
                (isAlpha(raw_[after]) || isDigit(raw_[after]) || raw_[after] == '='))
                return false;
            pending_ = std::find_if(std::begin(kAsciiReferences), std::end(kAsciiReferences),
                                    [&](const NamedReference& r) { return r.name == legacy; })
                           ->text;
            at_ = after;
            return true;
        }
        return false;
    }

    std::string_view raw_;
    std::size_t at_ = 0;
    std::string_view pending_;
    char char_ = 0;
};

// ---- values ----

// Whether an attribute value (as it stands in the markup) is an absolute address that is
// safe to load or follow: http or https, or for a link also mailto. main.html is a local
// file, so a relative address (a path, "//host", "\\host") would name a local file or share.
bool safeAddress(std::string_view raw, bool link) {
    DecodedValue value(raw);
    int c = value.next();
    // The browser's address parser drops leading controls and blanks, and tabs and line
    // breaks anywhere.
    while (c >= 0 && c <= 0x20)
        c = value.next();
    std::string scheme;
    for (; c >= 0 && c != ':'; c = value.next()) {
        if (c == '\t' || c == '\n' || c == '\r')
            continue;
        if (scheme.size() == 6)
            return false;
        scheme += lower(static_cast<char>(c));
    }
    return c == ':' && (scheme == "http" || scheme == "https" || (link && scheme == "mailto"));
}

// Whether a parameter's name (the value of its first name attribute) may make its value an
// address: one of the address parameters, or a name with a reference this reader leaves as
// it is.
bool addressName(std::string_view raw) {
    DecodedValue value(raw);
    std::string name;
    bool whole = true;
    for (int c = value.next(); c >= 0; c = value.next()) {
        if (c == '&')
            return true;
        if (name.size() == kLongestName)
            whole = false;
        else
            name += lower(static_cast<char>(c));
    }
    return whole && addressParameter(name);
}

bool safeClassId(std::string_view raw) {
    if (!equalsIgnoringCase(raw.substr(0, 6), "clsid:") || raw.size() == 6)
        return false;
    return std::all_of(raw.begin() + 6, raw.end(), [](char c) {
        return (c >= '0' && c <= '9') || (lower(c) >= 'a' && lower(c) <= 'f') || c == '-';
    });
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

// Only plain declarations: no functions, escapes, comments, quotes or references, so the
// browser reads the value exactly as it is written here. And no element taken out of the
// flow of the page to be placed over it: a position other than static or relative goes.
bool safeStyle(std::string_view raw) {
    if (!std::all_of(raw.begin(), raw.end(), [](char c) {
            return isAlpha(c) || isDigit(c) || isSpace(c) ||
                   std::string_view(":;#.,%!-").find(c) != npos;
        }))
        return false;
    for (std::size_t from = 0; from <= raw.size();) {
        const std::size_t end = std::min(raw.find(';', from), raw.size());
        const std::string_view declaration = raw.substr(from, end - from);
        from = end + 1;
        const std::size_t colon = declaration.find(':');
        if (colon == npos || !equalsIgnoringCase(trimmed(declaration.substr(0, colon)), "position"))
            continue;
        std::string_view value = trimmed(declaration.substr(colon + 1));
        value = value.substr(0, std::min(value.find_first_of(" \t\n\r\f!"), value.size()));
        if (!equalsIgnoringCase(value, "static") && !equalsIgnoringCase(value, "relative"))
            return false;
    }
    return true;
}

// ---- reading tags ----

struct Attribute {
    const AttributeRule* rule;
    std::string_view value;
    bool hasValue;
    bool keep;
};

// A name read in lower case, up to kLongestName characters; a longer one is no name of the
// allow-list.
class Name {
public:
    void add(char c) {
        if (size_ < kLongestName)
            text_[size_] = lower(c);
        ++size_;
    }
    std::string_view view() const {
        return size_ <= kLongestName ? std::string_view(text_.data(), size_) : std::string_view();
    }

private:
    std::array<char, kLongestName> text_;
    std::size_t size_ = 0;
};

struct Tag {
    Name name;
    // For a start tag of an allowed element: its rule and the first attribute of each name
    // the element allows, in the order they stand (the browser keeps the first of repeated
    // attributes). Nothing else of a tag is kept, so reading one costs no memory.
    const ElementRule* element = nullptr;
    std::array<Attribute, kMaxAttributes> attributes;
    std::size_t count = 0;
    std::uint32_t met = 0; // the numbers of the allowed attributes read so far
    bool selfClosing = false;
    // Written the plain way: blanks between attributes, values quoted or free of the
    // characters that make a parser stumble, no repeated names, no stray slash.
    bool plain = true;
};

// Reads a tag whose name starts at `p` (after "<" or "</") up to its ">", as the HTML
// tokenizer does; for a start tag (`start`) of an allowed element, notes its attributes.
// Returns the position after the ">", or npos when the markup ends first (a browser then
// drops the tag).
std::size_t readTag(std::string_view in, std::size_t p, Tag& tag, bool start) {
    const std::size_t n = in.size();
    bool alphanumeric = true;
    while (p < n && !isSpace(in[p]) && in[p] != '/' && in[p] != '>') {
        alphanumeric = alphanumeric && (isAlpha(in[p]) || isDigit(in[p]));
        tag.name.add(in[p++]);
    }
    if (!alphanumeric)
        tag.plain = false;
    if (start)
        tag.element = findElement(tag.name.view());

    enum class State { BeforeName, Name, AfterName, BeforeValue, AfterQuoted, SelfClosing };
    State state = State::BeforeName;
    bool spaced = true;           // white space stood before the next attribute
    Name name;                    // the attribute being read
    Attribute* current = nullptr; // where its value goes, when it is kept
    auto startAttribute = [&] {
        if (!spaced)
            tag.plain = false;
        spaced = false;
        name = Name();
    };
    auto endName = [&] {
        current = nullptr;
        if (!tag.element)
            return;
        const int number = findAttribute(*tag.element, name.view());
        if (number < 0 || (tag.met >> number & 1u)) {
            tag.plain = false;
            return;
        }
        tag.met |= 1u << number;
        current = &tag.attributes[tag.count++];
        *current = {&attributeRule(*tag.element, number), {}, false, false};
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
                    name.add(c);
                    ++p;
                }
                state = State::Name;
            }
            break;
        case State::Name:
            if (isSpace(c) || c == '/' || c == '>') {
                endName();
                state = State::AfterName;
            } else if (c == '=') {
                endName();
                ++p;
                state = State::BeforeValue;
            } else {
                if (c == '"' || c == '\'' || c == '<')
                    tag.plain = false;
                name.add(c);
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
                if (current) {
                    current->value = in.substr(p + 1, close - p - 1);
                    current->hasValue = true;
                }
                p = close + 1;
                state = State::AfterQuoted;
            } else if (c == '>') {
                tag.plain = false;
                if (current)
                    current->hasValue = true;
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
                if (current) {
                    current->value = in.substr(begin, p - begin);
                    current->hasValue = true;
                }
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
    // A parameter names what it is by its first name attribute.
    bool addressValue = false;
    for (std::size_t k = 0; k < tag.count; ++k)
        if (tag.attributes[k].rule->name == "name")
            addressValue = addressName(tag.attributes[k].value);
    for (std::size_t k = 0; k < tag.count; ++k) {
        Attribute& a = tag.attributes[k];
        switch (a.rule->value) {
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

// Where the filter writes: the page, or (in a first pass) only its size, so the page is
// made in one piece of exactly its size.
struct SizeOnly {
    std::size_t size = 0;
    void append(std::string_view s) { size += s.size(); }
    SizeOnly& operator+=(std::string_view s) {
        size += s.size();
        return *this;
    }
    SizeOnly& operator+=(char) {
        ++size;
        return *this;
    }
};

template <class Out> void appendValue(Out& out, std::string_view raw) {
    std::size_t from = 0;
    for (std::size_t k = 0; k < raw.size(); ++k) {
        const char c = raw[k];
        if (c != '"' && c != '<' && c != '>')
            continue;
        out.append(raw.substr(from, k - from));
        out += c == '"' ? "&quot;" : c == '<' ? "&lt;" : "&gt;";
        from = k + 1;
    }
    out.append(raw.substr(from));
}

template <class Out> void writeStartTag(Out& out, const Tag& tag, std::string_view source) {
    if (tag.plain) {
        out.append(source);
        return;
    }
    out += '<';
    out += tag.element->name;
    for (std::size_t k = 0; k < tag.count; ++k) {
        const Attribute& a = tag.attributes[k];
        if (!a.keep)
            continue;
        out += ' ';
        out += a.rule->name;
        if (a.hasValue) {
            out += "=\"";
            appendValue(out, a.value);
            out += '"';
        }
    }
    out += tag.selfClosing ? " />" : ">";
}

template <class Out> void writeEndTag(Out& out, const Tag& tag, std::string_view source) {
    const ElementRule* element = findElement(tag.name.view());
    if (!element)
        return;
    if (source.size() == element->name.size() + 3) // "</name>" as it stood
        out.append(source);
    else {
        out += "</";
        out += element->name;
        out += '>';
    }
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

template <class Out> void filter(std::string_view in, Out& out) {
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
            const std::size_t end = readTag(in, i + 1, tag, true);
            if (end == npos)
                break; // a tag cut off by the end of the markup is dropped
            const std::string_view source = in.substr(i, end - i);
            i = end;
            if (tag.element) {
                judgeAttributes(tag);
                writeStartTag(out, tag, source);
            }
            const std::string_view name = tag.name.view();
            if (name == "plaintext")
                break; // everything after it is text of an element that is not kept
            if (rawTextElement(name)) {
                // Its text goes; its end tag is read like any other.
                const std::size_t close = rawTextEnd(in, i, name);
                i = close == npos ? n : close;
            }
        } else if (c == '/' && i + 2 < n && isAlpha(in[i + 2])) {
            Tag tag;
            const std::size_t end = readTag(in, i + 2, tag, false);
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
            // A "<" that starts nothing is text; so is each of a run of them but the last.
            do {
                out += "&lt;";
                ++i;
            } while (i + 1 < n && in[i] == '<' && in[i + 1] == '<');
        }
    }
}

} // namespace

void appendAttributeValue(std::string& out, std::string_view raw) {
    appendValue(out, raw);
}

std::string safeMarkup(std::string_view in) {
    SizeOnly size;
    filter(in, size);
    std::string out;
    out.reserve(size.size);
    filter(in, out);
    return out;
}
