// The cookie store: parsing, acceptance, replacement, expiry, matching and the "Cookie" line,
// alone and through the client.
#include "net/IdCookieManager.h"
#include "net/IdGlobal.h"
#include "net/IdHTTP.h"
#include "support/net/ScriptedServer.h"

#include <gtest/gtest.h>

namespace {

using ztest::ScriptedServer;

TEST(CookieParseTest, ReadsNameValueAndAttributes) {
    TIdCookieRFC2109 c;
    c.Parse("SID=abc=def ; Path=\"/d/\"; DOMAIN=.x.y; secure; Max-Age=60; Version=1; "
            "Comment=hi; Expires=Wed, 09 Jun 2100 10:18:14 GMT");
    EXPECT_EQ(c.CookieName, "SID");
    EXPECT_EQ(c.Value, "abc=def");
    EXPECT_EQ(c.Path, "/d/");
    EXPECT_EQ(c.Domain, ".x.y");
    EXPECT_TRUE(c.Secure);
    EXPECT_EQ(c.MaxAge, 60);
    EXPECT_EQ(c.Version, "1");
    EXPECT_EQ(c.Comment, "hi");
    EXPECT_EQ(c.Expires, "Wed, 09 Jun 2100 10:18:14 GMT");

    TIdCookieRFC2109 plain;
    plain.Parse("flag");
    EXPECT_EQ(plain.CookieName, "flag");
    EXPECT_EQ(plain.Value, "");
    EXPECT_EQ(plain.Path, "");
    EXPECT_EQ(plain.MaxAge, -1);
    EXPECT_EQ(plain.Expires, "");

    TIdCookieRFC2109 aged;
    aged.Parse("a=1; max-age=3600");
    TDateTime expiry = 0;
    ASSERT_TRUE(idglobal::tryInternetDate(aged.Expires, expiry));
    const double hours = (expiry - idglobal::nowDateTime()) * 24;
    EXPECT_GT(hours, 0.9);
    EXPECT_LT(hours, 1.1);

    TIdCookieRFC2109 badAge;
    badAge.Parse("a=1; max-age=soon");
    EXPECT_EQ(badAge.MaxAge, -1);
    EXPECT_EQ(badAge.Expires, "");

    // An expiry that cannot be read is no expiry: a cookie for the run, or the max-age rules.
    TIdCookieRFC2109 badDate;
    badDate.Parse("a=1; expires=never");
    EXPECT_EQ(badDate.Expires, "");
    TIdCookieRFC2109 badDateAged;
    badDateAged.Parse("a=1; max-age=3600; expires=31 Foo 2100");
    ASSERT_TRUE(idglobal::tryInternetDate(badDateAged.Expires, expiry));
    EXPECT_GT(expiry, idglobal::nowDateTime());
}

TEST(CookieAcceptTest, DomainsAHostMaySet) {
    const struct {
        const char* domain;
        const char* host;
        bool accepted;
    } cases[] = {
        {"w.x.y", "w.x.y", true},         {"x.y", "w.x.y", false},
        {".x.y", "w.x.y", true},          {".X.Y", "w.x.y", false},
        {"W.X.Y", "w.x.y", false},        {".y", "w.x.y", false},
        {".other", "w.x.y", false},       {"127.0.0.1", "127.0.0.1", true},
        {".0.0.1", "127.0.0.1", false},   {".localhost", "localhost", false},
        {"localhost", "localhost", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.domain) + " from " + c.host);
        EXPECT_EQ(TIdCookieManager::AcceptDomain(c.domain, c.host), c.accepted);
    }
}

TEST(CookieMatchTest, ADomainKeyMatchesOnlyAtADotBoundary) {
    const struct {
        const char* key;
        const char* host;
        bool matches;
    } cases[] = {
        {"w.x.y", "w.x.y", true},         {"w.x.y", "W.X.Y", true},
        {"w.x.y", "a.w.x.y", true},       {"w.x.y", "w.x.y.other.test", false},
        {"w.x.y", "aw.x.y", false},       {"w.x.y", "x.y", false},
        {".x.y", "w.x.y", true},          {".x.y", "a.b.x.y", true},
        {".x.y", "x.y", false},           {".x.y", "w.x.y.evil", false},
        {"127.0.0.1", "127.0.0.1", true}, {"", "w.x.y", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " for " + c.host);
        EXPECT_EQ(TIdCookieManager::DomainMatches(c.key, c.host), c.matches);
    }
}

