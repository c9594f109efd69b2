#include "net/IdHTTPHeaderInfo.h"

void TIdHTTPResponse::ProcessHeaders() {
    const TIdHeaderList& h = RawHeaders;
    Location = h.Values("Location");
    Server = h.Values("Server");
    ProxyConnection = h.Values("Proxy-Connection");
    WWWAuthenticate = h.AllValues("WWW-Authenticate");
    ProxyAuthenticate = h.AllValues("Proxy-Authenticate");
    Connection = h.Values("Connection");
    ContentVersion = h.Values("Content-Version");
    ContentEncoding = h.Values("Content-Encoding");
    ContentLanguage = h.Values("Content-Language");
    ContentType = h.Values("Content-Type");
    TransferEncoding = h.Values("Transfer-Encoding");
    std::int64_t length = -1;
    if (idglobal::tryDecimal(idglobal::trim(h.Values("Content-Length")), length) && length >= 0) {
        ContentLength = length;
        HasContentLength = true;
    } else {
        ContentLength = -1;
        HasContentLength = false;
    }
    Pragma = h.Values("Pragma");
    Date = idglobal::internetDateOrZero(h.Values("Date"));
    LastModified = idglobal::internetDateOrZero(h.Values("Last-Modified"));
    const std::string expires = h.Values("Expires");
    std::int64_t seconds = 0;
    if (idglobal::tryDecimal(expires, seconds) && seconds != -1)
        Expires = idglobal::nowDateTime() + static_cast<double>(seconds) / 86400.0;
    else
        Expires = idglobal::internetDateOrZero(expires);
}
