#pragma once
// A scripted HTTP peer for tests, on 127.0.0.1 with a free port. It records the raw bytes of
// every request and of every connection, counts connects, and answers as a script says: raw
// bytes, bytes in pieces with pauses, closes and resets. Every wait is bounded.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace ztest {

using std::chrono::milliseconds;

#ifdef _WIN32
using Socket = std::uintptr_t; // a Windows Sockets SOCKET
#else
using Socket = int;
#endif

// A port on 127.0.0.1 that nothing listens on.
int closedPort();

// A listening socket on 127.0.0.1 whose accept queue is full, so that it drops every further
// connect attempt the way an address that swallows packets does. (Linux drops such attempts;
// Windows itself refuses them.)
class SilentListener {
public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    int port() const { return port_; }

private:
    Socket listener_;
    Socket filler_;
    int port_ = 0;
};

class ScriptedServer;

// One accepted connection, handed to the script on a thread of its own.
class ServerConnection {
public:
    ServerConnection(ScriptedServer& server, Socket fd, int index);
    ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    // Number of this connection, from 0 in the order of accepting.
    int index() const { return index_; }
    // Reads one request: everything up to and including the empty line that ends its header
    // block. Empty when the client closed or nothing complete came within `timeout`.
    std::optional<std::string> readRequest(milliseconds timeout = milliseconds(5000));
    void send(std::string_view bytes);
    // Sends `bytes` in pieces of `pieceSize` with a pause after each but the last.
    void sendInPieces(std::string_view bytes, std::size_t pieceSize, milliseconds pause);
    // Sleeps for `duration`; fine enough for pauses below a millisecond.
    void pause(std::chrono::microseconds duration);
    // Orderly close: the client reads the end of the stream.
    void close();
    // Abortive close: the client gets a reset.
    void reset();
    // Waits until the client closes its side; false when it did not within `timeout`.
    bool waitForClientClose(milliseconds timeout = milliseconds(5000));
    // The request target of a raw request (origin or absolute form as sent).
    static std::string targetOf(const std::string& request);

private:
    friend class ScriptedServer;
    bool fill(milliseconds timeout);
    ScriptedServer& server_;
    Socket fd_;
    int index_;
    std::string pending_;
};

class ScriptedServer {
public:
    using Handler = std::function<void(ServerConnection&)>;

    explicit ScriptedServer(Handler handler);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    // Answers each request, on whatever connection it comes, with the next of `answers`;
    // closes a connection when the answers run out, the client closes or an answer carries
    // "Connection: close".
    static Handler answers(std::vector<std::string> answers);
    // Serves a fixed map of request path (query included) to raw response; unknown paths get
    // a 404. The connection stays open until the client closes it or an answer carries
    // "Connection: close".
    static Handler routes(std::map<std::string, std::string> pathToResponse);
    // A complete raw 200 answer with a Content-Length.
    static std::string ok(std::string_view body, std::string_view extraHeaders = "");

    int port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by `path`.
    std::string url(std::string_view path = "/") const;
    int connects() const { return connects_.load(); }
    std::vector<std::string> requests() const;
    std::vector<std::string> connectionBytes() const;
    // Waits until `count` connection scripts have finished.
    bool waitForFinished(int count, milliseconds timeout = milliseconds(5000)) const;

private:
    friend class ServerConnection;
    void acceptLoop();
    void recordRequest(const std::string& request);
    void recordBytes(int index, std::string_view bytes);

    Handler handler_;
    Socket listenFd_;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connects_{0};
    std::thread acceptThread_;
    mutable std::mutex mutex_;
    mutable std::condition_variable finishedChanged_;
    int finished_ = 0;
    std::vector<std::string> requests_;
    std::vector<std::string> connectionBytes_;
    std::vector<Socket> openFds_;
    std::vector<std::thread> workers_;
};

} // namespace ztest
