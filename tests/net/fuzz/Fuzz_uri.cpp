// URL splitting and path merging on arbitrary text: the base URL is the text up to the first
// line feed, the URL resolved against it the rest.
#include "net/IdURI.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::size_t lf = text.find('\n');
    const TIdURI base(text.substr(0, lf));
    const TIdURI next(lf == std::string::npos ? std::string() : text.substr(lf + 1));
    const std::string merged = TIdURI::MergePath(base.Path, next.Path);
    // A merge never invents bytes: it is at most as long as its parts with one "/" between.
    if (merged.size() > base.Path.size() + next.Path.size() + 1)
        std::abort();
    if (!next.Path.empty() && next.Path[0] == '/' && merged != next.Path)
        std::abort();
    // Splitting keeps every byte but the separators it consumes.
    const std::size_t parts = next.Protocol.size() + next.Username.size() + next.Password.size() +
                              next.Host.size() + next.Port.size() + next.Path.size() +
                              next.Document.size() + next.Params.size() + next.Bookmark.size();
    if (parts > size + 1)
        std::abort();
    return 0;
}
