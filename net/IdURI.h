#pragma once
// A URL split into its parts. Nothing is escaped or decoded: the parts keep the bytes written.
#include <string>

class TIdURI {
public:
    TIdURI() = default;
    explicit TIdURI(const std::string& uri) { SetURI(uri); }

    // Splits a URL text into the parts below (all of them are replaced).
    void SetURI(const std::string& uri);

    std::string Protocol;
    std::string Username;
    std::string Password;
    std::string Host;
    std::string Port;
    // The directory part, e.g. "/d/".
    std::string Path;
    std::string Document;
    // The query, beginning with its "?".
    std::string Params;
    // The fragment, never sent.
    std::string Bookmark;

    // Merges a path onto a base path: an absolute path replaces the base, a relative one is
    // appended to it with "//" collapsed and ".." segments removed.
    static std::string MergePath(const std::string& base, const std::string& path);
};
