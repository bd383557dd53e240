#include "edid/EdidFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace edid {

EdidImage edidImageFromBytes(std::string_view bytes) {
    EdidImage image;
    image.fill(0xFF);
    std::copy_n(bytes.begin(), std::min(bytes.size(), image.size()), image.begin());
    return image;
}

bool readEdidFile(const std::string &path, EdidImage &image, std::string &error) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    char buffer[kEdidImageSize];
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
    if (got < sizeof buffer && std::ferror(file.get())) {
        // For example a directory: it opens, but reading it fails.
        error = errno ? std::strerror(errno) : "read error";
        return false;
    }
    image = edidImageFromBytes(std::string_view(buffer, got));
    return true;
}

} // namespace edid
