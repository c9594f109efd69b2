// The socket layer on Windows Sockets 2. Every error number is Winsock's own, taken from
// WSAGetLastError as it comes; nothing is translated.
#include "net/IdStack.h"

#include "net/IdException.h"
#include "net/IdGlobal.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <climits>
#include <mutex>

#ifndef WSA_FLAG_NO_HANDLE_INHERIT
#define WSA_FLAG_NO_HANDLE_INHERIT 0x80
#endif

namespace idstack {

std::uint32_t resolveHost(const std::string& host) {
    if (idglobal::sameText(host, "LOCALHOST"))
        return htonl(INADDR_LOOPBACK);
    if (idglobal::isDottedQuad(host))
        return dottedQuadAddress(host);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &list);
    if (rc != 0 || list == nullptr) {
        // The lookup's own result is a Winsock number too (11001 for an unknown name).
        int number = ::WSAGetLastError();
        if (number == 0)
            number = rc != 0 ? rc : WSAHOST_NOT_FOUND;
        if (list != nullptr)
            ::freeaddrinfo(list);
        throw EIdSocketError(number);
    }
    const std::uint32_t address = reinterpret_cast<sockaddr_in*>(list->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(list);
    return address;
}

} // namespace idstack

namespace {
std::mutex stackLock;
int stackUsers = 0;
} // namespace

void TIdStack::acquire() {
    std::lock_guard<std::mutex> lock(stackLock);
    if (stackUsers == 0) {
        WSADATA data{};
        if (::WSAStartup(MAKEWORD(2, 2), &data) != 0)
            throw EIdStackInitializationFailed();
        if (LOBYTE(data.wVersion) != 2 || HIBYTE(data.wVersion) != 2) {
            ::WSACleanup();
            throw EIdStackInitializationFailed();
        }
    }
    ++stackUsers;
}

void TIdStack::release() {
    std::lock_guard<std::mutex> lock(stackLock);
    if (stackUsers > 0 && --stackUsers == 0)
        ::WSACleanup();
}

namespace {

SOCKET native(TIdStackSocket s) {
    return static_cast<SOCKET>(s);
}

int clampedSize(std::size_t size) {
    return static_cast<int>(std::min<std::size_t>(size, INT_MAX));
}

// A TCP socket that child processes do not inherit.
SOCKET openSocket() {
    SOCKET s = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                            WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET && ::WSAGetLastError() == WSAEINVAL) {
        // Systems before Windows 7 SP1 do not know the flag; the handle is marked instead.
        s = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_OVERLAPPED);
        if (s != INVALID_SOCKET)
            ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    }
    return s;
}

// Connects without blocking and waits at most `timeoutMs` (negative: without limit) for the
// outcome; the socket is blocking again afterwards. Returns 0 or the Winsock number of the
// failure (10060 when the wait ran out).
int connectWithin(SOCKET s, const sockaddr_in& remote, int timeoutMs) {
    u_long nonBlocking = 1;
    if (::ioctlsocket(s, FIONBIO, &nonBlocking) != 0)
        return ::WSAGetLastError();
    int error = 0;
    if (::connect(s, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0) {
        error = ::WSAGetLastError();
        if (error == WSAEWOULDBLOCK) {
            fd_set connected;
            fd_set failed;
            FD_ZERO(&connected);
            FD_ZERO(&failed);
            FD_SET(s, &connected);
            FD_SET(s, &failed);
            timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
            const int rc =
                ::select(0, nullptr, &connected, &failed, timeoutMs < 0 ? nullptr : &limit);
            if (rc == 0) {
                error = WSAETIMEDOUT;
            } else if (rc == SOCKET_ERROR) {
                error = ::WSAGetLastError();
            } else if (FD_ISSET(s, &failed)) {
                // A failed connect is reported in the exception set, its number in SO_ERROR.
                int soError = 0;
                int length = sizeof soError;
                ::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &length);
                error = soError != 0 ? soError : WSAECONNREFUSED;
            } else {
                error = 0;
            }
        }
    }
    if (error == 0) {
        u_long blocking = 0;
        if (::ioctlsocket(s, FIONBIO, &blocking) != 0)
            error = ::WSAGetLastError();
    }
    return error;
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
    const SOCKET s = openSocket();
    if (s == INVALID_SOCKET)
        throw EIdSocketError(::WSAGetLastError());
    fd_ = static_cast<TIdStackSocket>(s);
    int error = 0;
    if (::bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
        error = ::WSAGetLastError();
    else
        error = connectWithin(s, remote, timeoutMs);
    if (error != 0) {
        CloseSocket();
        throw EIdSocketError(error);
    }
}

void TIdSocketHandle::Send(const char* data, std::size_t size) {
    while (size > 0) {
        const int n = ::send(native(fd_), data, clampedSize(size), 0);
        if (n == SOCKET_ERROR)
            throw EIdSocketError(::WSAGetLastError());
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

long TIdSocketHandle::Recv(char* buffer, std::size_t size) {
    const int n = ::recv(native(fd_), buffer, clampedSize(size), 0);
    if (n == SOCKET_ERROR)
        return -static_cast<long>(::WSAGetLastError());
    return n;
}

int TIdSocketHandle::Readable(int timeoutMs) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(native(fd_), &readable);
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int rc = ::select(0, &readable, nullptr, nullptr, timeoutMs < 0 ? nullptr : &limit);
    if (rc == SOCKET_ERROR)
        return -::WSAGetLastError();
    return rc > 0 ? 1 : 0;
}

void TIdSocketHandle::ShutdownSend() {
    if (HandleAllocated())
        ::shutdown(native(fd_), SD_SEND);
}

void TIdSocketHandle::CloseSocket() {
    if (HandleAllocated()) {
        ::closesocket(native(fd_));
        fd_ = kIdInvalidSocket;
    }
}
