#pragma once
// The failures of the network classes. Every one of them derives from EIdException, so that a
// caller can catch the whole family at once; text that is not a number (a URL port) fails with
// the runtime's EConvertError instead.
#include "platform/core/Exception.h"

#include <string>

ZANTREL_EXCEPTION(EIdException, Exception);

// Failures that are part of normal operation rather than faults.
ZANTREL_EXCEPTION(EIdSilentException, EIdException);
// The peer closed the connection: "Connection Closed Gracefully."
class EIdConnClosedGracefully : public EIdSilentException {
public:
    EIdConnClosedGracefully() : EIdSilentException("Connection Closed Gracefully.") {}
    const char* className() const noexcept override { return "EIdConnClosedGracefully"; }
};

// A reply that the protocol refuses; carries the reply's code.
class EIdProtocolReplyError : public EIdException {
public:
    EIdProtocolReplyError(int replyCode, std::string message)
        : EIdException(std::move(message)), replyErrorCode_(replyCode) {}
    int ReplyErrorCode() const noexcept { return replyErrorCode_; }
    const char* className() const noexcept override { return "EIdProtocolReplyError"; }

private:
    int replyErrorCode_;
};

// An HTTP answer outside 200-299: the message is the status line as received, the error text
// the body that came with it.
class EIdHTTPProtocolException : public EIdProtocolReplyError {
public:
    EIdHTTPProtocolException(int replyCode, std::string statusLine, std::string errorMessage)
        : EIdProtocolReplyError(replyCode, std::move(statusLine)),
          errorMessage_(std::move(errorMessage)) {}
    const std::string& ErrorMessage() const noexcept { return errorMessage_; }
    const char* className() const noexcept override { return "EIdHTTPProtocolException"; }

private:
    std::string errorMessage_;
};

// A failure reported by the socket layer: "Socket Error # <n>" CR LF and the text for <n>.
class EIdSocketError : public EIdException {
public:
    explicit EIdSocketError(int lastError);
    int LastError() const noexcept { return lastError_; }
    const char* className() const noexcept override { return "EIdSocketError"; }

private:
    int lastError_;
};

ZANTREL_EXCEPTION(EIdTCPConnectionError, EIdException);
class EIdIOHandlerPropInvalid : public EIdTCPConnectionError {
public:
    EIdIOHandlerPropInvalid() : EIdTCPConnectionError("IOHandler value is not valid") {}
    const char* className() const noexcept override { return "EIdIOHandlerPropInvalid"; }
};

ZANTREL_EXCEPTION(EIdStackError, EIdException);
class EIdStackInitializationFailed : public EIdStackError {
public:
    EIdStackInitializationFailed() : EIdStackError("Winsock Initialization Error.") {}
    const char* className() const noexcept override { return "EIdStackInitializationFailed"; }
};

class EIdReadTimeout : public EIdException {
public:
    EIdReadTimeout() : EIdException("Read Timeout") {}
    const char* className() const noexcept override { return "EIdReadTimeout"; }
};

class EIdReadLnMaxLineLengthExceeded : public EIdException {
public:
    EIdReadLnMaxLineLengthExceeded() : EIdException("Max line length exceeded.") {}
    const char* className() const noexcept override { return "EIdReadLnMaxLineLengthExceeded"; }
};

// Request text that would end its line early and start a line of its own: a URL, or a header
// value, that holds a CR, LF or NUL byte. Raised before anything of the request is written.
ZANTREL_EXCEPTION(EIdUnsafeRequestText, EIdException);

// A URL protocol other than http and https without a port of its own; the message is empty.
class EIdUnknownProtocol : public EIdException {
public:
    EIdUnknownProtocol() : EIdException("") {}
    const char* className() const noexcept override { return "EIdUnknownProtocol"; }
};
