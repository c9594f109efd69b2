#pragma once
// The request and response records of the HTTP client and its proxy settings.
#include "net/IdGlobal.h"
#include "net/IdHeaderList.h"
#include "net/IdStream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Header fields shared by requests and responses.
class TIdEntityHeaderInfo {
public:
    std::string Connection;
    std::string ContentVersion;
    std::string ContentEncoding;
    std::string ContentLanguage;
    std::string ContentType;
    std::int64_t ContentLength = -1;
    std::string CacheControl;
    TDateTime Date = 0;
    TDateTime Expires = 0;
    std::string Pragma;
    TIdHeaderList CustomHeaders;
    // The header lines of the last request written or response read.
    TIdHeaderList RawHeaders;
};

class TIdRequestHeaderInfo : public TIdEntityHeaderInfo {
public:
    std::string ProxyConnection;
    std::string Host;
    std::string Accept = "text/html, */*";
    std::string AcceptCharSet;
    std::string AcceptEncoding;
    std::string AcceptLanguage;
    std::string From;
    std::string Referer;
    std::string UserAgent = "Mozilla/3.0 (compatible; Zantrel)";
    TDateTime LastModified = 0;
    std::uint64_t ContentRangeStart = 0;
    std::uint64_t ContentRangeEnd = 0;
    // The user-info of the last URL that had one; never written, as no challenge is answered.
    std::string Username;
    std::string Password;
};

enum TIdHTTPMethod { hmHead, hmGet, hmPost, hmOptions, hmTrace, hmPut, hmDelete, hmConnect };
enum TIdHTTPConnectionType { ctNormal, ctSSL, ctProxy, ctSSLProxy };

class TIdHTTPRequest : public TIdRequestHeaderInfo {
public:
    TIdHTTPRequest() { ContentType = "text/html"; }
    // The request target written in the request line.
    std::string URL;
    TIdHTTPMethod Method = hmGet;
    TIdHTTPConnectionType UseProxy = ctNormal;
    TIdStream* Destination = nullptr;
};

class TIdHTTPResponse : public TIdEntityHeaderInfo {
public:
    // The status line as received, without its line end.
    std::string ResponseText;
    // −1 when the status line carries no readable code.
    int ResponseCode = -1;
    std::string ProxyConnection;
    std::string Location;
    std::string Server;
    std::string TransferEncoding;
    bool HasContentLength = false;
    TDateTime LastModified = 0;
    std::vector<std::string> WWWAuthenticate;
    std::vector<std::string> ProxyAuthenticate;
    bool KeepAlive = false;
    TIdStream* ContentStream = nullptr;

    // Reads the fields above from RawHeaders.
    void ProcessHeaders();
};

// The proxy: used when ProxyServer is not empty. The user name and password are held but
// never sent.
class TIdProxyConnectionInfo {
public:
    const std::string& ProxyServer() const { return proxyServer_; }
    int ProxyPort() const { return proxyPort_; }
    const std::string& ProxyUsername() const { return proxyUsername_; }
    const std::string& ProxyPassword() const { return proxyPassword_; }
    void setProxyServer(const std::string& server) { proxyServer_ = server; }
    void setProxyPort(int port) { proxyPort_ = port; }
    void setProxyUsername(const std::string& username) { proxyUsername_ = username; }
    void setProxyPassword(const std::string& password) { proxyPassword_ = password; }

private:
    std::string proxyServer_;
    int proxyPort_ = 0;
    std::string proxyUsername_;
    std::string proxyPassword_;
};
