#include "net/IdCookie.h"

#include "net/IdGlobal.h"

#include <mutex>

void TIdNetscapeCookie::Parse(const std::string& text) {
    bool first = true;
    bool hasExpires = false;
    TDateTime when = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string part = idglobal::trim(std::string_view(text).substr(start, end - start));
        start = end + 1;
        const std::size_t eq = part.find('=');
        if (first) {
            first = false;
            CookieName = part.substr(0, eq);
            Value = eq == std::string::npos ? std::string() : part.substr(eq + 1);
            continue;
        }
        if (part.empty())
            continue;
        if (eq == std::string::npos) {
            SetAttribute(idglobal::upperCase(part), std::string(), true);
        } else {
            const std::string name = idglobal::upperCase(idglobal::trim(part.substr(0, eq)));
            if (name == "EXPIRES")
                hasExpires = idglobal::tryInternetDate(idglobal::trim(part.substr(eq + 1)), when);
            SetAttribute(name, idglobal::trim(part.substr(eq + 1)), false);
        }
    }
    if (!hasExpires && MaxAge >= 0)
        Expires = idglobal::dateTimeToInternetText(idglobal::nowDateTime() +
                                                   static_cast<double>(MaxAge) / 86400.0);
}

void TIdNetscapeCookie::SetAttribute(const std::string& name, const std::string& value, bool flag) {
    if (flag) {
        if (name == "SECURE")
            Secure = true;
        return;
    }
    if (name == "PATH") {
        std::string p = value;
        if (!p.empty() && p.front() == '"')
            p.erase(0, 1);
        if (!p.empty() && p.back() == '"')
            p.pop_back();
        Path = p;
    } else if (name == "EXPIRES") {
        // A date that cannot be read makes no expiry: the cookie lasts for the run.
        TDateTime when = 0;
        Expires = idglobal::tryInternetDate(value, when) ? value : std::string();
    } else if (name == "DOMAIN") {
        Domain = value;
    } else if (name == "MAX-AGE") {
        std::int64_t v = -1;
        MaxAge = (idglobal::tryDecimal(value, v) && v >= INT32_MIN && v <= INT32_MAX)
                     ? static_cast<int>(v)
                     : -1;
    } else if (name == "VERSION") {
        Version = value;
    } else if (name == "COMMENT") {
        Comment = value;
    }
}

void TIdNetscapeCookie::Assign(const TIdNetscapeCookie& other) {
    CookieName = other.CookieName;
    Value = other.Value;
    Domain = other.Domain;
    Path = other.Path;
    Expires = other.Expires;
    Secure = other.Secure;
    MaxAge = other.MaxAge;
    Version = other.Version;
    Comment = other.Comment;
}

void TIdCookieRFC2965::Assign(const TIdNetscapeCookie& other) {
    TIdNetscapeCookie::Assign(other);
    if (const auto* o = dynamic_cast<const TIdCookieRFC2965*>(&other)) {
        CommentURL = o->CommentURL;
        Discard = o->Discard;
        PortList = o->PortList;
    }
}

void TIdCookieRFC2965::SetAttribute(const std::string& name, const std::string& value, bool flag) {
    if (flag && name == "DISCARD")
        Discard = true;
    else if (!flag && name == "COMMENTURL")
        CommentURL = value;
    else if (!flag && name == "PORT")
        PortList = value;
    else
        TIdCookieRFC2109::SetAttribute(name, value, flag);
}

void TIdCookies::Add(std::unique_ptr<TIdNetscapeCookie> cookie) {
    std::unique_lock lock(lock_);
    TIdCookieDomain* domain = nullptr;
    for (TIdCookieDomain& d : domains_)
        if (idglobal::sameText(d.Domain, cookie->Domain)) {
            domain = &d;
            break;
        }
    if (domain == nullptr) {
        domains_.push_back(TIdCookieDomain{cookie->Domain, {}});
        domain = &domains_.back();
    }
    for (auto& stored : domain->Cookies)
        if (idglobal::sameText(stored->CookieName, cookie->CookieName)) {
            stored->Assign(*cookie);
            return;
        }
    domain->Cookies.push_back(std::move(cookie));
}

void TIdCookies::RemoveExpired() {
    std::unique_lock lock(lock_);
    const TDateTime now = idglobal::nowDateTime();
    for (TIdCookieDomain& d : domains_) {
        std::erase_if(d.Cookies, [now](const std::unique_ptr<TIdNetscapeCookie>& c) {
            TDateTime expiry = 0;
            return idglobal::tryInternetDate(c->Expires, expiry) && expiry <= now;
        });
    }
}

std::size_t TIdCookies::Count() const {
    std::shared_lock lock(lock_);
    std::size_t n = 0;
    for (const TIdCookieDomain& d : domains_)
        n += d.Cookies.size();
    return n;
}
