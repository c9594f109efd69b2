// The HTTP client against a scripted peer on 127.0.0.1: the bytes it writes, what it makes of
// the bytes it reads, its connection handling and its failures.
#include "net/IdHTTP.h"
#include "support/net/ScriptedServer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

namespace {

using namespace std::chrono_literals;
using ztest::closedPort;
using ztest::ScriptedServer;
using ztest::ServerConnection;

const std::string kFixedHeaders = "Accept: text/html, */*\r\n"
                                  "User-Agent: Mozilla/3.0 (compatible; Zantrel)\r\n";

std::string requestBytes(const std::string& target, const std::string& host,
                         const std::string& extra = "") {
    return "GET " + target + " HTTP/1.1\r\nContent-Type: text/html\r\nHost: " + host + "\r\n" +
           kFixedHeaders + extra + "\r\n";
}

std::string hostOf(const ScriptedServer& s) {
    return "127.0.0.1:" + std::to_string(s.port());
}

// Runs `fetch` expecting a failure of class E; returns it for further checks.
template <class E, class F> E expectFailure(F fetch) {
    try {
        fetch();
    } catch (const E& e) {
        return e;
    } catch (const std::exception& e) {
        ADD_FAILURE() << "unexpected failure: " << e.what();
        throw;
    }
    ADD_FAILURE() << "the fetch did not fail";
    throw std::runtime_error("no failure");
}

TEST(HttpRequestTest, WritesExactlyTheFixedHeaderSetInOneRequest) {
    ScriptedServer server(ScriptedServer::answers({ScriptedServer::ok("hello")}));
    TIdHTTP http;
    EXPECT_EQ(http.Get(server.url("/d/p.html?a=1&b=%20#frag")), "hello");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0], requestBytes("/d/p.html?a=1&b=%20", hostOf(server)));
}

TEST(HttpRequestTest, SendsQueryAndCyrillicBytesUnescaped) {
    ScriptedServer server(ScriptedServer::answers({ScriptedServer::ok("x")}));
    TIdHTTP http;
    // "поиск" in Windows-1251.
    const std::string cyrillic = "\xEF\xEE\xE8\xF1\xEA";
    http.Get(server.url("/s.php?q=" + cyrillic + " x&y=\"1\""));
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(ServerConnection::targetOf(server.requests()[0]), "/s.php?q=" + cyrillic);
    EXPECT_NE(server.requests()[0].find("GET /s.php?q=" + cyrillic + " x&y=\"1\" HTTP/1.1\r\n"),
              std::string::npos);
}

TEST(HttpRequestTest, ThroughTheProxyWritesTheAbsoluteTargetAndSharesOneConnection) {
    ScriptedServer proxy(ScriptedServer::routes(
        {{"/", ScriptedServer::ok("root")}, {"/a", ScriptedServer::ok("a")}}));
    TIdHTTP http;
    http.ProxyParams().setProxyServer("127.0.0.1");
    http.ProxyParams().setProxyPort(proxy.port());
    http.ProxyParams().setProxyUsername("user");
    http.ProxyParams().setProxyPassword("secret");
    EXPECT_EQ(http.Get("http://h"), "root");
    EXPECT_EQ(http.Get("http://h/"), "root");
    EXPECT_EQ(http.Get("http://h/a"), "a");
    EXPECT_EQ(http.Get("http://h:8080/a"), "a");
    EXPECT_EQ(http.Get("http://h:80/a"), "a");
    EXPECT_EQ(http.Get("http://other.test/a"), "a");
    const auto requests = proxy.requests();
    ASSERT_EQ(requests.size(), 6u);
    EXPECT_EQ(requests[0], requestBytes("http://h:80/", "h"));
    EXPECT_EQ(requests[1], requestBytes("http://h:80/", "h"));
    EXPECT_EQ(requests[2], requestBytes("http://h:80/a", "h"));
    EXPECT_EQ(requests[3], requestBytes("http://h:8080/a", "h:8080"));
    EXPECT_EQ(requests[4], requestBytes("http://h:80/a", "h"));
    EXPECT_EQ(requests[5], requestBytes("http://other.test:80/a", "other.test"));
    EXPECT_EQ(proxy.connects(), 1);
}

