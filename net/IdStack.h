#pragma once
// The socket layer: a thin shell over the system's sockets that speaks in the Winsock error
// numbers the rest of the client reports. Only the connection classes use it. IdStack.cpp holds
// the POSIX layer (errno mapped onto those numbers), IdStackWin.cpp the Windows Sockets 2 one
// (the numbers as Winsock gives them).
#include "net/IdLimits.h"

#include <cstddef>
#include <cstdint>
#include <string>

struct sockaddr_in;

namespace idstack {

#ifndef _WIN32
// The one mapping from a system error number (errno) to the Winsock number.
int errorFromErrno(int err);
// The Winsock number for a failed host-name lookup: the lookup's own code (getaddrinfo) and,
// for a system failure, errno.
int lookupError(int lookupCode, int err);
#endif
// The address of a dotted quad already checked by idglobal::isDottedQuad, in network order:
// each of the four parts is read as a decimal number ("010" is ten).
std::uint32_t dottedQuadAddress(const std::string& host);
// The text for a Winsock number; empty for a number without one.
const char* errorText(int wsaError);
// "Socket Error # <n>" CR LF and the text.
std::string socketErrorMessage(int wsaError);

// The two ends of a connect: `local` any address and any port, `remote` the IPv4 `address`
// (network order) and `port`. A port outside 0..65535 throws EIdSocketError 10049, before any
// socket is made.
void connectAddresses(std::uint32_t address, int port, sockaddr_in& local, sockaddr_in& remote);

// Resolves a host name: "LOCALHOST" is 127.0.0.1, dotted quads are used as they are, any
// other name goes to the system's lookup and its first IPv4 address is taken. Returns the
// address in network order; throws EIdSocketError on failure.
std::uint32_t resolveHost(const std::string& host);

} // namespace idstack

// Keeps the socket layer started while any object of the client's family lives.
class TIdStack {
public:
    static void acquire();
    static void release();
};

#ifdef _WIN32
// A Windows Sockets SOCKET, held without the system's headers.
using TIdStackSocket = std::uintptr_t;
constexpr TIdStackSocket kIdInvalidSocket = ~TIdStackSocket{0};
#else
using TIdStackSocket = int;
constexpr TIdStackSocket kIdInvalidSocket = -1;
#endif

// One TCP socket.
class TIdSocketHandle {
public:
    TIdSocketHandle() = default;
    ~TIdSocketHandle();
    TIdSocketHandle(const TIdSocketHandle&) = delete;
    TIdSocketHandle& operator=(const TIdSocketHandle&) = delete;

    bool HandleAllocated() const { return fd_ != kIdInvalidSocket; }

    // Creates a TCP stream socket, binds it to any local address and connects it, waiting at
    // most `timeoutMs` (negative: without limit) for the peer; a connect that takes longer fails
    // with 10060. Throws EIdSocketError; the socket is closed on failure.
    void Connect(std::uint32_t address, int port, int timeoutMs);
    // Sends all bytes; throws EIdSocketError.
    void Send(const char* data, std::size_t size);
    // One receive of at most `size` bytes. Returns the byte count (0: the peer closed), or a
    // negative Winsock number on failure.
    long Recv(char* buffer, std::size_t size);
    // Waits at most `timeoutMs` (negative: without limit) for data or a close to read.
    // Returns 1 when readable, 0 on time-out, or a negative Winsock number.
    int Readable(int timeoutMs);
    void ShutdownSend();
    void CloseSocket();

private:
    TIdStackSocket fd_ = kIdInvalidSocket;
};