TEST(CookieStoreTest, ReplacesByNameAndSortsByPath) {
    TIdCookieManager m;
    m.AddCookie("a=1; path=/", "w.x.y");
    m.AddCookie("b=2; path=/d/", "w.x.y");
    m.AddCookie("c=3; path=/D/e/", "w.x.y");
    m.AddCookie("s=4; path=/; secure", "w.x.y");
    m.AddCookie("e=; path=/", "w.x.y");
    m.AddCookie("n=5", "w.x.y"); // no path: stored, never sent
    m.AddCookie("z=6; path=/other/", "w.x.y");
    EXPECT_EQ(m.CookieCollection().Count(), 7u);
    EXPECT_EQ(m.GenerateCookieList("w.x.y", "/d/"), "b=2; a=1");
    EXPECT_EQ(m.GenerateCookieList("w.x.y", "/D/e/"), "c=3; a=1");
    EXPECT_EQ(m.GenerateCookieList("other", "/d/"), "");

    m.AddCookie("A=9; path=/d/x/", "w.x.y"); // same name, other case: takes the new fields
    EXPECT_EQ(m.CookieCollection().Count(), 7u);
    EXPECT_EQ(m.GenerateCookieList("w.x.y", "/d/x/"), "A=9; b=2");

    // Equal paths keep the order of taking: last added first.
    TIdCookieManager order;
    order.AddCookie("first=1; path=/", "h");
    order.AddCookie("second=2; path=/", "h");
    EXPECT_EQ(order.GenerateCookieList("h", "/"), "second=2; first=1");
}

TEST(CookieStoreTest, RemovesExpiredCookiesBeforeSending) {
    TIdCookieManager m;
    m.AddCookie("old=1; path=/; expires=Thu, 01 Jan 1970 00:00:01 GMT", "h");
    m.AddCookie("gone=1; path=/; max-age=0", "h");
    m.AddCookie("bad=1; path=/; expires=never", "h");
    m.AddCookie("live=1; path=/; expires=Fri, 01 Jan 2100 00:00:00 GMT", "h");
    m.AddCookie("aged=1; path=/; max-age=600", "h");
    m.AddCookie2("two=2; path=/; discard; port=\"80\"", "h");
    EXPECT_EQ(m.CookieCollection().Count(), 6u);
    // The cookie whose date cannot be read stays for the run.
    EXPECT_EQ(m.GenerateCookieList("h", "/"), "two=2; aged=1; live=1; bad=1");
    EXPECT_EQ(m.CookieCollection().Count(), 4u);
    // A cookie of the same name that has expired deletes the stored one.
    m.AddCookie("live=x; path=/; expires=Thu, 01 Jan 1970 00:00:01 GMT", "h");
    EXPECT_EQ(m.GenerateCookieList("h", "/"), "two=2; aged=1; bad=1");
}

// Through the client: cookies are recorded from the origin host of every header block and
// sent back on later requests to matching hosts.
class ClientCookieTest : public ::testing::Test {
protected:
    std::string lineFor(const std::string& request) {
        const std::size_t p = request.find("\r\nCookie: ");
        if (p == std::string::npos)
            return "";
        return request.substr(p + 2, request.find("\r\n", p + 2) - p - 2);
    }
};

