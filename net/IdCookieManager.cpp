#include "net/IdCookieManager.h"

#include "net/IdGlobal.h"

#include <algorithm>
#include <mutex>

void TIdCookieManager::AddCookies(const TIdHeaderList& headers, const std::string& host) {
    for (const std::string& value : headers.AllValues("Set-cookie"))
        AddCookie(value, host);
    for (const std::string& value : headers.AllValues("Set-cookie2"))
        AddCookie2(value, host);
}

void TIdCookieManager::AddCookie(const std::string& setCookie, const std::string& host) {
    store(std::make_unique<TIdCookieRFC2109>(), setCookie, host);
}

void TIdCookieManager::AddCookie2(const std::string& setCookie2, const std::string& host) {
    store(std::make_unique<TIdCookieRFC2965>(), setCookie2, host);
}

void TIdCookieManager::store(std::unique_ptr<TIdNetscapeCookie> cookie, const std::string& text,
                             const std::string& host) {
    cookie->Parse(text);
    // A CR, LF or NUL would go out in the "Cookie" line and start a header of its own.
    if (idglobal::hasLineBreakOrNul(cookie->CookieName) ||
        idglobal::hasLineBreakOrNul(cookie->Value))
        return;
    if (cookie->Domain.empty())
        cookie->Domain = host;
    if (AcceptDomain(cookie->Domain, host))
        cookies_.Add(std::move(cookie));
}

bool TIdCookieManager::AcceptDomain(const std::string& domain, const std::string& host) {
    if (idglobal::isDottedQuad(host))
        return domain == host;
    if (domain.empty() || domain[0] != '.')
        return domain == host;
    const std::size_t dot = host.find('.');
    return dot != std::string::npos && domain == host.substr(dot);
}

bool TIdCookieManager::DomainMatches(const std::string& key, const std::string& host) {
    if (key.empty() || key.size() > host.size())
        return false;
    const std::size_t offset = host.size() - key.size();
    if (!idglobal::sameText(std::string_view(host).substr(offset), key))
        return false;
    return offset == 0 || key[0] == '.' || host[offset - 1] == '.';
}

std::string TIdCookieManager::GenerateCookieList(const std::string& host, const std::string& path) {
    cookies_.RemoveExpired();
    struct Chosen {
        std::string path;
        std::string text;
    };
    std::vector<Chosen> chosen;
    {
        std::shared_lock lock(cookies_.Lock());
        for (const TIdCookieDomain& d : cookies_.Domains()) {
            if (!DomainMatches(d.Domain, host))
                continue;
            for (auto it = d.Cookies.rbegin(); it != d.Cookies.rend(); ++it) {
                const TIdNetscapeCookie& c = **it;
                if (!c.Path.empty() && path.compare(0, c.Path.size(), c.Path) == 0 && !c.Secure &&
                    !c.Value.empty())
                    chosen.push_back({idglobal::upperCase(c.Path), c.CookieText()});
            }
        }
    }
    std::stable_sort(chosen.begin(), chosen.end(),
                     [](const Chosen& a, const Chosen& b) { return a.path > b.path; });
    std::string line;
    for (const Chosen& c : chosen) {
        if (!line.empty())
            line += "; ";
        line += c.text;
    }
    return line;
}
