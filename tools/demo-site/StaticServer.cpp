#include "tools/demo-site/StaticServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxHeader = 64 * 1024;
constexpr std::size_t kMaxBody = 1024 * 1024;
constexpr int kIdleSeconds = 60;

std::runtime_error systemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

std::string lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Percent-decoding; false for a malformed escape.
bool percentDecode(const std::string& text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0)
            return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

std::string contentType(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : lower(path.substr(dot + 1));
    if (ext == "html" || ext == "htm")
        return "text/html; charset=windows-1251";
    if (ext == "txt")
        return "text/plain; charset=windows-1251";
    if (ext == "swf")
        return "application/x-shockwave-flash";
    if (ext == "flv")
        return "video/x-flv";
    if (ext == "css")
        return "text/css";
    return "application/octet-stream";
}

bool sendAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool readFile(const std::string& path, std::string& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    out.clear();
    char buffer[16384];
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            ok = false;
        if (got <= 0)
            break;
        out.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return ok;
}

struct Request {
    std::string method;
    std::string target;
    std::string version;
    bool keepAlive = true;
    std::size_t contentLength = 0;
};

// Parses the head of a request (without its blank line); false when it is malformed.
bool parseHead(const std::string& head, Request& request) {
    std::size_t lineEnd = head.find('\n');
    const std::string requestLine = trim(head.substr(0, lineEnd));
    const std::size_t sp1 = requestLine.find(' ');
    const std::size_t sp2 = requestLine.rfind(' ');
    if (sp1 == std::string::npos || sp2 == sp1)
        return false;
    request.method = requestLine.substr(0, sp1);
    request.target = requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
    request.version = requestLine.substr(sp2 + 1);
    if (request.version != "HTTP/1.1" && request.version != "HTTP/1.0")
        return false;
    request.keepAlive = request.version == "HTTP/1.1";

    while (lineEnd != std::string::npos) {
        const std::size_t start = lineEnd + 1;
        lineEnd = head.find('\n', start);
        const std::string line =
            head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        const std::string name = lower(trim(line.substr(0, colon)));
        const std::string value = lower(trim(line.substr(colon + 1)));
        if (name == "connection") {
            if (value.find("close") != std::string::npos)
                request.keepAlive = false;
            else if (value.find("keep-alive") != std::string::npos)
                request.keepAlive = true;
        } else if (name == "content-length") {
            char* end = nullptr;
            const unsigned long long length = std::strtoull(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || length > kMaxBody)
                return false;
            request.contentLength = static_cast<std::size_t>(length);
        } else if (name == "transfer-encoding") {
            return false; // request bodies in chunks are not supported
        }
    }
    return true;
}

std::string response(int status, const char* reason, const std::string& type, std::size_t length,
                     bool keepAlive) {
    return "HTTP/1.1 " + std::to_string(status) + " " + reason +
           "\r\nServer: zantrel-demo-site\r\nContent-Type: " + type +
           "\r\nContent-Length: " + std::to_string(length) +
           "\r\nConnection: " + (keepAlive ? "keep-alive" : "close") + "\r\n\r\n";
}

} // namespace

StaticServer::StaticServer(const std::string& root) {
    char resolved[PATH_MAX];
    if (::realpath(root.c_str(), resolved) == nullptr)
        throw systemError("cannot open root " + root);
    struct stat info {};
    if (::stat(resolved, &info) != 0 || !S_ISDIR(info.st_mode))
        throw std::runtime_error("not a directory: " + root);
    root_ = resolved;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw systemError("pipe");
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
}

StaticServer::~StaticServer() {
    reap(true);
    if (listenFd_ >= 0)
        ::close(listenFd_);
    ::close(wakeRead_);
    ::close(wakeWrite_);
}

std::uint16_t StaticServer::listen(std::uint16_t port) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0)
        throw systemError("socket");
    const int yes = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw systemError("bind 127.0.0.1:" + std::to_string(port));
    if (::listen(listenFd_, 64) != 0)
        throw systemError("listen");
    socklen_t length = sizeof address;
    if (::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw systemError("getsockname");
    return ntohs(address.sin_port);
}

void StaticServer::stop() noexcept {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(wakeWrite_, &byte, 1);
}

