#include "net/IdTCPConnection.h"

#include "net/IdException.h"

#include <algorithm>
#include <cstring>

void TIdInputBuffer::Remove(std::size_t count) {
    head_ += std::min(count, Size());
    if (head_ == tail_)
        head_ = tail_ = 0;
}

char* TIdInputBuffer::PrepareAppend(std::size_t count) {
    if (capacity_ - tail_ < count) {
        const std::size_t used = Size();
        if (head_ > 0 && capacity_ - used >= count) {
            std::memmove(data_.get(), data_.get() + head_, used);
        } else {
            const std::size_t grown = std::max(capacity_ * 2, used + count);
            std::unique_ptr<char[]> fresh(new char[grown]);
            if (used > 0)
                std::memcpy(fresh.get(), data_.get() + head_, used);
            data_ = std::move(fresh);
            capacity_ = grown;
        }
        head_ = 0;
        tail_ = used;
    }
    return data_.get() + tail_;
}

TIdTCPConnection::TIdTCPConnection() = default;

TIdTCPConnection::~TIdTCPConnection() {
    if (ioHandler_)
        ioHandler_->Close();
}

void TIdTCPConnection::OpenConnection(const std::string& host, int port, int timeoutMs) {
    closeTransport(TIdConnectionState::Closed);
    state_ = TIdConnectionState::Closed;
    inputBuffer_.Clear();
    auto transport = std::make_unique<TIdIOHandlerSocket>();
    DoStatus(hsResolving, "Resolving hostname " + host + ".");
    // Any failure while opening closes the socket (the transport is simply dropped).
    transport->Open(host, port, timeoutMs);
    ioHandler_ = std::move(transport);
    state_ = TIdConnectionState::Open;
    DoStatus(hsConnected, "Connected.");
    if (OnConnected)
        OnConnected();
}

void TIdTCPConnection::Disconnect() {
    closeTransport(TIdConnectionState::Closed);
}

void TIdTCPConnection::closeTransport(TIdConnectionState next) {
    if (!ioHandler_)
        return;
    state_ = next;
    DoStatus(hsDisconnecting, "Disconnecting.");
    ioHandler_->Close();
    ioHandler_.reset();
    DoStatus(hsDisconnected, "Disconnected.");
    if (OnDisconnected)
        OnDisconnected();
}

void TIdTCPConnection::raiseNotOpen() const {
    if (state_ == TIdConnectionState::ClosedByPeer)
        throw EIdConnClosedGracefully();
    throw EIdSocketError(idstack::kWSAENOTCONN);
}

void TIdTCPConnection::failReceive(int error) {
    // Whatever the error, the connection cannot be trusted any more.
    closeTransport(TIdConnectionState::Closed);
    throw EIdSocketError(error);
}

void TIdTCPConnection::CheckForGracefulDisconnect() {
    if (!Connected())
        return;
    TIdSocketHandle& socket = ioHandler_->Binding();
    if (socket.Readable(0) != 1)
        return;
    char* target = inputBuffer_.PrepareAppend(static_cast<std::size_t>(RecvBufferSize));
    const long n = socket.Recv(target, static_cast<std::size_t>(RecvBufferSize));
    if (n > 0) {
        received_ += static_cast<std::uint64_t>(n);
        inputBuffer_.Append(static_cast<std::size_t>(n));
    } else {
        // A close or a failure on an idle connection: it is simply not reused.
        closeTransport(n == 0 ? TIdConnectionState::ClosedByPeer : TIdConnectionState::Closed);
    }
}

std::size_t TIdTCPConnection::receive(char* target, std::size_t size) {
    if (!Connected())
        raiseNotOpen();
    TIdSocketHandle& socket = ioHandler_->Binding();
    if (ReadTimeout > 0) {
        const int ready = socket.Readable(ReadTimeout);
        if (ready == 0)
            throw EIdReadTimeout();
        if (ready < 0)
            failReceive(-ready);
    }
    const long n = socket.Recv(target, size);
    if (n < 0)
        failReceive(static_cast<int>(-n));
    if (n == 0)
        closeTransport(TIdConnectionState::ClosedByPeer);
    received_ += static_cast<std::uint64_t>(n);
    return static_cast<std::size_t>(n);
}

std::size_t TIdTCPConnection::readFromStack() {
    const std::size_t block = static_cast<std::size_t>(std::max(RecvBufferSize, 1));
    char* target = inputBuffer_.PrepareAppend(block);
    const std::size_t n = receive(target, block);
    inputBuffer_.Append(n);
    return n;
}

