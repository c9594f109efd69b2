#include "net/IdHTTP.h"

#include "net/IdGlobal.h"
#include "net/IdStack.h"

#include <climits>
#include <sstream>

using idglobal::sameText;

int idStatusCode(const std::string& statusLine) {
    const std::size_t blank = statusLine.find(' ');
    if (blank == std::string::npos)
        return -1;
    const std::string rest = idglobal::trim(std::string_view(statusLine).substr(blank + 1));
    std::int64_t code = 0;
    if (!idglobal::tryDecimal(std::string_view(rest).substr(0, rest.find(' ')), code) ||
        code < INT_MIN || code > INT_MAX)
        return -1;
    return static_cast<int>(code);
}

int idChunkSize(const std::string& sizeLine) {
    const std::string digits = sizeLine.substr(0, sizeLine.find(' '));
    int size = 0;
    // The runtime's reading of "$<hex>": at most 32 bits, so no size line can overflow.
    if (!tryStrToInt("$" + digits, size))
        return 0;
    return size;
}

TIdCustomHTTP::TIdCustomHTTP() {
    url_.Port = std::to_string(kIdHTTPPort);
}

TIdCustomHTTP::~TIdCustomHTTP() = default;

std::string TIdCustomHTTP::Get(const std::string& url) {
    // The body grows in a buffer that is never zero-filled and never copied as it grows; the
    // text is made from it once at the end.
    TIdMemoryStream destination;
    doRequest(url, destination);
    return destination.ToString();
}

void TIdCustomHTTP::Get(const std::string& url, TIdStream& destination) {
    doRequest(url, destination);
}

void TIdCustomHTTP::Get(const std::string& url, std::ostream& destination) {
    TIdOStream stream(destination);
    doRequest(url, stream);
}

void TIdCustomHTTP::doRequest(const std::string& url, TIdStream& destination) {
    if (idglobal::hasLineBreakOrNul(url))
        throw EIdUnsafeRequestText("The URL holds a line break or NUL character.");
    request_.Method = hmGet;
    request_.Destination = &destination;
    response_.ContentStream = &destination;
    // Set once the request is on the wire: from then on a failure leaves the connection in an
    // unknown place of the exchange.
    bool exchanging = false;
    try {
        prepareRequest(url);
        const bool reused = connectToHost();
        const std::string bytes = buildRequest();
        exchanging = true;
        sendRequest(bytes, reused);
        evaluateResponse(destination);
    } catch (const EIdHTTPProtocolException&) {
        // The refused answer has been read in full.
        decideKeepAlive();
        throw;
    } catch (...) {
        if (exchanging)
            Disconnect();
        else
            decideKeepAlive();
        throw;
    }
    decideKeepAlive();
}

void TIdCustomHTTP::prepareRequest(const std::string& url) {
    const TIdURI u(url);
    if (!u.Username.empty()) {
        request_.Username = u.Username;
        request_.Password = u.Password;
    }
    url_.Username = request_.Username;
    url_.Password = request_.Password;
    url_.Path = TIdURI::MergePath(url_.Path, u.Path);
    url_.Document = u.Document;
    url_.Params = u.Params;
    url_.Bookmark = u.Bookmark;
    if (!u.Host.empty())
        url_.Host = u.Host;
    url_.Protocol = u.Protocol.empty() ? "http" : u.Protocol;
    if (!u.Port.empty()) {
        url_.Port = u.Port;
    } else {
        int current = 0;
        if (!tryStrToInt(url_.Port, current))
            current = 0;
        // A URL that names its host without a port means the protocol's own port; only
        // relative URLs stay on the port of the previous fetch.
        if (current == 0 || current == kIdHTTPPort || current == kIdHTTPSPort || !u.Host.empty()) {
            if (sameText(url_.Protocol, "http"))
                url_.Port = std::to_string(kIdHTTPPort);
            else if (sameText(url_.Protocol, "https"))
                url_.Port = std::to_string(kIdHTTPSPort);
            else
                throw EIdUnknownProtocol();
        }
    }
    request_.URL = url_.Path + url_.Document + url_.Params;
    request_.ContentLength = -1;
    request_.Host =
        url_.Port == std::to_string(kIdHTTPPort) ? url_.Host : url_.Host + ":" + url_.Port;
}

