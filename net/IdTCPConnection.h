#pragma once
// One TCP connection at a time: its socket transport, the input buffer of bytes received and
// not yet consumed, line reading with its limits, and the read time-out.
#include "net/IdComponent.h"
#include "net/IdIOHandlerSocket.h"
#include "net/IdLimits.h"
#include "net/IdStream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

enum TIdMaxLineAction { maException, maSplit };

// Bytes received and not yet consumed.
class TIdInputBuffer {
public:
    std::size_t Size() const { return tail_ - head_; }
    const char* Data() const { return data_.get() + head_; }
    void Remove(std::size_t count);
    void Clear() { head_ = tail_ = 0; }
    // Room for `count` more bytes at the end; Append commits what was filled.
    char* PrepareAppend(std::size_t count);
    void Append(std::size_t count) { tail_ += count; }

private:
    std::unique_ptr<char[]> data_;
    std::size_t capacity_ = 0;
    std::size_t head_ = 0;
    std::size_t tail_ = 0;
};

// Where the connection stands; the socket transport exists exactly while it is Open.
enum class TIdConnectionState {
    // No connection: at start, after a close of the client's own, or after a failure.
    Closed,
    Open,
    // The peer's close has been read on the last connection; reads fail with
    // EIdConnClosedGracefully until a new connection opens.
    ClosedByPeer,
};

class TIdTCPConnection : public TIdComponent {
public:
    TIdTCPConnection();
    ~TIdTCPConnection() override;

    // Milliseconds to wait for incoming data; 0 (or less) means no limit.
    int ReadTimeout = 0;
    int MaxLineLength = kIdMaxLineLength;
    TIdMaxLineAction MaxLineAction = maException;
    // Largest receive into the input buffer; bodies with a destination of their own are
    // received in pieces of up to kIdBodyReceiveSize.
    int RecvBufferSize = kIdRecvBufferSize;

    std::function<void()> OnConnected;
    std::function<void()> OnDisconnected;

    TIdConnectionState State() const { return state_; }
    // Open now: a close by the peer that has already been read counts as closed.
    bool Connected() const { return state_ == TIdConnectionState::Open; }
    // The peer's close has been read on the last connection.
    bool ClosedGracefully() const { return state_ == TIdConnectionState::ClosedByPeer; }
    // Shuts the sending direction down, closes the socket and discards the transport.
    void Disconnect();
    // Looks at an open connection without failing and without waiting: a close by the peer
    // closes it, bytes that have arrived go into the input buffer.
    void CheckForGracefulDisconnect();

    // One line without its LF and one CR before it.
    std::string ReadLn();
    // Reads `count` bytes (the input buffer first) into `destination`. A close by the peer
    // ends early, or fails with EIdConnClosedGracefully when `failOnClose`. Returns the
    // number of bytes read.
    std::int64_t ReadBytes(TIdStream& destination, std::int64_t count, bool failOnClose);
    // Reads until the peer closes the connection.
    std::int64_t ReadUntilClose(TIdStream& destination);
    // Sends all of `data` in one write.
    void Write(const std::string& data);

    TIdInputBuffer& InputBuffer() { return inputBuffer_; }
    // Bytes received over the life of this object, on every connection it has had: a caller
    // compares two readings to learn whether anything arrived between them.
    std::uint64_t ReceivedCount() const { return received_; }

protected:
    // Opens a connection to `host`:`port`, replacing any transport; the connect waits at most
    // `timeoutMs` (0 or less: without limit).
    void OpenConnection(const std::string& host, int port, int timeoutMs);

private:
    // One receive of up to `size` bytes into `target`, waiting at most ReadTimeout.
    // Returns the count, 0 when the peer closed (the connection is then closed); throws
    // EIdReadTimeout or EIdSocketError.
    std::size_t receive(char* target, std::size_t size);
    // Fills the input buffer with one receive; returns the count (0: closed by the peer).
    std::size_t readFromStack();
    // Moves up to `count` bytes (all with a negative count) from the input buffer into the
    // destination; returns how many.
    std::int64_t takeBuffered(TIdStream& destination, std::int64_t count);
    // Receives up to `count` bytes (until the peer's close with a negative count) into the
    // destination, stopping early at the close; returns how many.
    std::int64_t receiveInto(TIdStream& destination, std::int64_t count);
    // Raises the failure of a read from a connection that is not open: the peer's close when
    // that is what ended it, else "not connected".
    [[noreturn]] void raiseNotOpen() const;
    // Closes the transport, if any, leaving the connection in state `next`.
    void closeTransport(TIdConnectionState next);
    [[noreturn]] void failReceive(int error);

    std::unique_ptr<TIdIOHandlerSocket> ioHandler_;
    TIdConnectionState state_ = TIdConnectionState::Closed;
    TIdInputBuffer inputBuffer_;
    std::uint64_t received_ = 0;
};
