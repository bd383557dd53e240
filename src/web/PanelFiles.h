#pragma once

#include <cstddef>
#include <map>
#include <span>
#include <string>
#include <string_view>

namespace web {

// One of the panel's files as the build put it into the program (PanelFileData.cpp is generated
// from src/web/panel/ by EmbedPanel.cmake).
struct EmbeddedFile {
    const char *name; // "panel.js"
    const unsigned char *data;
    std::size_t size;
    const char *hash; // SHA-256 of the content, hexadecimal
};
std::span<const EmbeddedFile> embeddedPanelFiles();

// The panel's files ready to serve: content type, a validator (ETag) and, where it saves bytes, a
// gzip copy made once at start.
class PanelFiles {
public:
    struct File {
        std::string_view content;
        std::string gzipped; // empty when gzip would not be smaller
        std::string type;    // "text/html; charset=utf-8"
        std::string etag;    // quoted; the gzip copy's ends in "-gz"
        std::string gzipEtag;
    };

    PanelFiles();
    // The file for a path ("/" is index.html, "/login" login.html), or null.
    const File *find(std::string_view path) const;

    // gzip (RFC 1952) of the bytes.
    static std::string gzip(std::string_view bytes);

private:
    std::map<std::string, File, std::less<>> m_files;
};

} // namespace web
