#include "net/IdIOHandlerSocket.h"

TIdIOHandlerSocket::TIdIOHandlerSocket() {
    TIdStack::acquire();
}

TIdIOHandlerSocket::~TIdIOHandlerSocket() {
    Close();
    TIdStack::release();
}

void TIdIOHandlerSocket::Open(const std::string& host, int port, int timeoutMs) {
    const std::uint32_t address = idstack::resolveHost(host);
    binding_.Connect(address, port, timeoutMs > 0 ? timeoutMs : -1);
}

void TIdIOHandlerSocket::Close() {
    if (binding_.HandleAllocated()) {
        binding_.ShutdownSend();
        binding_.CloseSocket();
    }
}