TEST(HttpRequestTest, AnAbsoluteUrlWithoutPortUsesPort80AfterAnotherPort) {
    ScriptedServer proxy(ScriptedServer::routes({{"/a", ScriptedServer::ok("a")},
                                                 {"/b", ScriptedServer::ok("b")},
                                                 {"/c", ScriptedServer::ok("c")}}));
    TIdHTTP http;
    http.ProxyParams().setProxyServer("localhost");
    http.ProxyParams().setProxyPort(proxy.port());
    http.Get("http://h:8080/a");
    http.Get("c"); // a relative URL stays on the previous port
    http.Get("http://g/b");
    const auto requests = proxy.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(ServerConnection::targetOf(requests[1]), "http://h:8080/c");
    EXPECT_EQ(ServerConnection::targetOf(requests[2]), "http://g:80/b");
}

TEST(HttpRequestTest, ResolvesRelativeUrlsAgainstThePreviousFetch) {
    ScriptedServer server(ScriptedServer::routes({{"/d/p.html", ScriptedServer::ok("p")},
                                                  {"/d/q.html", ScriptedServer::ok("dq")},
                                                  {"/d/", ScriptedServer::ok("dir")},
                                                  {"/q.html", ScriptedServer::ok("q")}}));
    TIdHTTP http;
    EXPECT_EQ(http.Get(server.url("/d/p.html")), "p");
    EXPECT_EQ(http.Get("q.html"), "dq");
    EXPECT_EQ(http.Get(""), "dir");
    EXPECT_EQ(http.Get("../q.html"), "q");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[1], requestBytes("/d/q.html", hostOf(server)));
    EXPECT_EQ(requests[2], requestBytes("/d/", hostOf(server)));
    EXPECT_EQ(requests[3], requestBytes("/q.html", hostOf(server)));
    EXPECT_EQ(server.connects(), 1);
}

TEST(HttpRequestTest, FoldsAHeaderLineLongerThan1024Characters) {
    ScriptedServer server(ScriptedServer::answers({ScriptedServer::ok("x")}));
    TIdHTTP http;
    http.Request().CustomHeaders.Add("X-List: " + std::string(700, 'a') + ", " +
                                     std::string(700, 'b'));
    http.Get(server.url("/"));
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_NE(server.requests()[0].find("\r\nX-List: " + std::string(700, 'a') + ",\r\n " +
                                        std::string(700, 'b') + "\r\nHost: "),
              std::string::npos);
}

TEST(HttpConnectionTest, ReusesOneConnectionUnlessTheAnswerSaysClose) {
    ScriptedServer server(
        ScriptedServer::routes({{"/keep", ScriptedServer::ok("k")},
                                {"/close", ScriptedServer::ok("c", "Connection: close\r\n")}}));
    TIdHTTP http;
    http.Get(server.url("/keep"));
    http.Get(server.url("/keep"));
    EXPECT_EQ(server.connects(), 1);
    http.Get(server.url("/close"));
    EXPECT_FALSE(http.Connected());
    http.Get(server.url("/keep"));
    EXPECT_EQ(server.connects(), 2);
    EXPECT_EQ(server.requests().size(), 4u);
}

TEST(HttpConnectionTest, NoticesAnIdleConnectionClosedByTheServer) {
    ScriptedServer server([](ServerConnection& c) {
        if (c.readRequest())
            c.send(ScriptedServer::ok("one"));
        c.close();
    });
    TIdHTTP http;
    EXPECT_EQ(http.Get(server.url("/")), "one");
    ASSERT_TRUE(server.waitForFinished(1));
    EXPECT_EQ(http.Get(server.url("/")), "one");
    EXPECT_EQ(server.connects(), 2);
}

TEST(HttpConnectionTest, ACloseAfterTheRequestFailsWithoutRetry) {
    ScriptedServer server([](ServerConnection& c) {
        if (c.index() == 0) {
            if (c.readRequest())
                c.send(ScriptedServer::ok("one"));
            if (c.readRequest())
                c.close();
        }
    });
    TIdHTTP http;
    http.Get(server.url("/"));
    const auto e = expectFailure<EIdConnClosedGracefully>([&] { http.Get(server.url("/")); });
    EXPECT_STREQ(e.what(), "Connection Closed Gracefully.");
    EXPECT_STREQ(e.className(), "EIdConnClosedGracefully");
    EXPECT_EQ(server.connects(), 1);
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_FALSE(http.Connected());
}