void StaticServer::run() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        const int ready = ::poll(fds, 2, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || (fds[1].revents & POLLIN))
            break;
        if (!(fds[0].revents & POLLIN))
            continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        const timeval idle{kIdleSeconds, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &idle, sizeof idle);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &idle, sizeof idle);
        reap(false);
        std::lock_guard<std::mutex> lock(mutex_);
        auto connection = std::make_unique<Connection>();
        connection->fd = fd;
        Connection& c = *connection;
        connections_.push_back(std::move(connection));
        c.thread = std::thread([this, &c] { serve(c); });
    }
    reap(true);
}

// Joins finished connections, or, with `all`, ends every connection and joins it.
void StaticServer::reap(bool all) {
    std::vector<std::unique_ptr<Connection>> finished;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            if (all || (*it)->done) {
                if (all)
                    ::shutdown((*it)->fd, SHUT_RDWR);
                finished.push_back(std::move(*it));
                it = connections_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& connection : finished) {
        if (connection->thread.joinable())
            connection->thread.join();
        ::close(connection->fd);
    }
}

std::string StaticServer::resolve(const std::string& target) const {
    std::string path = target;
    // A request through a proxy names the whole address.
    if (path.rfind("http://", 0) == 0) {
        const std::size_t slash = path.find('/', 7);
        path = slash == std::string::npos ? "/" : path.substr(slash);
    }
    path = path.substr(0, path.find_first_of("?#"));
    std::string decoded;
    if (path.empty() || path[0] != '/' || !percentDecode(path, decoded))
        return {};
    if (decoded.find('\0') != std::string::npos)
        return {};

    std::string relative;
    std::size_t start = 1;
    while (start <= decoded.size()) {
        std::size_t end = decoded.find('/', start);
        if (end == std::string::npos)
            end = decoded.size();
        const std::string segment = decoded.substr(start, end - start);
        if (segment == "..")
            return {};
        if (!segment.empty() && segment != ".")
            relative += "/" + segment;
        start = end + 1;
    }

    std::string candidate = root_ + relative;
    struct stat info {};
    if (::stat(candidate.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        candidate += "/index.html";
    char resolved[PATH_MAX];
    if (::realpath(candidate.c_str(), resolved) == nullptr)
        return {};
    const std::string real = resolved;
    // Links that lead out of the root are not followed.
    if (real.size() <= root_.size() || real.compare(0, root_.size(), root_) != 0 ||
        real[root_.size()] != '/')
        return {};
    if (::stat(real.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    return real;
}

void StaticServer::serve(Connection& connection) {
    const int fd = connection.fd;
    std::string buffer;
    char chunk[8192];
    // Appends what the peer sends next; false when it closed or failed.
    auto receiveMore = [&]() {
        for (;;) {
            const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            buffer.append(chunk, static_cast<std::size_t>(got));
            return true;
        }
    };
    bool open = true;
    while (open) {
        std::size_t headEnd;
        while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
            if (buffer.size() > kMaxHeader) {
                const std::string r =
                    response(431, "Request Header Fields Too Large", "text/plain", 0, false);
                sendAll(fd, r.data(), r.size());
                open = false;
                break;
            }
            if (!receiveMore()) {
                open = false;
                break;
            }
        }
        if (!open)
            break;

        Request request;
        const bool wellFormed = parseHead(buffer.substr(0, headEnd), request);
        buffer.erase(0, headEnd + 4);
        if (!wellFormed) {
            const std::string r = response(400, "Bad Request", "text/plain", 0, false);
            sendAll(fd, r.data(), r.size());
            break;
        }
        // A body, if any, is read and passed over.
        while (buffer.size() < request.contentLength) {
            if (!receiveMore()) {
                open = false;
                break;
            }
        }
        if (!open)
            break;
        buffer.erase(0, request.contentLength);

        const bool head = request.method == "HEAD";
        std::string header;
        std::string body;
        if (request.method != "GET" && !head) {
            header = response(405, "Method Not Allowed", "text/plain", 0, request.keepAlive);
        } else {
            const std::string file = resolve(request.target);
            if (file.empty() || !readFile(file, body)) {
                body.clear();
                header = response(404, "Not Found", "text/plain", 0, request.keepAlive);
            } else {
                header = response(200, "OK", contentType(file), body.size(), request.keepAlive);
            }
        }
        if (!sendAll(fd, header.data(), header.size()) ||
            (!head && !sendAll(fd, body.data(), body.size())))
            break;
        open = request.keepAlive;
    }
    ::shutdown(fd, SHUT_WR);
    connection.done = true;
}
