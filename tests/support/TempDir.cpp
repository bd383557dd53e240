#include "TempDir.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace testsupport {

ScopedTempCwd::ScopedTempCwd() {
    if (!m_dir.isValid())
        throw std::runtime_error("cannot create a temporary folder");
    m_previous = std::filesystem::current_path().string();
    std::filesystem::current_path(m_dir.path().toStdString());
}

ScopedTempCwd::~ScopedTempCwd() {
    std::error_code ec;
    std::filesystem::current_path(m_previous, ec);
}

std::string ScopedTempCwd::path() const { return m_dir.path().toStdString(); }

std::string ScopedTempCwd::file(const std::string &name) const { return path() + "/" + name; }

std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace testsupport
