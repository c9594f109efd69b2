#pragma once
// A connection that opens itself: the endpoint (host and port) and connecting.
#include "net/IdTCPConnection.h"

#include <string>

class TIdTCPClient : public TIdTCPConnection {
public:
    TIdTCPClient() = default;

    const std::string& Host() const { return host_; }
    void SetHost(const std::string& host) { host_ = host; }
    int Port() const { return port_; }
    void SetPort(int port) { port_ = port; }

    // Opens a connection to Host:Port. The connect blocks with the system's own time-out.
    void Connect();

private:
    std::string host_;
    int port_ = 80;
};
