#include "net/IdURI.h"

namespace {
// Splits `r` into path, document and params; `absolute` puts a "/" in front of the path and
// cuts the document at its first "#".
void splitResource(const std::string& r, bool absolute, TIdURI& uri) {
    std::size_t q = r.find('?');
    if (q == std::string::npos)
        q = r.find('=');
    std::size_t d;
    if (q != std::string::npos)
        d = q == 0 ? std::string::npos : r.rfind('/', q - 1);
    else
        d = r.rfind('/');
    const std::size_t docStart = d == std::string::npos ? 0 : d + 1;
    uri.Path.clear();
    if (absolute)
        uri.Path.push_back('/');
    if (d != std::string::npos)
        uri.Path.append(r, 0, d + 1);
    if (q != std::string::npos) {
        uri.Document = r.substr(docStart, q - docStart);
        uri.Params = r.substr(q);
    } else {
        uri.Document = r.substr(docStart);
        uri.Params.clear();
    }
    if (absolute) {
        const std::size_t hash = uri.Document.find('#');
        if (hash != std::string::npos) {
            uri.Bookmark = uri.Document.substr(hash + 1);
            uri.Document.erase(hash);
        }
    }
}
} // namespace

void TIdURI::SetURI(const std::string& uri) {
    *this = TIdURI();
    std::string text = uri;
    for (char& c : text)
        if (c == '\\')
            c = '/';
    const std::size_t scheme = text.find("://");
    if (scheme != std::string::npos) {
        Protocol = text.substr(0, scheme);
        std::string r = text.substr(scheme + 3);
        std::string authority;
        const std::size_t slash = r.find('/');
        if (slash != std::string::npos) {
            authority = r.substr(0, slash);
            r.erase(0, slash + 1);
        } else {
            authority = std::move(r);
            r.clear();
        }
        const std::size_t at = authority.find('@');
        if (at != std::string::npos) {
            const std::string userInfo = authority.substr(0, at);
            authority.erase(0, at + 1);
            const std::size_t colon = userInfo.find(':');
            Username = userInfo.substr(0, colon);
            if (colon != std::string::npos)
                Password = userInfo.substr(colon + 1);
            if (Username.empty())
                Password.clear();
        }
        const std::size_t colon = authority.find(':');
        Host = authority.substr(0, colon);
        if (colon != std::string::npos)
            Port = authority.substr(colon + 1);
        splitResource(r, true, *this);
    } else {
        splitResource(text, false, *this);
    }
    if (Bookmark.empty()) {
        const std::size_t hash = Params.find('#');
        if (hash != std::string::npos) {
            Bookmark = Params.substr(hash + 1);
            Params.erase(hash);
        }
    }
}

std::string TIdURI::MergePath(const std::string& base, const std::string& path) {
    if (!path.empty() && path[0] == '/')
        return path;
    std::string w = base;
    if (!w.empty() && w.back() != '/')
        w += '/';
    w += path;
    std::string result;
    result.reserve(w.size());
    for (std::size_t i = 0; i < w.size(); ++i) {
        const char c = w[i];
        if (c == '/') {
            if (i == 0 || result.empty() || result.back() != '/')
                result += '/';
        } else if (c == '.' && !result.empty() && result.back() == '/' && i + 1 < w.size() &&
                   w[i + 1] == '.') {
            // ".." takes away the last "/" and the segment before it.
            result.pop_back();
            const std::size_t cut = result.rfind('/');
            result.erase(cut == std::string::npos ? 0 : cut + 1);
            ++i;
        } else {
            result += c;
        }
    }
    if (result.size() > 1 && result.back() == '/' && !path.empty() && path.back() != '/')
        result.pop_back();
    return result;
}
