// The pure parsers of the client: URL splitting, path merging, header lists, status and
// chunk-size lines, dates and credentials.
#include "net/IdGlobal.h"
#include "net/IdHTTP.h"
#include "net/IdHeaderList.h"
#include "net/IdURI.h"

#include <gtest/gtest.h>

namespace {

struct UriCase {
    const char* text;
    const char* protocol;
    const char* user;
    const char* password;
    const char* host;
    const char* port;
    const char* path;
    const char* document;
    const char* params;
    const char* bookmark;
};

TEST(TIdURITest, SplitsUrlsIntoTheirParts) {
    const UriCase cases[] = {
        {"http://h", "http", "", "", "h", "", "/", "", "", ""},
        {"http://h/", "http", "", "", "h", "", "/", "", "", ""},
        {"http://h:8080/a", "http", "", "", "h", "8080", "/", "a", "", ""},
        {"http://h/d/p.html", "http", "", "", "h", "", "/d/", "p.html", "", ""},
        {"http://u:p@h/x", "http", "u", "p", "h", "", "/", "x", "", ""},
        {"http://u@h/x", "http", "u", "", "h", "", "/", "x", "", ""},
        {"http://:p@h/x", "http", "", "", "h", "", "/", "x", "", ""},
        {"http://h/d/p.php?a=1/2&b=c", "http", "", "", "h", "", "/d/", "p.php", "?a=1/2&b=c", ""},
        {"http://h/d/p.html#top", "http", "", "", "h", "", "/d/", "p.html", "", "top"},
        {"http://h/p?q=1#frag", "http", "", "", "h", "", "/", "p", "?q=1", "frag"},
        // Without "?", the first "=" starts the params.
        {"http://h/a/b=c/d", "http", "", "", "h", "", "/a/", "b", "=c/d", ""},
        {"http:\\\\h\\d\\p.html", "http", "", "", "h", "", "/d/", "p.html", "", ""},
        {"ftp://h:21/f", "ftp", "", "", "h", "21", "/", "f", "", ""},
        // Relative texts: no "/" in front of the path, no cut of the document at "#".
        {"q.html", "", "", "", "", "", "", "q.html", "", ""},
        {"../q.html", "", "", "", "", "", "../", "q.html", "", ""},
        {"sub/x.php?y=1#z", "", "", "", "", "", "sub/", "x.php", "?y=1", "z"},
        {"q.html#frag", "", "", "", "", "", "", "q.html#frag", "", ""},
        {"", "", "", "", "", "", "", "", "", ""},
        {"/abs/p", "", "", "", "", "", "/abs/", "p", "", ""},
    };
    for (const UriCase& c : cases) {
        SCOPED_TRACE(c.text);
        const TIdURI u(c.text);
        EXPECT_EQ(u.Protocol, c.protocol);
        EXPECT_EQ(u.Username, c.user);
        EXPECT_EQ(u.Password, c.password);
        EXPECT_EQ(u.Host, c.host);
        EXPECT_EQ(u.Port, c.port);
        EXPECT_EQ(u.Path, c.path);
        EXPECT_EQ(u.Document, c.document);
        EXPECT_EQ(u.Params, c.params);
        EXPECT_EQ(u.Bookmark, c.bookmark);
    }
}

TEST(TIdURITest, MergesPaths) {
    const struct {
        const char* base;
        const char* path;
        const char* merged;
    } cases[] = {
        {"/d/", "/x/", "/x/"},
        {"/d/", "", "/d/"},
        {"/d/", "../", "/"},
        {"/d/", "sub/", "/d/sub/"},
        {"/a/b/", "../c/", "/a/c/"},
        {"/a/b/", "../../../", "/"},
        {"/d", "e/", "/d/e/"},
        {"", "", ""},
        {"", "x/", "x/"},
        {"/d/", "x//y/", "/d/x/y/"},
        {"/d/", "./", "/d/./"},
        {"/d/", "e", "/d/e"},
        {"/", "", "/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.base) + " + " + c.path);
        EXPECT_EQ(TIdURI::MergePath(c.base, c.path), c.merged);
    }
}

TEST(TIdHeaderListTest, ReadsValuesWithContinuationLinesIgnoringCase) {
    TIdHeaderList h;
    h.Add("Content-Type: text/html");
    h.Add("X-Long: first");
    h.Add("\tsecond");
    h.Add("  third  ");
    h.Add("Set-Cookie: a=1");
    h.Add("set-cookie: b=2");
    EXPECT_EQ(h.Values("content-type"), "text/html");
    EXPECT_EQ(h.Values("X-LONG"), "first second third");
    EXPECT_EQ(h.Values("Missing"), "");
    EXPECT_EQ(h.AllValues("SET-COOKIE"), (std::vector<std::string>{"a=1", "b=2"}));

    h.SetValues("x-long", "replaced");
    EXPECT_EQ(h.Count(), 4u);
    EXPECT_EQ(h[1], "x-long: replaced");
    h.SetValues("New", "v");
    EXPECT_EQ(h[4], "New: v");
}

TEST(TIdHeaderListTest, FoldsLongLinesAtBlanksAndCommasOutsideQuotes) {
    EXPECT_EQ(TIdHeaderList::Fold("Short: a, b", 1024), (std::vector<std::string>{"Short: a, b"}));
    EXPECT_EQ(TIdHeaderList::Fold("Name: aaaa, bbbb cccc", 12),
              (std::vector<std::string>{"Name: aaaa,", " bbbb cccc"}));
    // A comma inside quotes is no break; a break beyond the limit is taken when it is the
    // only one.
    EXPECT_EQ(TIdHeaderList::Fold("N: \"x,y,z,w\",tail", 8),
              (std::vector<std::string>{"N:", " \"x,y,z,w\",", " tail"}));
    const std::string longLine = "Cookie: " + std::string(1100, 'a') + "; b=" + "c";
    const auto pieces = TIdHeaderList::Fold(longLine);
    // No break within the limit: each piece breaks at the first blank beyond it.
    EXPECT_EQ(pieces,
              (std::vector<std::string>{"Cookie:", " " + std::string(1100, 'a') + ";", " b=c"}));
}

TEST(HttpLineTest, StatusCodes) {
    const struct {
        const char* line;
        int code;
    } cases[] = {
        {"HTTP/1.1 200 OK", 200},
        {"HTTP/1.0 404 Not Found", 404},
        {"HTTP/1.1   302   Found", 302},
        {"HTTP/1.1 200", 200},
        {"HTTP/1.1 abc OK", -1},
        {"HTTP/1.1", -1},
        {"", -1},
        {"HTTP/1.1 99999999999 Big", -1},
        {"garbage 100 Continue", 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(idStatusCode(c.line), c.code);
    }
}

TEST(HttpLineTest, ChunkSizes) {
    const struct {
        const char* line;
        int size;
    } cases[] = {
        {"1a", 26},
        {"1a more text", 26},
        {"1a;x", 0},
        {"1A", 26},
        {"0", 0},
        {"", 0},
        {"zz", 0},
        {"7fffffff", 0x7fffffff},
        {"ffffffff", -1},
        {"100000000", 0},
        {"fffffffffffffffffffffff", 0},
        {"-1a", 0},
        {"0x10", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(idChunkSize(c.line), c.size);
    }
}

TEST(IdGlobalTest, InternetDates) {
    const std::int64_t expected = 784111777; // Sun, 06 Nov 1994 08:49:37 GMT
    for (const char* text : {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
                             "Sun Nov  6 08:49:37 1994", "Sun, 06-Nov-1994 08:49:37 GMT",
                             "Sun, 06 Nov 1994 09:49:37 +0100"}) {
        SCOPED_TRACE(text);
        TDateTime v = 0;
        ASSERT_TRUE(idglobal::tryInternetDate(text, v));
        EXPECT_EQ(idglobal::dateTimeToUnix(v), expected);
    }
    for (const char* text : {"", "tomorrow", "Sun, 32 Nov 1994 08:49:37 GMT", "1994"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(idglobal::internetDateOrZero(text), 0.0);
    }
    EXPECT_EQ(idglobal::dateTimeToInternetText(idglobal::unixToDateTime(expected)),
              "Sun, 06 Nov 1994 08:49:37 GMT");
}

TEST(IdGlobalTest, DottedQuadsAndDecimals) {
    EXPECT_TRUE(idglobal::isDottedQuad("127.0.0.1"));
    EXPECT_TRUE(idglobal::isDottedQuad("255.255.255.255"));
    for (const char* text :
         {"256.0.0.1", "1.2.3", "1.2.3.4.5", "a.b.c.d", "1..2.3", "1.2.3.4 ", "", "1234.1.1.1"})
        EXPECT_FALSE(idglobal::isDottedQuad(text)) << text;
    std::int64_t v = 0;
    EXPECT_TRUE(idglobal::tryDecimal("123", v));
    EXPECT_EQ(v, 123);
    EXPECT_FALSE(idglobal::tryDecimal("99999999999999999999", v));
    EXPECT_FALSE(idglobal::tryDecimal("12a", v));
    EXPECT_FALSE(idglobal::tryDecimal("", v));
}

} // namespace
