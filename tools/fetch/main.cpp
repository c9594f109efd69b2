// zantrel-fetch [--proxy HOST:PORT] [--repeat N] [--quiet] [--stats] URL...
//
// Fetches each URL in the order given (each N times with --repeat) with one client, so that
// relative URLs, the kept-alive connection and cookies carry from one fetch to the next. Writes
// the body of the last fetch to standard output as raw bytes (nothing with --quiet); --stats
// prints requests per second and MB/s to standard error. A failure prints the class name, ": "
// and the message to standard error and exits with status 1.
#include "net/IdHTTP.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

int usage() {
    std::fputs("usage: zantrel-fetch [--proxy HOST:PORT] [--repeat N] [--quiet] [--stats] URL...\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // The body and the failure's text go out byte for byte: a text-mode stream would write LF
    // as CR LF, and the CR LF inside a socket error's message as CR CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    std::string proxy;
    long repeat = 1;
    bool quiet = false;
    bool stats = false;
    std::vector<std::string> urls;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--proxy" && i + 1 < argc) {
            proxy = argv[++i];
        } else if (arg == "--repeat" && i + 1 < argc) {
            char* end = nullptr;
            repeat = std::strtol(argv[++i], &end, 10);
            if (end == argv[i] || *end != '\0' || repeat < 1)
                return usage();
        } else if (arg == "--quiet") {
            quiet = true;
        } else if (arg == "--stats") {
            stats = true;
        } else if (arg == "--") {
            for (++i; i < argc; ++i)
                urls.emplace_back(argv[i]);
        } else if (arg.size() > 1 && arg[0] == '-' && arg.rfind("--", 0) == 0) {
            return usage();
        } else {
            urls.push_back(arg);
        }
    }
    if (urls.empty())
        return usage();

    try {
        TIdHTTP http;
        if (!proxy.empty()) {
            const std::size_t colon = proxy.rfind(':');
            if (colon == std::string::npos)
                return usage();
            http.ProxyParams().setProxyServer(proxy.substr(0, colon));
            http.ProxyParams().setProxyPort(strToInt(proxy.substr(colon + 1)));
        }
        TIdMemoryStream body;
        long long requests = 0;
        long long bytes = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const std::string& url : urls) {
            for (long n = 0; n < repeat; ++n) {
                body.Clear();
                http.Get(url, body);
                ++requests;
                bytes += static_cast<long long>(body.Size());
            }
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!quiet && body.Size() > 0)
            std::fwrite(body.Data(), 1, body.Size(), stdout);
        std::fflush(stdout);
        if (stats) {
            const double s = seconds > 0 ? seconds : 1e-9;
            std::fprintf(stderr, "requests=%lld bytes=%lld seconds=%.6f rps=%.1f mbps=%.1f\n",
                         requests, bytes, seconds, requests / s, bytes / s / 1e6);
        }
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s: %s\n", e.className(), e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Exception: %s\n", e.what());
        return 1;
    }
    return 0;
}
