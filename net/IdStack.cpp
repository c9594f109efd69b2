#include "net/IdStack.h"

#include "net/IdException.h"
#include "net/IdGlobal.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace idstack {

int errorFromErrno(int err) {
    switch (err) {
    case EINTR:
        return 10004;
    case EBADF:
        return 10009;
    case EACCES:
    case EPERM:
        return 10013;
    case EFAULT:
        return 10014;
    case EINVAL:
        return 10022;
    case EMFILE:
    case ENFILE:
        return 10024;
#if EAGAIN != EWOULDBLOCK
    case EAGAIN:
#endif
    case EWOULDBLOCK:
        return 10035;
    case EINPROGRESS:
        return 10036;
    case EALREADY:
        return 10037;
    case ENOTSOCK:
        return 10038;
    case EDESTADDRREQ:
        return 10039;
    case EMSGSIZE:
        return 10040;
    case EPROTOTYPE:
        return 10041;
    case ENOPROTOOPT:
        return 10042;
    case EPROTONOSUPPORT:
        return 10043;
    case ESOCKTNOSUPPORT:
        return 10044;
    case EOPNOTSUPP:
        return 10045;
    case EPFNOSUPPORT:
        return 10046;
    case EAFNOSUPPORT:
        return 10047;
    case EADDRINUSE:
        return 10048;
    case EADDRNOTAVAIL:
        return 10049;
    case ENETDOWN:
        return 10050;
    case ENETUNREACH:
        return 10051;
    case ENETRESET:
        return 10052;
    // Writing to a connection that the peer has already torn down.
    case EPIPE:
    case ECONNABORTED:
        return 10053;
    case ECONNRESET:
        return 10054;
    case ENOBUFS:
    case ENOMEM:
        return 10055;
    case EISCONN:
        return 10056;
    case ENOTCONN:
        return 10057;
    case ESHUTDOWN:
        return 10058;
    case ETOOMANYREFS:
        return 10059;
    case ETIMEDOUT:
        return 10060;
    case ECONNREFUSED:
        return 10061;
    case ELOOP:
        return 10062;
    case ENAMETOOLONG:
        return 10063;
    case EHOSTDOWN:
        return 10064;
    case EHOSTUNREACH:
        return 10065;
    case ENOTEMPTY:
        return 10066;
    default:
        return 10000 + err;
    }
}

int lookupError(int lookupCode, int err) {
    switch (lookupCode) {
    case EAI_AGAIN:
        return 11002; // a temporary failure of the name server
    case EAI_FAIL:
        return 11003;
    case EAI_SYSTEM:
        return errorFromErrno(err);
    default:
        return 11001;
    }
}

std::uint32_t resolveHost(const std::string& host) {
    if (idglobal::sameText(host, "LOCALHOST"))
        return htonl(INADDR_LOOPBACK);
    if (idglobal::isDottedQuad(host))
        return dottedQuadAddress(host);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &list);
    if (rc != 0 || list == nullptr) {
        const int err = errno;
        if (list != nullptr)
            freeaddrinfo(list);
        throw EIdSocketError(lookupError(rc, err));
    }
    const std::uint32_t address = reinterpret_cast<sockaddr_in*>(list->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(list);
    return address;
}

} // namespace idstack

namespace {
std::mutex stackLock;
int stackUsers = 0;
} // namespace

void TIdStack::acquire() {
    std::lock_guard<std::mutex> lock(stackLock);
    // POSIX sockets need no start-up; the count mirrors the lifetime of the family.
    ++stackUsers;
}

void TIdStack::release() {
    std::lock_guard<std::mutex> lock(stackLock);
    if (stackUsers > 0)
        --stackUsers;
}

namespace {

// Receive buffer asked for on every connection (kIdSocketReceiveBuffer). Left to itself the
// kernel sizes the buffer by how fast the reader drains it; a reader that takes small pieces
// keeps it small, so each receive reopens only a small window and the sender moves the body in
// small pieces.
// Whether the system grants kIdSocketReceiveBuffer in full. A fixed size also ends the kernel's
// own growth of the buffer, so where the system caps it lower the kernel keeps sizing it.
bool receiveBufferGranted() {
    static const bool granted = [] {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return false;
        int size = kIdSocketReceiveBuffer;
        int result = 0;
        socklen_t length = sizeof result;
        const bool ok = ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size) == 0 &&
                        ::getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &result, &length) == 0 &&
                        result >= kIdSocketReceiveBuffer;
        ::close(fd);
        return ok;
    }();
    return granted;
}

// Connects without blocking and waits at most `timeoutMs` (negative: without limit) for the
// outcome, so that an address that drops packets does not hold the caller for the system's
// own, much longer, connect time-out. Leaves the socket blocking. Returns 0 or an errno value
// (ETIMEDOUT when the wait ran out).
int connectWithin(int fd, const sockaddr_in& remote, int timeoutMs) {
    const int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0)
        return errno;
    int err = 0;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0) {
        err = errno;
        if (err == EINPROGRESS || err == EINTR) {
            using Clock = std::chrono::steady_clock;
            const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
            while (true) {
                int wait = -1;
                if (timeoutMs >= 0) {
                    const auto left =
                        std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
                    wait = static_cast<int>(std::max<std::int64_t>(left.count(), 0));
                }
                pollfd p{fd, POLLOUT, 0};
                const int rc = ::poll(&p, 1, wait);
                if (rc > 0) {
                    socklen_t length = sizeof err;
                    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &length) != 0)
                        err = errno;
                    break;
                }
                if (rc == 0) {
                    err = ETIMEDOUT;
                    break;
                }
                if (errno != EINTR) {
                    err = errno;
                    break;
                }
            }
        }
    }
    if (err == 0 && ::fcntl(fd, F_SETFL, flags) != 0)
        err = errno;
    return err;
}

} // namespace

TIdSocketHandle::~TIdSocketHandle() {
    CloseSocket();
}

void TIdSocketHandle::Connect(std::uint32_t address, int port, int timeoutMs) {
    CloseSocket();
    sockaddr_in local;
    sockaddr_in remote;
    idstack::connectAddresses(address, port, local, remote);
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        throw EIdSocketError(idstack::errorFromErrno(errno));
    if (receiveBufferGranted()) {
        // Before the connect, so that the window offered from the start fits it.
        const int size = kIdSocketReceiveBuffer;
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
    int rc = ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local);
    int err = rc == 0 ? connectWithin(fd_, remote, timeoutMs) : errno;
    if (err != 0) {
        CloseSocket();
        throw EIdSocketError(idstack::errorFromErrno(err));
    }
}

void TIdSocketHandle::Send(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd_, data, size, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EIdSocketError(idstack::errorFromErrno(errno));
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

long TIdSocketHandle::Recv(char* buffer, std::size_t size) {
    while (true) {
        const ssize_t n = ::recv(fd_, buffer, size, 0);
        if (n >= 0)
            return static_cast<long>(n);
        if (errno != EINTR)
            return -idstack::errorFromErrno(errno);
    }
}

int TIdSocketHandle::Readable(int timeoutMs) {
    pollfd p{fd_, POLLIN, 0};
    while (true) {
        const int rc = ::poll(&p, 1, timeoutMs < 0 ? -1 : timeoutMs);
        if (rc > 0)
            return 1;
        if (rc == 0)
            return 0;
        if (errno != EINTR)
            return -idstack::errorFromErrno(errno);
    }
}

void TIdSocketHandle::ShutdownSend() {
    if (fd_ >= 0)
        ::shutdown(fd_, SHUT_WR);
}

void TIdSocketHandle::CloseSocket() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}
