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

    // Longest wait for a connect, in milliseconds; 0 or less waits without limit.
    int ConnectTimeout = kIdConnectTimeout;

    // Opens a connection to Host:Port, waiting at most ConnectTimeout; a peer that does not
    // answer in that time fails with socket error 10060.
    void Connect();

private:
    std::string host_;
    int port_ = kIdHTTPPort;
};
