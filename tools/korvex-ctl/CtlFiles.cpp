#include "CtlFiles.h"

#include "files/FileReplace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

std::string fileLabel(const std::string &path, bool writing) {
    if (path == "-")
        return writing ? "standard output" : "standard input";
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

std::string readProblem(const std::string &path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found)
        return "no such file";
    if (status.type() == fs::file_type::directory)
        return "a folder, not a file";
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return std::strerror(errno);
    std::fclose(file);
    return "cannot be read";
}

bool readInputFile(const std::string &path, std::size_t maxBytes, std::string &bytes, std::string &error) {
    bytes.clear();
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> opened(nullptr, &std::fclose);
    std::FILE *file = stdin;
    if (path != "-") {
        // A folder opens as a stream but cannot be read.
        std::error_code ec;
        if (!fs::is_directory(path, ec))
            opened.reset(std::fopen(path.c_str(), "rb"));
        if (!opened) {
            error = fileLabel(path) + ": cannot be read: " + readProblem(path);
            return false;
        }
        file = opened.get();
    }
    char buffer[65536];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, file)) {
        bytes.append(buffer, got);
        if (bytes.size() > maxBytes) {
            error = fileLabel(path) + ": longer than " + std::to_string(maxBytes) + " bytes";
            return false;
        }
    }
    if (std::ferror(file)) {
        error = fileLabel(path) + ": cannot be read: " + std::strerror(errno);
        return false;
    }
    return true;
}

bool writeOutputFile(const std::string &path, const std::string &bytes, std::string &error) {
    if (path == "-") {
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0)
            return true;
        error = "standard output: cannot be written: " + std::string(std::strerror(errno));
        return false;
    }
    errno = 0;
    if (files::replaceFileContent(path, bytes))
        return true;
    const int why = errno;
    error =
        fileLabel(path, true) + ": cannot be written" + (why ? ": " + std::string(std::strerror(why)) : "");
    return false;
}
