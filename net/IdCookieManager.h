#pragma once
// The client's in-memory cookie store: records the cookies of every header block and builds
// the "Cookie" line of every request.
#include "net/IdCookie.h"
#include "net/IdHeaderList.h"

#include <string>

class TIdCookieManager {
public:
    // Records the "Set-cookie" values, then the "Set-cookie2" values, of a header block that
    // came from the origin server `host`.
    void AddCookies(const TIdHeaderList& headers, const std::string& host);
    // Parses and, when acceptable for `host`, stores one value; a cookie whose name or value
    // holds a CR, LF or NUL is refused.
    void AddCookie(const std::string& setCookie, const std::string& host);
    void AddCookie2(const std::string& setCookie2, const std::string& host);

    // The value of the "Cookie" line for a request to `host` with the directory `path`, or
    // empty text when no cookie matches. Removes expired cookies first.
    std::string GenerateCookieList(const std::string& host, const std::string& path);

    // Whether a cookie with this domain may be set by `host`.
    static bool AcceptDomain(const std::string& domain, const std::string& host);
    // Whether a stored domain key applies to `host`: equal to it, or a suffix of it that
    // starts at a dot, ignoring case.
    static bool DomainMatches(const std::string& key, const std::string& host);

    TIdCookies& CookieCollection() { return cookies_; }

private:
    void store(std::unique_ptr<TIdNetscapeCookie> cookie, const std::string& text,
               const std::string& host);
    TIdCookies cookies_;
};
