#include "support/net/ScriptedServer.h"

#include <cerrno>
#include <stdexcept>
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace ztest {

using Clock = std::chrono::steady_clock;

namespace {
// The few calls that differ between POSIX and Windows Sockets.
#ifdef _WIN32
constexpr Socket kNoSocket = INVALID_SOCKET;
constexpr int kNoSignal = 0;
constexpr int kShutBoth = SD_BOTH;
// Windows Sockets are started for as long as a user of them lives.
void startSockets() {
    WSADATA data{};
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0)
        throw std::runtime_error("test server: no Windows Sockets");
}
void stopSockets() {
    ::WSACleanup();
}
Socket newSocket() {
    return ::socket(AF_INET, SOCK_STREAM, 0);
}
Socket acceptSocket(Socket listening) {
    return ::accept(listening, nullptr, nullptr);
}
int pollOne(pollfd& p, int timeoutMs) {
    return ::WSAPoll(&p, 1, timeoutMs);
}
void closeSocket(Socket s) {
    ::closesocket(s);
}
bool interrupted() {
    return false;
}
#else
constexpr Socket kNoSocket = -1;
constexpr int kNoSignal = MSG_NOSIGNAL;
constexpr int kShutBoth = SHUT_RDWR;
void startSockets() {}
void stopSockets() {}
Socket newSocket() {
    return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
}
Socket acceptSocket(Socket listening) {
    return ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
}
int pollOne(pollfd& p, int timeoutMs) {
    return ::poll(&p, 1, timeoutMs);
}
void closeSocket(Socket s) {
    ::close(s);
}
bool interrupted() {
    return errno == EINTR;
}
#endif
} // namespace

int closedPort() {
    startSockets();
    const Socket s = newSocket();
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    closeSocket(s);
    stopSockets();
    return ntohs(a.sin_port);
}

SilentListener::SilentListener() {
    startSockets();
    listener_ = newSocket();
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(listener_, 0);
    socklen_t len = sizeof a;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    // One connection fills the queue; it is never accepted.
    filler_ = newSocket();
    ::connect(filler_, reinterpret_cast<sockaddr*>(&a), sizeof a);
}

SilentListener::~SilentListener() {
    closeSocket(filler_);
    closeSocket(listener_);
    stopSockets();
}

ServerConnection::ServerConnection(ScriptedServer& server, Socket fd, int index)
    : server_(server), fd_(fd), index_(index) {}

ServerConnection::~ServerConnection() {
    close();
}

bool ServerConnection::fill(milliseconds timeout) {
    if (fd_ == kNoSocket)
        return false;
    const auto deadline = Clock::now() + timeout;
    while (!server_.stopping_.load()) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd p{fd_, POLLIN, 0};
        const int rc = pollOne(p, static_cast<int>(std::min<long long>(left, 50)));
        if (rc < 0 && !interrupted())
            return false;
        if (rc <= 0)
            continue;
        char buf[65536];
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n <= 0)
            return false;
        pending_.append(buf, static_cast<std::size_t>(n));
        server_.recordBytes(index_, std::string_view(buf, static_cast<std::size_t>(n)));
        return true;
    }
    return false;
}

std::optional<std::string> ServerConnection::readRequest(milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (true) {
        const std::size_t end = pending_.find("\r\n\r\n");
        if (end != std::string::npos) {
            std::string request = pending_.substr(0, end + 4);
            pending_.erase(0, end + 4);
            server_.recordRequest(request);
            return request;
        }
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !fill(left))
            return std::nullopt;
    }
}

void ServerConnection::send(std::string_view bytes) {
    while (fd_ != kNoSocket && !bytes.empty()) {
        const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), kNoSignal);
        if (n < 0) {
            if (interrupted())
                continue;
            return; // the client has gone; the script goes on regardless
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void ServerConnection::sendInPieces(std::string_view bytes, std::size_t pieceSize,
                                    milliseconds pauseBetween) {
    if (pieceSize == 0)
        pieceSize = 1;
    while (!bytes.empty()) {
        const std::size_t n = std::min(pieceSize, bytes.size());
        send(bytes.substr(0, n));
        bytes.remove_prefix(n);
        if (!bytes.empty())
            pause(pauseBetween);
    }
}

void ServerConnection::pause(std::chrono::microseconds duration) {
    const auto deadline = Clock::now() + duration;
    while (!server_.stopping_.load() && Clock::now() < deadline)
        std::this_thread::sleep_for(
            std::min<std::chrono::microseconds>(milliseconds(10), duration));
}

void ServerConnection::close() {
    if (fd_ == kNoSocket)
        return;
    {
        std::lock_guard<std::mutex> lock(server_.mutex_);
        std::erase(server_.openFds_, fd_);
    }
    closeSocket(fd_);
    fd_ = kNoSocket;
}

void ServerConnection::reset() {
    if (fd_ == kNoSocket)
        return;
    linger l{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
    close();
}

bool ServerConnection::waitForClientClose(milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (fd_ != kNoSocket && !server_.stopping_.load()) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{fd_, POLLIN, 0};
        const int rc = pollOne(p, static_cast<int>(std::min<long long>(left.count(), 50)));
        if (rc <= 0)
            continue;
        char buf[4096];
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n <= 0)
            return true;
        server_.recordBytes(index_, std::string_view(buf, static_cast<std::size_t>(n)));
    }
    return false;
}

