#pragma once
// The socket transport of one connection: created when a connection opens, discarded when it
// closes.
#include "net/IdStack.h"

#include <string>

class TIdIOHandlerSocket {
public:
    TIdIOHandlerSocket();
    ~TIdIOHandlerSocket();
    TIdIOHandlerSocket(const TIdIOHandlerSocket&) = delete;
    TIdIOHandlerSocket& operator=(const TIdIOHandlerSocket&) = delete;

    // Resolves the host and connects, waiting at most `timeoutMs` (0 or less: without limit)
    // for the peer; throws EIdSocketError.
    void Open(const std::string& host, int port, int timeoutMs);
    // Shuts the sending direction down, then closes the socket.
    void Close();
    TIdSocketHandle& Binding() { return binding_; }

private:
    TIdSocketHandle binding_;
};
