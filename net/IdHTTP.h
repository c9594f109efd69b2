#pragma once
// The HTTP/1.1 fetch client: one GET at a time over a kept-alive connection, directly or
// through one HTTP proxy, with an in-memory cookie store. It follows no redirect and answers
// no authentication challenge. Every failure is raised as an EIdException (or EConvertError
// for a malformed URL port).
#include "net/IdCookieManager.h"
#include "net/IdException.h"
#include "net/IdHTTPHeaderInfo.h"
#include "net/IdStream.h"
#include "net/IdTCPClient.h"
#include "net/IdURI.h"

#include <memory>
#include <ostream>
#include <string>

enum TIdHTTPProtocolVersion { pv1_0, pv1_1 };

enum TIdHTTPOption : unsigned {
    hoInProcessAuth = 1u << 0,
    hoKeepOrigProtocol = 1u << 1,
    hoForceEncodeParams = 1u << 2
};

class TIdCustomHTTP : public TIdTCPClient {
public:
    TIdCustomHTTP();
    ~TIdCustomHTTP() override;

    // One GET of `url`: returns the body bytes unchanged.
    std::string Get(const std::string& url);
    // The same, writing the body into `destination`.
    void Get(const std::string& url, TIdStream& destination);
    void Get(const std::string& url, std::ostream& destination);

    TIdHTTPProtocolVersion ProtocolVersion = pv1_1;
    bool AllowCookies = true;
    // No effect on a GET: the URL is never encoded.
    unsigned HTTPOptions = hoForceEncodeParams;

    TIdHTTPRequest& Request() { return request_; }
    TIdHTTPResponse& Response() { return response_; }
    TIdProxyConnectionInfo& ProxyParams() { return proxyParams_; }
    // The current URL, kept from fetch to fetch.
    TIdURI& URL() { return url_; }
    // None until the first response.
    TIdCookieManager* CookieManager() { return cookieManager_.get(); }
    int ResponseCode() const { return response_.ResponseCode; }
    const std::string& ResponseText() const { return response_.ResponseText; }

private:
    void doRequest(const std::string& url, TIdStream& destination);
    void prepareRequest(const std::string& url);
    // Chooses and opens the connection; true when a kept connection is reused.
    bool connectToHost();
    // Writes the request and reads the status line and header block.
    void sendRequest(const std::string& bytes, bool reused);
    std::string buildRequest();
    void readResponseHead();
    void readHeaderBlock();
    // Accepts a 2xx answer and reads its body, or refuses the answer (protocolFailure).
    void evaluateResponse(TIdStream& destination);
    // Reads the body of a refused answer and raises EIdHTTPProtocolException.
    [[noreturn]] void protocolFailure();
    void readBody(TIdStream& destination);
    void readChunked(TIdStream& destination);
    void decideKeepAlive();

    TIdHTTPRequest request_;
    TIdHTTPResponse response_;
    TIdProxyConnectionInfo proxyParams_;
    TIdURI url_;
    std::unique_ptr<TIdCookieManager> cookieManager_;
    // The header block of the current response ended with the peer's close.
    bool headerClosed_ = false;
};

// The client as the program holds it: the settings published, nothing added.
class TIdHTTP : public TIdCustomHTTP {
public:
    TIdHTTP() = default;
};

// The status code of a status line: the text after its first blank, trimmed, up to the next
// blank, read as a decimal integer; −1 when it cannot be read.
int idStatusCode(const std::string& statusLine);
// The size of a chunk from its size line: the text before the first blank read as a
// hexadecimal number in 32 bits; text that is not one counts as 0.
int idChunkSize(const std::string& sizeLine);
