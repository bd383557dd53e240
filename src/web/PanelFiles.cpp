#include "web/PanelFiles.h"

#include <utility> // before Boost: Boost 1.74's headers miss it in C++20

#include <boost/beast/zlib/deflate_stream.hpp>

#include <array>
#include <cstdint>

namespace web {

namespace {

std::string typeOf(std::string_view name) {
    const auto ends = [name](std::string_view end) {
        return name.size() >= end.size() && name.substr(name.size() - end.size()) == end;
    };
    if (ends(".html"))
        return "text/html; charset=utf-8";
    if (ends(".css"))
        return "text/css; charset=utf-8";
    if (ends(".js"))
        return "text/javascript; charset=utf-8";
    if (ends(".svg"))
        return "image/svg+xml";
    return "application/octet-stream";
}

std::uint32_t crc32(std::string_view bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char b : bytes)
        crc = table[(crc ^ static_cast<unsigned char>(b)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void putLittleEndian(std::string &out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

} // namespace

std::string PanelFiles::gzip(std::string_view bytes) {
    namespace zlib = boost::beast::zlib;
    // Header: magic, deflate, no flags, no time, best compression, unknown system.
    std::string out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\xff", 10);
    zlib::deflate_stream stream;
    stream.reset(9, 15, 8, zlib::Strategy::normal);
    std::string deflated(bytes.size() + bytes.size() / 8 + 64, '\0');
    zlib::z_params params;
    params.next_in = bytes.data();
    params.avail_in = bytes.size();
    params.next_out = deflated.data();
    params.avail_out = deflated.size();
    boost::system::error_code error;
    stream.write(params, zlib::Flush::finish, error);
    if (error && error != zlib::error::end_of_stream)
        return {};
    deflated.resize(params.total_out);
    out += deflated;
    putLittleEndian(out, crc32(bytes));
    putLittleEndian(out, static_cast<std::uint32_t>(bytes.size()));
    return out;
}

PanelFiles::PanelFiles() {
    for (const EmbeddedFile &embedded : embeddedPanelFiles()) {
        File file;
        file.content = std::string_view(reinterpret_cast<const char *>(embedded.data), embedded.size);
        file.type = typeOf(embedded.name);
        const std::string tag = std::string(embedded.hash).substr(0, 20);
        file.etag = "\"" + tag + "\"";
        file.gzipEtag = "\"" + tag + "-gz\"";
        std::string packed = gzip(file.content);
        if (!packed.empty() && packed.size() < file.content.size())
            file.gzipped = std::move(packed);
        m_files.emplace(embedded.name, std::move(file));
    }
}

const PanelFiles::File *PanelFiles::find(std::string_view path) const {
    std::string_view name;
    if (path == "/")
        name = "index.html";
    else if (path == "/login")
        name = "login.html";
    else if (path.size() > 1 && path.front() == '/')
        name = path.substr(1);
    else
        return nullptr;
    const auto found = m_files.find(name);
    return found == m_files.end() ? nullptr : &found->second;
}

} // namespace web