std::string TIdTCPConnection::ReadLn() {
    const std::size_t limit = static_cast<std::size_t>(std::max(MaxLineLength, 0));
    std::size_t scanned = 0;
    while (true) {
        const char* data = inputBuffer_.Data();
        const std::size_t size = inputBuffer_.Size();
        const char* lf =
            size > scanned
                ? static_cast<const char*>(std::memchr(data + scanned, '\n', size - scanned))
                : nullptr;
        // The line so far: up to its LF, or all that is buffered.
        std::size_t length = lf != nullptr ? static_cast<std::size_t>(lf - data) : size;
        if (length > limit) {
            if (MaxLineAction == maException)
                throw EIdReadLnMaxLineLengthExceeded();
            // maSplit: the first `limit` bytes are a line of their own.
            std::string line(data, limit);
            inputBuffer_.Remove(limit);
            return line;
        }
        if (lf != nullptr) {
            const std::size_t consumed = length + 1;
            if (length > 0 && data[length - 1] == '\r')
                --length;
            std::string line(data, length);
            inputBuffer_.Remove(consumed);
            return line;
        }
        scanned = size;
        // The peer's close was read before this line: nothing more will come.
        if (state_ == TIdConnectionState::ClosedByPeer)
            throw EIdConnClosedGracefully();
        if (readFromStack() == 0) {
            // Closed while reading: an incomplete line stays buffered and an empty line is
            // returned; with nothing buffered the read fails.
            if (inputBuffer_.Size() == 0)
                throw EIdConnClosedGracefully();
            return std::string();
        }
    }
}

std::int64_t TIdTCPConnection::takeBuffered(TIdStream& destination, std::int64_t count) {
    const std::size_t buffered =
        count < 0 ? inputBuffer_.Size()
                  : static_cast<std::size_t>(std::min<std::int64_t>(count, inputBuffer_.Size()));
    if (buffered == 0)
        return 0;
    destination.Write(inputBuffer_.Data(), buffered);
    inputBuffer_.Remove(buffered);
    DoWork(wmRead, static_cast<std::int64_t>(buffered));
    return static_cast<std::int64_t>(buffered);
}

std::int64_t TIdTCPConnection::receiveInto(TIdStream& destination, std::int64_t count) {
    std::int64_t done = 0;
    while ((count < 0 || done < count) && Connected()) {
        const std::size_t room = count < 0 ? kIdBodyReceiveSize
                                           : static_cast<std::size_t>(std::min<std::int64_t>(
                                                 count - done, kIdBodyReceiveSize));
        char* target = destination.WritePointer(room);
        std::size_t n;
        if (target != nullptr) {
            try {
                n = receive(target, room);
            } catch (...) {
                destination.Commit(0);
                throw;
            }
            destination.Commit(n);
        } else {
            const std::size_t want =
                std::min(room, static_cast<std::size_t>(std::max(RecvBufferSize, 1)));
            char* scratch = inputBuffer_.PrepareAppend(want);
            n = receive(scratch, want);
            destination.Write(scratch, n);
        }
        if (n == 0)
            break;
        done += static_cast<std::int64_t>(n);
        DoWork(wmRead, static_cast<std::int64_t>(n));
    }
    return done;
}

std::int64_t TIdTCPConnection::ReadBytes(TIdStream& destination, std::int64_t count,
                                         bool failOnClose) {
    WorkScope work(*this, wmRead, count);
    destination.ExpectSize(count);
    std::int64_t done = takeBuffered(destination, count);
    if (done < count && !Connected() && (failOnClose || state_ != TIdConnectionState::ClosedByPeer))
        raiseNotOpen();
    done += receiveInto(destination, count - done);
    if (done < count && failOnClose)
        throw EIdConnClosedGracefully();
    return done;
}

std::int64_t TIdTCPConnection::ReadUntilClose(TIdStream& destination) {
    WorkScope work(*this, wmRead, 0);
    const std::int64_t done = takeBuffered(destination, -1);
    return done + receiveInto(destination, -1);
}

void TIdTCPConnection::Write(const std::string& data) {
    if (!Connected())
        throw EIdSocketError(idstack::kWSAENOTCONN);
    try {
        ioHandler_->Binding().Send(data.data(), data.size());
    } catch (const EIdSocketError&) {
        Disconnect();
        throw;
    }
}
