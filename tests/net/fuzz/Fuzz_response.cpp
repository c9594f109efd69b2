// The client reading arbitrary server bytes: a server thread on 127.0.0.1 answers every request
// with the input and closes; the client fetches once per input. Any failure must come as an
// exception of the client's family, nothing else.
#include "net/IdHTTP.h"

#include <arpa/inet.h>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

class Peer {
public:
    Peer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(listener_, 16) != 0)
            std::abort();
        socklen_t len = sizeof a;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        std::thread([this] { serve(); }).detach();
    }

    int port() const { return port_; }
    void setAnswer(std::string answer) {
        std::lock_guard<std::mutex> lock(mutex_);
        answer_ = std::move(answer);
    }

private:
    void serve() {
        while (true) {
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            // Read the request through its empty line, within a bounded time.
            std::string request;
            char buf[4096];
            for (int rounds = 0; rounds < 100 && request.find("\r\n\r\n") == std::string::npos;
                 ++rounds) {
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 100) <= 0)
                    continue;
                const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                if (n <= 0)
                    break;
                request.append(buf, static_cast<std::size_t>(n));
            }
            std::string answer;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                answer = answer_;
            }
            std::size_t sent = 0;
            while (sent < answer.size()) {
                const ssize_t n =
                    ::send(fd, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += static_cast<std::size_t>(n);
            }
            ::shutdown(fd, SHUT_WR);
            ::close(fd);
        }
    }

    int listener_ = -1;
    int port_ = 0;
    std::mutex mutex_;
    std::string answer_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Peer peer;
    peer.setAnswer(std::string(reinterpret_cast<const char*>(data), size));
    TIdHTTP http;
    try {
        const std::string body = http.Get("http://127.0.0.1:" + std::to_string(peer.port()) + "/");
        if (body.size() > size)
            std::abort(); // a body can only hold bytes that came
    } catch (const EIdException&) {
    }
    return 0;
}