TEST(HttpConnectionTest, ACloseInsideTheHeaderBlockOfA200IsAnUndefinedSituation) {
    ScriptedServer server([](ServerConnection& c) {
        if (c.readRequest())
            c.send("HTTP/1.1 200 OK\r\nServer: x\r\n");
        c.close();
    });
    TIdHTTP http;
    const auto e = expectFailure<EIdException>([&] { http.Get(server.url("/")); });
    EXPECT_STREQ(e.className(), "EIdException");
    EXPECT_STREQ(e.what(), "Undefined situation");
}

TEST(HttpConnectionTest, ACloseBeforeTheStatusOrFirstHeaderLineFails) {
    for (const std::string answer : {"", "HTTP/1.1 200 OK\r\n", "HTTP/1.1 20"}) {
        SCOPED_TRACE(answer);
        ScriptedServer server([answer](ServerConnection& c) {
            if (c.readRequest())
                c.send(answer);
            c.close();
        });
        TIdHTTP http;
        expectFailure<EIdConnClosedGracefully>([&] { http.Get(server.url("/")); });
    }
}

TEST(HttpConnectionTest, SocketErrorsCarryTheirNumberAndText) {
    TIdHTTP http;
    const int port = closedPort();
    auto refused = expectFailure<EIdSocketError>(
        [&] { http.Get("http://127.0.0.1:" + std::to_string(port) + "/"); });
    EXPECT_EQ(refused.LastError(), 10061);
    EXPECT_STREQ(refused.what(), "Socket Error # 10061\r\nConnection refused.");

    auto unknown = expectFailure<EIdSocketError>([&] { http.Get("http://no-such-host.invalid/"); });
    EXPECT_EQ(unknown.LastError(), 11001);
    EXPECT_STREQ(unknown.what(), "Socket Error # 11001\r\nHost not found.");

    auto badPort = expectFailure<EIdSocketError>([&] { http.Get("http://127.0.0.1:70000/"); });
    EXPECT_EQ(badPort.LastError(), 10049);

    // A reset in the middle of a body.
    ScriptedServer resetting([](ServerConnection& c) {
        if (!c.readRequest())
            return;
        c.send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(1000, 'r'));
        c.pause(100ms);
        c.reset();
    });
    auto reset = expectFailure<EIdSocketError>([&] { http.Get(resetting.url("/")); });
    EXPECT_EQ(reset.LastError(), 10054);
    EXPECT_STREQ(reset.what(), "Socket Error # 10054\r\nConnection reset by peer.");
    EXPECT_FALSE(http.Connected());
}