bool TIdCustomHTTP::connectToHost() {
    if (!proxyParams_.ProxyServer().empty()) {
        if (Connected() &&
            (!sameText(Host(), proxyParams_.ProxyServer()) || Port() != proxyParams_.ProxyPort()))
            Disconnect();
        SetHost(proxyParams_.ProxyServer());
        SetPort(proxyParams_.ProxyPort());
        if (sameText(url_.Protocol, "https"))
            throw EIdIOHandlerPropInvalid();
        request_.URL = url_.Protocol + "://" + url_.Host + ":" + url_.Port + url_.Path +
                       url_.Document + url_.Params;
        request_.UseProxy = ctProxy;
        if (ProtocolVersion == pv1_0 && request_.Connection.empty())
            request_.ProxyConnection = "keep-alive";
    } else {
        const int port = strToInt(url_.Port);
        if (Connected() && (!sameText(Host(), url_.Host) || Port() != port))
            Disconnect();
        SetHost(url_.Host);
        SetPort(port);
        if (sameText(url_.Protocol, "HTTPS"))
            throw EIdIOHandlerPropInvalid();
        request_.UseProxy = ctNormal;
        if (ProtocolVersion == pv1_0 && request_.Connection.empty())
            request_.Connection = "keep-alive";
    }
    // Reuse check: drop a connection that was not to stay open, and notice a close by the
    // peer that has already arrived. The look does not wait: a close that has happened is
    // already visible, and an idle connection must not cost a pause per request. A close that
    // comes just after the look is met by sendRequest.
    if (Connected() && !response_.KeepAlive)
        Disconnect();
    CheckForGracefulDisconnect();
    // The client never sends a request before the previous answer is read, so any byte that
    // waits on an idle connection (a stray second answer, a 408 sent before an idle close) is
    // not the answer to the next request: such a connection is out of step and not reused.
    if (Connected() && InputBuffer().Size() > 0)
        Disconnect();
    if (Connected())
        return true;
    Connect();
    return false;
}

namespace {
// A receive failure that means the peer has closed or reset the connection.
bool peerGone(int error) {
    return error == idstack::kWSAECONNABORTED || error == idstack::kWSAECONNRESET ||
           error == idstack::kWSAESHUTDOWN;
}
} // namespace

void TIdCustomHTTP::sendRequest(const std::string& bytes, bool reused) {
    while (true) {
        const std::uint64_t before = ReceivedCount();
        bool written = false;
        try {
            Write(bytes);
            written = true;
            readResponseHead();
            return;
        } catch (const EIdConnClosedGracefully&) {
            if (!reused || ReceivedCount() != before)
                throw;
        } catch (const EIdSocketError& e) {
            if (!reused || ReceivedCount() != before || (written && !peerGone(e.LastError())))
                throw;
        }
        // A kept connection that the server closed or reset just after the reuse check, before
        // any byte of the answer came (or the write itself failed): the request, a GET and so
        // safe to repeat, goes once more on a new connection. A new connection is never
        // retried, nor is an answer once it has begun.
        Disconnect();
        reused = false;
        Connect();
    }
}

std::string TIdCustomHTTP::buildRequest() {
    TIdHeaderList& h = request_.RawHeaders;
    h.Clear();
    const auto put = [&h](std::string_view name, const std::string& value) {
        if (!value.empty())
            h.SetValues(name, value);
    };
    const auto putDate = [&h](std::string_view name, TDateTime value) {
        if (value > 0)
            h.SetValues(name, idglobal::dateTimeToInternetText(value));
    };
    put("Connection", request_.Connection);
    put("Content-Version", request_.ContentVersion);
    put("Content-Encoding", request_.ContentEncoding);
    put("Content-Language", request_.ContentLanguage);
    put("Content-Type", request_.ContentType);
    if (request_.ContentLength >= 0)
        put("Content-Length", std::to_string(request_.ContentLength));
    put("Cache-control", request_.CacheControl);
    putDate("Date", request_.Date);
    putDate("Expires", request_.Expires);
    put("Pragma", request_.Pragma);
    for (const std::string& line : request_.CustomHeaders.Lines())
        h.Add(line);
    put("Proxy-Connection", request_.ProxyConnection);
    put("Host", request_.Host);
    put("Accept", request_.Accept);
    put("Accept-Charset", request_.AcceptCharSet);
    put("Accept-Encoding", request_.AcceptEncoding);
    put("Accept-Language", request_.AcceptLanguage);
    put("From", request_.From);
    put("Referer", request_.Referer);
    put("User-Agent", request_.UserAgent);
    putDate("If-Modified-Since", request_.LastModified);
    if (request_.ContentRangeStart != 0 || request_.ContentRangeEnd != 0) {
        std::string range = "bytes=" + std::to_string(request_.ContentRangeStart) + "-";
        if (request_.ContentRangeEnd != 0)
            range += std::to_string(request_.ContentRangeEnd);
        put("Range", range);
    }
    if (cookieManager_)
        put("Cookie", cookieManager_->GenerateCookieList(url_.Host, url_.Path));

    std::string bytes;
    bytes.reserve(256 + request_.URL.size());
    bytes += "GET ";
    bytes += request_.URL;
    bytes += ProtocolVersion == pv1_0 ? " HTTP/1.0\r\n" : " HTTP/1.1\r\n";
    for (const std::string& line : h.Lines()) {
        // Whatever a value came from (the URL, a cookie, a caller's header), it stays within
        // its own line.
        if (idglobal::hasLineBreakOrNul(line)) {
            const std::string name(TIdHeaderList::NameOf(line));
            throw EIdUnsafeRequestText(
                idglobal::hasLineBreakOrNul(name)
                    ? std::string("A header line holds a line break or NUL character.")
                    : "The header \"" + name + "\" holds a line break or NUL character.");
        }
        if (line.size() <= kIdHeaderFoldWidth) {
            bytes += line;
            bytes += "\r\n";
            continue;
        }
        for (const std::string& piece : TIdHeaderList::Fold(line)) {
            bytes += piece;
            bytes += "\r\n";
        }
    }
    bytes += "\r\n";
    return bytes;
}

