#pragma once

#include <string>

namespace testsupport {

// Makes a fresh temporary folder the current directory for the life of the object, as the console
// reads and writes its files by bare name there. The previous directory is restored and the folder
// removed on destruction.
class ScopedTempCwd {
public:
    ScopedTempCwd();
    ~ScopedTempCwd();
    ScopedTempCwd(const ScopedTempCwd &) = delete;
    ScopedTempCwd &operator=(const ScopedTempCwd &) = delete;

    std::string path() const;
    std::string file(const std::string &name) const;

private:
    std::string m_path;
    std::string m_previous;
};

// Whole file content as bytes; empty when it cannot be read.
std::string readFile(const std::string &path);
void writeFile(const std::string &path, const std::string &bytes);

} // namespace testsupport
