#include "TempDir.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace testsupport {

namespace {

// A new folder of a random name under the system's temporary folder.
std::filesystem::path makeTempFolder() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device seed;
    std::mt19937_64 generator(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate =
            base / ("korvex-test-" + std::to_string(generator() % 1000000000000ULL));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec))
            return candidate;
    }
    throw std::runtime_error("cannot create a temporary folder");
}

} // namespace

ScopedTempCwd::ScopedTempCwd() {
    const std::filesystem::path folder = makeTempFolder();
    m_path = folder.generic_string();
    m_previous = std::filesystem::current_path().string();
    std::filesystem::current_path(folder);
}

ScopedTempCwd::~ScopedTempCwd() {
    std::error_code ec;
    std::filesystem::current_path(m_previous, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::string ScopedTempCwd::path() const {
    return m_path;
}

std::string ScopedTempCwd::file(const std::string &name) const {
    return path() + "/" + name;
}

std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace testsupport