TEST(HttpConnectionTest, MapsEverySocketErrorInOnePlace) {
#ifndef _WIN32
    // Windows Sockets report these numbers themselves.
    EXPECT_EQ(idstack::errorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(idstack::errorFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(idstack::errorFromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(idstack::errorFromErrno(EPIPE), 10053);
#endif
    EXPECT_EQ(idstack::socketErrorMessage(10035),
              "Socket Error # 10035\r\nOperation would block. ");
    EXPECT_EQ(idstack::socketErrorMessage(10066), "Socket Error # 10066\r\nDirectory not empty");
    EXPECT_EQ(idstack::socketErrorMessage(12345), "Socket Error # 12345\r\n");
}

TEST(HttpConnectionTest, RefusesUrlsItCannotFetch) {
    TIdHTTP http;
    auto https = expectFailure<EIdIOHandlerPropInvalid>([&] { http.Get("https://h/"); });
    EXPECT_STREQ(https.what(), "IOHandler value is not valid");
    auto unknown = expectFailure<EIdUnknownProtocol>([&] { http.Get("ftp://h/x"); });
    EXPECT_STREQ(unknown.what(), "");
    auto port = expectFailure<EConvertError>([&] { http.Get("http://h:8o/x"); });
    EXPECT_STREQ(port.what(), "'8o' is not a valid integer value");
}

TEST(HttpResponseTest, RefusedAnswersFailWithTheirStatusLineAndBody) {
    const struct {
        const char* answer;
        int code;
        const char* message;
        const char* body;
    } cases[] = {
        {"HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone", 404, "HTTP/1.1 404 Not Found",
         "gone"},
        {"HTTP/1.1 302 Found\r\nLocation: /else\r\nContent-Length: 3\r\n\r\nmov", 302,
         "HTTP/1.1 302 Found", "mov"},
        {"HTTP/1.1 301 Moved\r\nContent-Length: 0\r\n\r\n", 301, "HTTP/1.1 301 Moved", ""},
        {"HTTP/1.1 200 OK\r\nLocation: /x\r\nContent-Length: 2\r\n\r\nok", 200, "HTTP/1.1 200 OK",
         "ok"},
        {"HTTP/1.1 304 Not Modified\r\nContent-Length: 0\r\n\r\n", 304, "HTTP/1.1 304 Not Modified",
         ""},
        {"HTTP/1.1 500 Oops\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nbad\r\n0\r\n\r\n", 500,
         "HTTP/1.1 500 Oops", "bad"},
        {"HTTP/1.1 101 Switching\r\nContent-Length: 0\r\n\r\n", 101, "HTTP/1.1 101 Switching", ""},
        {"ICY 200 OK\r\nContent-Length: 0\r\n\r\n", 200, "ICY 200 OK", ""},
        {"Garbage\r\nContent-Length: 1\r\n\r\nz", -1, "Garbage", "z"},
        {"HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"r\"\r\n"
         "Content-Length: 2\r\n\r\nno",
         401, "HTTP/1.1 401 Unauthorized", "no"},
        {"HTTP/1.1 407 Proxy\r\nProxy-Authenticate: Basic realm=\"r\"\r\n"
         "Content-Length: 2\r\n\r\nno",
         407, "HTTP/1.1 407 Proxy", "no"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        ScriptedServer server(ScriptedServer::answers({c.answer, ScriptedServer::ok("after")}));
        TIdHTTP http;
        http.ProxyParams().setProxyUsername("user");
        http.ProxyParams().setProxyPassword("secret");
        if (std::string(c.answer).rfind("ICY", 0) == 0) {
            // Not a failure: any status line with a 2xx code is accepted.
            EXPECT_EQ(http.Get(server.url("/")), "");
            continue;
        }
        auto e = expectFailure<EIdHTTPProtocolException>([&] { http.Get(server.url("/")); });
        EXPECT_EQ(e.ReplyErrorCode(), c.code);
        EXPECT_EQ(e.message(), c.message);
        EXPECT_EQ(e.ErrorMessage(), c.body);
        EXPECT_EQ(http.ReadTimeout, 0);
        // Not followed, not retried, and the connection stays usable.
        EXPECT_EQ(http.Get(server.url("/next")), "after");
        EXPECT_EQ(server.connects(), 1);
        const auto requests = server.requests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[1].find("Authorization"), std::string::npos);
    }
}

TEST(HttpResponseTest, TheBodyOfARefusedAnswerIsReadWithinTwoSeconds) {
    ScriptedServer server([](ServerConnection& c) {
        if (c.readRequest())
            c.send("HTTP/1.1 404 Not Found\r\nContent-Length: 100\r\n\r\nonly ten b");
        c.waitForClientClose(10s);
    });
    TIdHTTP http;
    const auto e = expectFailure<EIdReadTimeout>([&] { http.Get(server.url("/")); });
    EXPECT_STREQ(e.what(), "Read Timeout");
    EXPECT_EQ(http.ReadTimeout, 0);
    EXPECT_FALSE(http.Connected());
}

TEST(HttpResponseTest, BodiesOfEveryForm) {
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyz";
    const struct {
        const char* name;
        std::string answer;
        std::string body;
    } cases[] = {
        {"length", "HTTP/1.1 200 OK\r\nContent-Length: 26\r\n\r\n" + alphabet, alphabet},
        {"204", "HTTP/1.1 204 No Content\r\n\r\n", ""},
        {"zero length", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", ""},
        {"chunked",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1a\r\n" + alphabet +
             "\r\n3\r\nxyz\r\n0\r\n\r\n",
         alphabet + "xyz"},
        {"chunk extension after a blank",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1a more\r\n" + alphabet +
             "\r\n0\r\n\r\n",
         alphabet},
        {"chunk size with ;",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1a;x\r\n" + alphabet +
             "\r\n0\r\n\r\n",
         ""},
        {"chunk trailers",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n"
         "0\r\nX-Trailer: 1\r\n\r\n",
         "ab"},
        {"Chunked in other case reads to close",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\nConnection: close\r\n\r\n2\r\nab",
         "2\r\nab"},
        {"until close", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + alphabet, alphabet},
        {"negative length reads to close",
         "HTTP/1.1 200 OK\r\nContent-Length: -5\r\nConnection: close\r\n\r\nabc", "abc"},
        {"100 first",
         "HTTP/1.1 100 Continue\r\nX: 1\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n"
         "\r\nok",
         "ok"},
        {"binary", "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n" + std::string("\0\r\n\xff", 4),
         std::string("\0\r\n\xff", 4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Sent in small pieces so that every read meets partial data.
        ScriptedServer server([&c](ServerConnection& conn) {
            if (!conn.readRequest())
                return;
            conn.sendInPieces(c.answer, 7, 1ms);
            if (c.answer.find("Connection: close") != std::string::npos)
                conn.close();
            else
                conn.waitForClientClose();
        });
        TIdHTTP http;
        EXPECT_EQ(http.Get(server.url("/")), c.body);
    }
}

TEST(HttpResponseTest, AResponseAfterChunkTrailersIsReadCleanly) {
    ScriptedServer server(ScriptedServer::answers(
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1\r\na\r\n0\r\nT: 1\r\n\r\n",
         ScriptedServer::ok("second")}));
    TIdHTTP http;
    EXPECT_EQ(http.Get(server.url("/")), "a");
    EXPECT_EQ(http.Get(server.url("/")), "second");
    EXPECT_EQ(server.connects(), 1);
}

TEST(HttpResponseTest, ACloseInsideAChunkFails) {
    ScriptedServer server([](ServerConnection& c) {
        if (c.readRequest())
            c.send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nshort");
        c.close();
    });
    TIdHTTP http;
    expectFailure<EIdConnClosedGracefully>([&] { http.Get(server.url("/")); });
}

TEST(HttpResponseTest, AnnouncedLengthsAreNotTrusted) {
    // A huge length or chunk size followed by a few bytes and a close: the body ends early
    // (or the chunk fails) without reserving what was announced.
    ScriptedServer server([](ServerConnection& c) {
        if (!c.readRequest())
            return;
        if (c.index() == 0)
            c.send("HTTP/1.1 200 OK\r\nContent-Length: 9223372036854775807\r\n\r\nten bytes!");
        else
            c.send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n7fffffff\r\nabc");
        c.close();
    });
    TIdHTTP http;
    EXPECT_EQ(http.Get(server.url("/")), "ten bytes!");
    ASSERT_TRUE(server.waitForFinished(1));
    expectFailure<EIdConnClosedGracefully>([&] { http.Get(server.url("/")); });
    // An announced length beyond 64 bits is no usable length: read until the close.
    ScriptedServer overflow(ScriptedServer::answers(
        {"HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999\r\nConnection: close\r\n\r\n"
         "abc"}));
    TIdHTTP other;
    EXPECT_EQ(other.Get(overflow.url("/")), "abc");
}

TEST(HttpResponseTest, AnEarlyCloseEndsABodyOfKnownLength) {
    ScriptedServer server([](ServerConnection& c) {
        if (c.readRequest()) {
            c.send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
            c.send(std::string(40000, 'x'));
        }
        c.close();
    });
    TIdHTTP http;
    EXPECT_EQ(http.Get(server.url("/")), std::string(40000, 'x'));
}

TEST(HttpResponseTest, LinesAboveTheLimitFail) {
    const struct {
        std::size_t statusLength; // bytes before LF, CR included
        bool fails;
    } cases[] = {{16384, false}, {16385, true}, {40000, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statusLength);
        std::string status = "HTTP/1.1 200 ";
        status += std::string(c.statusLength - status.size() - 1, 'k') + "\r\n";
        ScriptedServer server(ScriptedServer::answers({status + "Content-Length: 2\r\n\r\nok"}));
        TIdHTTP http;
        if (c.fails) {
            auto e =
                expectFailure<EIdReadLnMaxLineLengthExceeded>([&] { http.Get(server.url("/")); });
            EXPECT_STREQ(e.what(), "Max line length exceeded.");
            EXPECT_FALSE(http.Connected());
        } else {
            EXPECT_EQ(http.Get(server.url("/")), "ok");
        }
    }
    // A header line without any LF.
    ScriptedServer endless(
        ScriptedServer::answers({"HTTP/1.1 200 OK\r\nX: " + std::string(20000, 'y')}));
    TIdHTTP http;
    expectFailure<EIdReadLnMaxLineLengthExceeded>([&] { http.Get(endless.url("/")); });
}

TEST(HttpResponseTest, ReadsTheResponseFields) {
    ScriptedServer server(ScriptedServer::answers(
        {"HTTP/1.1 200 OK\r\nServer: test\r\nContent-Type: text/html;\r\n charset=windows-1251"
         "\r\nContent-Length: 2\r\nConnection: Keep-Alive\r\nWWW-Authenticate: A\r\n"
         "WWW-Authenticate: B\r\n\r\nok"}));
    TIdHTTP http;
    http.Get(server.url("/"));
    const TIdHTTPResponse& r = http.Response();
    EXPECT_EQ(r.ResponseText, "HTTP/1.1 200 OK");
    EXPECT_EQ(r.ResponseCode, 200);
    EXPECT_EQ(r.Server, "test");
    EXPECT_EQ(r.ContentType, "text/html; charset=windows-1251");
    EXPECT_EQ(r.ContentLength, 2);
    EXPECT_TRUE(r.HasContentLength);
    EXPECT_EQ(r.WWWAuthenticate, (std::vector<std::string>{"A", "B"}));
    EXPECT_TRUE(r.KeepAlive);
    EXPECT_EQ(r.RawHeaders.Count(), 7u);
}

TEST(HttpEventsTest, WorkEventsNestAndCountTheBody) {
    ScriptedServer server(ScriptedServer::answers(
        {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n0123456789",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n"}));
    TIdHTTP http;
    std::vector<std::string> events;
    http.OnWorkBegin = [&](TWorkMode m, std::int64_t n) {
        events.push_back("begin " + std::to_string(m) + " " + std::to_string(n));
    };
    http.OnWork = [&](TWorkMode, std::int64_t n) { events.push_back("work " + std::to_string(n)); };
    http.OnWorkEnd = [&](TWorkMode) { events.push_back("end"); };
    std::vector<std::string> statuses;
    http.OnStatus = [&](TIdStatus s, const std::string& text) {
        if (s == hsStatusText)
            statuses.push_back(text);
    };
    int connected = 0;
    http.OnConnected = [&] { ++connected; };
    http.Get(server.url("/"));
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), "begin 0 10");
    EXPECT_EQ(events[events.size() - 2], "work 10");
    EXPECT_EQ(events.back(), "end");
    events.clear();
    http.Get(server.url("/"));
    EXPECT_EQ(events, (std::vector<std::string>{"begin 0 3", "work 3", "end", "begin 0 2", "work 2",
                                                "end"}));
    EXPECT_EQ(statuses, (std::vector<std::string>{"Chunk Started"}));
    EXPECT_EQ(connected, 1);
}

TEST(HttpStreamTest, TheStreamFormWritesTheBodyIntoTheCallersStream) {
    ScriptedServer server(ScriptedServer::answers(
        {ScriptedServer::ok(std::string(100000, 'z')), ScriptedServer::ok("second")}));
    TIdHTTP http;
    TIdMemoryStream memory;
    http.Get(server.url("/"), memory);
    EXPECT_EQ(memory.ToString(), std::string(100000, 'z'));
    std::ostringstream out;
    http.Get(server.url("/"), out);
    EXPECT_EQ(out.str(), "second");
}

} // namespace