TEST_F(ClientCookieTest, SendsCookiesBackToMatchingHostsOnly) {
    ScriptedServer proxy(ScriptedServer::routes({
        {"/set", ScriptedServer::ok("", "Set-Cookie: a=1; path=/\r\n")},
        {"/dom", ScriptedServer::ok("", "Set-cookie: wide=2; path=/; domain=.x.y\r\n"
                                        "Set-Cookie: bad=3; path=/; domain=x.y\r\n")},
        {"/nopath", ScriptedServer::ok("", "Set-Cookie: np=4\r\n")},
        // Paths are matched against the directory of a request, never its document.
        {"/docpath", ScriptedServer::ok("", "Set-Cookie: doc=6; path=/d/p\r\n")},
        {"/d/p.html", ScriptedServer::ok("")},
        {"/refuse",
         "HTTP/1.1 404 Not Found\r\nSet-Cookie: r=5; path=/\r\nContent-Length: 0\r\n\r\n"},
    }));
    TIdHTTP http;
    EXPECT_EQ(http.CookieManager(), nullptr);
    http.ProxyParams().setProxyServer("127.0.0.1");
    http.ProxyParams().setProxyPort(proxy.port());
    http.Get("http://w.x.y/set");
    ASSERT_NE(http.CookieManager(), nullptr);
    http.Get("http://w.x.y/d/p.html");
    http.Get("http://W.X.Y/d/p.html");
    http.Get("http://sub.w.x.y/d/p.html");
    http.Get("http://w.x.y.other.test/d/p.html");
    http.Get("http://w.x.y/dom");
    http.Get("http://z.x.y/d/p.html");
    http.Get("http://w.x.y/nopath");
    http.Get("http://w.x.y/docpath");
    EXPECT_THROW(http.Get("http://w.x.y/refuse"), EIdHTTPProtocolException);
    http.Get("http://w.x.y/d/p.html");
    const auto r = proxy.requests();
    ASSERT_EQ(r.size(), 11u);
    EXPECT_EQ(lineFor(r[0]), "");
    EXPECT_EQ(lineFor(r[1]), "Cookie: a=1");
    // The "Cookie" line is the last header line.
    EXPECT_NE(r[1].find("User-Agent: Mozilla/3.0 (compatible; Zantrel)\r\nCookie: a=1\r\n\r\n"),
              std::string::npos);
    EXPECT_EQ(lineFor(r[2]), "Cookie: a=1");
    EXPECT_EQ(lineFor(r[3]), "Cookie: a=1");
    EXPECT_EQ(lineFor(r[4]), "");
    EXPECT_EQ(lineFor(r[6]), "Cookie: wide=2");
    EXPECT_EQ(lineFor(r[10]), "Cookie: r=5; a=1; wide=2");
}

TEST_F(ClientCookieTest, ACookieWithALineBreakOrNulIsRefused) {
    // Header lines end at LF only, so a lone CR or a NUL stays inside a Set-Cookie value.
    ScriptedServer server(ScriptedServer::answers(
        {ScriptedServer::ok("", "Set-Cookie: a=b\rX-Injected: 1; path=/\r\n"
                                "Set-Cookie: n\rX-Injected: 1=v; path=/\r\n" +
                                    std::string("Set-Cookie: z=1\0X; path=/\r\n", 27) +
                                    "Set-Cookie: good=1; path=/\r\n"),
         ScriptedServer::ok("")}));
    TIdHTTP http;
    http.Get(server.url("/"));
    http.Get(server.url("/"));
    ASSERT_NE(http.CookieManager(), nullptr);
    EXPECT_EQ(http.CookieManager()->CookieCollection().Count(), 1u);
    const auto r = server.requests();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(lineFor(r[1]), "Cookie: good=1");
    EXPECT_EQ(r[1].find("X-Injected"), std::string::npos);
}

TEST_F(ClientCookieTest, NoStoreWhenCookiesAreNotAllowed) {
    ScriptedServer server(ScriptedServer::answers(
        {ScriptedServer::ok("", "Set-Cookie: a=1; path=/\r\n"), ScriptedServer::ok("")}));
    TIdHTTP http;
    http.AllowCookies = false;
    http.Get(server.url("/"));
    http.Get(server.url("/"));
    EXPECT_EQ(http.CookieManager(), nullptr);
    EXPECT_EQ(lineFor(server.requests()[1]), "");
}

} // namespace
