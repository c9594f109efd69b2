// Cookie parsing and matching on arbitrary text: the first line is the host, the rest header
// lines (Set-Cookie and Set-Cookie2 among them, or anything else); then the "Cookie" line is
// built for the host and a few paths, and the expiry dates are read.
#include "net/IdCookieManager.h"
#include "net/IdGlobal.h"
#include "net/IdHeaderList.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::size_t lf = text.find('\n');
    const std::string host = text.substr(0, lf);
    TIdHeaderList headers;
    while (lf != std::string::npos) {
        const std::size_t start = lf + 1;
        lf = text.find('\n', start);
        headers.Add(text.substr(start, lf == std::string::npos ? std::string::npos : lf - start));
    }
    TIdCookieManager manager;
    manager.AddCookies(headers, host);
    for (const std::string& value : headers.AllValues("Set-Cookie"))
        manager.AddCookie(value, "w.x.y");
    for (const char* path : {"/", "/d/", ""})
        manager.GenerateCookieList(host, path);
    manager.GenerateCookieList("w.x.y", "/");
    TDateTime when = 0;
    idglobal::tryInternetDate(text, when);
    return 0;
}
