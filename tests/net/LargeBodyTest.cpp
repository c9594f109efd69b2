// Bodies of several MiB: received straight into the destination in pieces, grown past the
// point where the memory buffer moves into a mapping of its own, and turned into text once.
#include "net/IdHTTP.h"
#include "support/net/ScriptedServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <vector>

namespace {

using namespace std::chrono_literals;
using ztest::ScriptedServer;
using ztest::ServerConnection;

// Bytes that differ from position to position, so that a piece written to the wrong place,
// twice or not at all changes the text.
std::string pattern(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t x = 2463534242u;
    for (std::size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = static_cast<char>(x & 0xff);
    }
    return bytes;
}

// Index of the first difference, or the shorter size; keeps failure output short.
std::size_t firstDifference(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
        if (a[i] != b[i])
            return i;
    return n;
}

const std::size_t kLarge = (5u << 20) + 12345; // beyond the 4 MiB where text goes on huge pages

TEST(LargeBodyTest, AKnownLengthArrivingInUnevenPiecesIsReturnedWhole) {
    const std::string body = pattern(kLarge);
    ScriptedServer server([&body](ServerConnection& c) {
        if (!c.readRequest())
            return;
        c.send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n");
        // Pieces that are no multiple of the receive block, so receives end mid-block.
        c.sendInPieces(body, 100003, 0ms);
        c.waitForClientClose();
    });
    TIdHTTP http;
    const std::string got = http.Get(server.url("/"));
    EXPECT_EQ(got.size(), body.size());
    EXPECT_EQ(firstDifference(got, body), body.size());
}

TEST(LargeBodyTest, BodiesInChunksAndUntilTheCloseAreReturnedWhole) {
    const std::string body = pattern(kLarge);
    ScriptedServer server([&body](ServerConnection& c) {
        // Chunks of 1 MiB and the rest, each larger than one receive; the connection stays.
        if (!c.readRequest())
            return;
        std::string answer = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
        for (std::size_t at = 0; at < body.size(); at += 1u << 20) {
            const std::size_t n = std::min<std::size_t>(1u << 20, body.size() - at);
            char size[32];
            std::snprintf(size, sizeof size, "%zx\r\n", n);
            answer += size + body.substr(at, n) + "\r\n";
        }
        answer += "0\r\n\r\n";
        c.sendInPieces(answer, 65537, 0ms);
        // Then a body without length, ended by the close.
        if (!c.readRequest())
            return;
        c.send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
        c.sendInPieces(body, 77777, 0ms);
        c.close();
    });
    TIdHTTP http;
    std::string got = http.Get(server.url("/"));
    EXPECT_EQ(got.size(), body.size());
    EXPECT_EQ(firstDifference(got, body), body.size());
    got = http.Get(server.url("/"));
    EXPECT_EQ(got.size(), body.size());
    EXPECT_EQ(firstDifference(got, body), body.size());
    EXPECT_EQ(server.connects(), 1);
}

TEST(LargeBodyTest, ACloseBeforeTheAnnouncedLengthKeepsWhatArrived) {
    const std::string body = pattern(3u << 20);
    ScriptedServer server([&body](ServerConnection& c) {
        if (!c.readRequest())
            return;
        c.send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(2 * body.size()) +
               "\r\n\r\n");
        c.sendInPieces(body, 50000, 0ms);
        c.close();
    });
    TIdHTTP http;
    const std::string got = http.Get(server.url("/"));
    EXPECT_EQ(got.size(), body.size());
    EXPECT_EQ(firstDifference(got, body), body.size());
}

TEST(LargeBodyTest, NoReceiveTakesMoreThanItsBlock) {
    // A destination with storage of its own takes receives of up to kIdBodyReceiveSize; one
    // without goes through the input buffer, RecvBufferSize (32768) at a time.
    const std::string body = pattern(9u << 20);
    for (const bool memory : {true, false}) {
        SCOPED_TRACE(memory ? "memory buffer" : "output stream");
        ScriptedServer server(ScriptedServer::answers({ScriptedServer::ok(body)}));
        TIdHTTP http;
        std::vector<std::int64_t> totals;
        http.OnWork = [&totals](TWorkMode, std::int64_t total) { totals.push_back(total); };
        std::string got;
        if (memory) {
            TIdMemoryStream stream;
            http.Get(server.url("/"), stream);
            got = stream.ToString();
        } else {
            std::ostringstream stream;
            http.Get(server.url("/"), stream);
            got = stream.str();
        }
        ASSERT_EQ(got.size(), body.size());
        EXPECT_EQ(firstDifference(got, body), body.size());
        const std::int64_t block = memory ? std::int64_t{kIdBodyReceiveSize} : 32768;
        ASSERT_GE(totals.size(), body.size() / block);
        EXPECT_EQ(totals.back(), static_cast<std::int64_t>(body.size()));
        // The first step is what came with the header block; every later one is one receive.
        for (std::size_t i = 1; i < totals.size(); ++i) {
            EXPECT_GT(totals[i], totals[i - 1]);
            EXPECT_LE(totals[i] - totals[i - 1], block) << "step " << i;
        }
    }
}

TEST(LargeBodyTest, TheMemoryBufferKeepsItsBytesAcrossEveryGrowth) {
    // Writes and direct fills alternate while the buffer grows from the heap into a mapping
    // and moves several times.
    const std::string bytes = pattern(kLarge);
    TIdMemoryStream memory;
    memory.ExpectSize(1000);
    std::size_t at = 0;
    for (int step = 0; at < bytes.size() && step < 10000; ++step) {
        const std::size_t n = std::min<std::size_t>(10000 + 7919 * (step % 13), bytes.size() - at);
        if (step % 2 == 0) {
            memory.Write(bytes.data() + at, n);
        } else {
            char* target = memory.WritePointer(n + 500);
            ASSERT_NE(target, nullptr);
            std::copy(bytes.data() + at, bytes.data() + at + n, target);
            memory.Commit(n);
        }
        at += n;
    }
    ASSERT_EQ(memory.Size(), bytes.size());
    const std::string text = memory.ToString();
    EXPECT_EQ(text.size(), bytes.size());
    EXPECT_EQ(firstDifference(text, bytes), bytes.size());
    memory.Clear();
    EXPECT_EQ(memory.ToString(), "");
}

} // namespace
