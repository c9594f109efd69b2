// The HTTP client against a scripted peer on 127.0.0.1: the bytes it writes, what it makes of
// the bytes it reads, its connection handling and its failures.
#include "net/IdHTTP.h"
#include "support/net/ScriptedServer.h"

#include <cstring>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#ifndef _WIN32
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace {

using namespace std::chrono_literals;
using ztest::closedPort;
using ztest::ScriptedServer;
using ztest::ServerConnection;
using ztest::SilentListener;

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

#ifndef _WIN32
// `python3 -m http.server` serving a folder of its own on a free port of 127.0.0.1: a real
// HTTP/1.0 server that closes the connection after every answer without saying so.
class PythonHttpServer {
public:
    explicit PythonHttpServer(const std::map<std::string, std::string>& files) {
        char pattern[] = "/tmp/zantrel-pyhttp-XXXXXX";
        if (::mkdtemp(pattern) == nullptr)
            return;
        root_ = pattern;
        for (const auto& [path, content] : files) {
            const std::filesystem::path file = root_ / path;
            std::filesystem::create_directories(file.parent_path());
            std::ofstream(file, std::ios::binary) << content;
        }
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const std::string directory = root_.string();
        const char* argv[] = {"python3", "-u",        "-m",          "http.server",     "0",
                              "--bind",  "127.0.0.1", "--directory", directory.c_str(), nullptr};
        if (posix_spawnp(&pid_, "python3", &actions, nullptr, const_cast<char* const*>(argv),
                         environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        // The server names its port on its first line: "Serving HTTP on 127.0.0.1 port N ...".
        std::string said;
        const auto deadline = std::chrono::steady_clock::now() + 15s;
        while (pid_ > 0 && said.find('\n') == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            pollfd p{out[0], POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            char buf[256];
            const ssize_t n = ::read(out[0], buf, sizeof buf);
            if (n <= 0)
                break;
            said.append(buf, static_cast<std::size_t>(n));
        }
        ::close(out[0]);
        const std::size_t at = said.find(" port ");
        if (at != std::string::npos)
            port_ = std::atoi(said.c_str() + at + 6);
    }
    ~PythonHttpServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (!root_.empty())
            std::filesystem::remove_all(root_);
    }
    // 0 when the server did not start (no python3 on the path).
    int port() const { return port_; }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

private:
    std::filesystem::path root_;
    pid_t pid_ = -1;
    int port_ = 0;
};

#endif

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

TEST(HttpRequestTest, NoByteFromOutsideAddsAHeaderLine) {
    ScriptedServer server(ScriptedServer::routes(
        {{"/d/p", ScriptedServer::ok("p")}, {"/d/q", ScriptedServer::ok("q")}}));
    TIdHTTP http;
    // A URL with a line break or NUL fails before anything is done with it.
    for (const std::string& url :
         {server.url("/a\r\nX-Evil: 1"), server.url("/a\nX-Evil: 1"), server.url("/a\rb"),
          server.url("/a") + std::string("\0b", 2), std::string("q\r\nX-Evil: 1")}) {
        SCOPED_TRACE(url);
        const auto e = expectFailure<EIdUnsafeRequestText>([&] { http.Get(url); });
        EXPECT_STREQ(e.what(), "The URL holds a line break or NUL character.");
        EXPECT_STREQ(e.className(), "EIdUnsafeRequestText");
    }
    EXPECT_EQ(server.connects(), 0);
    // The current URL is untouched: a relative URL still resolves against the last good one.
    EXPECT_EQ(http.Get(server.url("/d/p")), "p");
    EXPECT_THROW(http.Get("x\ny"), EIdUnsafeRequestText);
    EXPECT_EQ(http.Get("q"), "q");
    // Header values that a caller sets are held to the same rule; nothing is written.
    http.Request().CustomHeaders.Add("X-Note: a\rX-Evil: 1");
    const auto custom = expectFailure<EIdUnsafeRequestText>([&] { http.Get(server.url("/d/p")); });
    EXPECT_STREQ(custom.what(), "The header \"X-Note\" holds a line break or NUL character.");
    http.Request().CustomHeaders.Clear();
    http.Request().UserAgent = std::string("agent\0", 6);
    EXPECT_THROW(http.Get(server.url("/d/p")), EIdUnsafeRequestText);
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST(HttpRequestTest, OverHttp10TheClientAsksForKeepAliveAndKeepsOnlyWhatIsGranted) {
    ScriptedServer server(ScriptedServer::routes(
        {{"/keep", ScriptedServer::ok("k", "Connection: Keep-Alive\r\n")},
         {"/proxied", ScriptedServer::ok("x", "Proxy-Connection: keep-alive\r\n")},
         {"/plain", ScriptedServer::ok("p")}}));
    TIdHTTP http;
    http.ProtocolVersion = pv1_0;
    EXPECT_EQ(http.Get(server.url("/keep")), "k");
    EXPECT_TRUE(http.Connected());
    EXPECT_EQ(http.Get(server.url("/plain")), "p");
    EXPECT_FALSE(http.Connected());
    EXPECT_EQ(server.connects(), 1);
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.requests()[0], "GET /keep HTTP/1.0\r\nConnection: keep-alive\r\n"
                                    "Content-Type: text/html\r\nHost: " +
                                        hostOf(server) + "\r\n" + kFixedHeaders + "\r\n");
    // Through the proxy the wish goes into Proxy-Connection, and either answer header keeps.
    TIdHTTP proxied;
    proxied.ProtocolVersion = pv1_0;
    proxied.ProxyParams().setProxyServer("127.0.0.1");
    proxied.ProxyParams().setProxyPort(server.port());
    EXPECT_EQ(proxied.Get("http://h/proxied"), "x");
    EXPECT_TRUE(proxied.Connected());
    ASSERT_EQ(server.requests().size(), 3u);
    EXPECT_EQ(server.requests()[2],
              "GET http://h:80/proxied HTTP/1.0\r\nContent-Type: text/html\r\n"
              "Proxy-Connection: keep-alive\r\nHost: h\r\n" +
                  kFixedHeaders + "\r\n");
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
    // The server closes only after "Connection: close" written in that case; after the other
    // forms only the client can end the connection.
    ScriptedServer server(ScriptedServer::routes(
        {{"/keep", ScriptedServer::ok("k")},
         {"/close", ScriptedServer::ok("c", "Connection: close\r\n")},
         {"/upper", ScriptedServer::ok("u", "Connection:  CLOSE \r\n")},
         {"/proxy", ScriptedServer::ok("p", "Proxy-Connection: Close\r\n")}}));
    TIdHTTP http;
    http.Get(server.url("/keep"));
    http.Get(server.url("/keep"));
    EXPECT_EQ(server.connects(), 1);
    int connects = 1;
    for (const char* path : {"/close", "/upper", "/proxy"}) {
        SCOPED_TRACE(path);
        http.Get(server.url(path));
        EXPECT_FALSE(http.Connected());
        http.Get(server.url("/keep"));
        EXPECT_EQ(server.connects(), ++connects);
    }
    EXPECT_EQ(server.requests().size(), 8u);
}

TEST(HttpConnectionTest, AServerThatClosesJustAfterEachAnswerCostsNoFetch) {
    // An HTTP/1.0 server that closes after every answer without saying so, the close coming at
    // once, a moment after the answer or a little later: whether the reuse check sees it or
    // the next request meets it, every fetch succeeds on a connection of its own.
    for (const std::chrono::microseconds delay : {0us, 300us, 3000us}) {
        SCOPED_TRACE(delay.count());
        ScriptedServer server([delay](ServerConnection& c) {
            if (!c.readRequest())
                return;
            c.send("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 2\r\n\r\nok");
            c.pause(delay);
            c.close();
        });
        TIdHTTP http;
        int fetched = 0;
        std::string failure;
        try {
            for (; fetched < 20; ++fetched)
                ASSERT_EQ(http.Get(server.url("/")), "ok");
        } catch (const EIdException& e) {
            failure = e.what();
        }
        EXPECT_EQ(fetched, 20) << failure;
        EXPECT_EQ(server.connects(), 20);
    }
}

TEST(HttpConnectionTest, OnlyARequestOnAKeptConnectionThatGotNoAnswerIsSentOnceMore) {
    using Script = std::function<void(ServerConnection&)>;
    const Script close = [](ServerConnection& c) { c.close(); };
    const Script reset = [](ServerConnection& c) { c.reset(); };
    const Script answer = [](ServerConnection& c) { c.send(ScriptedServer::ok("two")); };
    const struct {
        const char* name;
        Script kept;      // what the first connection does with the second request
        Script fresh;     // what a later connection does with its request
        const char* body; // nullptr: the second fetch fails
        int connects;
        std::size_t requests;
    } cases[] = {
        {"closed without an answer", close, answer, "two", 2, 3},
        {"reset without an answer", reset, answer, "two", 2, 3},
        {"and the new connection closed as well", close, close, nullptr, 2, 3},
        {"part of an answer, then the close",
         [](ServerConnection& c) {
             c.send("HTTP/1.1 200 OK\r\n");
             c.close();
         },
         answer, nullptr, 1, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server([&c](ServerConnection& conn) {
            if (conn.index() > 0) {
                if (conn.readRequest())
                    c.fresh(conn);
                return;
            }
            if (conn.readRequest())
                conn.send(ScriptedServer::ok("one"));
            if (conn.readRequest())
                c.kept(conn);
        });
        TIdHTTP http;
        EXPECT_EQ(http.Get(server.url("/")), "one");
        if (c.body != nullptr) {
            EXPECT_EQ(http.Get(server.url("/")), c.body);
        } else {
            expectFailure<EIdException>([&] { http.Get(server.url("/")); });
            EXPECT_FALSE(http.Connected());
        }
        EXPECT_EQ(server.connects(), c.connects);
        EXPECT_EQ(server.requests().size(), c.requests);
    }
    // A new connection that the server closes without an answer is not retried.
    ScriptedServer closing([](ServerConnection& c) {
        if (c.readRequest())
            c.close();
    });
    TIdHTTP http;
    const auto e = expectFailure<EIdConnClosedGracefully>([&] { http.Get(closing.url("/")); });
    EXPECT_STREQ(e.what(), "Connection Closed Gracefully.");
    EXPECT_EQ(closing.connects(), 1);
}

TEST(HttpConnectionTest, BytesWaitingOnAnIdleConnectionAreNeverTheNextAnswer) {
    // Bytes that came after an answer was read in full belong to no request of the client: the
    // connection is dropped and the next request goes on a new one.
    for (const std::string& stray :
         {ScriptedServer::ok("stray"), std::string("HTTP/1.1 408 Request Timeout\r\n\r\n")}) {
        SCOPED_TRACE(stray);
        ScriptedServer server([stray](ServerConnection& c) {
            if (c.index() == 0) {
                if (c.readRequest())
                    c.send(ScriptedServer::ok("ok") + stray);
                while (c.readRequest())
                    c.send(ScriptedServer::ok("shifted"));
                return;
            }
            for (int n = 0; c.readRequest(); ++n)
                c.send(ScriptedServer::ok("next " + std::to_string(n)));
        });
        TIdHTTP http;
        EXPECT_EQ(http.Get(server.url("/")), "ok");
        EXPECT_EQ(http.Get(server.url("/")), "next 0");
        EXPECT_EQ(http.Get(server.url("/")), "next 1");
        EXPECT_EQ(server.connects(), 2);
    }
}

TEST(HttpConnectionTest, AConnectThatGetsNoAnswerEndsAfterTheConnectTimeOut) {
    SilentListener silent;
    TIdHTTP http;
    EXPECT_EQ(http.ConnectTimeout, 21000);
    http.ConnectTimeout = 300;
    const auto e = expectFailure<EIdSocketError>(
        [&] { http.Get("http://127.0.0.1:" + std::to_string(silent.port()) + "/"); });
    EXPECT_EQ(e.LastError(), 10060);
    EXPECT_STREQ(e.what(), "Socket Error # 10060\r\nConnection timed out.");
    EXPECT_FALSE(http.Connected());
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

    // A name with an empty label can exist nowhere: the lookup refuses it without asking a
    // name server, so the answer does not depend on the machine's resolver.
    auto unknown =
        expectFailure<EIdSocketError>([&] { http.Get("http://no-such-host..invalid/"); });
    EXPECT_EQ(unknown.LastError(), 11001);
    EXPECT_STREQ(unknown.what(), "Socket Error # 11001\r\nHost not found.");

    // Dotted quads are four decimal numbers; leading zeros do not make a part octal or the
    // address unreadable (it once came out as 0.0.0.0, this machine).
    const unsigned char ten[4] = {10, 0, 8, 1};
    std::uint32_t expected = 0;
    std::memcpy(&expected, ten, 4);
    EXPECT_EQ(idstack::resolveHost("010.000.008.001"), expected);
    EXPECT_EQ(idstack::resolveHost("10.0.8.1"), expected);

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
    EXPECT_EQ(idstack::lookupError(EAI_NONAME, 0), 11001);
    EXPECT_EQ(idstack::lookupError(EAI_AGAIN, 0), 11002);
    EXPECT_EQ(idstack::lookupError(EAI_FAIL, 0), 11003);
    EXPECT_EQ(idstack::lookupError(EAI_SYSTEM, EMFILE), 10024);
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
        {"HTTP/1.1 407 Proxy\r\nProxy-Authenticate: Digest realm=\"r\"\r\n"
         "Proxy-Authenticate: NTLM\r\nContent-Length: 2\r\n\r\nno",
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
        // A proxy challenge in the Basic scheme empties the proxy password; nothing else does.
        const bool basicProxy =
            c.code == 407 && std::string(c.answer).find("Basic") != std::string::npos;
        EXPECT_EQ(http.ProxyParams().ProxyPassword(), basicProxy ? "" : "secret");
        EXPECT_EQ(http.ProxyParams().ProxyUsername(), "user");
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
        {"lines ended by LF alone", "HTTP/1.1 200 OK\nContent-Length: 2\nServer: x\n\nok", "ok"},
        {"chunks with LF alone",
         "HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n2\nab\n1\r\nc\n0\n\n", "abc"},
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
    // With maSplit the first 16384 bytes are a line of their own and the rest the next one.
    ScriptedServer split(ScriptedServer::answers(
        {"HTTP/1.1 200 " + std::string(20000, 'k') + "\r\nContent-Length: 2\r\n\r\nok"}));
    TIdHTTP splitting;
    splitting.MaxLineAction = maSplit;
    EXPECT_EQ(splitting.Get(split.url("/")), "ok");
    EXPECT_EQ(splitting.Response().ResponseText, "HTTP/1.1 200 " + std::string(16384 - 13, 'k'));
    EXPECT_EQ(splitting.Response().ResponseCode, 200);
    ASSERT_EQ(splitting.Response().RawHeaders.Count(), 2u);
    EXPECT_EQ(splitting.Response().RawHeaders[0], std::string(20013 - 16384, 'k'));
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

#ifndef _WIN32
// Left out on Windows by name (tests/net): python3 is spawned with posix_spawn.
TEST(HttpRealServerTest, FetchesFromPythonsHttpServer) {
    PythonHttpServer server({{"d/p.html", "page p"},
                             {"d/q.html", "page dq"},
                             {"d/index.html", "dir"},
                             {"q.html", "page q"}});
    ASSERT_NE(server.port(), 0) << "python3 -m http.server did not start (scripts/deps.sh test "
                                   "installs python3)";
    TIdHTTP http;
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(http.Get(server.url("/d/p.html")), "page p") << "fetch " << i;
    EXPECT_EQ(http.Get("q.html"), "page dq");
    EXPECT_EQ(http.Get(""), "dir");
    EXPECT_EQ(http.Get("../q.html"), "page q");
    EXPECT_EQ(http.Get(server.url("/d/p.html")), "page p");
}

#endif

} // namespace
