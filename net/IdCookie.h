#pragma once
// Cookies as servers set them, and the collection that keeps them by domain.
#include <memory>
#include <shared_mutex>
#include <string>
#include <vector>

class TIdNetscapeCookie {
public:
    virtual ~TIdNetscapeCookie() = default;
    std::string CookieName;
    std::string Value;
    std::string Domain;
    std::string Path;
    // An Internet date text; empty when the cookie lasts for the run (also when the server's
    // date could not be read).
    std::string Expires;
    bool Secure = false;
    int MaxAge = -1;
    std::string Version;
    std::string Comment;

    // Reads a "Set-cookie" value: name=value, then ";"-separated attributes.
    virtual void Parse(const std::string& text);
    // Takes over every field of `other`.
    virtual void Assign(const TIdNetscapeCookie& other);
    // "name=value".
    std::string CookieText() const { return CookieName + "=" + Value; }
    virtual const char* ClassName() const { return "TIdNetscapeCookie"; }

protected:
    // An attribute (upper-cased name) of the text; flags come with an empty value.
    virtual void SetAttribute(const std::string& name, const std::string& value, bool flag);
};

// From a "Set-cookie" header.
class TIdCookieRFC2109 : public TIdNetscapeCookie {
public:
    const char* ClassName() const override { return "TIdCookieRFC2109"; }
};

// From a "Set-cookie2" header.
class TIdCookieRFC2965 : public TIdCookieRFC2109 {
public:
    std::string CommentURL;
    bool Discard = false;
    std::string PortList;
    void Assign(const TIdNetscapeCookie& other) override;
    const char* ClassName() const override { return "TIdCookieRFC2965"; }

protected:
    void SetAttribute(const std::string& name, const std::string& value, bool flag) override;
};

// The cookies of one domain key, in order of arrival.
struct TIdCookieDomain {
    std::string Domain;
    std::vector<std::unique_ptr<TIdNetscapeCookie>> Cookies;
};

// Domain keys (ignoring case) in order of creation, each with its cookies keyed by name
// (ignoring case). Guarded by a readers/writer lock.
class TIdCookies {
public:
    // Stores under the cookie's domain; a cookie of the same name takes the new fields.
    void Add(std::unique_ptr<TIdNetscapeCookie> cookie);
    // Removes every cookie whose expiry has come; one without a readable expiry lasts for the
    // run.
    void RemoveExpired();
    std::size_t Count() const;
    std::vector<TIdCookieDomain>& Domains() { return domains_; }
    const std::vector<TIdCookieDomain>& Domains() const { return domains_; }
    std::shared_mutex& Lock() const { return lock_; }

private:
    std::vector<TIdCookieDomain> domains_;
    mutable std::shared_mutex lock_;
};
