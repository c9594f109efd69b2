#pragma once
// A small HTTP/1.1 server for static files on the loopback interface. Files are sent as
// they lie on disk; persistent connections are kept open; nothing outside the root is
// served. Each connection is served on a thread of its own.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

class StaticServer {
public:
    // Serves the files under `root`, which must be a directory. Throws std::runtime_error.
    explicit StaticServer(const std::string& root);
    ~StaticServer();
    StaticServer(const StaticServer&) = delete;
    StaticServer& operator=(const StaticServer&) = delete;

    // Binds 127.0.0.1 on `port` (0: a free one) and returns the port bound.
    std::uint16_t listen(std::uint16_t port);
    // Accepts and serves connections until stop(); then closes every connection and returns.
    void run();
    // Makes run() return. Safe to call from a signal handler and from any thread.
    void stop() noexcept;

    // Maps a request target onto a file under the root; empty when there is none to serve.
    std::string resolve(const std::string& target) const;

private:
    struct Connection {
        int fd;
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void serve(Connection& connection);
    void reap(bool all);

    std::string root_;
    int listenFd_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::mutex mutex_;
    std::vector<std::unique_ptr<Connection>> connections_;
};