void TIdCustomHTTP::readHeaderBlock() {
    response_.RawHeaders.Clear();
    headerClosed_ = false;
    while (true) {
        std::string line;
        if (response_.RawHeaders.Count() == 0) {
            // A close before the first header line is a failure.
            line = ReadLn();
        } else {
            // After it, a close ends the block.
            if (ClosedGracefully()) {
                headerClosed_ = true;
                break;
            }
            try {
                line = ReadLn();
            } catch (const EIdConnClosedGracefully&) {
                headerClosed_ = true;
                break;
            }
        }
        if (line.empty()) {
            headerClosed_ = ClosedGracefully();
            break;
        }
        response_.RawHeaders.Add(std::move(line));
    }
}

void TIdCustomHTTP::readResponseHead() {
    do {
        response_.ResponseText = ReadLn();
        response_.ResponseCode = idStatusCode(response_.ResponseText);
        readHeaderBlock();
        response_.ProcessHeaders();
        if (!cookieManager_ && AllowCookies)
            cookieManager_ = std::make_unique<TIdCookieManager>();
        if (cookieManager_)
            cookieManager_->AddCookies(response_.RawHeaders, url_.Host);
    } while (response_.ResponseCode == 100);
}

namespace {
// Whether one of the challenges of a 401 or 407 names the Basic scheme (its text before the
// first blank, ignoring case).
bool namesBasic(const std::vector<std::string>& challenges) {
    for (const std::string& challenge : challenges)
        if (sameText(challenge.substr(0, challenge.find(' ')), "Basic"))
            return true;
    return false;
}
} // namespace

void TIdCustomHTTP::evaluateResponse(TIdStream& destination) {
    const int code = response_.ResponseCode;
    // Redirects are never followed: a redirect, or any answer that names a Location, is
    // refused like every other answer outside 200-299.
    if ((code >= 300 && code <= 399 && code != 304) || !response_.Location.empty())
        protocolFailure();
    if (code >= 200 && code <= 299) {
        if (headerClosed_)
            throw EIdException("Undefined situation");
        if (code != 204)
            readBody(destination);
        return;
    }
    // No challenge is ever answered, as nothing supplies credentials. A proxy challenge in the
    // Basic scheme empties the proxy password before the refusal, as the client does once it
    // holds a proxy credential; the credential itself is not kept.
    if (code == 407 && namesBasic(response_.ProxyAuthenticate))
        proxyParams_.setProxyPassword("");
    protocolFailure();
}

void TIdCustomHTTP::protocolFailure() {
    std::string body;
    TIdStringStream temporary(body);
    const int saved = ReadTimeout;
    ReadTimeout = kIdRefusedBodyReadTimeout;
    try {
        readBody(temporary);
    } catch (...) {
        ReadTimeout = saved;
        throw;
    }
    ReadTimeout = saved;
    throw EIdHTTPProtocolException(response_.ResponseCode, response_.ResponseText, body);
}

void TIdCustomHTTP::readBody(TIdStream& destination) {
    if (response_.HasContentLength && response_.ContentLength > 0) {
        ReadBytes(destination, response_.ContentLength, false);
    } else if (response_.TransferEncoding.find("chunked") != std::string::npos) {
        readChunked(destination);
    } else if (!response_.HasContentLength) {
        ReadUntilClose(destination);
    }
}

void TIdCustomHTTP::readChunked(TIdStream& destination) {
    DoStatus(hsStatusText, "Chunk Started");
    int size = idChunkSize(ReadLn());
    while (size > 0) {
        ReadBytes(destination, size, true);
        ReadLn(); // the line end after the chunk's data
        size = idChunkSize(ReadLn());
    }
    // Trailer lines up to the empty line that ends the body, so that nothing of this
    // response is left for the next one to read; a close here ends the body as well.
    for (int lines = 0; lines < kIdMaxTrailerLines; ++lines) {
        if (ClosedGracefully() && InputBuffer().Size() == 0)
            break;
        std::string line;
        try {
            line = ReadLn();
        } catch (const EIdConnClosedGracefully&) {
            break;
        }
        if (line.empty())
            break;
    }
}

void TIdCustomHTTP::decideKeepAlive() {
    const std::string connection = idglobal::trim(response_.Connection);
    const std::string proxyConnection = idglobal::trim(response_.ProxyConnection);
    bool keep;
    if (ProtocolVersion == pv1_0)
        keep = Connected() &&
               (sameText(connection, "keep-alive") || sameText(proxyConnection, "keep-alive"));
    else
        keep = Connected() && !sameText(connection, "close") && !sameText(proxyConnection, "close");
    response_.KeepAlive = keep;
    if (!keep)
        Disconnect();
}
