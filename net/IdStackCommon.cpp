// What both socket layers share: the texts of the Winsock error numbers and the failure that
// carries one, dotted quads, and the addresses of a connect.
#include "net/IdStack.h"

#include "net/IdException.h"

#include <cstring>
#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#endif

namespace idstack {

void connectAddresses(std::uint32_t address, int port, sockaddr_in& local, sockaddr_in& remote) {
    if (port < 0 || port > 65535)
        throw EIdSocketError(kWSAEADDRNOTAVAIL);
    local = sockaddr_in{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = 0;
    remote = sockaddr_in{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = address;
    remote.sin_port = htons(static_cast<std::uint16_t>(port));
}

std::uint32_t dottedQuadAddress(const std::string& host) {
    unsigned char bytes[4] = {};
    std::size_t part = 0;
    unsigned value = 0;
    for (const char c : host) {
        if (c == '.') {
            if (part < 3)
                bytes[part++] = static_cast<unsigned char>(value);
            value = 0;
        } else {
            value = value * 10 + static_cast<unsigned>(c - '0');
        }
    }
    bytes[part] = static_cast<unsigned char>(value);
    std::uint32_t address = 0; // network order is the order of the bytes in memory
    std::memcpy(&address, bytes, sizeof address);
    return address;
}

const char* errorText(int wsaError) {
    switch (wsaError) {
    case 10004:
        return "Interrupted system call.";
    case 10009:
        return "Bad file number.";
    case 10013:
        return "Access denied.";
    case 10014:
        return "Bad address.";
    case 10022:
        return "Invalid argument.";
    case 10024:
        return "Too many open files.";
    case 10035:
        return "Operation would block. ";
    case 10036:
        return "Operation now in progress.";
    case 10037:
        return "Operation already in progress.";
    case 10038:
        return "Socket operation on non-socket.";
    case 10039:
        return "Destination address required.";
    case 10040:
        return "Message too long.";
    case 10041:
        return "Protocol wrong type for socket.";
    case 10042:
        return "Bad protocol option.";
    case 10043:
        return "Protocol not supported.";
    case 10044:
        return "Socket type not supported.";
    case 10045:
        return "Operation not supported on socket.";
    case 10046:
        return "Protocol family not supported.";
    case 10047:
        return "Address family not supported by protocol family.";
    case 10048:
        return "Address already in use.";
    case 10049:
        return "Cannot assign requested address.";
    case 10050:
        return "Network is down.";
    case 10051:
        return "Network is unreachable.";
    case 10052:
        return "Net dropped connection or reset.";
    case 10053:
        return "Software caused connection abort.";
    case 10054:
        return "Connection reset by peer.";
    case 10055:
        return "No buffer space available.";
    case 10056:
        return "Socket is already connected.";
    case 10057:
        return "Socket is not connected.";
    case 10058:
        return "Cannot send or receive after socket is closed.";
    case 10059:
        return "Too many references, cannot splice.";
    case 10060:
        return "Connection timed out.";
    case 10061:
        return "Connection refused.";
    case 10062:
        return "Too many levels of symbolic links.";
    case 10063:
        return "File name too long.";
    case 10064:
        return "Host is down.";
    case 10065:
        return "No route to host.";
    case 10066:
        return "Directory not empty";
    case 11001:
        return "Host not found.";
    default:
        return "";
    }
}

std::string socketErrorMessage(int wsaError) {
    return "Socket Error # " + std::to_string(wsaError) + "\r\n" + errorText(wsaError);
}

} // namespace idstack

EIdSocketError::EIdSocketError(int lastError)
    : EIdException(idstack::socketErrorMessage(lastError)), lastError_(lastError) {}