std::string ServerConnection::targetOf(const std::string& request) {
    const std::size_t a = request.find(' ');
    if (a == std::string::npos)
        return "";
    const std::size_t b = request.find(' ', a + 1);
    return request.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
}

ScriptedServer::ScriptedServer(Handler handler) : handler_(std::move(handler)) {
    startSockets();
    listenFd_ = newSocket();
    if (listenFd_ == kNoSocket) {
        stopSockets();
        throw std::runtime_error("test server: no socket");
    }
    const int yes = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes),
                 sizeof yes);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listenFd_, 64) != 0) {
        closeSocket(listenFd_);
        stopSockets();
        throw std::runtime_error("test server: cannot listen");
    }
    socklen_t len = sizeof a;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

ScriptedServer::~ScriptedServer() {
    stopping_.store(true);
    if (acceptThread_.joinable())
        acceptThread_.join();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (Socket fd : openFds_)
            ::shutdown(fd, kShutBoth);
    }
    for (std::thread& t : workers_)
        if (t.joinable())
            t.join();
    closeSocket(listenFd_);
    stopSockets();
}

void ScriptedServer::acceptLoop() {
    while (!stopping_.load()) {
        pollfd p{listenFd_, POLLIN, 0};
        if (pollOne(p, 20) <= 0)
            continue;
        const Socket fd = acceptSocket(listenFd_);
        if (fd == kNoSocket)
            continue;
        int index;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            index = static_cast<int>(connectionBytes_.size());
            connectionBytes_.emplace_back();
            openFds_.push_back(fd);
        }
        connects_.fetch_add(1);
        workers_.emplace_back([this, fd, index] {
            {
                ServerConnection connection(*this, fd, index);
                try {
                    handler_(connection);
                } catch (...) {
                }
            }
            std::lock_guard<std::mutex> lock(mutex_);
            ++finished_;
            finishedChanged_.notify_all();
        });
    }
}

void ScriptedServer::recordRequest(const std::string& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
}

void ScriptedServer::recordBytes(int index, std::string_view bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    connectionBytes_[static_cast<std::size_t>(index)].append(bytes);
}

std::string ScriptedServer::url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<std::string> ScriptedServer::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::vector<std::string> ScriptedServer::connectionBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return connectionBytes_;
}

bool ScriptedServer::waitForFinished(int count, milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return finishedChanged_.wait_for(lock, timeout, [&] { return finished_ >= count; });
}

std::string ScriptedServer::ok(std::string_view body, std::string_view extraHeaders) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
           std::string(extraHeaders) + "\r\n" + std::string(body);
}

namespace {
bool closesConnection(const std::string& answer) {
    return answer.substr(0, answer.find("\r\n\r\n")).find("Connection: close") != std::string::npos;
}
} // namespace

ScriptedServer::Handler ScriptedServer::answers(std::vector<std::string> list) {
    auto shared = std::make_shared<std::vector<std::string>>(std::move(list));
    auto next = std::make_shared<std::atomic<std::size_t>>(0);
    return [shared, next](ServerConnection& c) {
        while (c.readRequest()) {
            const std::size_t i = next->fetch_add(1);
            if (i >= shared->size())
                return;
            c.send((*shared)[i]);
            if (closesConnection((*shared)[i]))
                return;
        }
    };
}

ScriptedServer::Handler ScriptedServer::routes(std::map<std::string, std::string> pathToResponse) {
    auto shared = std::make_shared<std::map<std::string, std::string>>(std::move(pathToResponse));
    return [shared](ServerConnection& c) {
        while (auto request = c.readRequest()) {
            std::string target = ServerConnection::targetOf(*request);
            // The absolute form a proxy gets: keep the path only.
            const std::size_t scheme = target.find("://");
            if (scheme != std::string::npos) {
                const std::size_t slash = target.find('/', scheme + 3);
                target = slash == std::string::npos ? "/" : target.substr(slash);
            }
            const auto it = shared->find(target);
            const std::string answer =
                it != shared->end()
                    ? it->second
                    : std::string("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nNot Found");
            c.send(answer);
            if (closesConnection(answer))
                return;
        }
    };
}

} // namespace ztest
